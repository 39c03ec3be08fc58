#pragma once
// Where the bench keeps its trees and lists, and the small file and process
// chores around them.
#include <windows.h>

#include <cstddef>
#include <string>

namespace bench {

std::wstring TempFolder(); // %TEMP%\quillane-bench
std::wstring TreeRoot(size_t size);
std::wstring AppFolder(size_t size);

std::string Narrow(const std::wstring& text);
bool WriteFileText(const std::wstring& path, const std::string& text);
// The start of a small file the bench wrote.
std::string ReadFileText(const std::wstring& path);

// The tree of size folders, made anew unless a finished run left it clean;
// returns how many folders it holds.
size_t PrepareTree(size_t size, bool fresh);
// Marks the tree clean for the next run to reuse.
void MarkTreeClean(size_t size, size_t made);

// An empty restore list in the application folder.
void ResetListFile(const std::wstring& app);

// The build folder that holds quillane.exe.
std::wstring ProgramFolder();
// Runs the command and returns its exit code; -1 when it could not start.
DWORD RunAndWait(const std::wstring& program, std::wstring command);

} // namespace bench
