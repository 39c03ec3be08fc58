// The picture box, drawn through WM_PRINTCLIENT.
#include "ui/options/PictureBox.h"

#include "platform/Gdi.h"
#include "tests/support/TempDir.h"
#include "tests/ui/options/OptionsTestSupport.h"

#include <gtest/gtest.h>

using namespace options_test;

namespace {

std::wstring Background(const wchar_t* name) {
    return BuiltBackgroundsDir() + L"\\" + name;
}

} // namespace

TEST(PictureBox, ShowsAPictureStretchedAndClears) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND box = ui::CreatePictureBox(parent, 1, 0, 0, 192, 144);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ui::PictureBoxPicture(box), nullptr);
    ASSERT_TRUE(ui::PictureBoxSetPicture(box, Background(L"Tiles.bmp")));
    ASSERT_NE(ui::PictureBoxPicture(box), nullptr);

    const platform::WindowDC screen;
    const platform::MemoryDC memory(screen.get());
    const platform::BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), 192, 144));
    const platform::SelectScope selected(memory.get(), bitmap.get());
    const HDC dc = memory.get();
    SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(GetPixel(dc, 20, 4), RGB(200, 120, 60));
    EXPECT_EQ(GetPixel(dc, 40, 4), RGB(240, 224, 192));

    // A file that is no picture leaves the box as it was.
    testing_support::TempDir dir;
    WriteText(dir / L"bad.jpg", "nope");
    EXPECT_FALSE(ui::PictureBoxSetPicture(box, dir / L"bad.jpg"));
    EXPECT_NE(ui::PictureBoxPicture(box), nullptr);

    ui::PictureBoxClear(box);
    EXPECT_EQ(ui::PictureBoxPicture(box), nullptr);
    SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(GetPixel(dc, 20, 4), GetSysColor(COLOR_BTNFACE));
    DestroyWindow(parent);
}
