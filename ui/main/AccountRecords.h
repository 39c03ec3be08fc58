#pragma once
// The restore record as a batch run sees it: the runner's (the program
// folder's list with its own per-user list, merged as the window merges
// them), or every account's, each list loaded and saved back in its own
// place.
#include "engine/FolderList.h"
#include "engine/RestoreRecord.h"
#include "ui/main/RestoreAll.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class RecordSet {
  public:
    // The runner's record, as the window keeps it. A read-only one (for a
    // count or /list) makes no file or folder and cannot be saved.
    RecordSet(const std::wstring& appFolder, const std::wstring& perUserRoot,
              engine::RecordAccess access = engine::RecordAccess::ReadWrite);
    // Every account's: the program folder's list, the runner's per-user list
    // and the per-user list of every profile of the registry's profile list
    // (see engine::AccountProfiles), each its own, all under the runner's lock.
    static RecordSet EveryAccount(const std::wstring& appFolder, const std::wstring& perUserRoot,
                                  const std::wstring& runnerProfile,
                                  engine::RecordAccess access = engine::RecordAccess::ReadWrite);

    // The one lock file of the record (see engine::RestoreRecord::LockFile).
    std::wstring LockFile() const;

    // False with GetLastError() set when a list or journal that is there
    // could not be read: the record is then not known whole.
    bool Load();
    // The folders of every list, each once.
    size_t Folders() const;
    // The same folders, each once, in the order of the ordinal comparison
    // without regard to case.
    std::vector<std::wstring> FolderNames() const;
    // How many accounts have folders listed; the program folder's list
    // counts as the runner's.
    size_t Accounts() const;
    // Restores every folder once by the restore view's rules (see
    // RestoreEveryFolder) and leaves in each list what must stay, with the
    // entries of another account's list on a drive letter that may not be
    // the same to the runner (see engine::OnAnotherAccountsDrive): those are
    // not touched and count as left.
    RestoreAllCount RestoreEvery(const std::function<void(const std::wstring&)>& progress);
    // Saves each list to its own place; an emptied per-user list of the
    // all-accounts record is then removed, under the lock. False with
    // GetLastError() set when a list could not be saved (the others are
    // saved all the same).
    bool Save();

  private:
    RecordSet() = default;
    struct Part {
        std::unique_ptr<engine::RestoreRecord> store;
        std::unique_ptr<engine::SortedFolderList> list;
        size_t account = 0;   // 0: the runner's
        bool perUser = false; // removed once saved empty
    };
    void Add(const std::wstring& folder, const std::wstring& perUserRoot, size_t account,
             bool perUser, engine::RecordAccess access);
    std::vector<Part> parts_;
};

} // namespace ui
