#include "engine/ListStore.h"

#include "engine/SettingsFile.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

#include <set>

namespace engine {

namespace {
bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

struct LessNoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return platform::CompareNoCase(a, b) < 0;
    }
};
using FolderSet = std::set<std::wstring, LessNoCase>;

FolderSet Held(const ListItems& list, const YieldFn& yield) {
    FolderSet held;
    const size_t count = list.Count();
    for (size_t i = 0; i < count; ++i) {
        held.insert(list.Item(i));
        if (yield)
            yield();
    }
    return held;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
} // namespace

bool IsWellFormedListEntry(const std::wstring& line) {
    size_t rest = 0;
    if (line.size() >= 3 && IsAsciiLetter(line[0]) && line[1] == L':' && line[2] == L'\\') {
        rest = 3;
    } else if (line.size() >= 5 && line[0] == L'\\' && line[1] == L'\\') {
        const size_t shareStart = line.find(L'\\', 2);
        if (shareStart == std::wstring::npos || shareStart == 2 || shareStart + 1 >= line.size() ||
            line[shareStart + 1] == L'\\')
            return false;
        rest = 2;
    } else {
        return false;
    }
    for (size_t i = rest; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c < 0x20 || c == 0x7F || c == L'<' || c == L'>' || c == L'"' || c == L'|' ||
            c == L'?' || c == L'*' || c == L':' || c == L'/')
            return false;
    }
    return true;
}

std::wstring JournalPath(const std::wstring& listFile) {
    return listFile + L".journal";
}

RestoreRecord::RestoreRecord(const std::wstring& appFolder, const std::wstring& perUserRoot) {
    const std::wstring inAppFolder = appFolder + L"\\" + kListFileName;
    file_ = inAppFolder;
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
            platform::ReplaceFileContents(perUser, bytes);
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        // An earlier copy kept the application folder's read-only attribute,
        // which would refuse every save.
        platform::SetAttributes(
            perUser, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY) &
                         (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    }
}

void RestoreRecord::CreateIfMissing() {
    if (!CanRecord() || platform::FileExists(file_))
        return;
    // Never over something that is there but cannot be read.
    if (platform::FileHandle created = platform::CreateNewFile(file_))
        platform::WriteBytes(created, {'\r', '\n'});
}

bool RestoreRecord::Load(ListItems& list, const YieldFn& yield) {
    bool loaded = LoadListFromFile(list, file_, yield);
    readError_ = 0;
    if (!loaded && IsMissing(GetLastError())) {
        loaded = true;
    } else if (!loaded) {
        readError_ = GetLastError();
        if (CanRecord())
            error_ = readError_; // a save would lose what it could not read
    }
    otherRead_ = false;
    if (other_.empty())
        return loaded;
    std::vector<std::wstring> lines;
    if (!ReadListLines(other_, lines)) {
        // An unreadable list is kept. An absent one is not taken as read: one
        // written there later by another copy is not deleted unseen.
        const DWORD error = GetLastError();
        if (!IsMissing(error) && !readError_)
            readError_ = error;
        return loaded;
    }
    otherRead_ = true;
    if (lines.empty())
        return loaded;
    FolderSet held = Held(list, yield);
    std::vector<std::wstring> added;
    for (auto& line : lines)
        if (held.insert(line).second)
            added.push_back(std::move(line));
    list.AddAll(added);
    return loaded;
}

bool RestoreRecord::MergeJournals(ListItems& list, const YieldFn& yield) {
    bool found = false;
    for (const std::wstring* listFile : {&file_, &other_}) {
        if (listFile->empty())
            continue;
        const std::wstring journal = JournalPath(*listFile);
        if (!platform::PathExists(journal))
            continue;
        found = true;
        bool read = false;
        MergeJournal(list, journal, yield, &read);
        if (!read) {
            // What it holds is known nowhere else: it stays until it can be read.
            journalUnread_ = true;
            if (!readError_)
                readError_ = GetLastError();
        }
    }
    return found;
}

bool RestoreRecord::Save(const ListItems& list, const YieldFn& yield, bool keepJournal) {
    if (!CanRecord()) {
        SetLastError(error_);
        return false;
    }
    if (!SaveListToFile(list, file_, yield))
        return false;
    // The saved list holds everything now: the journals and the other
    // place's list have nothing more to give.
    if (!keepJournal && !journalUnread_) {
        platform::DeleteFileAt(JournalPath(file_));
        if (!other_.empty())
            platform::DeleteFileAt(JournalPath(other_));
    }
    // Only the per-user list goes: the application folder's, where the program
    // may not write now, may be every user's record.
    if (otherRead_ && otherIsPerUser_ && platform::PathExists(other_))
        platform::DeleteFileAt(other_);
    return true;
}

bool ListJournal::Append(const std::vector<std::wstring>& folders, const YieldFn& yield) {
    return AppendEach(
        folders.size(), [&folders](size_t i) { return std::wstring_view(folders[i]); }, yield);
}

bool ListJournal::Append(const SortedFolderList& folders, size_t first, size_t count,
                         const YieldFn& yield) {
    return AppendEach(
        count, [&folders, first](size_t i) { return folders.View(first + i); }, yield);
}

bool ListJournal::AppendEach(size_t count, const std::function<std::wstring_view(size_t)>& folder,
                             const YieldFn& yield) {
    if (!file_) {
        file_ = platform::OpenForAppending(path_);
        if (!file_)
            return false;
    }
    // Always UTF-16: a batch is never re-encoded when one name leaves the
    // code page, and a kill mid-write costs at most the last line.
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    if (platform::FileSize(file_, size) && size == 0)
        bytes.assign(std::begin(platform::kUtf16Bom), std::end(platform::kUtf16Bom));
    // Written a piece at a time: a batch of thousands is not held whole.
    constexpr size_t kPiece = size_t{256} * 1024;
    for (size_t i = 0; i < count; ++i) {
        platform::AppendUtf16(std::wstring(folder(i)) + L"\r\n", bytes);
        if (bytes.size() >= kPiece) {
            if (!platform::AppendBytes(file_, bytes))
                return false;
            bytes.clear();
        }
    }
    // On the disk before any of its folders is written, or a power cut could
    // leave written folders without a record.
    return (bytes.empty() || platform::AppendBytes(file_, bytes)) &&
           platform::FlushFile(file_, yield);
}

namespace {
// A folder the run reached: it holds our settings file, or the user's file
// set aside and nothing in its place yet.
bool ReachedByTheRun(const std::wstring& folder) {
    const std::wstring ini = SettingsFilePath(folder);
    if (IsOwnSettingsFile(ini))
        return true;
    return !platform::PathExists(ini) && HoldsBackup(folder);
}
} // namespace

size_t MergeJournal(ListItems& list, const std::wstring& journalPath, const YieldFn& yield,
                    bool* read) {
    std::vector<std::wstring> lines;
    const bool readIt = ReadListLines(journalPath, lines);
    if (read)
        *read = readIt;
    if (!readIt)
        return 0;
    FolderSet held = Held(list, {});
    std::vector<std::wstring> found;
    for (auto& folder : lines) {
        if (!platform::KeepGoing(yield))
            return 0;
        // Folders the run had not reached yet hold nothing of ours.
        if (held.contains(folder) || !ReachedByTheRun(folder))
            continue;
        held.insert(folder);
        found.push_back(std::move(folder));
    }
    list.AddAll(found);
    return found.size();
}

} // namespace engine
