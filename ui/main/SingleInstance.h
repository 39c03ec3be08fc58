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

  private:
    platform::KernelHandle mutex_;
    bool first_ = true;
};

// Brings the running copy's window to the front, restored if minimized, and
// hands it the folder (if any) to take as if chosen. False when no running
// window was found within waitMs, or it did not take the hand-over.
bool HandOverToRunningInstance(const std::wstring& folder, DWORD waitMs = 5000);

} // namespace ui
