#include "engine/RestoreRecord.h"

#include "engine/ListFile.h"
#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "platform/TextCompare.h"

#include <algorithm>
#include <map>
#include <new>
#include <utility>

namespace engine {

namespace {
bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Folder hashes with the line each came from, sorted: lines that share a
// hash sit together, so a lookup reads a few lines rather than all.
using HashedLines = std::vector<std::pair<std::uint64_t, size_t>>;

HashedLines HashLines(const FolderLines& lines, const YieldFn& yield, bool& going) {
    HashedLines hashed;
    hashed.reserve(lines.Count());
    for (size_t i = 0; i < lines.Count(); ++i) {
        if (i % 4096 == 0 && !platform::KeepGoing(yield)) {
            going = false;
            return hashed;
        }
        hashed.emplace_back(platform::HashNoCase(lines.View(i)), i);
    }
    std::sort(hashed.begin(), hashed.end());
    return hashed;
}

HashedLines::const_iterator FirstOf(const HashedLines& hashed, std::uint64_t hash) {
    return std::lower_bound(hashed.begin(), hashed.end(), std::make_pair(hash, size_t{0}));
}

// Marks each line that repeats an earlier one (letter case aside).
void MarkRepeats(const FolderLines& lines, const HashedLines& hashed, std::vector<bool>& marked) {
    for (size_t group = 0; group < hashed.size();) {
        size_t end = group + 1;
        while (end < hashed.size() && hashed[end].first == hashed[group].first)
            ++end;
        for (size_t j = group + 1; j < end; ++j) {
            const size_t line = hashed[j].second;
            for (size_t k = group; k < j && !marked[line]; ++k)
                if (platform::CompareNoCase(lines.View(hashed[k].second), lines.View(line)) == 0)
                    marked[line] = true;
        }
        group = end;
    }
}

void AddHashes(std::vector<std::uint64_t>& set, std::vector<std::uint64_t> hashes) {
    if (hashes.empty())
        return;
    std::sort(hashes.begin(), hashes.end());
    const size_t before = set.size();
    set.insert(set.end(), hashes.begin(), hashes.end());
    std::inplace_merge(set.begin(), set.begin() + static_cast<std::ptrdiff_t>(before), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
}

void AddHashes(std::vector<std::uint64_t>& set, const std::vector<std::wstring>& folders) {
    std::vector<std::uint64_t> hashes;
    hashes.reserve(folders.size());
    for (const auto& folder : folders)
        hashes.push_back(platform::HashNoCase(folder));
    AddHashes(set, std::move(hashes));
}

bool Holds(const std::vector<std::uint64_t>& set, std::uint64_t hash) {
    return std::binary_search(set.begin(), set.end(), hash);
}

// Adds the other place's folders that lines lack, and sets loaded to the
// hashes of them all; false when the yield stopped it.
bool JoinOtherPlace(FolderLines& lines, const FolderLines& others,
                    std::vector<std::uint64_t>& loaded, const YieldFn& yield) {
    bool going = true;
    HashedLines hashed;
    if (others.Count() == 0) {
        // The hashes alone: half the memory of a whole drive's index.
        loaded.reserve(lines.Count());
        for (size_t i = 0; going && i < lines.Count(); ++i) {
            if (i % 4096 == 0)
                going = platform::KeepGoing(yield);
            loaded.push_back(platform::HashNoCase(lines.View(i)));
        }
        std::sort(loaded.begin(), loaded.end());
        loaded.erase(std::unique(loaded.begin(), loaded.end()), loaded.end());
    } else {
        hashed = HashLines(lines, yield, going);
        for (const auto& line : hashed)
            if (loaded.empty() || loaded.back() != line.first)
                loaded.push_back(line.first);
    }
    // The other place's folders that the list holds already are left out.
    const size_t own = lines.Count();
    std::vector<std::wstring> added;
    std::multimap<std::uint64_t, size_t> addedAt;
    for (size_t i = 0; going && i < others.Count(); ++i) {
        const std::wstring_view folder = others.View(i);
        const std::uint64_t hash = platform::HashNoCase(folder);
        bool held = false;
        for (auto it = FirstOf(hashed, hash); !held && it != hashed.end() && it->first == hash;
             ++it)
            held = platform::CompareNoCase(lines.View(it->second), folder) == 0;
        for (auto [it, end] = addedAt.equal_range(hash); !held && it != end; ++it)
            held = platform::CompareNoCase(lines.View(it->second), folder) == 0;
        if (held)
            continue;
        addedAt.emplace(hash, lines.Count());
        lines.Append(folder);
        added.emplace_back(folder);
    }
    if (lines.Count() > own)
        AddHashes(loaded, added);
    return going;
}

// The journals this process wrote and closed that no save has removed yet.

// The name a save's temporary files start with (see platform::ReplaceFileFrom).
std::wstring TemporaryBase(const std::wstring& listFile) {
    return listFile + L".new";
}

// The journals beside a list: the first name, and later runs' numbered ones.
std::vector<std::wstring> JournalsOf(const std::wstring& listFile) {
    return platform::NumberedFiles(JournalPath(listFile));
}
} // namespace

std::wstring LockPath(const std::wstring& listFile) {
    return listFile + L".lock";
}

std::wstring ChooseLockFile(const std::wstring& appFolder, const std::wstring& perUserRoot) {
    std::wstring inAppFolder = LockPath(appFolder + L"\\" + kListFileName);
    if (perUserRoot.empty() || platform::OpenForReading(inAppFolder))
        return inAppFolder;
    const DWORD error = GetLastError();
    std::wstring perUser =
        LockPath(perUserRoot + L"\\" + kPerUserFolderName + L"\\" + kListFileName);
    // One that is there but will not open is no lock for this copy.
    if (!IsMissing(error))
        return perUser;
    // Made here (never written) where the folder takes it: from then on every
    // copy that can read the folder chooses it too.
    platform::FileHandle made(CreateFileW(platform::ExactPath(inAppFolder).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (made || GetLastError() == ERROR_FILE_EXISTS)
        return inAppFolder;
    return perUser;
}

RestoreRecord::RestoreRecord(const std::wstring& appFolder, const std::wstring& perUserRoot,
                             RecordAccess access)
    : appFolder_(appFolder), perUserRoot_(perUserRoot) {
    const std::wstring inAppFolder = appFolder + L"\\" + kListFileName;
    file_ = inAppFolder;
    if (access == RecordAccess::ReadOnly) {
        // Both lists are read alike: which one a save would go to is no
        // matter here, and finding out would make a file.
        readOnly_ = true;
        error_ = ERROR_ACCESS_DENIED;
        if (!perUserRoot.empty())
            other_ = perUserRoot + L"\\" + kPerUserFolderName + L"\\" + kListFileName;
        return;
    }
    if (platform::FolderAcceptsWrites(appFolder)) {
        if (!perUserRoot.empty())
            other_ = perUserRoot + L"\\" + kPerUserFolderName + L"\\" + kListFileName;
        otherIsPerUser_ = !other_.empty();
        return;
    }
    error_ = GetLastError();
    if (perUserRoot.empty())
        return;
    const std::wstring folder = perUserRoot + L"\\" + kPerUserFolderName;
    const std::wstring perUser = folder + L"\\" + kListFileName;
    other_ = perUser;
    if (!platform::CreateFolder(folder) || !platform::FolderAcceptsWrites(folder)) {
        // Neither place takes writes: the lists can be read, not changed.
        error_ = GetLastError();
        return;
    }
    error_ = 0;
    file_ = perUser;
    other_ = inAppFolder;
    const DWORD attributes = platform::GetAttributes(perUser);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Seeded in one step: a run killed while copying leaves no cut list.
        std::vector<std::uint8_t> bytes;
        if (platform::ReadAllBytes(inAppFolder, bytes, kListFileLimit))
            platform::CreateFileContents(perUser, bytes);
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        // An earlier copy kept the application folder's read-only attribute,
        // which would refuse every save.
        platform::SetAttributes(
            perUser, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY) &
                         (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    }
}

const std::wstring& RestoreRecord::LockFile() const {
    if (lock_.empty() && !readOnly_)
        lock_ = ChooseLockFile(appFolder_, perUserRoot_);
    return lock_;
}

void RestoreRecord::Remember(const std::vector<std::wstring>& folders) {
    AddHashes(known_, folders);
}

void RestoreRecord::CreateIfMissing() {
    if (!CanRecord() || platform::FileExists(file_))
        return;
    // Never over something that is there but cannot be read.
    if (platform::FileHandle created = platform::CreateNewFile(file_))
        platform::WriteBytes(created, {'\r', '\n'});
}

bool RestoreRecord::Load(ListItems& list, const YieldFn& yield) {
    readError_ = 0;
    known_.clear();
    journalsRead_.clear();
    // A stamp that differs after the read: the list changed meanwhile, and
    // the next save reads it again.
    platform::FileStamp before, after;
    const bool stamped = platform::ReadStamp(file_, before);
    FolderLines lines;
    bool loaded = ReadListLines(file_, lines, yield);
    fileSeenKnown_ = false;
    if (loaded || IsMissing(GetLastError())) {
        if (stamped && platform::ReadStamp(file_, after) && after == before) {
            fileSeen_ = before;
            fileSeenKnown_ = true;
        }
        loaded = true;
    } else {
        readError_ = GetLastError();
        if (CanRecord())
            error_ = readError_; // a save would lose what it could not read
    }
    otherRead_ = false;
    otherSeenKnown_ = false;
    FolderLines others;
    if (!other_.empty()) {
        const bool otherStamped = platform::ReadStamp(other_, before);
        if (ReadListLines(other_, others, yield)) {
            if (otherStamped && platform::ReadStamp(other_, after) && after == before) {
                otherLoaded_ = otherSeen_ = before;
                otherRead_ = otherSeenKnown_ = true;
            }
        } else {
            // An unreadable list is kept. An absent one is not taken as read: one
            // written there later by another copy is not deleted unseen.
            const DWORD error = GetLastError();
            if (!IsMissing(error) && !readError_)
                readError_ = error;
            if (IsMissing(error) && otherStamped && !before.present) {
                otherSeen_ = before;
                otherSeenKnown_ = true;
            }
        }
    }
    bool going = true;
    try {
        going = JoinOtherPlace(lines, others, known_, yield);
    } catch (const std::bad_alloc&) {
        // Without the hashes a save keeps the folders it cannot place: never
        // fewer. The other place's list may lack its place here: it stays.
        known_.clear();
        known_.shrink_to_fit();
        otherRead_ = false;
        if (!readError_)
            readError_ = ERROR_NOT_ENOUGH_MEMORY;
    }
    others.Clear();
    if (!going || !list.TakeLines(lines, yield)) {
        if (!readError_)
            readError_ = ERROR_CANCELLED;
        if (CanRecord())
            error_ = ERROR_CANCELLED;
        return false;
    }
    return loaded;
}

bool RestoreRecord::MergeJournals(ListItems& list, const YieldFn& yield) {
    bool found = false;
    std::vector<std::wstring> added;
    for (const std::wstring* listFile : {&file_, &other_}) {
        if (listFile->empty())
            continue;
        for (const std::wstring& journal : JournalsOf(*listFile)) {
            found = true;
            // One that a running copy still writes is held without sharing its
            // deletion: it is read, and left to that copy.
            const bool removable = platform::OpenForRemoval(journal).valid();
            platform::FileStamp before, after;
            const bool stamped = platform::ReadStamp(journal, before);
            bool read = false;
            MergeJournal(list, journal, yield, &read, &added);
            if (!read) {
                // What it holds is known nowhere else: it stays until it can be read.
                if (!readError_)
                    readError_ = GetLastError();
                continue;
            }
            if (removable && stamped && platform::ReadStamp(journal, after) && after == before)
                journalsRead_.push_back({journal, *listFile, before});
        }
    }
    AddHashes(known_, added);
    return found;
}

bool RestoreRecord::TakeInOthersSaves(ListItems& list, const YieldFn& yield) {
    struct Place {
        const std::wstring& file;
        platform::FileStamp& seen;
        bool& known;
        platform::FileStamp now;
        bool stamped = false;
    };
    Place places[] = {{file_, fileSeen_, fileSeenKnown_, {}, false},
                      {other_, otherSeen_, otherSeenKnown_, {}, false}};
    bool changed = false;
    for (Place& place : places) {
        if (place.file.empty())
            continue;
        place.stamped = platform::ReadStamp(place.file, place.now);
        changed = changed || !(place.stamped && place.known && place.now == place.seen);
    }
    if (!changed)
        return true;
    // Both lists, the unchanged one too: what another copy took out is what
    // neither holds now.
    FolderLines saved;
    bool whole = true;
    for (Place& place : places) {
        if (place.file.empty())
            continue;
        FolderLines lines;
        if (!ReadListLines(place.file, lines, yield)) {
            const DWORD error = GetLastError();
            // The other place's list is never written here, so what it holds
            // stays there; the list in use would be lost.
            if (!IsMissing(error) && (&place.file != &other_ || error == ERROR_CANCELLED)) {
                SetLastError(error);
                return false;
            }
            if (!IsMissing(error)) {
                whole = false;
                continue;
            }
        }
        for (size_t i = 0; i < lines.Count(); ++i)
            saved.Append(lines.View(i));
        place.seen = place.now;
        place.known = place.stamped;
    }
    bool going = true;
    const HashedLines hashed = HashLines(saved, yield, going);
    std::vector<bool> taken(saved.Count());
    // Folders this copy had and holds, that the lists no longer hold.
    std::vector<size_t> takenOutThere;
    const size_t count = list.Count();
    for (size_t i = 0; going && i < count; ++i) {
        if (i % 1024 == 0 && !platform::KeepGoing(yield))
            going = false;
        const std::wstring item = list.Item(i);
        const std::uint64_t hash = platform::HashNoCase(item);
        bool there = false;
        for (auto it = FirstOf(hashed, hash); it != hashed.end() && it->first == hash; ++it)
            if (platform::CompareNoCase(saved.View(it->second), item) == 0)
                taken[it->second] = there = true;
        if (!there && whole && Holds(known_, hash))
            takenOutThere.push_back(i);
    }
    if (!going) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    MarkRepeats(saved, hashed, taken);
    // Whichever side took a folder out, it leaves only on proof: a folder
    // customized again since, or one that cannot be looked at now, stays.
    ClaimChecker claims;
    const auto provenGone = [&claims, &yield](const std::wstring& folder, bool& stop) {
        if (!platform::KeepGoing(yield)) {
            stop = true;
            return false;
        }
        return claims.Of(folder) == Claim::NotOurs;
    };
    bool stop = false;
    std::vector<std::uint64_t> droppedHashes;
    platform::FolderSet dropped;
    for (size_t i : takenOutThere) {
        std::wstring folder = list.Item(i);
        if (provenGone(folder, stop)) {
            droppedHashes.push_back(platform::HashNoCase(folder));
            dropped.insert(std::move(folder));
        }
    }
    std::vector<std::wstring> added;
    for (size_t i = 0; !stop && i < saved.Count(); ++i) {
        if (taken[i])
            continue;
        const std::wstring folder(saved.View(i));
        if (Holds(known_, platform::HashNoCase(folder)) && provenGone(folder, stop))
            continue;
        added.push_back(folder);
    }
    if (stop) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    if (!dropped.empty()) {
        std::sort(droppedHashes.begin(), droppedHashes.end());
        list.RemoveWhere([&droppedHashes, &dropped](const std::wstring& folder) {
            return Holds(droppedHashes, platform::HashNoCase(folder)) && dropped.contains(folder);
        });
    }
    list.AddAll(added);
    AddHashes(known_, added);
    return true;
}

void RestoreRecord::RemoveReadFiles(bool keepJournal) {
    // Each only as this copy read or wrote it: one that changed since holds
    // folders this save may lack.
    for (const ReadJournal& journal : journalsRead_)
        platform::RemoveName(journal.path, TemporaryBase(journal.listFile), &journal.stamp);
    journalsRead_.clear();
    RemoveClosedJournals(file_, TemporaryBase(file_), keepJournal);
    // Only the per-user list goes: the application folder's, where the program
    // may not write now, may be every user's record.
    if (otherRead_ && otherIsPerUser_ &&
        platform::RemoveName(other_, TemporaryBase(other_), &otherLoaded_)) {
        otherRead_ = false;
        otherSeen_ = platform::FileStamp();
        otherSeenKnown_ = true;
    }
    platform::RemoveLeftoverTemporaryFiles(file_);
}

bool RestoreRecord::Save(ListItems& list, const YieldFn& yield, bool keepJournal) {
    if (!CanRecord()) {
        SetLastError(error_);
        return false;
    }
    platform::ByteLock lock;
    if (saving_ == 0 && !lock.Take(LockFile(), lockWaitMs_, yield))
        return false;
    ++saving_;
    const platform::ScopeExit nested([this] { --saving_; });
    try {
        if (!TakeInOthersSaves(list, yield))
            return false;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::vector<std::uint64_t> written;
    if (!SaveListToFile(list, file_, yield, &written))
        return false;
    fileSeenKnown_ = platform::ReadStamp(file_, fileSeen_);
    try {
        AddHashes(known_, std::move(written));
    } catch (const std::bad_alloc&) {
        // What is saved is there whatever this copy remembers of it.
    }
    RemoveReadFiles(keepJournal);
    return true;
}

bool RestoreRecord::RemoveIfEmpty() {
    if (!CanRecord()) {
        SetLastError(error_);
        return false;
    }
    platform::ByteLock lock;
    if (!lock.Take(LockFile(), lockWaitMs_))
        return false;
    // Unless a folder joined it, or a journal lies beside it, since it was read.
    FolderLines lines;
    platform::FileStamp stamp;
    if (!platform::ReadStamp(file_, stamp) || !stamp.present || !ReadListLines(file_, lines) ||
        lines.Count() != 0 || !JournalsOf(file_).empty())
        return false;
    return platform::RemoveName(file_, TemporaryBase(file_), &stamp);
}

} // namespace engine
