#include "platform/Dpi.h"
#include "platform/Gdi.h"

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
}
