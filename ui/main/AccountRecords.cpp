#include "ui/main/AccountRecords.h"

#include "engine/AccountLists.h"
#include "platform/Files.h"
#include "platform/TextCompare.h"
#include "ui/main/RestoreListKeeper.h"

namespace ui {

namespace {

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

// A place that is not there holds no list; one that cannot be looked at may.
bool MayHoldList(const std::wstring& folder) {
    if (platform::PathExists(folder))
        return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Drive letters looked at once each.
class DriveRule {
  public:
    bool LeftAlone(const std::wstring& folder) {
        const std::wstring drive = platform::RootOf(folder);
        if (drive.size() != 2)
            return false;
        int& known = known_[towupper(drive[0]) - L'A'];
        if (known == 0)
            known = engine::OnAnotherAccountsDrive(folder) ? 1 : -1;
        return known > 0;
    }

  private:
    int known_[26] = {};
};

} // namespace

RecordSet::RecordSet(const std::wstring& appFolder, const std::wstring& perUserRoot,
                     engine::RecordAccess access) {
    Add(appFolder, perUserRoot, 0, false, access);
}

void RecordSet::Add(const std::wstring& folder, const std::wstring& perUserRoot, size_t account,
                    bool perUser, engine::RecordAccess access) {
    Part part;
    part.store = std::make_unique<engine::RestoreRecord>(folder, perUserRoot, access);
    part.list = std::make_unique<engine::SortedFolderList>();
    part.account = account;
    part.perUser = perUser;
    parts_.push_back(std::move(part));
}

RecordSet RecordSet::EveryAccount(const std::wstring& appFolder, const std::wstring& perUserRoot,
                                  const std::wstring& runnerProfile, engine::RecordAccess access) {
    RecordSet set;
    // Each list alone: a per-user list is not merged into the program
    // folder's, where its account may not have written.
    set.Add(appFolder, L"", 0, false, access);
    std::vector<std::wstring> seen;
    const auto fresh = [&seen](const std::wstring& folder) {
        for (const auto& known : seen)
            if (platform::CompareNoCase(known, folder) == 0)
                return false;
        seen.push_back(folder);
        return true;
    };
    const std::wstring own = WithoutTrailingBackslash(perUserRoot);
    if (!own.empty()) {
        const std::wstring folder = own + L"\\" + engine::kPerUserFolderName;
        fresh(folder);
        if (MayHoldList(folder))
            set.Add(folder, L"", 0, true, access);
    }
    size_t account = 0;
    for (const auto& profile : engine::AccountProfiles(perUserRoot, runnerProfile)) {
        ++account;
        for (const auto& local : profile.localAppData) {
            // The runner's own place was taken above, as the runner's.
            const std::wstring folder = local + L"\\" + engine::kPerUserFolderName;
            if (fresh(folder) && MayHoldList(folder))
                set.Add(folder, L"", account, true, access);
        }
    }
    // Every part saves under the runner's lock, the one its own copies take.
    if (access == engine::RecordAccess::ReadWrite) {
        const std::wstring lock = engine::ChooseLockFile(appFolder, perUserRoot);
        for (auto& part : set.parts_)
            part.store->UseLock(lock);
    }
    return set;
}

std::wstring RecordSet::LockFile() const {
    return parts_.front().store->LockFile();
}

bool RecordSet::Load() {
    for (auto& part : parts_) {
        if (!RestoreListKeeper::LoadWhole(*part.store, *part.list))
            return false;
    }
    return true;
}

size_t RecordSet::Folders() const {
    if (parts_.size() == 1)
        return parts_.front().list->Count();
    return FolderNames().size();
}

std::vector<std::wstring> RecordSet::FolderNames() const {
    platform::FolderSet all;
    for (const auto& part : parts_)
        for (size_t i = 0; i < part.list->Count(); ++i)
            all.insert(part.list->At(i));
    return std::vector<std::wstring>(all.begin(), all.end());
}

size_t RecordSet::Accounts() const {
    std::set<size_t> accounts;
    for (const auto& part : parts_)
        if (part.list->Count() > 0)
            accounts.insert(part.account);
    return accounts.size();
}

RestoreAllCount RecordSet::RestoreEvery(const std::function<void(const std::wstring&)>& progress) {
    // The runner's record alone, as it always was: restored in place.
    if (parts_.size() == 1 && parts_.front().account == 0)
        return RestoreEveryFolder(*parts_.front().list, progress);
    RestoreAllCount count;
    count.folders = Folders();
    DriveRule drives;
    platform::FolderSet restorable;
    for (const auto& part : parts_)
        for (size_t i = 0; i < part.list->Count(); ++i) {
            std::wstring folder = part.list->At(i);
            if (part.account == 0 || !drives.LeftAlone(folder))
                restorable.insert(std::move(folder));
        }
    engine::SortedFolderList stay;
    stay.AddAll(std::vector<std::wstring>(restorable.begin(), restorable.end()));
    restorable.clear();
    count.failures = RestoreEveryFolder(stay, progress).failures;
    platform::FolderSet left;
    for (auto& part : parts_) {
        std::vector<std::wstring> kept;
        for (size_t i = 0; i < part.list->Count(); ++i) {
            std::wstring folder = part.list->At(i);
            if ((part.account != 0 && drives.LeftAlone(folder)) || stay.Contains(folder))
                kept.push_back(std::move(folder));
        }
        part.list->Clear();
        part.list->AddAll(kept);
        left.insert(kept.begin(), kept.end());
    }
    count.notRestored = left.size();
    return count;
}

bool RecordSet::Save() {
    DWORD error = 0;
    for (auto& part : parts_) {
        if (!RestoreListKeeper::SaveWhole(*part.store, *part.list)) {
            if (!error)
                error = GetLastError();
            continue;
        }
        // Nothing left to restore there: the list goes, as itself if it is a
        // link, unless a folder joined it or a journal since it was read.
        if (part.perUser && part.list->Count() == 0)
            part.store->RemoveIfEmpty();
    }
    SetLastError(error);
    return error == 0;
}

} // namespace ui
