#include "platform/Window.h"
#include "tests/support/PlatformChecks.h"

#include <gtest/gtest.h>

using testing_support::HasCloseCommand;

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
    EXPECT_TRUE(HasCloseCommand(w.hwnd));
    platform::DisableCloseButton(w.hwnd, false);
    EXPECT_FALSE(HasCloseCommand(w.hwnd));
    platform::DisableCloseButton(w.hwnd, true);
    EXPECT_TRUE(HasCloseCommand(w.hwnd));
}

TEST(DisableCloseButton, RestoringAnUntouchedMenuKeepsItsDefault) {
    TopLevelWindow w;
    platform::DisableCloseButton(w.hwnd, true);
    EXPECT_TRUE(HasCloseCommand(w.hwnd));
    HMENU menu = GetSystemMenu(w.hwnd, FALSE);
    EXPECT_NE(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST(WindowDpi, ReportsAUsableValue) {
    TopLevelWindow w;
    UINT dpi = platform::WindowDpi(w.hwnd);
    EXPECT_GE(dpi, 96u);
    EXPECT_LE(dpi, 480u);
}

namespace {
std::wstring WindowText(HWND hwnd) {
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    return text;
}
} // namespace

TEST(ThrottledText, ProgressWaitsForItsIntervalAndTheNewestWins) {
    TopLevelWindow w;
    platform::ThrottledText text(60000);
    text.Attach(w.hwnd);
    text.Show(L"first");
    EXPECT_EQ(WindowText(w.hwnd), L"first");
    text.ShowSoon(L"a");
    text.ShowSoon(L"b");
    text.ShowDue();
    EXPECT_EQ(WindowText(w.hwnd), L"first");
    ASSERT_TRUE(text.Pending());
    EXPECT_EQ(text.PendingText(), L"b");
    // A text shown at once replaces the waiting one for good.
    text.Show(L"done");
    EXPECT_FALSE(text.Pending());
    text.ShowDue();
    EXPECT_EQ(WindowText(w.hwnd), L"done");
}

TEST(ThrottledText, WaitingTextAppearsOnceItsIntervalIsUp) {
    TopLevelWindow w;
    platform::ThrottledText text(40);
    text.Attach(w.hwnd);
    text.Show(L"first");
    text.ShowSoon(L"later");
    EXPECT_EQ(WindowText(w.hwnd), L"first");
    Sleep(60);
    text.ShowDue();
    EXPECT_EQ(WindowText(w.hwnd), L"later");
    EXPECT_FALSE(text.Pending());
    Sleep(60);
    text.ShowSoon(L"at once"); // the interval is already up
    EXPECT_EQ(WindowText(w.hwnd), L"at once");
}
