#pragma once
// The restore record: where the list of customized folders lives, how it is
// loaded with its journals and saved beside other copies' saves. Needs no
// window.
#include "engine/FolderList.h"
#include "platform/Files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

inline constexpr wchar_t kListFileName[] = L"Fldr.dll";
inline constexpr wchar_t kPerUserFolderName[] = L"Quillane";

// The lock file beside a list: a save holds its first byte, an operation its
// second (see OperationLock).
std::wstring LockPath(const std::wstring& listFile);
// The one lock file of a whole record, the same in every copy, elevated or
// not: the application folder's where it is there or can be made (setup makes
// it, and every account may open it for reading, which a lock needs),
// otherwise the one in perUserRoot\Quillane.
std::wstring ChooseLockFile(const std::wstring& appFolder, const std::wstring& perUserRoot);

// How long a save waits for another copy's save to end.
inline constexpr unsigned long kSaveLockWaitMs = 5000;

// The record of customized folders, kept in the application folder where the
// program may write there, otherwise in perUserRoot\Quillane. Where both
// places hold a list, the record is both lists merged, and it is saved to the
// place in use. Other copies, of this account or another, may load and save
// the same record meanwhile: a save takes in what they saved, and drops only
// what this copy took out. Typical use, with or without a window:
//   RestoreRecord record(appFolder, localAppData);
//   record.Load(list); RemoveBlankItems(list);
//   PruneRestoreList(list); // see RestoreFolder.h
//   if (record.MergeJournals(list)) record.Save(list);
//   ... change or restore folders ...
//   record.Save(list);
enum class RecordAccess {
    ReadWrite,
    // For a run that only reads (a count, /list): nothing is made, probed or
    // seeded, both places' lists are read and nothing can be saved.
    ReadOnly,
};

class RestoreRecord {
  public:
    // Chooses the place. Where the application folder refuses writes, the
    // per-user folder is made and its list seeded with a copy of the
    // application folder's (a temporary file renamed into place; a read-only
    // attribute it inherited is cleared). perUserRoot empty: the application
    // folder only.
    RestoreRecord(const std::wstring& appFolder, const std::wstring& perUserRoot,
                  RecordAccess access = RecordAccess::ReadWrite);

    // The list file that saves go to.
    const std::wstring& ListFile() const { return file_; }
    // The lock file saves and operations take (see ChooseLockFile), chosen
    // when first asked for; empty for a read-only record.
    const std::wstring& LockFile() const;
    // Another record's lock, for a list kept apart from the runner's own
    // (another account's): one lock for all of them.
    void UseLock(const std::wstring& lockFile) { lock_ = lockFile; }
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
    // Folders this copy put in the list (an Apply's): should it take one
    // out before the next save, another copy's save does not bring it back.
    // Saved folders are remembered by the save itself.
    void Remember(const std::vector<std::wstring>& folders);
    // Writes the record to the file in use in one step, while no other copy
    // saves (it waits for one that does, up to the lock wait; then it fails
    // with ERROR_LOCK_VIOLATION). Where another copy saved either list since
    // this one read or wrote it, the save is a merge of three: what the lists
    // hold now, what this copy added, less what it took out. A folder that
    // either side took out leaves only on proof (see ClaimOf: NotOurs); any
    // other folder of the lists joins this one. After that good save go: the
    // journals read by MergeJournals and this process's closed journals
    // (keepJournal: not those), each only as it was read or written; the
    // per-user list, where the application folder's is in use, only as it
    // was loaded; and temporary files earlier saves left. False with
    // GetLastError() set when nothing was saved; the journals then stay.
    bool Save(ListItems& list, const YieldFn& yield = {}, bool keepJournal = false);
    void SetLockWait(unsigned long ms) { lockWaitMs_ = ms; }
    // Under the save lock: removes the list in use when it holds no folder
    // and no journal lies beside it (a link as itself). For another
    // account's emptied per-user list.
    bool RemoveIfEmpty();

  private:
    bool TakeInOthersSaves(ListItems& list, const YieldFn& yield);
    void RemoveReadFiles(bool keepJournal);
    struct ReadJournal {
        std::wstring path, listFile;
        platform::FileStamp stamp;
    };
    std::wstring file_, other_;
    std::wstring appFolder_, perUserRoot_;
    mutable std::wstring lock_;
    bool readOnly_ = false;
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
    // Hashes (platform::HashNoCase) of every folder this copy has had in its
    // list (loaded, merged, taken in, added, saved), sorted: a folder the
    // list lacks and this set holds was taken out by this copy; one the list
    // and this set hold and the saved lists lack, by another.
    std::vector<std::uint64_t> known_;
    unsigned long lockWaitMs_ = kSaveLockWaitMs;
    // A save that the end of the session interrupts runs inside the lock
    // that the interrupted one holds.
    int saving_ = 0;
};

} // namespace engine
