#include "engine/FolderList.h"

#include "engine/ListStore.h"
#include "engine/SettingsFile.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

#include <algorithm>
#include <map>
#include <new>

namespace engine {

void ListItems::AddAll(const std::vector<std::wstring>& texts) {
    for (const auto& text : texts)
        Add(text);
}

void ListItems::RemoveWhere(const std::function<bool(const std::wstring&)>& remove) {
    for (size_t i = Count(); i-- > 0;)
        if (remove(Item(i)))
            RemoveAt(i);
}

namespace {
bool LessNoCase(const std::wstring& a, const std::wstring& b) {
    return platform::CompareNoCase(a, b) < 0;
}
} // namespace

void SortedFolderList::SortIfNeeded() const {
    if (!sorted_) {
        std::stable_sort(items_.begin(), items_.end(), LessNoCase);
        sorted_ = true;
    }
}

bool SortedFolderList::Sort(const YieldFn& yield) {
    if (sorted_)
        return true;
    // Runs of a few thousand, then pairwise merges: each step is short, so a
    // whole drive's list is sorted without freezing the caller's window.
    constexpr size_t kRun = 4096;
    const size_t n = items_.size();
    for (size_t start = 0; start < n; start += kRun) {
        const auto first = items_.begin() + static_cast<std::ptrdiff_t>(start);
        std::stable_sort(first, first + static_cast<std::ptrdiff_t>(std::min(kRun, n - start)),
                         LessNoCase);
        if (!platform::KeepGoing(yield))
            return false;
    }
    for (size_t width = kRun; width < n; width *= 2) {
        for (size_t start = 0; start + width < n; start += 2 * width) {
            const auto first = items_.begin() + static_cast<std::ptrdiff_t>(start);
            const auto middle = first + static_cast<std::ptrdiff_t>(width);
            const auto last = first + static_cast<std::ptrdiff_t>(std::min(2 * width, n - start));
            std::inplace_merge(first, middle, last, LessNoCase);
            if (!platform::KeepGoing(yield))
                return false;
        }
    }
    sorted_ = true;
    return true;
}

std::wstring SortedFolderList::Item(size_t index) const {
    return At(index);
}

const std::wstring& SortedFolderList::At(size_t index) const {
    SortIfNeeded();
    return items_.at(index);
}

void SortedFolderList::Add(const std::wstring& text) {
    // Sorting once when the list is next read keeps a long walk linear.
    if (sorted_ && !items_.empty() && LessNoCase(text, items_.back()))
        sorted_ = false;
    items_.push_back(text);
}

void SortedFolderList::AddAll(const std::vector<std::wstring>& texts) {
    items_.reserve(items_.size() + texts.size());
    for (const auto& text : texts)
        Add(text);
}

void SortedFolderList::RemoveAt(size_t index) {
    SortIfNeeded();
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void SortedFolderList::Clear() {
    items_.clear();
    sorted_ = true;
}

void SortedFolderList::RemoveWhere(const std::function<bool(const std::wstring&)>& remove) {
    SortIfNeeded();
    items_.erase(std::remove_if(items_.begin(), items_.end(), remove), items_.end());
}

bool SortedFolderList::Contains(const std::wstring& text) const {
    SortIfNeeded();
    auto it = std::lower_bound(items_.begin(), items_.end(), text, LessNoCase);
    return it != items_.end() && platform::CompareNoCase(*it, text) == 0;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
        size_t end = start;
        while (end < n && text[end] != L'\r' && text[end] != L'\n')
            ++end;
        std::wstring line = text.substr(start, end - start);
        // A path never holds NUL; a damaged file must not produce cut entries.
        line.erase(std::remove(line.begin(), line.end(), L'\0'), line.end());
        lines.push_back(std::move(line));
        if (end < n && text[end] == L'\r' && end + 1 < n && text[end + 1] == L'\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

bool ReadListLines(const std::wstring& path, std::vector<std::wstring>& lines) {
    lines.clear();
    try {
        std::vector<std::uint8_t> bytes;
        if (!platform::ReadAllBytes(path, bytes, kListFileLimit))
            return false;
        std::wstring text = platform::DecodeTextFile(bytes);
        std::vector<std::uint8_t>().swap(bytes); // a long list is not held three times
        lines = SplitLines(text);
    } catch (const std::bad_alloc&) {
        lines.clear();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    // A damaged file must not show garbage as folders of absent drives.
    std::erase_if(lines, [](const std::wstring& line) { return !IsWellFormedListEntry(line); });
    return true;
}

bool LoadListFromFile(ListItems& list, const std::wstring& path, const YieldFn& yield) {
    std::vector<std::wstring> lines;
    if (!ReadListLines(path, lines))
        return false;
    list.AddAll(lines);
    if (yield)
        for (size_t i = 0; i < lines.size(); ++i)
            if (!yield()) {
                SetLastError(ERROR_CANCELLED);
                return false;
            }
    return true;
}

namespace {
enum class Encoded { Done, NotAnsi, Stopped };

// Encoded line by line, so that a whole drive's list is not also held as one
// text.
Encoded EncodeLines(const ListItems& list, bool ansi, std::vector<std::uint8_t>& bytes,
                    const YieldFn& yield) {
    const size_t count = list.Count();
    for (size_t i = 0; i < count; ++i) {
        if (!platform::KeepGoing(yield))
            return Encoded::Stopped;
        const std::wstring line = list.Item(i) + L"\r\n";
        if (!ansi)
            platform::AppendUtf16(line, bytes);
        else if (!platform::AppendAnsi(line, bytes))
            return Encoded::NotAnsi;
    }
    return Encoded::Done;
}
} // namespace

bool SaveListToFile(const ListItems& list, const std::wstring& path, const YieldFn& yield) {
    std::vector<std::uint8_t> bytes;
    Encoded encoded = EncodeLines(list, true, bytes, yield);
    if (encoded == Encoded::NotAnsi) {
        bytes.assign(std::begin(platform::kUtf16Bom), std::end(platform::kUtf16Bom));
        encoded = EncodeLines(list, false, bytes, yield);
    }
    if (encoded == Encoded::Stopped) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    return platform::ReplaceFileContents(path, bytes, yield);
}

void RemoveBlankItems(ListItems& list) {
    list.RemoveWhere([](const std::wstring& text) { return text.empty(); });
}

namespace {
// The root of the drive ("C:\") or share ("\\server\share\") that holds the
// folder, or empty for other forms.
std::wstring VolumeRoot(const std::wstring& folder) {
    if (folder.size() >= 2 && folder[1] == L':' && iswalpha(folder[0]))
        return folder.substr(0, 2) + L"\\";
    if (folder.size() >= 5 && folder[0] == L'\\' && folder[1] == L'\\') {
        const size_t share = folder.find(L'\\', 2);
        if (share == std::wstring::npos || share == 2)
            return {};
        const size_t end = folder.find(L'\\', share + 1);
        return (end == std::wstring::npos ? folder : folder.substr(0, end)) + L"\\";
    }
    return {};
}
} // namespace

bool VolumeIsPresent(const std::wstring& folder) {
    const std::wstring root = VolumeRoot(folder);
    return root.empty() || platform::PathExists(root);
}

void PruneRestoreList(ListItems& list) {
    std::map<std::wstring, bool> present;
    list.RemoveWhere([&present](const std::wstring& folder) {
        if (platform::FileExists(SettingsFilePath(folder)) || HoldsBackup(folder))
            return false;
        std::wstring root = VolumeRoot(folder);
        if (root.empty())
            return true;
        for (wchar_t& c : root)
            c = static_cast<wchar_t>(towupper(c));
        auto it = present.find(root);
        if (it == present.end())
            it = present.emplace(root, platform::PathExists(root)).first;
        return it->second;
    });
}

} // namespace engine
