#include "engine/ListStore.h"

#include "engine/SettingsFile.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"

namespace engine {

namespace {
bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
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

std::wstring ChooseListFile(const std::wstring& appFolder, const std::wstring& perUserRoot) {
    std::wstring inAppFolder = appFolder + L"\\" + kListFileName;
    if (perUserRoot.empty() || platform::FolderAcceptsWrites(appFolder))
        return inAppFolder;
    const std::wstring folder = perUserRoot + L"\\" + kPerUserFolderName;
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring perUser = folder + L"\\" + kListFileName;
    if (!platform::PathExists(perUser))
        CopyFileW(inAppFolder.c_str(), perUser.c_str(), TRUE);
    return perUser;
}

std::wstring JournalPath(const std::wstring& listFile) {
    return listFile + L".journal";
}

bool ListJournal::Append(const std::vector<std::wstring>& folders) {
    if (!file_) {
        file_ = platform::OpenForAppending(path_);
        if (!file_)
            return false;
    }
    // Always UTF-16: a batch is never re-encoded when one name leaves the
    // code page, and a kill mid-write costs at most the last line.
    std::vector<std::uint8_t> bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file_.get(), &size) && size.QuadPart == 0)
        bytes.assign(std::begin(platform::kUtf16Bom), std::end(platform::kUtf16Bom));
    for (const auto& folder : folders)
        platform::AppendUtf16(folder + L"\r\n", bytes);
    return platform::AppendBytes(file_, bytes);
}

size_t MergeJournal(ListItems& list, const std::wstring& journalPath, const YieldFn& yield) {
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadAllBytes(journalPath, bytes))
        return 0;
    SortedFolderList held;
    const size_t count = list.Count();
    for (size_t i = 0; i < count; ++i)
        held.Add(list.Item(i));
    SortedFolderList added;
    std::vector<std::wstring> found;
    for (const std::wstring& folder : SplitLines(platform::DecodeTextFile(bytes))) {
        if (yield)
            yield();
        if (!IsWellFormedListEntry(folder) || held.Contains(folder) || added.Contains(folder))
            continue;
        // Folders the run had not reached yet hold nothing of ours.
        if (!IsOwnSettingsFileAnyAttributes(SettingsFilePath(folder)))
            continue;
        added.Add(folder);
        found.push_back(folder);
    }
    list.AddAll(found);
    return found.size();
}

} // namespace engine
