#pragma once
#include <windows.h>

namespace platform {

// Restore false removes the Close command from the window's system menu (and
// so disables the title bar's Close button); restore true brings back the
// default system menu.
void DisableCloseButton(HWND window, bool restore);

// True while the window's system menu offers the Close command.
bool HasCloseCommand(HWND window);

// Lets the message loop run: dispatches every pending message of this thread.
void DoEvents();

// Dots per inch of the window's monitor (96 when the system cannot tell).
UINT WindowDpi(HWND window);

} // namespace platform
