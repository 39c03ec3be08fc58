#include "ui/main/RestoreAll.h"

#include "engine/OperationLock.h"
#include "engine/RestoreFolder.h"
#include "engine/RestoreRecord.h"
#include "engine/SettingsFile.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "platform/WindowBase.h"
#include "resources/resource.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Timing.h"
#include "ui/main/AccountRecords.h"
#include "ui/main/OperationHost.h"
#include "ui/main/ProgressWindow.h"
#include "ui/main/ScriptedApply.h"
#include "ui/main/SingleInstance.h"
#include "ui/main/StandardText.h"
#include "ui/restore/RestoreView.h"

#include <climits>
#include <new>
#include <vector>

namespace ui {

namespace {

constexpr wchar_t kStillRunningText[] =
    L"Quillane is still running and could not be closed. Let it finish what it is doing, "
    L"close it and try again.";

} // namespace

RestoreAllCount RestoreEveryFolder(engine::SortedFolderList& record,
                                   const std::function<void(const std::wstring&)>& progress) {
    RestoreAllCount count;
    count.folders = record.Count();
    std::vector<std::wstring> stay;
    engine::SortedFolderList unresolved;
    platform::FolderNotices notices;
    // From the last to the first, as the restore view goes.
    for (size_t i = record.Count(); i-- > 0;) {
        const std::wstring& folder = record.At(i);
        if (progress)
            progress(L"Restoring " + folder);
        const engine::RestoreResult result = engine::RestoreFolder(folder);
        if (ChangedFolder(result.outcome))
            notices.Changed(folder);
        // A stop that ends the view's run ends only this folder's here: the
        // others still deserve their turn.
        switch (engine::FateAfter(result)) {
        case engine::EntryFate::Stays:
            stay.push_back(folder);
            count.failures.push_back(NotRestoredText(folder, result));
            break;
        case engine::EntryFate::ToPruner:
            unresolved.Add(folder);
            break;
        case engine::EntryFate::Leaves:
            break;
        }
    }
    // As after the view's run: only proof drops a folder.
    engine::PruneRestoreList(unresolved);
    for (size_t i = 0; i < unresolved.Count(); ++i) {
        stay.push_back(unresolved.At(i));
        count.failures.push_back(NotLookedAtText(unresolved.At(i)));
    }
    record.Clear();
    record.AddAll(stay);
    count.notRestored = record.Count();
    return count;
}

namespace {

RecordSet RecordOf(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers,
                   engine::RecordAccess access) {
    if (allUsers)
        return RecordSet::EveryAccount(appFolder, perUserRoot, platform::ProfileFolder(), access);
    return RecordSet(appFolder, perUserRoot, access);
}

int RestoreAll(SingleInstance& instance, const std::wstring& appFolder,
               const std::wstring& perUserRoot, bool quiet, bool allUsers) {
    const auto tell = [quiet](const std::wstring& text) {
        if (!quiet)
            ShowMessage(nullptr, text);
    };
    // The running copy saves its list as it closes; only then is the record whole.
    constexpr DWORD kClaimMs = 10000;
    if (!instance.First() && !(CloseRunningInstance() && instance.ClaimAgain(kClaimMs))) {
        tell(kStillRunningText);
        return kRestoreAllStillRunning;
    }
    RecordSet record = RecordOf(appFolder, perUserRoot, allUsers, engine::RecordAccess::ReadWrite);
    // No other copy's Apply or Restore beside this run, elevated or not.
    engine::OperationLock operation;
    if (!operation.Take(record.LockFile(), OperationWaitMs()) &&
        GetLastError() == ERROR_LOCK_VIOLATION) {
        tell(kAnotherCopyBusyText);
        return kRestoreAllStillRunning;
    }
    if (!record.Load()) {
        tell(L"The restore list could not be read: " + platform::ErrorText(GetLastError()));
        return kRestoreAllListFailed;
    }
    ProgressWindow window(kRestoreAllWindowClass);
    const bool shown = !quiet && window.Create();
    const RestoreAllCount count = record.RestoreEvery([&](const std::wstring& text) {
        if (shown)
            window.Progress(text);
    });
    platform::NotifyShellOfChanges();
    const bool saved = record.Save();
    const DWORD error = GetLastError();
    // A script (the uninstaller) learns which folders stay, and why.
    const HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    if (UsableHandle(standardError))
        for (const std::wstring& failure : count.failures)
            WriteText(standardError, L"Not restored: " + failure + L"\r\n");
    std::wstring text =
        RestoreEndText(count.folders, count.notRestored,
                       count.failures.empty() ? std::wstring() : count.failures.front());
    if (!saved)
        text += L"\r\n\r\nThe restore list could not be saved: " + platform::ErrorText(error);
    if (!quiet)
        window.Finish(text, saved && !count.notRestored ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
    if (!saved)
        return kRestoreAllListFailed;
    return count.notRestored ? kRestoreAllSomeLeft : kRestoreAllDone;
}

} // namespace

int RunRestoreAll(SingleInstance& instance, const std::wstring& appFolder,
                  const std::wstring& perUserRoot, bool quiet, bool allUsers) {
    // Out of memory, or any other failure, saves nothing: what is listed
    // stays listed, folders already put back are dropped by a later prune.
    // It ends with the code of a list that could not be worked through,
    // never with the runtime's own code (3, "still running" to the caller).
    DWORD error = ERROR_INTERNAL_ERROR;
    try {
        return RestoreAll(instance, appFolder, perUserRoot, quiet, allUsers);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
    }
    if (!quiet)
        ShowMessage(nullptr, L"The folders could not be restored: " + platform::ErrorText(error));
    return kRestoreAllListFailed;
}

namespace {
// A count that could not be made is unknown, never a number of folders.
int CountOf(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers,
            size_t (RecordSet::*count)() const) {
    try {
        RecordSet record =
            RecordOf(appFolder, perUserRoot, allUsers, engine::RecordAccess::ReadOnly);
        if (!record.Load())
            return kCountUnreadable;
        return static_cast<int>(std::min<size_t>((record.*count)(), INT_MAX));
    } catch (...) {
        return kCountUnreadable;
    }
}
} // namespace

int CountCustomized(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers) {
    return CountOf(appFolder, perUserRoot, allUsers, &RecordSet::Folders);
}

int CountAccounts(const std::wstring& appFolder, const std::wstring& perUserRoot) {
    return CountOf(appFolder, perUserRoot, true, &RecordSet::Accounts);
}

} // namespace ui
