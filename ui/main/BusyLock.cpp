// The busy lock: while a long operation runs, the commands that could start
// another one, and the window's Close, are off.
#include "ui/main/BusyLock.h"

#include "platform/SystemApi.h"
#include "platform/Window.h"

#include <utility>

namespace ui {

void ControlShare::EnableWhileIdle(bool enabled) {
    for (HWND control : controls_)
        platform::EnableAndDrawLater(control, enabled);
}

bool ControlShare::HoldsControl(int id) const {
    for (HWND control : controls_)
        if (GetDlgCtrlID(control) == id)
            return true;
    return false;
}

bool WindowBusyLock::Holds(int id) const {
    for (const BusyShare* share : shares_)
        if (share->HoldsControl(id))
            return true;
    return false;
}

bool WindowBusyLock::Allows(int id, HWND control) const {
    // Another program may post a click, or enable a control first.
    return !Busy() || (control && IsWindowVisible(control) && !Holds(id));
}

void WindowBusyLock::AddShare(BusyShare& share) {
    const bool idle = !Busy();
    shares_.push_back(&share);
    if (idle)
        on_ = Parts();
}

BusyShare* WindowBusyLock::Part(size_t index) const {
    const size_t n = shares_.size();
    if (index == ClosePart())
        return nullptr;
    return index == n ? shares_.front() : shares_[n - 1 - index];
}

void WindowBusyLock::Switch(size_t part, bool on) {
    if (BusyShare* share = Part(part))
        share->EnableWhileIdle(on);
    else
        platform::DisableCloseButton(window_, on);
}

void WindowBusyLock::HoldBusy() {
    if (holders_++ > 0)
        return;
    const bool idle = on_ == Parts();
    KillTimer(window_, timer_);
    if (idle && onHold)
        onHold();
    // Of a release under way, only what came on goes off again.
    for (size_t k = 0; k < shares_.size(); ++k)
        if ((k ? shares_.size() - 1 - k : shares_.size()) < on_)
            shares_[k]->EnableWhileIdle(false);
    // The Close command goes at once; the title bar shows it on a turn of
    // its own, as a part of a release does.
    if (ClosePart() < on_) {
        platform::ChangeCloseCommand(window_, false);
        frameDue_ = NextPartSoon();
        if (!frameDue_)
            DrawMenuBar(window_);
    }
    on_ = 0;
}

void WindowBusyLock::ReleaseBusy() {
    if (holders_ <= 0)
        return;
    if (holders_ == 1 && beforeRelease)
        beforeRelease();
    if (--holders_ > 0 || !IsWindow(window_))
        return;
    // Each part costs milliseconds under Wine (a button draws itself when it
    // comes on, the system menu redraws the frame): together they held the
    // window for tens of milliseconds at the end of every operation.
    if (!NextPartSoon())
        ReleaseStep();
}

bool WindowBusyLock::NextPartSoon() {
    // Set again after each part, so that the next one waits for a turn of
    // its own even when a part took longer than the period.
    return SetTimer(window_, timer_, USER_TIMER_MINIMUM, nullptr) != 0;
}

void WindowBusyLock::ReleaseStep() {
    if (std::exchange(frameDue_, false)) {
        DrawMenuBar(window_);
        // A release's next part waits for a turn of its own.
        if (holders_ == 0 && on_ < Parts() && NextPartSoon())
            return;
    }
    // Without the timer the remaining parts come at once.
    do {
        if (holders_ > 0 || on_ >= Parts()) {
            KillTimer(window_, timer_);
            return;
        }
        Switch(on_++, true);
    } while (on_ < Parts() && !NextPartSoon());
    if (on_ < Parts())
        return;
    KillTimer(window_, timer_);
    if (onIdle)
        onIdle();
    for (auto& then : std::exchange(whenIdle_, {}))
        then();
}

void WindowBusyLock::WhenIdle(std::function<void()> then) {
    if (Busy())
        whenIdle_.push_back(std::move(then));
    else
        then();
}

} // namespace ui
