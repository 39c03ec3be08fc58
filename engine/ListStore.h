#pragma once
// The restore record: where the list of customized folders lives, which lines
// of it are sound, and the journal that keeps a killed run's folders
// restorable. Needs no window.
#include "engine/FolderList.h"
#include "platform/Files.h"
#include "platform/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

inline constexpr wchar_t kListFileName[] = L"Fldr.dll";
inline constexpr wchar_t kPerUserFolderName[] = L"Quillane";

// An absolute folder path: "X:\..." or "\\server\share...", without control
// characters or characters that no path may hold.
bool IsWellFormedListEntry(const std::wstring& line);

// The journal's first name; later runs' journals beside it add a number.
std::wstring JournalPath(const std::wstring& listFile);
// The file whose first byte a save holds locked.
std::wstring LockPath(const std::wstring& listFile);

// How long a save waits for another copy's save to end.
inline constexpr unsigned long kSaveLockWaitMs = 5000;

// The record of customized folders, kept in the application folder where the
// program may write there, otherwise in perUserRoot\Quillane. Where both
// places hold a list, the record is both lists merged, and it is saved to the
// place in use. Other copies, of this account or another, may load and save
// the same record meanwhile: a save takes in what they saved, and drops only
// what this copy took out. Typical use, with or without a window:
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
    // The journal's first name beside it (see ListJournal).
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
    // Writes the record to the file in use in one step, while no other copy
    // saves (it waits for one that does, up to the lock wait; then it fails
    // with ERROR_LOCK_VIOLATION). Where another copy saved either list since
    // this one read it, their folders join the list first, except those this
    // copy took out since its load whose folders do not hold our settings file
    // again. After that good save go: the journals read by MergeJournals and
    // this process's closed journals (keepJournal: not those), each only as it
    // was read or written; the per-user list, where the application folder's
    // is in use, only as it was loaded; and temporary files earlier saves
    // left. False with GetLastError() set when nothing was saved; the journals
    // then stay.
    bool Save(ListItems& list, const YieldFn& yield = {}, bool keepJournal = false);
    void SetLockWait(unsigned long ms) { lockWaitMs_ = ms; }

  private:
    bool TakeInOthersSaves(ListItems& list, const YieldFn& yield);
    void RemoveReadFiles(bool keepJournal);
    struct ReadJournal {
        std::wstring path, listFile;
        platform::FileStamp stamp;
    };
    std::wstring file_, other_;
    bool otherIsPerUser_ = false;
    unsigned long error_ = 0;
    unsigned long readError_ = 0;
    // Each list as this copy last read or wrote it: a save reads again only
    // a list that changed since.
    platform::FileStamp fileSeen_, otherSeen_;
    bool fileSeenKnown_ = false, otherSeenKnown_ = false;
    // The other place's list as loaded, the only version of it this copy deletes.
    platform::FileStamp otherLoaded_;
    bool otherRead_ = false;
    std::vector<ReadJournal> journalsRead_;
    // Hashes (platform::HashNoCase) of every folder loaded or merged, sorted:
    // a folder the list lacks and another copy's save holds was taken out by
    // this copy when it is here.
    std::vector<std::uint64_t> loaded_;
    unsigned long lockWaitMs_ = kSaveLockWaitMs;
    // A save that the end of the session interrupts runs inside the lock
    // that the interrupted one holds.
    int saving_ = 0;
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

// Adds each journal entry that the list lacks and whose folder holds our own
// settings file, or no settings file and a file set aside as BUDesktop.ini
// (a run that ended between the two); returns how many were added. Calls
// yield once per entry; when it says stop, nothing is added. read, where
// given, tells whether the journal could be read.
size_t MergeJournal(ListItems& list, const std::wstring& journalPath, const YieldFn& yield = {},
                    bool* read = nullptr);

} // namespace engine
