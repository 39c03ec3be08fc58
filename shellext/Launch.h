#pragma once
// Starting quillane.exe for the menu's commands: the command line (or a
// response file for a long one) and, for /apply and /restore, a worker that
// waits for the program and tells the user when it did not finish the job.
#include <windows.h>

#include <string>
#include <vector>

namespace shellext {

// Above this many characters the folders go to a response file.
inline constexpr size_t kLongestCommandLine = 30000;

// What follows the folders: " /colour Red /quiet" and the like; empty for
// the program's window.
struct Command {
    std::wstring before; // "/apply" or "/restore", or empty for the window
    std::wstring after;  // "/colour Red /quiet"
    bool waited = false; // a worker reports a failed run
};

// Each folder quoted, one blank between them.
std::wstring QuotedFolders(const std::vector<std::wstring>& folders);

// The full command line: the program's quoted path, the command and the
// folders; the folders written to a new response file in the temporary folder
// instead when the line would be longer than kLongestCommandLine (responseFile
// then names it). False when the file could not be written.
bool BuildCommandLine(const std::wstring& program, const Command& command,
                      const std::vector<std::wstring>& folders, std::wstring& line,
                      std::wstring& responseFile);

// The message a failed /apply or /restore shows, from its exit code and what
// it wrote to standard error.
std::wstring FailureMessage(DWORD exitCode, const std::wstring& standardError);

// Starts quillane.exe from this DLL's folder. HRESULT of the failure.
HRESULT StartProgram(const Command& command, const std::vector<std::wstring>& folders);

} // namespace shellext
