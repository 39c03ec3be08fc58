#pragma once
// Text for a script's standard output or standard error.
#include <windows.h>

#include <string>

namespace ui {

// A handle that writes somewhere: a file, a pipe or a console.
bool UsableHandle(HANDLE handle);

// The text as it is to a console, UTF-8 to anything else. False when a write failed.
bool WriteText(HANDLE output, const std::wstring& text);

} // namespace ui
