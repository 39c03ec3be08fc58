#pragma once
// The restore record: where the list of customized folders lives, which lines
// of it are sound, and the journal that keeps a killed run's folders
// restorable. Needs no window.
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

std::wstring JournalPath(const std::wstring& listFile);

// The record of customized folders, kept in the application folder where the
// program may write there, otherwise in perUserRoot\Quillane. Where both
// places hold a list, the record is both lists merged, and it is saved to the
// place in use. Typical use, with or without a window:
//   RestoreRecord record(appFolder, localAppData);
//   record.Load(list); RemoveBlankItems(list); PruneRestoreList(list);
//   if (record.MergeJournals(list)) record.Save(list);
//   ... change or restore folders ...
//   record.Save(list);
class RestoreRecord {
  public:
    // Chooses the place. Where the application folder refuses writes, the
    // per-user folder is made and its list seeded with a copy of the
    // application folder's (a temporary file renamed into place; a read-only
    // attribute it inherited is cleared). perUserRoot empty: the application
    // folder only.
    RestoreRecord(const std::wstring& appFolder, const std::wstring& perUserRoot);

    // The list file that saves go to.
    const std::wstring& ListFile() const { return file_; }
    // The journal that a run writes beside it before it changes folders.
    std::wstring JournalFile() const { return JournalPath(file_); }
    // False when changes cannot be recorded: neither place accepts writes,
    // or the list in use exists but cannot be read. No folder may then be
    // changed, and Save writes nothing.
    bool CanRecord() const { return error_ == 0; }
    // Why not, as a Win32 error; 0 when it can.
    unsigned long Error() const { return error_; }

    // The first start's list file in use: one empty line, where none is there.
    void CreateIfMissing();
    // Adds the folders of the list in use, then those of the other place's
    // list that the list lacks, letter case aside. False when the list in use
    // is there but cannot be read (CanRecord() is then false too).
    bool Load(ListItems& list, const YieldFn& yield = {});
    // True when the last Load and MergeJournals read every list and journal
    // that is there: a batch run that must not miss a folder asks this.
    bool ReadWhole() const { return readError_ == 0; }
    // Why a list or journal that is there could not be read, as a Win32 error.
    unsigned long ReadError() const { return readError_; }
    // Adds the folders of the journals left beside either place's list (see
    // MergeJournal); true when there was one, and the list is to be saved.
    bool MergeJournals(ListItems& list, const YieldFn& yield = {});
    // Writes the list to the file in use in one step; only after that good
    // save are the journals removed (not while a run still writes one:
    // keepJournal, nor one that could not be read) and, where the application folder's list is in
    // use, the per-user one, once it was read. False with GetLastError() set when nothing was
    // saved.
    bool Save(const ListItems& list, const YieldFn& yield = {}, bool keepJournal = false);

  private:
    std::wstring file_, other_;
    bool otherRead_ = false;
    unsigned long readError_ = 0;
    bool journalUnread_ = false;
    bool otherIsPerUser_ = false;
    unsigned long error_ = 0;
};

// A run's journal batches grow from the first size to the last: a short run
// is recorded in small steps, and a long one flushes the journal to the disk
// a few times only (each flush costs milliseconds).
inline constexpr size_t kFirstJournalBatch = 256;
inline constexpr size_t kLastJournalBatch = 4096;
inline size_t NextJournalBatch(size_t batch) {
    return batch * 2 < kLastJournalBatch ? batch * 2 : kLastJournalBatch;
}

// Folders about to be written, appended before the writing starts, so that a
// run killed at any moment leaves a record of them.
class ListJournal {
  public:
    explicit ListJournal(std::wstring path) : path_(std::move(path)) {}
    ListJournal(const ListJournal&) = delete;
    ListJournal& operator=(const ListJournal&) = delete;
    // Written through to the disk before it returns. False with
    // GetLastError() set when the entries could not be recorded. yield, where
    // given, runs while the disk takes them (a stop fails with ERROR_CANCELLED).
    bool Append(const std::vector<std::wstring>& folders, const YieldFn& yield = {});
    // The same for count folders of the list from first on, without a copy.
    bool Append(const SortedFolderList& folders, size_t first, size_t count,
                const YieldFn& yield = {});
    void Close() { file_.reset(); }

  private:
    bool AppendEach(size_t count, const std::function<std::wstring_view(size_t)>& folder,
                    const YieldFn& yield);
    std::wstring path_;
    platform::FileHandle file_;
};

// Adds each journal entry that the list lacks and whose folder holds our own
// settings file, or no settings file and a file set aside as BUDesktop.ini
// (a run that ended between the two); returns how many were added. Calls
// yield once per entry; when it says stop, nothing is added. read, where
// given, tells whether the journal could be read.
size_t MergeJournal(ListItems& list, const std::wstring& journalPath, const YieldFn& yield = {},
                    bool* read = nullptr);

} // namespace engine
