#pragma once
// The journal that keeps a run's folders restorable: written before the
// folders are, merged into the list at the next start, removed by the next
// good save (see RestoreRecord). Needs no window.
#include "engine/FolderList.h"
#include "platform/Handles.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The journal's first name beside the list file; later runs' journals beside
// it add a number.
std::wstring JournalPath(const std::wstring& listFile);

// A run's journal batches grow from the first size to the last: a short run
// is recorded in small steps, and a long one flushes the journal to the disk
// a few times only (each flush costs milliseconds).
inline constexpr size_t kFirstJournalBatch = 256;
inline constexpr size_t kLastJournalBatch = 4096;
inline size_t NextJournalBatch(size_t batch) {
    return batch * 2 < kLastJournalBatch ? batch * 2 : kLastJournalBatch;
}

// Folders about to be written, appended before the writing starts, so that a
// run killed at any moment leaves a record of them. Each journal is a new
// file: base where that name is free, else the first free of base1, base2...
// (see platform::CreateUnusedFile), never an existing file or link. Once
// closed, the next save of the list beside it removes it (see RestoreRecord::Save).
class ListJournal {
  public:
    explicit ListJournal(std::wstring base) : base_(std::move(base)) {}
    ~ListJournal() { Close(); }
    ListJournal(const ListJournal&) = delete;
    ListJournal& operator=(const ListJournal&) = delete;
    // Written through to the disk before it returns. False with
    // GetLastError() set when the entries could not be recorded. yield, where
    // given, runs while the disk takes them (a stop fails with ERROR_CANCELLED).
    bool Append(const std::vector<std::wstring>& folders, const YieldFn& yield = {});
    // The same for count folders of the list from first on, without a copy.
    bool Append(const SortedFolderList& folders, size_t first, size_t count,
                const YieldFn& yield = {});
    void Close();
    // The file made by the first Append; empty before.
    const std::wstring& Path() const { return path_; }

  private:
    bool AppendEach(size_t count, const std::function<std::wstring_view(size_t)>& folder,
                    const YieldFn& yield);
    std::wstring base_, path_;
    platform::FileHandle file_;
};

// Adds each journal entry that the list lacks unless its folder is proven
// not ours (see ClaimOf): what cannot be looked at now joins the list, so
// that once the list is saved every folder the journal names is in it or
// proven not ours. Returns how many were added. Calls yield once per folder
// of the list and of the journal; when it says stop, nothing is added. read,
// where given, tells whether the journal was read and merged to its end (a
// stop fails with ERROR_CANCELLED); added, where given, gets the folders added.
size_t MergeJournal(ListItems& list, const std::wstring& journalPath, const YieldFn& yield = {},
                    bool* read = nullptr, std::vector<std::wstring>* added = nullptr);

// After a good save of listFile: this process's closed journals beside it
// are forgotten, and removed unless keep, each only as its run left it (see
// platform::RemoveName, with placeholderBase).
void RemoveClosedJournals(const std::wstring& listFile, const std::wstring& placeholderBase,
                          bool keep);

} // namespace engine
