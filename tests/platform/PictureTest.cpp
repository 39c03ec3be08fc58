// The picture loader.
#include "platform/Picture.h"

#include "platform/Gdi.h"
#include "tests/support/BuiltFiles.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::wstring Background(const wchar_t* name) {
    return BuiltBackgroundsDir() + L"\\" + name;
}

// Renders into a 32-bit bitmap of the given size and reads one pixel.
COLORREF RenderedPixel(const platform::Picture& picture, int w, int h, int x, int y) {
    const platform::WindowDC screen;
    const platform::MemoryDC dc(screen.get());
    const platform::BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    const platform::SelectScope selected(dc.get(), bitmap.get());
    RECT all{0, 0, w, h};
    EXPECT_TRUE(picture.Render(dc.get(), all));
    return GetPixel(dc.get(), x, y);
}

} // namespace

TEST(Picture, JpegReportsItsSizeInHimetric) {
    platform::Picture picture = platform::Picture::Load(Background(L"Meadow.jpg"));
    ASSERT_TRUE(picture.valid());
    EXPECT_EQ(picture.WidthHimetric(), 27093);
    EXPECT_EQ(picture.HeightHimetric(), 20320);
    EXPECT_EQ(platform::HimetricToPixels(picture.WidthHimetric(), 96), 1024);
    EXPECT_EQ(platform::HimetricToPixels(picture.HeightHimetric(), 96), 768);
}

TEST(Picture, ReadsGifBitmapAndIcon) {
    platform::Picture gif = platform::Picture::Load(Background(L"Dusk.gif"));
    ASSERT_TRUE(gif.valid());
    EXPECT_EQ(platform::HimetricToPixels(gif.WidthHimetric(), 96), 320);
    EXPECT_EQ(platform::HimetricToPixels(gif.HeightHimetric(), 96), 240);
    platform::Picture bmp = platform::Picture::Load(Background(L"Tiles.bmp"));
    ASSERT_TRUE(bmp.valid());
    EXPECT_EQ(platform::HimetricToPixels(bmp.WidthHimetric(), 96), 96);
    EXPECT_EQ(platform::HimetricToPixels(bmp.HeightHimetric(), 96), 72);
    platform::Picture ico = platform::Picture::Load(BuiltIconsDir() + L"\\Feather.ico");
    ASSERT_TRUE(ico.valid());
    EXPECT_EQ(platform::HimetricToPixels(ico.WidthHimetric(), 96), 32);
}

TEST(Picture, RendersTheBitmapStretched) {
    platform::Picture bmp = platform::Picture::Load(Background(L"Tiles.bmp"));
    ASSERT_TRUE(bmp.valid());
    EXPECT_EQ(RenderedPixel(bmp, 96, 72, 2, 2), RGB(200, 120, 60));
    EXPECT_EQ(RenderedPixel(bmp, 96, 72, 20, 2), RGB(240, 224, 192));
    // Twice the size: the first square is twice as wide.
    EXPECT_EQ(RenderedPixel(bmp, 192, 144, 20, 4), RGB(200, 120, 60));
}

TEST(Picture, TextFileOrMissingFileIsNoPicture) {
    testing_support::TempDir dir;
    WriteBytes(dir / L"bad.jpg", "this is not a picture at all");
    EXPECT_FALSE(platform::Picture::Load(dir / L"bad.jpg").valid());
    EXPECT_FALSE(platform::Picture::Load(dir / L"missing.bmp").valid());
    WriteBytes(dir / L"empty.gif", "");
    EXPECT_FALSE(platform::Picture::Load(dir / L"empty.gif").valid());
    platform::Picture none;
    EXPECT_EQ(none.WidthHimetric(), 0);
    RECT r{0, 0, 1, 1};
    EXPECT_FALSE(none.Render(nullptr, r));
}

TEST(Picture, AHugeFileIsNeverRead) {
    TempDir dir;
    const std::wstring huge = dir / L"huge.bmp";
    WriteBytes(huge, "BM");
    ASSERT_TRUE(SetFileLength(huge, 1200ull * 1024 * 1024));
    EXPECT_FALSE(platform::Picture::Load(huge).valid());
}
