#include "ui/about/frmAbout.h"

#include "RegistryGuard.h"
#include "resource.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/Ole.h"
#include "platform/SystemApi.h"
#include "tests/support/Accessibility.h"
#include "tests/support/DialogResponder.h"

#include <algorithm>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <vector>

using testing_support::PumpFor;
using testing_support::WindowText;
using ui::frmAbout;

namespace {

HWND Item(int id) {
    return GetDlgItem(ui::AboutWindow(), id);
}

// Every test starts and ends without an About window and with the shell's opener.
class AboutWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(ui::AboutWindow(), nullptr); }
    void TearDown() override {
        ui::CloseAbout();
        ui::SetPageOpener(nullptr);
    }

    HWND Open() {
        ui::ShowAbout(nullptr);
        PumpFor(50);
        return ui::AboutWindow();
    }

    UINT Dpi() const { return platform::ScreenDpi(LOGPIXELSX); }
    int Px(int twips) const { return MulDiv(twips, static_cast<int>(Dpi()), 1440); }

    RECT ClientRectOf(int id) const {
        RECT r{};
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, ui::AboutWindow(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void ExpectPlaced(int id, int left, int top, int width, int height) const {
        RECT r = ClientRectOf(id);
        EXPECT_EQ(r.left, Px(left)) << "control " << id;
        EXPECT_EQ(r.top, Px(top)) << "control " << id;
        EXPECT_EQ(r.right - r.left, Px(width)) << "control " << id;
        EXPECT_EQ(r.bottom - r.top, Px(height)) << "control " << id;
    }

    // Where the pointer shape ends up when it rests over the control.
    HCURSOR CursorOver(int id) const {
        SetCursor(nullptr);
        HWND control = Item(id);
        SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    }

    HWND Tooltip() const {
        // A named callback: 32-bit callbacks are stdcall, which lambdas do not convert to.
        struct Search {
            HWND owner;
            HWND found;
            static BOOL CALLBACK Visit(HWND w, LPARAM lp) {
                auto* s = reinterpret_cast<Search*>(lp);
                wchar_t name[64] = {};
                GetClassNameW(w, name, 64);
                if (GetWindow(w, GW_OWNER) != s->owner || lstrcmpiW(name, TOOLTIPS_CLASSW) != 0)
                    return TRUE;
                s->found = w;
                return FALSE;
            }
        } search{ui::AboutWindow(), nullptr};
        EnumThreadWindows(GetCurrentThreadId(), &Search::Visit, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    std::wstring TooltipOf(int id) const {
        wchar_t text[128] = {};
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.hwnd = ui::AboutWindow();
        info.uId = reinterpret_cast<UINT_PTR>(Item(id));
        info.lpszText = text;
        SendMessageW(Tooltip(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
        return text;
    }
};

struct OpenedPage {
    HWND owner;
    std::wstring address;
};

// What the screen shows of a rectangle (screen coordinates) as COLORREFs,
// rows top down. (Wine's PrintWindow leaves the children out.)
std::vector<COLORREF> ScreenPixels(const RECT& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    const platform::WindowDC screen;
    const platform::MemoryDC memory(screen.get());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const platform::BitmapHandle bitmap(
        CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap.get())
        return {};
    const platform::SelectScope selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY))
        return {};
    GdiFlush();
    const auto* pixels = static_cast<const COLORREF*>(bits);
    std::vector<COLORREF> result(pixels,
                                 pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (COLORREF& pixel : result) // the DIB holds 0x00RRGGBB
        pixel = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    return result;
}

size_t DistinctColours(const std::vector<COLORREF>& pixels) {
    std::vector<COLORREF> sorted = pixels;
    std::sort(sorted.begin(), sorted.end());
    return static_cast<size_t>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

} // namespace

TEST_F(AboutWindowTest, ShowsTheCaptionTitleAndVersion) {
    HWND about = Open();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(WindowText(about), L"About Quillane");
    EXPECT_EQ(WindowText(Item(frmAbout::lblTitle)), L"Quillane");
    EXPECT_EQ(WindowText(Item(frmAbout::lblVersion)), L"Version 1.0.0");
    EXPECT_EQ(ui::VersionText(), L"Version 1.0.0");
}

TEST_F(AboutWindowTest, ButtonsCarryTheirCaptions) {
    Open();
    EXPECT_EQ(WindowText(Item(frmAbout::Command1)), L"&Join the Pelwick mailing list");
    EXPECT_EQ(WindowText(Item(frmAbout::Command2)), L"&Pelwick");
    EXPECT_EQ(WindowText(Item(frmAbout::Command3)), L"Clos&e");
    EXPECT_EQ(WindowText(Item(frmAbout::Command4)), L"&System Info");
    EXPECT_FALSE(WindowText(Item(frmAbout::lblDescription)).empty());
    EXPECT_FALSE(WindowText(Item(frmAbout::lblDisclaimer)).empty());
}

TEST_F(AboutWindowTest, IsAFixedDialogWindowCentredOnTheScreen) {
    HWND about = Open();
    ASSERT_NE(about, nullptr);
    const LONG_PTR style = GetWindowLongPtrW(about, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(about, GWL_EXSTYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

    RECT client{};
    GetClientRect(about, &client);
    EXPECT_EQ(client.right, Px(5730));
    EXPECT_EQ(client.bottom, Px(3990));

    RECT frame{};
    GetWindowRect(about, &frame);
    // Whole pixels, as the window was placed.
    const int centreX = (frame.left + frame.right) / 2;
    const int centreY = (frame.top + frame.bottom) / 2;
    const int screenCentreX = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int screenCentreY = GetSystemMetrics(SM_CYSCREEN) / 2;
    EXPECT_NEAR(centreX, screenCentreX, 1);
    EXPECT_NEAR(centreY, screenCentreY, 1);
}

TEST_F(AboutWindowTest, ControlsSitWhereTheLayoutPutsThem) {
    Open();
    ExpectPlaced(frmAbout::picIcon, 120, 120, 1065, 2205);
    ExpectPlaced(frmAbout::lblTitle, 1560, 240, 2805, 240);
    ExpectPlaced(frmAbout::lblVersion, 1560, 600, 2325, 225);
    ExpectPlaced(frmAbout::Frame2, 1560, 840, 3975, 1095);
    // Inside Frame2 and Frame1.
    ExpectPlaced(frmAbout::lblDescription, 1560 + 120, 840 + 120, 3795, 810);
    ExpectPlaced(frmAbout::lblDisclaimer, 120 + 120, 2405 + 240, 3870, 1185);
    ExpectPlaced(frmAbout::Frame1, 120, 2405, 4095, 1455);
    ExpectPlaced(frmAbout::Command1, 1560, 2040, 2295, 345);
    ExpectPlaced(frmAbout::Command2, 4320, 2040, 1245, 345);
    ExpectPlaced(frmAbout::Command3, 4290, 2777, 1245, 345);
    ExpectPlaced(frmAbout::Command4, 4290, 3480, 1245, 345);
}

TEST_F(AboutWindowTest, OwnedByTheMainWindowAndClosedWithIt) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    ui::ShowAbout(owner);
    HWND about = ui::AboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), owner);
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(ui::AboutWindow(), nullptr);
    // And it opens again afterwards.
    EXPECT_NE(Open(), nullptr);
}

TEST_F(AboutWindowTest, PressingAboutAgainBringsTheSameWindowWithoutReloading) {
    HWND first = Open();
    ASSERT_NE(first, nullptr);
    SetWindowTextW(Item(frmAbout::lblTitle), L"changed");
    SetWindowTextW(first, L"changed caption");
    HWND second = Open();
    EXPECT_EQ(second, first);
    EXPECT_EQ(WindowText(Item(frmAbout::lblTitle)), L"changed");
    EXPECT_EQ(WindowText(second), L"changed caption");
    EXPECT_TRUE(IsWindowVisible(second));
}

TEST_F(AboutWindowTest, CloseAboutDestroysTheWindow) {
    HWND about = Open();
    ASSERT_NE(about, nullptr);
    ui::CloseAbout();
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(ui::AboutWindow(), nullptr);
    ui::CloseAbout(); // nothing open: nothing happens
}

TEST_F(AboutWindowTest, CloseButtonDestroysItAndTheNextOpeningLoadsAgain) {
    HWND about = Open();
    ASSERT_NE(about, nullptr);
    SetWindowTextW(Item(frmAbout::lblTitle), L"changed");
    SendMessageW(Item(frmAbout::Command3), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(ui::AboutWindow(), nullptr);
    Open();
    EXPECT_EQ(WindowText(Item(frmAbout::lblTitle)), L"Quillane");
}

TEST_F(AboutWindowTest, TheCloseBoxAndEscapeCloseIt) {
    HWND about = Open();
    SendMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(about));
    about = Open();
    SendMessageW(about, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(about));
}

TEST_F(AboutWindowTest, TheLinkButtonsAndThePictureOpenTheVendorPages) {
    std::vector<OpenedPage> opened;
    ui::SetPageOpener([&](HWND owner, const std::wstring& address) {
        opened.push_back({owner, address});
    });
    HWND about = Open();
    SendMessageW(Item(frmAbout::Command1), BM_CLICK, 0, 0);
    SendMessageW(Item(frmAbout::Command2), BM_CLICK, 0, 0);
    HWND picture = Item(frmAbout::picIcon);
    SendMessageW(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(picture, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].address, L"https://www.example.com/mailing-list");
    EXPECT_EQ(opened[1].address, L"https://www.example.com/");
    EXPECT_EQ(opened[2].address, L"https://www.example.com/");
    for (const OpenedPage& page : opened)
        EXPECT_EQ(page.owner, about);
    // The window stays open.
    EXPECT_TRUE(IsWindow(about));
}

TEST_F(AboutWindowTest, TheHandShowsOverTheTwoLinkButtonsOnly) {
    Open();
    HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_POINTER));
    ASSERT_NE(hand, nullptr);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    EXPECT_EQ(CursorOver(frmAbout::Command1), hand);
    EXPECT_EQ(CursorOver(frmAbout::Command2), hand);
    EXPECT_EQ(CursorOver(frmAbout::Command3), arrow);
    EXPECT_EQ(CursorOver(frmAbout::Command4), arrow);
    EXPECT_EQ(CursorOver(frmAbout::picIcon), arrow);
}

TEST_F(AboutWindowTest, TheHandCursorIs32By32WithItsHotSpotAtTheFingertip) {
    HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_POINTER));
    ASSERT_NE(hand, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 0u);
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64); // monochrome: AND and XOR masks stacked
    EXPECT_EQ(info.hbmColor, nullptr);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
}

