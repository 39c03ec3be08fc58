// The busy lock: while a long operation runs, the commands that could start
// another one, and the window's Close, are off; the end of the session waits
// for the restore list.
#include "ui/main/Form1.h"

#include "platform/SystemApi.h"
#include "platform/Window.h"

namespace ui {

namespace {
// The controls that the busy lock disables, in its order.
constexpr int kBusySet[] = {Command1,     Command2,        Command3,          Command4,
                            cmdClearBgnd, cmdBrwstxtColor, cmdBrwsBgtxtColor, Command5,
                            chkSubs,      cmdBrowseFolder, CmdBrowseIconFile};
// The restore view's own lock.
constexpr int kRestoreViewLock[] = {cmdRestore, cmdOk, chkSelect};
} // namespace

bool Form1::LockedWhileBusy(int id) {
    for (int locked : kBusySet)
        if (locked == id)
            return true;
    for (int locked : kRestoreViewLock)
        if (locked == id)
            return true;
    return false;
}

void Form1::EnableMainControls(bool enabled) {
    if (enabled)
        ReleaseBusy();
    else
        HoldBusy();
}

void Form1::HoldBusy() {
    if (busyHolders_++ > 0)
        return;
    busyFocus_ = commandSource_ ? commandSource_ : GetFocus();
    for (int id : kBusySet)
        platform::Enable(Control(id), false);
    restoreView_->EnableViewControls(false);
    platform::DisableCloseButton(hwnd(), false);
}

void Form1::ReleaseBusy() {
    if (busyHolders_ <= 0)
        return;
    if (busyHolders_ == 1 && saveWhenIdle_ && hwnd()) {
        // The session waited for the operation; the list is saved before
        // anything else can start.
        saveWhenIdle_ = false;
        SaveRestoreList();
        platform::DestroyShutdownReason(hwnd());
    }
    if (--busyHolders_ > 0 || !hwnd())
        return;
    if (!pendingFolder_.empty())
        PostMessageW(hwnd(), kTakePendingFolder, 0, 0);
    for (int id : kBusySet)
        platform::Enable(Control(id), id != Command5 || pictureFeature_);
    restoreView_->EnableViewControls(true);
    platform::DisableCloseButton(hwnd(), true);
    GiveFocusBack(busyFocus_);
}

bool Form1::OnQueryEndSession() {
    // During the start-up's load nothing has changed: nothing to wait for.
    if (!Busy() || loading_)
        return true;
    saveWhenIdle_ = true;
    // Windows XP shows no reason; the refusal alone makes the session wait.
    platform::CreateShutdownReason(hwnd(),
                                   L"Quillane is changing folders and must save its restore list.");
    return false;
}

void Form1::OnEndSession(bool ending) {
    // The process ends when this returns. The save takes every folder done so
    // far, those still waiting to join the list box included; the journal
    // stays for the ones an Apply was about to do.
    if (ending && !loading_)
        SaveRestoreList();
}

} // namespace ui
