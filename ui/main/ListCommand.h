#pragma once
// quillane.exe /list [/all-users] [/quiet]: the restore record printed, one
// folder a line, for a script or a person at a prompt.
#include <string>
#include <vector>

namespace ui {

// The exit codes of /list.
enum ListExit : int {
    kListDone = 0,      // every folder of the record was printed
    kListNotPrinted = 2 // the record could not be read, or there was nowhere to print it
};

// The record's folders, each once (every account's with allUsers); false
// with GetLastError() set when a list of it cannot be read.
bool RecordFolders(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers,
                   std::vector<std::wstring>& folders);

// /list: to a redirected standard output in UTF-8, else to the console the
// program was started from; with neither, a message unless quiet.
int PrintRecord(const std::wstring& appFolder, const std::wstring& perUserRoot, bool allUsers,
                bool quiet);

} // namespace ui
