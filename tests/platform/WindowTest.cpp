#include "platform/Window.h"

#include <gtest/gtest.h>

namespace {

struct TopLevelWindow {
    TopLevelWindow() {
        hwnd = CreateWindowExW(0, L"STATIC", L"test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~TopLevelWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
};

} // namespace

TEST(DisableCloseButton, RemovesAndRestoresTheCloseCommand) {
    TopLevelWindow w;
    ASSERT_NE(w.hwnd, nullptr);
    EXPECT_TRUE(platform::HasCloseCommand(w.hwnd));
    platform::DisableCloseButton(w.hwnd, false);
    EXPECT_FALSE(platform::HasCloseCommand(w.hwnd));
    platform::DisableCloseButton(w.hwnd, true);
    EXPECT_TRUE(platform::HasCloseCommand(w.hwnd));
}

TEST(DisableCloseButton, RestoringAnUntouchedMenuKeepsItsDefault) {
    TopLevelWindow w;
    platform::DisableCloseButton(w.hwnd, true);
    EXPECT_TRUE(platform::HasCloseCommand(w.hwnd));
    HMENU menu = GetSystemMenu(w.hwnd, FALSE);
    EXPECT_NE(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST(WindowDpi, ReportsAUsableValue) {
    TopLevelWindow w;
    UINT dpi = platform::WindowDpi(w.hwnd);
    EXPECT_GE(dpi, 96u);
    EXPECT_LE(dpi, 480u);
}
