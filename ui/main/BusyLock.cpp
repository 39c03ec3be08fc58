// The busy lock: while a long operation runs, the commands that could start
// another one, and the window's Close, are off.
#include "ui/main/BusyLock.h"

#include "platform/SystemApi.h"
#include "platform/Window.h"

namespace ui {

void ControlShare::EnableWhileIdle(bool enabled) {
    for (HWND control : controls_)
        platform::Enable(control, enabled);
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

void WindowBusyLock::HoldBusy() {
    if (holders_++ > 0)
        return;
    if (onHold)
        onHold();
    for (BusyShare* share : shares_)
        share->EnableWhileIdle(false);
    platform::DisableCloseButton(window_, false);
}

void WindowBusyLock::ReleaseBusy() {
    if (holders_ <= 0)
        return;
    if (holders_ == 1 && beforeRelease)
        beforeRelease();
    if (--holders_ > 0 || !IsWindow(window_))
        return;
    for (BusyShare* share : shares_)
        share->EnableWhileIdle(true);
    platform::DisableCloseButton(window_, true);
    if (onIdle)
        onIdle();
}

} // namespace ui
