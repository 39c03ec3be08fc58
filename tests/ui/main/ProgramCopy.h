#pragma once
// The real program, started as a child process from a copy in a test's
// application folder (where it keeps its list).
#include <windows.h>

#include <string>

namespace testing_support {

// The copy is started with its folder as the current folder; hProcess is
// null when it could not start. The thread handle is closed.
PROCESS_INFORMATION StartProgramCopy(const std::wstring& appFolder, const std::wstring& arguments,
                                     const wchar_t* name = L"quillane.exe");

} // namespace testing_support
