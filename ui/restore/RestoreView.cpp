#include "ui/restore/RestoreView.h"

#include "engine/FolderList.h"
#include "engine/SettingsFile.h"
#include "platform/Files.h"
#include "ui/restore/RestoreList.h"

namespace ui {

namespace {
// Refused access and sharing failures skip a step; anything else stops.
bool SkipsStep(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}
} // namespace

RestoreView::RestoreView(RestoreHost& host, const RestoreControls& controls, std::wstring appTitle,
                         std::wstring idleText)
    : host_(host), c_(controls), appTitle_(std::move(appTitle)), idleText_(std::move(idleText)) {}

void RestoreView::Command2_Click() {
    ShowWindow(c_.fraRestore, SW_SHOW);
    ShowWindow(c_.fraChange, SW_HIDE);
    host_.SetStatus(idleText_);
}

void RestoreView::cmdOk_Click() {
    ShowWindow(c_.fraChange, SW_SHOW);
    ShowWindow(c_.fraRestore, SW_HIDE);
    host_.SetStatus(idleText_);
}

void RestoreView::ShowMessage(const wchar_t* text) {
    MessageBoxW(c_.form, text, appTitle_.c_str(), MB_OK | MB_ICONINFORMATION);
}

void RestoreView::LockView(bool locked) {
    EnableWindow(c_.cmdRestore, !locked);
    EnableWindow(c_.cmdOk, !locked);
    EnableWindow(c_.chkSelect, !locked);
    host_.LockClose(locked);
}

void RestoreView::chkSelect_Click() {
    if (SendMessageW(c_.lstRestore, LB_GETCOUNT, 0, 0) < 1)
        return;
    host_.SetWaitCursor(true);
    LockView(true);
    LockWindowUpdate(c_.lstRestore);
    const bool tickAll = SendMessageW(c_.chkSelect, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(c_.lstRestore, LB_SETSEL, tickAll, -1);
    if (tickAll)
        SendMessageW(c_.lstRestore, LB_SETCARETINDEX, 0, FALSE);
    LockView(false);
    host_.SetWaitCursor(false);
    LockWindowUpdate(nullptr);
}

void RestoreView::Check(bool ok, const std::wstring& folder) {
    if (ok)
        return;
    const DWORD error = GetLastError();
    if (!SkipsStep(error))
        throw Stopped{folder, error};
}

void RestoreView::RestoreFolder(const std::wstring& folder, platform::FileHandle settings) {
    using namespace platform;
    const std::wstring ini = engine::SettingsFilePath(folder);
    const std::wstring backup = engine::BackupFilePath(ini);
    bool deleted = false;
    if (settings) {
        // Only a read-only file refuses deletion for its attributes, so the
        // reset to normal comes when the deletion is refused.
        deleted = MarkForDeletion(settings);
        if (!deleted) {
            Check(SetAttributes(settings, AttrNormal), folder);
            deleted = MarkForDeletion(settings);
        }
        Check(deleted, folder);
    } else {
        Check(SetAttributes(ini, AttrNormal), folder);
        deleted = DeleteFileAt(ini);
        Check(deleted, folder);
    }
    const bool folderNormal = SetAttributes(folder, AttrNormal);
    // The marked file goes as its handle closes. Under Wine the folder's reset
    // costs half as much while the file is still there.
    settings.reset();
    Check(folderNormal, folder);
    const bool backupFound = engine::FileExists(backup);
    if (backupFound)
        Check(RenameFile(backup, ini), folder);
    // A deleted settings file with no backup behind it is gone for certain.
    if ((backupFound || !deleted) && engine::FileExists(ini)) {
        Check(SetAttributes(ini, AttrHidden), folder);
        Check(SetAttributes(folder, AttrSystem), folder);
    } else if (!folderNormal) {
        // A refused reset gets its second try; a done one needs none.
        Check(SetAttributes(folder, AttrNormal), folder);
    }
}

void RestoreView::cmdRestore_Click() {
    ListBoxItems list(c_.lstRestore);
    if (list.Count() < 1) {
        ShowMessage(L"No folders to restore     ");
        return;
    }
    if (TickedCount(c_.lstRestore) < 1) {
        ShowMessage(L"Please check folders to restore     ");
        return;
    }
    LockView(true);
    try {
        ListRedrawThrottle redraw(c_.lstRestore);
        for (size_t i = list.Count(); i-- > 0;) {
            if (!IsTicked(c_.lstRestore, static_cast<int>(i)))
                continue;
            const std::wstring folder = list.Item(i);
            // Where the one open for reading and removal is refused, the
            // plain test decides and the steps run one by one.
            const std::wstring ini = engine::SettingsFilePath(folder);
            platform::FileHandle settings = platform::OpenForRemoval(ini);
            if (!settings && !engine::FileExists(ini))
                continue;
            host_.ShowProgress(L"Restoring " + folder);
            host_.YieldToMessages();
            RestoreFolder(folder, std::move(settings));
            host_.YieldToMessages();
            redraw.BeforeChange();
            list.RemoveAt(i);
            redraw.AfterChange();
            host_.UpdateRestoreCount(true);
        }
    } catch (const Stopped& stopped) {
        // Folders already restored stay restored; the window works again.
        LockView(false);
        host_.UpdateRestoreCount();
        host_.SetStatus(L"Restore stopped at " + stopped.folder + L": " +
                        platform::ErrorText(stopped.error));
        return;
    }
    LockView(false);
    engine::PruneRestoreList(list);
    host_.UpdateRestoreCount();
    host_.RefreshShell();
    host_.SetStatus(L"Folders Successfully Restored");
    host_.UpdateRestoreCount();
    host_.YieldToMessages();
    if (SendMessageW(c_.chkSelect, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        SendMessageW(c_.chkSelect, BM_SETCHECK, BST_UNCHECKED, 0);
        chkSelect_Click();
    }
}

} // namespace ui
