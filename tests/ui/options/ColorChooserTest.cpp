// The colour dialog and the sample caption.
#include "ui/options/ColorChooser.h"

#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "tests/support/DialogResponder.h"
#include "tests/ui/options/OptionsTestSupport.h"

#include <algorithm>
#include <cmath>
#include <colordlg.h>
#include <vector>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// Opens "Define Custom Colors", types the three components and presses OK.
DialogResponder::Action TypeColour(int red, int green, int blue) {
    return [=](HWND d) { options_test::TypeColourAndOk(d, red, green, blue); };
}

class Owner {
  public:
    Owner() {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Owner() { DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }

  private:
    HWND hwnd_;
};

} // namespace

TEST(ShowColor, ReturnsTheColourTypedIntoTheDialog) {
    Owner owner;
    DialogResponder responder;
    responder.Expect(L"", TypeColour(12, 34, 56));
    EXPECT_EQ(ui::ShowColor(owner.hwnd()), 0x0038220C);
    ASSERT_EQ(responder.Seen().size(), 1u);
    EXPECT_EQ(responder.Seen()[0].caption, L"Color");
}

TEST(ShowColor, PureRedIsTheLowByte) {
    DialogResponder responder;
    responder.Expect(L"Color", TypeColour(255, 0, 0));
    EXPECT_EQ(ui::ShowColor(nullptr), 255);
}

TEST(ShowColor, OpensWithBlackSoOkAloneGivesZero) {
    DialogResponder responder;
    responder.Expect(L"Color", TypeColour(1, 2, 3));
    EXPECT_EQ(ui::ShowColor(nullptr), 0x00030201);
    // The earlier choice is not preselected the next time.
    responder.ExpectButton(L"Color", IDOK);
    EXPECT_EQ(ui::ShowColor(nullptr), 0);
}

TEST(ShowColor, CancelGivesMinusOne) {
    DialogResponder responder;
    responder.ExpectButton(L"Color", IDCANCEL);
    EXPECT_EQ(ui::ShowColor(nullptr), -1);
}

TEST(ShowColor, DialogOpensWithBlackCustomColoursEveryTime) {
    COLORREF firstCustom = 1;
    DialogResponder responder;
    responder.Expect(L"Color", [](HWND d) {
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(COLOR_MIX, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, COLOR_MIX)));
        SetDlgItemInt(d, COLOR_RED, 200, FALSE);
        // "Add to Custom Colors" fills the first custom colour.
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(COLOR_ADD, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, COLOR_ADD)));
        PressButton(d, IDOK);
    });
    EXPECT_EQ(ui::ShowColor(nullptr), 200);
    responder.Expect(L"Color", [&](HWND d) {
        // The custom colour boxes paint from the dialog's record.
        HWND box = GetDlgItem(d, COLOR_CUSTOM1);
        RECT rect{};
        GetClientRect(box, &rect);
        const platform::WindowDC dc(box);
        UpdateWindow(d);
        firstCustom = GetPixel(dc.get(), rect.right / 16, rect.bottom / 4);
        PressButton(d, IDCANCEL);
    });
    EXPECT_EQ(ui::ShowColor(nullptr), -1);
    if (firstCustom != CLR_INVALID) {
        EXPECT_EQ(firstCustom, RGB(0, 0, 0));
    }
}

namespace {

class SampleHost {
  public:
    SampleHost() {
        parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        sample_ = ui::CreateSampleText(parent_, 7, 10, 10, 79, 30);
    }
    ~SampleHost() { DestroyWindow(parent_); }
    HWND sample() const { return sample_; }

    // Paints the control into a bitmap and reads it back.
    std::vector<COLORREF> Paint() const {
        const int w = 79, h = 30;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        const platform::BitmapHandle bitmap(
            CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const platform::MemoryDC dc;
        const platform::SelectScope selected(dc.get(), bitmap.get());
        SendMessageW(sample_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        GdiFlush();
        std::vector<COLORREF> pixels;
        for (int i = 0; i < w * h; ++i) {
            const DWORD p = static_cast<const DWORD*>(bits)[i];
            pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        }
        return pixels;
    }

  private:
    HWND parent_;
    HWND sample_;
};

} // namespace

TEST(SampleText, StartsWithButtonColoursAndTheSampleCaption) {
    SampleHost host;
    ASSERT_NE(host.sample(), nullptr);
    EXPECT_EQ(WindowText(host.sample()), L"Sample IconText");
    EXPECT_EQ(ui::SampleTextForeColor(host.sample()), static_cast<std::int32_t>(0x80000012));
    EXPECT_EQ(ui::SampleTextBackColor(host.sample()), static_cast<std::int32_t>(0x8000000F));
    const auto pixels = host.Paint();
    EXPECT_EQ(pixels.front(), GetSysColor(COLOR_BTNFACE));
}

TEST(SampleText, UsesTahomaBoldAtEightAndAQuarterPoints) {
    SampleHost host;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(host.sample(), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont{};
    ASSERT_TRUE(GetObjectW(font, sizeof logFont, &logFont));
    EXPECT_EQ(std::wstring(logFont.lfFaceName), L"Tahoma");
    EXPECT_EQ(logFont.lfWeight, FW_BOLD);
    const int dpi = static_cast<int>(platform::ScreenDpi(LOGPIXELSY));
    EXPECT_EQ(logFont.lfHeight, -std::lround(8.25 * dpi / 72.0));
}

TEST(SampleText, PaintsTheChosenColours) {
    SampleHost host;
    ui::SampleTextSetForeColor(host.sample(), 0x000000FF);
    ui::SampleTextSetBackColor(host.sample(), 0x00FFFFFF);
    EXPECT_EQ(ui::SampleTextForeColor(host.sample()), 0x000000FF);
    EXPECT_EQ(ui::SampleTextBackColor(host.sample()), 0x00FFFFFF);
    auto pixels = host.Paint();
    EXPECT_EQ(pixels.front(), RGB(255, 255, 255));
    EXPECT_NE(std::count(pixels.begin(), pixels.end(), RGB(255, 0, 0)), 0) << "no red text drawn";

    // Clear All: black text on the button face, given as a system colour reference.
    ui::SampleTextSetForeColor(host.sample(), 0);
    ui::SampleTextSetBackColor(host.sample(), ui::kSystemButtonFace);
    pixels = host.Paint();
    EXPECT_EQ(pixels.front(), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), RGB(255, 0, 0)), 0);
    EXPECT_NE(std::count(pixels.begin(), pixels.end(), RGB(0, 0, 0)), 0);
}
