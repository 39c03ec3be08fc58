#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/Picture.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(SelectScope, PutsThePreviousObjectBack) {
    const MemoryDC dc;
    ASSERT_TRUE(dc);
    const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
    const FontHandle font(
        CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    ASSERT_TRUE(font);
    {
        const SelectScope selected(dc.get(), font.get());
        EXPECT_TRUE(selected.selected());
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), before);
    const SelectScope none(dc.get(), nullptr);
    EXPECT_FALSE(none.selected());
}

TEST(DeviceContextScopes, LeaveTheLastErrorAsTheyFoundIt) {
    {
        const WindowDC screen;
        ASSERT_TRUE(screen);
        const MemoryDC memory(screen.get());
        ASSERT_TRUE(memory);
        const BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), 4, 4));
        const SelectScope selected(memory.get(), bitmap.get());
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(Dpi, TwipsFollowTheResolution) {
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(7455, 96), 497);
    EXPECT_EQ(TwipsToPixels(7455, 120), 621);
    EXPECT_EQ(TwipsToPixels(720, 144), 72);
    // 7.5 twips a pixel at 192: a whole number of twips per pixel would give 339.
    EXPECT_EQ(TwipsToPixels(2715, 192), 362);
    EXPECT_EQ(TwipsToPixels(2715, 168), 317);
    EXPECT_EQ(TwipsToPixels(2715, 216), 407);
}

// The picture loader measures a picture in HIMETRIC at the screen's DPI; read
// back at that DPI, every size is its own number of pixels again.
TEST(Dpi, PicturesReadTheirOwnSizeAtEveryResolution) {
    for (const int dpi : {96, 120, 144, 168, 192, 216}) {
        EXPECT_EQ(HimetricToPixels(MulDiv(1024, 2540, dpi), static_cast<unsigned>(dpi)), 1024)
            << dpi;
        EXPECT_EQ(HimetricToPixels(MulDiv(768, 2540, dpi), static_cast<unsigned>(dpi)), 768) << dpi;
        for (int pixels = 1; pixels <= 4000; ++pixels)
            ASSERT_EQ(HimetricToPixels(MulDiv(pixels, 2540, dpi), static_cast<unsigned>(dpi)),
                      pixels)
                << dpi;
    }
}
