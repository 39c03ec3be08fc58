#pragma once
// One running copy of the program per user session.
#include "platform/Handles.h"

#include <windows.h>
#include <string>
#include <vector>

namespace ui {

inline constexpr wchar_t kMainWindowClass[] = L"QuillaneForm1";
// WM_COPYDATA's dwData for a folder handed to the running copy: 'QFLP', a
// HandOverSender, then the folder's characters. The receiver reads the start
// time from the sending process itself, so a message cannot claim one.
// Older copies sent 'QFLD' (the folder alone) and 'QFLT' (a start time the
// message claimed, then the folder): their folder is taken as a choice of
// its own.
inline constexpr ULONG_PTR kHandOverFolder = 0x51464C44;
inline constexpr ULONG_PTR kHandOverTimedFolder = 0x51464C54;
inline constexpr ULONG_PTR kHandOverFromProcess = 0x51464C50;
// 'QFLM': a HandOverSender, then several folders, each ended by a null
// character: a start given them all at once, one new choice.
inline constexpr ULONG_PTR kHandOverFolders = 0x51464C4D;
struct HandOverSender {
    ULONGLONG processId; // the same size in both builds
};
// Folders whose starts came within this time of each other are one choice:
// Explorer starts its verb once per selected folder.
inline constexpr DWORD kJoinChoiceMs = 2000;

// Claims the session's instance; the claim lasts as long as the object.
class SingleInstance {
  public:
    SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    // False when another copy of the program holds the claim.
    bool First() const { return first_; }
    // Claims again until no other copy holds the claim or waitMs are up;
    // true when this object is then the only holder.
    bool ClaimAgain(DWORD waitMs);

  private:
    void Claim();
    platform::KernelHandle mutex_;
    bool first_ = true;
};

// Brings the running copy's window to the front, restored if minimized, and
// hands it the folders (if any) to take as if chosen, several as one choice.
// A copy still starting, or too busy to answer, is asked again until waitMs
// are up. False when no running window took the hand-over within that time.
bool HandOverToRunningInstance(const std::vector<std::wstring>& folders, DWORD waitMs = 60000);

// When no running copy took the hand-over: one message for every start that
// fails at the same time (Explorer may start the program once per folder).
void ReportAlreadyRunning();

// Asks the running copy's window to close as the user would (it saves its
// list) and waits up to waitMs for its process to end. False when a window
// was found and refused to close (a long operation runs), was never shown,
// or did not end in time; true when it ended or no window was found.
bool CloseRunningInstance(DWORD waitMs = 15000);

// This process's creation time, in FILETIME units.
ULONGLONG ProcessStartTime();
// Another process's creation time, read from the process while it runs;
// false when it cannot be opened or has ended.
bool RunningProcessStartTime(DWORD processId, ULONGLONG& started);

// A folder that waits to be taken: a new choice, or one more folder of the
// choice before it.
struct HandedOverFolder {
    std::wstring folder;
    bool joins = false;
};

// The running window's side of the hand-over: folders that second starts
// handed over, or the command line named, wait until the window can take
// them (its list read, no long operation running); the window's take message
// comes whenever some wait. A folder whose start came within kJoinChoiceMs of
// the choice's starts, or that arrived within kJoinChoiceMs of the one before,
// joins that one's choice; later, it starts a new one. Several folders that
// came together (one message, or the command line) always start a new choice.
// A folder whose start cannot be read from its sender is a choice of its own,
// which nothing joins.
struct HandedOverChoice {
    std::vector<std::wstring> folders;
    bool joins = false; // they join the choice the window holds
};

class HandOverReceiver {
  public:
    HandOverReceiver(HWND window, UINT takeMessage) : window_(window), takeMessage_(takeMessage) {}
    // WM_COPYDATA: false when it is no hand-over.
    bool Receive(const COPYDATASTRUCT& data);
    // Folders to take when ready, from a start made at started (FILETIME
    // units): the command line's, with this process's own start.
    void Keep(const std::vector<std::wstring>& folders, ULONGLONG started);
    // Asks for the take message again when a folder waits.
    void RemindIfWaiting();
    bool Waiting() const { return !waiting_.empty(); }
    // The waiting folders of the latest choice in the order they came (a new
    // choice among them replaces what came before it), which wait no more.
    HandedOverChoice TakeChoice();

  private:
    // started: null when the sender's start could not be read. Several
    // folders are a new choice; one may join the choice before it.
    void Add(std::vector<std::wstring> folders, const ULONGLONG* started);

    HWND window_;
    UINT takeMessage_;
    std::vector<HandedOverFolder> waiting_;
    // The choice the last folder joined: its earliest and latest starts and
    // last arrival.
    bool choosing_ = false;
    ULONGLONG earliestStart_ = 0;
    ULONGLONG latestStart_ = 0;
    ULONGLONG lastArrival_ = 0;
};

} // namespace ui
