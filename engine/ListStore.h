#pragma once
// Where the restore list lives, which lines of it are sound, and the journal
// that keeps a killed run's folders restorable.
#include "engine/FolderList.h"
#include "platform/Handles.h"

#include <string>
#include <vector>

namespace engine {

inline constexpr wchar_t kListFileName[] = L"Fldr.dll";
inline constexpr wchar_t kPerUserFolderName[] = L"Quillane";

// An absolute folder path: "X:\..." or "\\server\share...", without control
// characters or characters that no path may hold.
bool IsWellFormedListEntry(const std::wstring& line);

// The list file in the application folder where the program can write there;
// otherwise perUserRoot\Quillane\Fldr.dll, which starts as a copy of the
// application folder's list. perUserRoot empty: the application folder.
std::wstring ChooseListFile(const std::wstring& appFolder, const std::wstring& perUserRoot);

std::wstring JournalPath(const std::wstring& listFile);

// Folders about to be written, appended before the writing starts, so that a
// run killed at any moment leaves a record of them.
class ListJournal {
  public:
    explicit ListJournal(std::wstring path) : path_(std::move(path)) {}
    ListJournal(const ListJournal&) = delete;
    ListJournal& operator=(const ListJournal&) = delete;
    // False with GetLastError() set when the entries could not be recorded.
    bool Append(const std::vector<std::wstring>& folders);
    void Close() { file_.reset(); }

  private:
    std::wstring path_;
    platform::FileHandle file_;
};

// Adds each journal entry that the list lacks and whose folder holds our own
// settings file; returns how many were added. Calls yield once per entry; when
// it says stop, nothing is added.
size_t MergeJournal(ListItems& list, const std::wstring& journalPath, const YieldFn& yield = {});

} // namespace engine
