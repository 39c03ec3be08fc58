#pragma once
#include "platform/WindowPart.h"

#include <windows.h>
#include <string>
#include <vector>

namespace platform {

// Announces that file associations changed, which makes the shell refresh the
// icons it shows.
void NotifyShellOfChanges();

// Tells the shell that one folder's look changed, so that a window showing it
// reads its settings file again; does not wait for the shell to act on it.
void NotifyFolderChanged(const std::wstring& folder);
// Tells the shell that a folder's contents changed (SHCNE_UPDATEDIR), so that
// a window showing it draws its items' icons again.
void NotifyFolderContentsChanged(const std::wstring& folder);

// A run of at most this many folders is announced whole: every folder, and
// every folder's parent once, whatever the notices cost. Explorer's window of
// the parent may draw the old icon again from its cache until it hears of
// the parent itself, and a few notices cost little.
inline constexpr size_t kFewFoldersRun = 16;

// The folder that holds the folder; empty for a drive's or share's root.
std::wstring ParentFolder(const std::wstring& folder);

// The per-folder notices of one run. A notice costs the shell a lookup of the
// whole path, as much as a folder's own file work or more on some systems
// (3 to 10 ms under Wine), so the notices are held to a share of the run's
// time plus an allowance that covers a run of a few dozen folders whole; the
// folders left without one are covered by the run's closing
// NotifyShellOfChanges.
class FolderNotices {
  public:
    explicit FolderNotices(double share = 0.01, double allowanceSeconds = 0.1);
    // The notices of a run over this many folders, the one rule every run
    // (Apply, /apply, Restore, /restore) follows: up to kFewFoldersRun, each
    // folder and its parent; more, held to the share.
    static FolderNotices ForRun(size_t folders);
    // Sends the folder's notice unless the notices have used up their time.
    void Changed(const std::wstring& folder);

  private:
    double Now() const;
    double share_, allowance_, start_, spent_ = 0;
    double ticksPerSecond_ = 0;
    bool few_ = false;
    std::vector<std::wstring> parents_; // told already
};

// Every FolderNotices of the process so far, for measuring.
struct FolderNoticeTotals {
    unsigned long long sent = 0, skipped = 0;
    double seconds = 0, longestSeconds = 0;
};
FolderNoticeTotals FolderNoticesSoFar();

// The shell's folder dialog; returns the chosen folder's path, or empty.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title, UINT flags);

// ShellExecuteW with the "open" verb and show-normal; false when it failed.
bool ShellOpen(HWND owner, const std::wstring& target);

// The current user's local application data folder, or empty.
std::wstring LocalAppDataFolder();
// The application data folder every account shares, or empty.
std::wstring CommonAppDataFolder();
// The current user's profile folder, or empty.
std::wstring ProfileFolder();

} // namespace platform