TEST_F(AboutWindowTest, ControlsCarryTheirTooltips) {
    Open();
    ASSERT_NE(Tooltip(), nullptr);
    EXPECT_EQ(SendMessageW(Tooltip(), TTM_GETTOOLCOUNT, 0, 0), 5);
    EXPECT_EQ(TooltipOf(frmAbout::picIcon), L"Pelwick Software");
    EXPECT_EQ(TooltipOf(frmAbout::Command1), L"Join our mailing list");
    EXPECT_EQ(TooltipOf(frmAbout::Command2), L"Visit Pelwick");
    EXPECT_EQ(TooltipOf(frmAbout::Command3), L"Close this window");
    EXPECT_EQ(TooltipOf(frmAbout::Command4), L"Info about your computer");
}

TEST_F(AboutWindowTest, TitleAndVersionAreBlueBoldSansSerif) {
    HWND about = Open();
    for (int id : {frmAbout::lblTitle, frmAbout::lblVersion}) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(Item(id), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW lf{};
        GetObjectW(font, sizeof lf, &lf);
        EXPECT_EQ(lf.lfWeight, FW_BOLD);
        EXPECT_EQ(lf.lfHeight, -MulDiv(975, static_cast<int>(Dpi()), 7200));
        // MS Sans Serif, or the fallback where the system lacks it.
        const std::wstring face = lf.lfFaceName;
        EXPECT_TRUE(face == L"MS Sans Serif" || face == L"Tahoma" || face == L"MS Shell Dlg")
            << "face " << std::string(face.begin(), face.end());

        const platform::WindowDC dc(Item(id));
        SendMessageW(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                     reinterpret_cast<LPARAM>(Item(id)));
        COLORREF colour = GetTextColor(dc.get());
        EXPECT_GT(GetBValue(colour), 2 * GetRValue(colour)) << "not blue: " << colour;
        EXPECT_GT(GetBValue(colour), 2 * GetGValue(colour)) << "not blue: " << colour;
    }
    HFONT bodyFont =
        reinterpret_cast<HFONT>(SendMessageW(Item(frmAbout::lblDescription), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    GetObjectW(bodyFont, sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
}

TEST_F(AboutWindowTest, ADpiChangeRemakesFontsLayoutAndSize) {
    HWND about = Open();
    const UINT dpi = 2 * Dpi();
    RECT suggested{50, 60, 900, 700};
    SendMessageW(about, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    const auto px = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };
    RECT r = ClientRectOf(frmAbout::Command4);
    EXPECT_EQ(r.left, px(4290));
    EXPECT_EQ(r.top, px(3480));
    EXPECT_EQ(r.right - r.left, px(1245));
    RECT client{}, window{};
    GetClientRect(about, &client);
    GetWindowRect(about, &window);
    EXPECT_EQ(window.left, 50);
    EXPECT_EQ(window.top, 60);
    // Nothing cut off: the frame of the new DPI holds the whole layout.
    EXPECT_GE(client.right, px(5730));
    EXPECT_GE(client.bottom, px(3990));
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(frmAbout::lblTitle), WM_GETFONT, 0, 0)),
               sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -MulDiv(975, static_cast<int>(dpi), 7200));
    GetObjectW(
        reinterpret_cast<HFONT>(SendMessageW(Item(frmAbout::lblDescription), WM_GETFONT, 0, 0)),
        sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -MulDiv(825, static_cast<int>(dpi), 7200));
}

