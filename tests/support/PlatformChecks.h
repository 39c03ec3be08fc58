#pragma once
// Questions about the platform's results that only the tests ask.
#include <windows.h>
#include <string>

namespace testing_support {

// True while the window's system menu offers the Close command.
bool HasCloseCommand(HWND window);
// Every character of text has its own character in the ANSI code page.
bool FitsAnsiCodePage(const std::wstring& text);

} // namespace testing_support
