// What the subsystems need of the main window (OperationHost, ApplyHost,
// OptionsHost): its controls and texts, and the yield of a long operation.
#include "ui/main/Form1.h"

#include "engine/OperationLock.h"
#include "platform/Shell.h"
#include "platform/SystemApi.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Timing.h"
#include "ui/main/FolderSelection.h"
#include "ui/main/RestoreListKeeper.h"
#include "ui/restore/RestoreView.h"

namespace ui {

HWND Form1::Control(int id) const {
    return FindControl(controls_, id);
}

const platform::ThrottledText* Form1::Throttled(int id) const {
    switch (id) {
    case txtChanging:
        return &status_;
    case lblSubDirsCount:
        return &subDirsCount_;
    case lblRestoreCount:
        return &restoreView_->CountText();
    default:
        return nullptr;
    }
}

std::wstring Form1::Text(int id) const {
    // Progress not yet on the screen is the control's text all the same.
    if (const auto* text = Throttled(id); text && text->Pending())
        return text->PendingText();
    return platform::Text(Control(id));
}

void Form1::SetText(int id, const std::wstring& text) {
    if (auto* throttled = Throttled(id))
        throttled->Show(text);
    else
        platform::SetText(Control(id), text);
}

engine::FolderOptions Form1::ReadOptions() const {
    return options_->ReadOptions();
}

void Form1::ClearFolderChoice() {
    folderSelection_->SetIncludeSubdirectories(false);
    folderSelection_->ClearTargetList();
}

bool Form1::StartOperation(engine::OperationLock& lock) {
    // Another copy's run ends soon or late: the user tries again, rather
    // than wait in a window that cannot answer meanwhile.
    if (lock.Take(keeper_->LockFilePath(), 0))
        return true;
    // A lock file that cannot be made keeps no other copy out either; the
    // run's own checks of the list decide.
    if (GetLastError() != ERROR_LOCK_VIOLATION)
        return true;
    SetStatus(kAnotherCopyBusyText);
    ShowMessage(hwnd(), kAnotherCopyBusyText, MB_ICONINFORMATION);
    return false;
}

void Form1::RefreshShell() {
    platform::NotifyShellOfChanges();
}

void Form1::SetStatus(const std::wstring& text) {
    SetText(txtChanging, text);
}

void Form1::ShowProgress(const std::wstring& text) {
    status_.ShowSoon(text);
}

void Form1::UpdateRestoreCount() {
    restoreView_->UpdateCount();
}

void Form1::ShowRestoreCountSoon(size_t count) {
    restoreView_->ShowCountSoon(count);
}

bool Form1::DoEvents() {
    // The window may go while messages run. This is the one place that sees
    // it: the operation that yielded stops and touches the window no more.
    if (!hwnd())
        return false;
    // A pump is a round trip to the window system; one every few milliseconds
    // keeps the window answering without costing more than the file work.
    if (platform::TickCount64() - lastPump_ >= kPumpIntervalMs) {
        for (auto* text : {&status_, &subDirsCount_, &restoreView_->CountText()})
            text->ShowDue();
        // Each message is a turn of the loop: input comes before drawing.
        platform::DoEvents(pumpObserver);
        lastPump_ = platform::TickCount64();
        // The window may have gone while messages ran: the operation that
        // yielded must not touch it again.
        if (!hwnd())
            return false;
    }
    if (yieldObserver)
        yieldObserver();
    return hwnd() != nullptr;
}

void Form1::SetWaitCursor(bool wait) {
    waitCursor_ = wait;
    SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

} // namespace ui
