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
#include "ui/main/RestoreListKeeper.h"
#include "ui/main/ScriptedApply.h"
#include "ui/main/SingleInstance.h"
#include "ui/main/StandardText.h"
#include "ui/restore/RestoreView.h"

#include <climits>
#include <new>
#include <vector>

namespace ui {

namespace {

constexpr wchar_t kNotListedText[] = L"Not in the restore list: ";

constexpr wchar_t kStillRunningText[] =
    L"Quillane is still running and could not be closed. Let it finish what it is doing, "
    L"close it and try again.";

} // namespace

RestoreAllCount RestoreEveryFolder(engine::SortedFolderList& record,
                                   const std::function<void(const std::wstring&)>& progress,
                                   const std::function<bool(const std::wstring&)>& only) {
    RestoreAllCount count;
    std::vector<std::wstring> stay;
    size_t untouched = 0;
    engine::SortedFolderList unresolved;
    size_t chosen = 0;
    for (size_t i = 0; i < record.Count(); ++i)
        if (!only || only(record.At(i)))
            ++chosen;
    // A menu's few folders show their new look at once.
    platform::FolderNotices notices = platform::FolderNotices::ForRun(chosen);
    // From the last to the first, as the restore view goes.
    for (size_t i = record.Count(); i-- > 0;) {
        const std::wstring& folder = record.At(i);
        if (only && !only(folder)) {
            stay.push_back(folder);
            ++untouched;
            continue;
        }
        ++count.folders;
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
    count.notRestored = record.Count() - untouched;
    return count;
}

platform::FolderSet FoldersToRestore(const engine::SortedFolderList& record,
                                     const std::vector<std::wstring>& named, bool subfolders,
                                     std::vector<std::wstring>& unlisted) {
    const platform::FolderSet names(named.begin(), named.end());
    platform::FolderSet taken, chosen;
    // The named folder the path is, or (subfolders) lies below.
    const auto namedFor = [&](const std::wstring& path) -> const std::wstring* {
        auto found = names.find(path);
        if (found != names.end())
            return &*found;
        if (!subfolders)
            return nullptr;
        const size_t rootSize = platform::RootOf(path).size();
        for (size_t cut = path.rfind(L'\\'); cut != std::wstring::npos && cut >= rootSize;
             cut = cut == 0 ? std::wstring::npos : path.rfind(L'\\', cut - 1)) {
            // A drive's root is named with its backslash, a share's without.
            const size_t keep = cut == 2 && rootSize == 2 ? 3 : cut;
            found = names.find(path.substr(0, keep));
            if (found != names.end())
                return &*found;
        }
        return nullptr;
    };
    for (size_t i = 0; i < record.Count(); ++i) {
        const std::wstring& folder = record.At(i);
        if (const std::wstring* name = namedFor(folder)) {
            chosen.insert(folder);
            taken.insert(*name);
        }
    }
    platform::FolderSet told;
    for (const std::wstring& name : named)
        if (!taken.contains(name) && told.insert(name).second)
            unlisted.push_back(name);
    return chosen;
}

namespace {

// Standard error where the caller gave one.
void ToStandardError(const std::wstring& text) {
    const HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    if (UsableHandle(standardError))
        WriteText(standardError, text + L"\r\n");
}

int RestoreFolders(const std::vector<std::wstring>& arguments, bool subfolders,
                   const std::wstring& appFolder, const std::wstring& perUserRoot, bool quiet,
                   unsigned long waitMs) {
    if (arguments.empty()) {
        Tell(L"Name a folder to restore: quillane.exe /restore FOLDER... [/subfolders] [/quiet]",
             quiet);
        return kRestoreNothingDone;
    }
    engine::RestoreRecord store(appFolder, perUserRoot);
    // No other copy's Apply or Restore beside this run, elevated or not.
    engine::OperationLock operation;
    if (!operation.Take(store.LockFile(), waitMs) && GetLastError() == ERROR_LOCK_VIOLATION) {
        Tell(kAnotherCopyBusyText, quiet);
        return kRestoreBusy;
    }
    engine::SortedFolderList record;
    if (!RestoreListKeeper::LoadWhole(store, record)) {
        Tell(L"The restore list could not be read: " + platform::ErrorText(GetLastError()), quiet);
        return kRestoreNothingDone;
    }
    std::vector<std::wstring> named;
    for (const std::wstring& argument : arguments) {
        const std::wstring full = FullFolderPath(argument);
        named.push_back(full.empty() ? argument : full);
    }
    std::vector<std::wstring> unlisted;
    const platform::FolderSet chosen = FoldersToRestore(record, named, subfolders, unlisted);
    std::wstring notListed;
    for (const std::wstring& folder : unlisted) {
        ToStandardError(kNotListedText + folder);
        notListed += L"\r\n" + folder;
    }
    if (chosen.empty()) {
        if (!quiet)
            ShowMessage(nullptr, L"None of these folders is in the restore list:" + notListed);
        return kRestoreNothingDone;
    }
    ProgressWindow window(kRestoreWindowClass);
    const bool shown = !quiet && window.Create();
    const RestoreAllCount count = RestoreEveryFolder(
        record,
        [&](const std::wstring& text) {
            if (shown)
                window.Progress(text);
        },
        [&chosen](const std::wstring& folder) { return chosen.contains(folder); });
    platform::NotifyShellOfChanges();
    const bool saved = RestoreListKeeper::SaveWhole(store, record);
    const DWORD error = GetLastError();
    for (const std::wstring& failure : count.failures)
        ToStandardError(L"Not restored: " + failure);
    std::wstring text =
        RestoreEndText(count.folders, count.notRestored,
                       count.failures.empty() ? std::wstring() : count.failures.front());
    if (!notListed.empty())
        text += L"\r\n\r\nNot in the restore list:" + notListed;
    if (!saved) {
        const std::wstring notSaved =
            L"The restore list could not be saved: " + platform::ErrorText(error);
        ToStandardError(notSaved);
        text += L"\r\n\r\n" + notSaved;
    }
    const bool allDone = saved && count.notRestored == 0;
    if (shown)
        window.Finish(text, allDone ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
    return allDone ? kRestoreDone : kRestoreSomeLeft;
}

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

int RunRestoreFolders(const std::vector<std::wstring>& folders, bool subfolders,
                      const std::wstring& appFolder, const std::wstring& perUserRoot, bool quiet,
                      unsigned long waitMs) {
    // As /restore-all: nothing saved, whatever was put back a later prune drops.
    DWORD error = ERROR_INTERNAL_ERROR;
    try {
        return RestoreFolders(folders, subfolders, appFolder, perUserRoot, quiet, waitMs);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
    }
    Tell(L"The folders could not be restored: " + platform::ErrorText(error), quiet);
    return kRestoreNothingDone;
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