TEST_F(AboutWindowTest, TheVendorPictureHasAName) {
    const platform::ScopedOleInitialize ole;
    Open();
    EXPECT_EQ(testing_support::AccessibleName(Item(frmAbout::picIcon)), L"Pelwick Software");
    EXPECT_EQ(testing_support::AccessibleName(Item(frmAbout::Command3)), L"Close");
}

TEST_F(AboutWindowTest, ShowsTheVendorPicture) {
    Open();
    HBITMAP shown = reinterpret_cast<HBITMAP>(
        SendMessageW(Item(frmAbout::picIcon), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(shown, nullptr);
    BITMAP bm{};
    GetObjectW(shown, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 71);
    EXPECT_EQ(bm.bmHeight, 147);
}

TEST_F(AboutWindowTest, SystemInfoButtonReportsAMissingProgramOverTheWindow) {
    // Without the registry values the message comes, owned by the About window.
    testing_support::RegistryValueGuard path(HKEY_LOCAL_MACHINE,
                                             L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", L"PATH");
    testing_support::RegistryValueGuard location(
        HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO");
    HWND about = Open();
    HWND owner = nullptr;
    testing_support::DialogResponder responder;
    responder.Expect(L"Quillane", [&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        testing_support::PressButton(box, IDOK);
    });
    SendMessageW(Item(frmAbout::Command4), BM_CLICK, 0, 0);
    EXPECT_TRUE(responder.WaitAllMet());
    EXPECT_EQ(owner, about);
}

// What reaches the screen, not only what the controls hold: the vendor
// picture drawn in its place, the title's blue letters on the window's ground.
TEST_F(AboutWindowTest, TheScreenShowsThePictureAndTheTitle) {
    HWND about = Open();
    ASSERT_NE(about, nullptr);
    SetWindowPos(about, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(about, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpFor(300);
    auto screenRect = [](int id) {
        RECT r{};
        GetWindowRect(Item(id), &r);
        return r;
    };
    const std::vector<COLORREF> picture = ScreenPixels(screenRect(frmAbout::picIcon));
    ASSERT_FALSE(picture.empty());
    EXPECT_GE(DistinctColours(picture), 16u) << "the vendor picture is not drawn";

    const std::vector<COLORREF> title = ScreenPixels(screenRect(frmAbout::lblTitle));
    ASSERT_FALSE(title.empty());
    const COLORREF ground = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
    const auto letters = std::count_if(title.begin(), title.end(), [](COLORREF c) {
        return GetBValue(c) > GetRValue(c) + 64; // the title's blue, even where smoothed
    });
    EXPECT_GT(letters, 20) << "no blue letters in the title";
    EXPECT_GT(std::count(title.begin(), title.end(), ground), static_cast<long>(title.size() / 2))
        << "the title's ground is not the window's";
}
