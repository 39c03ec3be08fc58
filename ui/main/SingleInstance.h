#pragma once
// One running copy of the program per user session.
#include "platform/Handles.h"

#include <windows.h>
#include <string>

namespace ui {

inline constexpr wchar_t kMainWindowClass[] = L"QuillaneForm1";
// WM_COPYDATA's dwData for a folder handed to the running copy ('QFLD').
inline constexpr ULONG_PTR kHandOverFolder = 0x51464C44;

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
// hands it the folder (if any) to take as if chosen. False when no running
// window was found within waitMs, or it did not take the hand-over.
bool HandOverToRunningInstance(const std::wstring& folder, DWORD waitMs = 5000);

// Asks the running copy's window to close as the user would (it saves its
// list) and waits up to waitMs for its process to end. False when a window
// was found and refused to close (a long operation runs), was never shown,
// or did not end in time; true when it ended or no window was found.
bool CloseRunningInstance(DWORD waitMs = 15000);

// The running window's side of the hand-over: a folder that a second start
// handed over, or the command line named, waits until the window can take it
// (its list read, no long operation running); the window's take message
// comes whenever one waits.
class HandOverReceiver {
  public:
    HandOverReceiver(HWND window, UINT takeMessage) : window_(window), takeMessage_(takeMessage) {}
    // WM_COPYDATA: false when it is no hand-over.
    bool Receive(const COPYDATASTRUCT& data);
    // A folder to take when ready.
    void Keep(const std::wstring& folder);
    // Asks for the take message again when a folder waits.
    void RemindIfWaiting();
    bool Waiting() const { return !folder_.empty(); }
    // The waiting folder, which waits no more.
    std::wstring Take();

  private:
    HWND window_;
    UINT takeMessage_;
    std::wstring folder_;
};

} // namespace ui
