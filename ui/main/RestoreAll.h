#pragma once
// Every customized folder put back without the main window, for the
// uninstaller: quillane.exe /restore-all [/all-users] [/quiet], and the
// counts of its first page: quillane.exe /count-customized [/all-users] and
// quillane.exe /count-accounts.
#include "engine/FolderList.h"
#include "engine/RestoreRecord.h"
#include "engine/RestoreFolder.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

class SingleInstance;

// The exit codes of /restore-all.
enum RestoreAllExit : int {
    kRestoreAllDone = 0,        // every folder was restored or left the list
    kRestoreAllSomeLeft = 1,    // some could not be restored; they stay listed
    kRestoreAllListFailed = 2,  // the list could not be read or saved, or memory ran out
    kRestoreAllStillRunning = 3 // a running copy would not close
};

// The progress window of /restore-all and its text.
inline constexpr wchar_t kRestoreAllWindowClass[] = L"QuillaneRestoreAll";

// /count-customized when the record cannot be read (or memory ran out).
inline constexpr int kCountUnreadable = -1;

struct RestoreAllCount {
    size_t folders = 0;                 // in the record before the run
    size_t notRestored = 0;             // still listed after it
    std::vector<std::wstring> failures; // each folder not restored and why (NotRestoredText)
};

// Restores every folder of the record by the restore view's rules, from the
// last to the first, and leaves in it what must stay: folders that could not
// be restored, and those of absent drives. progress is told each folder.
RestoreAllCount RestoreEveryFolder(engine::SortedFolderList& record,
                                   const std::function<void(const std::wstring&)>& progress);

// /restore-all: closes a running copy first, restores, saves; returns the
// exit code. quiet shows nothing, not even a message; allUsers takes every
// account's list (see RecordSet::EveryAccount).
int RunRestoreAll(SingleInstance& instance, const std::wstring& appFolder,
                  const std::wstring& perUserRoot, bool quiet, bool allUsers = false);

// /count-customized: the number of folders in the record, each once, or
// kCountUnreadable when a list of it cannot be read.
int CountCustomized(const std::wstring& appFolder, const std::wstring& perUserRoot,
                    bool allUsers = false);

// /count-accounts: how many accounts have folders in every account's record,
// or kCountUnreadable.
int CountAccounts(const std::wstring& appFolder, const std::wstring& perUserRoot);

} // namespace ui
