#pragma once
// Every customized folder put back without the main window, for the
// uninstaller: quillane.exe /restore-all [/all-users] [/quiet], and the
// counts of its first page: quillane.exe /count-customized [/all-users] and
// quillane.exe /count-accounts. Some folders put back the same way, for
// Explorer's menu and scripts: quillane.exe /restore FOLDER... [/subfolders]
// [/quiet].
#include "engine/FolderList.h"
#include "engine/RestoreRecord.h"
#include "engine/RestoreFolder.h"
#include "platform/TextCompare.h"

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

// The exit codes of /restore.
enum RestoreExit : int {
    kRestoreDone = 0,        // every named folder was restored, or left the list
    kRestoreSomeLeft = 1,    // some could not be (they stay listed), or the list was not saved
    kRestoreNothingDone = 2, // bad arguments, no named folder listed, or the list unreadable
    kRestoreBusy = 3         // another copy ran an operation all through the wait
};

// The progress window of /restore.
inline constexpr wchar_t kRestoreWindowClass[] = L"QuillaneRestore";

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
// only, where given, picks the folders to restore: the others stay listed,
// untouched and uncounted.
RestoreAllCount RestoreEveryFolder(engine::SortedFolderList& record,
                                   const std::function<void(const std::wstring&)>& progress,
                                   const std::function<bool(const std::wstring&)>& only = {});

// The folders of the record that /restore takes: each named folder (a full
// path) it lists, and with subfolders every listed folder below a named one,
// by whole names. unlisted gets each named folder that took none, once.
platform::FolderSet FoldersToRestore(const engine::SortedFolderList& record,
                                     const std::vector<std::wstring>& named, bool subfolders,
                                     std::vector<std::wstring>& unlisted);

// /restore: the folders named (as given on the command line) put back and
// the record saved, beside a running window as /apply is; returns the exit
// code. waitMs: how long another copy's operation is waited for.
int RunRestoreFolders(const std::vector<std::wstring>& folders, bool subfolders,
                      const std::wstring& appFolder, const std::wstring& perUserRoot, bool quiet,
                      unsigned long waitMs);

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
