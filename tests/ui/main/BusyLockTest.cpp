// The window's busy lock on a real top-level window with its timer.
#include "ui/main/BusyLock.h"

#include "platform/WindowBase.h"
#include "tests/support/DialogResponder.h"
#include "tests/support/PlatformChecks.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

constexpr UINT_PTR kTimer = 7;

// Hands its timer to the lock and counts the frame's recalculations, which
// DrawMenuBar asks for.
class LockedWindow : public platform::WindowBase {
  public:
    bool Create() {
        return CreateWindowOfClass(L"BusyLockTestWindow", nullptr, 0, WS_OVERLAPPEDWINDOW, L"Lock",
                                   0, 0, 300, 200, nullptr);
    }
    bool OnOtherMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message == WM_NCCALCSIZE && wParam)
            ++frames;
        if (message == WM_TIMER && wParam == kTimer && lock)
            lock->ReleaseStep();
        return false;
    }
    ui::WindowBusyLock* lock = nullptr;
    int frames = 0;
};

} // namespace

TEST(WindowBusyLock, AHoldTakesCloseAtOnceAndDrawsTheTitleBarOnALaterTurn) {
    LockedWindow window;
    ASSERT_TRUE(window.Create());
    HWND button = CreateWindowExW(0, L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE, 0, 0, 80, 24,
                                  window.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ui::WindowBusyLock lock(window.hwnd(), kTimer);
    ui::ControlShare share{button};
    lock.AddShare(share);
    window.lock = &lock;
    PumpFor(50);

    const int before = window.frames;
    lock.HoldBusy();
    EXPECT_FALSE(HasCloseCommand(window.hwnd()));
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(window.frames, before);
    EXPECT_TRUE(PumpUntil([&] { return window.frames > before; }, 2000));
    EXPECT_TRUE(lock.Held());

    lock.ReleaseBusy();
    EXPECT_TRUE(PumpUntil([&] { return !lock.Busy(); }, 2000));
    EXPECT_TRUE(HasCloseCommand(window.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(button));
}
