// The start-up: the restore list loads once the message loop runs, so that
// the window shows and answers meanwhile, and the window is ready for
// commands only when the busy lock has come off at the load's end; the
// folders that the command line and second starts hand over wait until then.
#include "ui/main/Form1.h"

#include "platform/ScopeExit.h"
#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "ui/main/BusyLock.h"
#include "ui/main/FocusKeeper.h"
#include "ui/main/FolderSelection.h"
#include "ui/main/RestoreListKeeper.h"
#include "ui/main/SingleInstance.h"

#include <utility>

namespace ui {

void Form1::Form_Load() {
    platform::Show(Control(fraChange), true);
    platform::Show(Control(fraRestore), false);
    SetStatus(IdleText());
    // The list loads once the message loop runs, so that the window shows and
    // answers meanwhile; nothing that needs the list may start before.
    keeper_->Open(appFolder_, perUserRoot);
    busy_->HoldBusy();
    // Close stays: closing during the load ends the program, and nothing is
    // lost, since nothing was changed yet.
    platform::DisableCloseButton(hwnd(), true);
    PostMessageW(hwnd(), kLoadRestoreList, 0, 0);
}

bool Form1::WaitForList() {
    MSG msg;
    // The load ends with the busy lock's release, a part at a time.
    while (hwnd() && (keeper_->Loading() || Busy())) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (pumpObserver)
            pumpObserver();
    }
    return hwnd() && ListLoaded();
}

void Form1::LoadRestoreList() {
    // One load a start, whoever posts the request: a second one, while the
    // first yields or after it, would list every folder again.
    if (std::exchange(loadAsked_, true))
        return;
    switch (keeper_->Load()) {
    case RestoreListKeeper::LoadEnd::WindowGone:
        return;
    case RestoreListKeeper::LoadEnd::Failed:
        busy_->ReleaseBusy();
        busy_->WhenIdle([this] { keeper_->ReportLoadFailure(); });
        return;
    case RestoreListKeeper::LoadEnd::Read:
        break;
    }
    UpdateRestoreCount();
    SetStatus(IdleText());
    // The start-up's focus stays with the focus sink unless the user moved it.
    const bool focusAtStart = GetFocus() == Control(cmdDummy);
    busy_->ReleaseBusy();
    busy_->WhenIdle([this, focusAtStart] {
        if (focusAtStart && GetActiveWindow() == hwnd())
            focus_->GiveToSink();
        keeper_->ReportIfCannotRecord();
    });
}

bool Form1::OnCopyData(const COPYDATASTRUCT& data) {
    // Before the subsystems exist the sender asks again.
    return handOver_ && handOver_->Receive(data);
}

void Form1::TakePendingFolder() {
    // Its message boxes let messages through: not before the list is read,
    // and not inside another take.
    if (Busy() || !ListLoaded() || takingFolders_ || !handOver_->Waiting())
        return;
    const HandedOverChoice choice = handOver_->TakeChoice();
    focus_->Remember();
    takingFolders_ = true;
    const platform::ScopeExit taken([this] {
        takingFolders_ = false;
        handOver_->RemindIfWaiting();
    });
    folderSelection_->TakeFolders(choice.folders, choice.joins);
}

void Form1::TakeFoldersWhenReady(const std::vector<std::wstring>& folders) {
    if (!folders.empty() && hwnd())
        handOver_->Keep(folders, ProcessStartTime());
}

} // namespace ui
