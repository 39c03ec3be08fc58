#include "engine/FolderList.h"

#include "engine/ListStore.h"
#include "engine/SettingsFile.h"
#include "platform/AllocationFaults.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/SortInSteps.h"
#include "platform/TextCompare.h"

#include <algorithm>
#include <map>
#include <new>
#include <stdexcept>

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

bool ListItems::TakeLines(FolderLines& lines, const YieldFn& yield) {
    for (size_t i = 0; i < lines.Count(); ++i) {
        Add(lines.Item(i));
        if (i % 256 == 255 && !platform::KeepGoing(yield))
            return false;
    }
    lines.Clear();
    return true;
}

namespace {
// A block holds many paths; a longer one gets a block of its own.
constexpr size_t kBlockChars = 65536;
// Each path: its length in two characters, the text, a NUL.
constexpr size_t kHeaderChars = 2;
} // namespace

PathArena::Ref PathArena::Store(std::wstring_view text) {
    platform::AllocationPoint();
    // The length takes two characters: no path comes near 2^32 of them (a
    // list file is read only up to 256 MiB, a path holds at most 32,767).
    const size_t need = kHeaderChars + text.size() + 1;
    if (blocks_.empty() || used_ + need > kBlockChars) {
        if (blocks_.size() >= 0x10000)
            throw std::bad_alloc();
        const size_t bytes = std::max(need, kBlockChars) * sizeof(wchar_t);
        std::unique_ptr<wchar_t[], FreeBlock> block(static_cast<wchar_t*>(
            VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
        if (!block)
            throw std::bad_alloc();
        blocks_.push_back(std::move(block));
        used_ = 0;
    }
    wchar_t* at = blocks_.back().get() + used_;
    const auto length = static_cast<std::uint32_t>(text.size());
    at[0] = static_cast<wchar_t>(length & 0xFFFF);
    at[1] = static_cast<wchar_t>(length >> 16);
    std::copy(text.begin(), text.end(), at + kHeaderChars);
    at[kHeaderChars + text.size()] = L'\0';
    const auto ref = static_cast<Ref>(((blocks_.size() - 1) << 16) | used_);
    // A long path fills its own block; the next one starts a new block.
    used_ = need > kBlockChars ? kBlockChars : used_ + need;
    return ref;
}

void PathArena::FreeBlock::operator()(wchar_t* block) const noexcept {
    const DWORD error = GetLastError();
    VirtualFree(block, 0, MEM_RELEASE);
    SetLastError(error);
}

const wchar_t* PathArena::Text(Ref ref) const {
    return blocks_[ref >> 16].get() + (ref & 0xFFFF) + kHeaderChars;
}

std::wstring_view PathArena::View(Ref ref) const {
    const wchar_t* text = Text(ref);
    const std::uint32_t length =
        static_cast<std::uint16_t>(text[-2]) |
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(text[-1])) << 16);
    return {text, length};
}

void PathArena::Clear() {
    blocks_.clear();
    used_ = 0;
}

void PathArena::ReleaseBefore(Ref ref) {
    for (size_t block = 0; block < (ref >> 16) && block < blocks_.size(); ++block)
        blocks_[block].reset();
}

void FolderLines::ReleaseBefore(size_t index) {
    // Lines are stored in the order they come, so the earlier blocks hold
    // only earlier lines.
    if (index < refs_.size())
        texts_.ReleaseBefore(refs_[index]);
}

void FolderLines::RemoveAt(size_t index) {
    refs_.erase(refs_.begin() + static_cast<std::ptrdiff_t>(index));
}

void FolderLines::Clear() {
    std::vector<PathArena::Ref>().swap(refs_);
    texts_.Clear();
}

void FolderLines::RemoveWhere(const std::function<bool(const std::wstring&)>& remove) {
    // From the last to the first, as every list is visited.
    std::vector<bool> gone(refs_.size());
    for (size_t i = refs_.size(); i-- > 0;)
        gone[i] = remove(Item(i));
    size_t kept = 0;
    for (size_t i = 0; i < refs_.size(); ++i)
        if (!gone[i])
            refs_[kept++] = refs_[i];
    refs_.resize(kept);
}

bool FolderLines::TakeLines(FolderLines& lines, const YieldFn& yield) {
    if (refs_.empty()) {
        std::swap(texts_, lines.texts_);
        std::swap(refs_, lines.refs_);
        lines.Clear();
        return true;
    }
    return ListItems::TakeLines(lines, yield);
}

namespace {
// Each path of the compact form: the number of characters it shares with the
// path before it, the length of the rest (kLongMark and two more characters
// for a rest no Windows path needs), then the rest.
constexpr size_t kLongMark = 0xFFFF;
// Paths compacted between two turns of the yield.
constexpr size_t kCompactStep = 4096;

size_t SharedPrefix(std::wstring_view a, std::wstring_view b) {
    const size_t most = std::min({a.size(), b.size(), kLongMark});
    size_t shared = 0;
    while (shared < most && a[shared] == b[shared])
        ++shared;
    return shared;
}

size_t PackedChars(size_t rest) {
    return (rest < kLongMark ? 2 : 4) + rest;
}

void AppendPacked(std::vector<wchar_t>& packed, size_t shared, std::wstring_view rest) {
    packed.push_back(static_cast<wchar_t>(shared));
    if (rest.size() < kLongMark) {
        packed.push_back(static_cast<wchar_t>(rest.size()));
    } else {
        packed.push_back(static_cast<wchar_t>(kLongMark));
        packed.push_back(static_cast<wchar_t>(rest.size() & 0xFFFF));
        packed.push_back(static_cast<wchar_t>(rest.size() >> 16));
    }
    packed.insert(packed.end(), rest.begin(), rest.end());
}
} // namespace

struct FrontCodedPaths::Entry {
    size_t shared;
    std::wstring_view rest;
    size_t next; // where the path after it starts
};

FrontCodedPaths::Entry FrontCodedPaths::Decode(size_t offset) const {
    const wchar_t* at = packed_.data() + offset;
    const size_t shared = static_cast<std::uint16_t>(at[0]);
    size_t length = static_cast<std::uint16_t>(at[1]);
    size_t header = 2;
    if (length == kLongMark) {
        length =
            static_cast<std::uint16_t>(at[2]) | (size_t{static_cast<std::uint16_t>(at[3])} << 16);
        header = 4;
    }
    return {shared, {at + header, length}, offset + header + length};
}

std::wstring_view FrontCodedPaths::View(size_t index) const {
    if (index >= count_)
        throw std::out_of_range("FrontCodedPaths::View");
    if (rebuiltValid_ && rebuiltIndex_ == index)
        return rebuilt_;
    const size_t blockStart = index - index % kRestartEvery;
    size_t i = blockStart;
    size_t offset = restarts_[index / kRestartEvery];
    // Onward from the last path rebuilt when it lies no farther back than the
    // restart point.
    if (rebuiltValid_ && rebuiltIndex_ < index && rebuiltIndex_ + 1 >= blockStart) {
        i = rebuiltIndex_ + 1;
        offset = rebuiltNext_;
    }
    rebuiltValid_ = false;
    for (;; ++i) {
        const Entry entry = Decode(offset);
        rebuilt_.resize(entry.shared);
        rebuilt_.append(entry.rest);
        offset = entry.next;
        if (i == index)
            break;
    }
    rebuiltIndex_ = index;
    rebuiltNext_ = offset;
    rebuiltValid_ = true;
    return rebuilt_;
}

const wchar_t* FrontCodedPaths::CStr(size_t index) const {
    View(index);
    return rebuilt_.c_str();
}

bool FrontCodedPaths::Contains(std::wstring_view text) const {
    // Only the last block whose first path is not above the text can hold it.
    const auto after = std::upper_bound(
        restarts_.begin(), restarts_.end(), text, [this](std::wstring_view value, size_t offset) {
            return platform::CompareNoCase(value, Decode(offset).rest) < 0;
        });
    if (after == restarts_.begin())
        return false;
    const size_t first = static_cast<size_t>(after - restarts_.begin() - 1) * kRestartEvery;
    size_t offset = *(after - 1);
    std::wstring path;
    for (size_t i = first; i < count_ && i < first + kRestartEvery; ++i) {
        const Entry entry = Decode(offset);
        path.resize(entry.shared);
        path.append(entry.rest);
        offset = entry.next;
        const int order = platform::CompareNoCase(path, text);
        if (order >= 0)
            return order == 0;
    }
    return false;
}

bool FrontCodedPaths::Assign(size_t count, const std::function<std::wstring_view(size_t)>& at,
                             const YieldFn& yield) {
    const auto shared = [&at](size_t i) {
        return i % kRestartEvery == 0 ? 0 : SharedPrefix(at(i - 1), at(i));
    };
    // The exact size first: while this form is built, the caller's copy and
    // this one are all that is held.
    size_t chars = 0;
    for (size_t i = 0; i < count; ++i) {
        chars += PackedChars(at(i).size() - shared(i));
        if (i % kCompactStep == kCompactStep - 1 && !platform::KeepGoing(yield))
            return false;
    }
    std::vector<wchar_t> packed;
    packed.reserve(chars);
    std::vector<size_t> restarts;
    restarts.reserve((count + kRestartEvery - 1) / kRestartEvery);
    for (size_t i = 0; i < count; ++i) {
        if (i % kRestartEvery == 0)
            restarts.push_back(packed.size());
        const size_t common = shared(i);
        AppendPacked(packed, common, at(i).substr(common));
        if (i % kCompactStep == kCompactStep - 1 && !platform::KeepGoing(yield))
            return false;
    }
    packed_.swap(packed);
    restarts_.swap(restarts);
    count_ = count;
    rebuiltValid_ = false;
    return true;
}

void FrontCodedPaths::Clear() {
    std::vector<wchar_t>().swap(packed_);
    std::vector<size_t>().swap(restarts_);
    std::wstring().swap(rebuilt_);
    count_ = 0;
    rebuiltValid_ = false;
}

bool SortedFolderList::Less(PathArena::Ref a, PathArena::Ref b) const {
    return platform::CompareNoCase(texts_.View(a), texts_.View(b)) < 0;
}

void SortedFolderList::SortIfNeeded() const {
    if (!sorted_) {
        std::stable_sort(refs_.begin(), refs_.end(),
                         [this](PathArena::Ref a, PathArena::Ref b) { return Less(a, b); });
        sorted_ = true;
    }
}

bool SortedFolderList::Sort(const YieldFn& yield) {
    if (sorted_)
        return true;
    // A stop leaves the list unsorted, to be sorted when read.
    if (!platform::SortInSteps(
            refs_, [this](PathArena::Ref a, PathArena::Ref b) { return Less(a, b); }, yield))
        return false;
    sorted_ = true;
    return true;
}

bool SortedFolderList::Compact(const YieldFn& yield) {
    if (compact_)
        return true;
    SortIfNeeded();
    try {
        const auto at = [this](size_t i) { return texts_.View(refs_[i]); };
        if (!packed_.Assign(refs_.size(), at, yield))
            return false;
    } catch (const std::bad_alloc&) {
        // No room for the compact form: the list as it is reads as well.
        return true;
    }
    compact_ = true;
    std::vector<PathArena::Ref>().swap(refs_);
    texts_.Clear();
    return true;
}

void SortedFolderList::Expand() {
    if (!compact_)
        return;
    PathArena texts;
    std::vector<PathArena::Ref> refs;
    refs.reserve(packed_.Count());
    for (size_t i = 0; i < packed_.Count(); ++i)
        refs.push_back(texts.Store(packed_.View(i)));
    texts_ = std::move(texts);
    refs_ = std::move(refs);
    packed_.Clear();
    compact_ = false;
    sorted_ = true;
}

std::wstring SortedFolderList::Item(size_t index) const {
    return std::wstring(View(index));
}

std::wstring_view SortedFolderList::View(size_t index) const {
    if (compact_)
        return packed_.View(index);
    SortIfNeeded();
    return texts_.View(refs_.at(index));
}

const wchar_t* SortedFolderList::CStr(size_t index) const {
    if (compact_)
        return packed_.CStr(index);
    SortIfNeeded();
    return texts_.CStr(refs_.at(index));
}

void SortedFolderList::Add(const std::wstring& text) {
    Expand();
    // Sorting once when the list is next read keeps a long walk linear.
    if (sorted_ && !refs_.empty() && platform::CompareNoCase(text, texts_.View(refs_.back())) < 0)
        sorted_ = false;
    refs_.push_back(texts_.Store(text));
}

void SortedFolderList::AddAll(const std::vector<std::wstring>& texts) {
    Expand();
    refs_.reserve(refs_.size() + texts.size());
    for (const auto& text : texts)
        Add(text);
}

void SortedFolderList::RemoveAt(size_t index) {
    Expand();
    SortIfNeeded();
    refs_.erase(refs_.begin() + static_cast<std::ptrdiff_t>(index));
}

void SortedFolderList::Clear() {
    std::vector<PathArena::Ref>().swap(refs_);
    texts_.Clear();
    packed_.Clear();
    compact_ = false;
    sorted_ = true;
}

void SortedFolderList::RemoveWhere(const std::function<bool(const std::wstring&)>& remove) {
    Expand();
    SortIfNeeded();
    refs_.erase(std::remove_if(refs_.begin(), refs_.end(),
                               [this, &remove](PathArena::Ref ref) {
                                   return remove(std::wstring(texts_.View(ref)));
                               }),
                refs_.end());
}

bool SortedFolderList::Contains(const std::wstring& text) const {
    if (compact_)
        return packed_.Contains(text);
    SortIfNeeded();
    auto it = std::lower_bound(refs_.begin(), refs_.end(), text,
                               [this](PathArena::Ref ref, const std::wstring& value) {
                                   return platform::CompareNoCase(texts_.View(ref), value) < 0;
                               });
    return it != refs_.end() && platform::CompareNoCase(texts_.View(*it), text) == 0;
}

namespace {

// Calls take(line) for each line of text (CR, LF or CRLF ends a line). A path
// never holds NUL: a damaged file must not produce cut entries.
template <typename Take> void ForEachLine(const std::wstring& text, Take take) {
    std::wstring line;
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
        size_t end = start;
        while (end < n && text[end] != L'\r' && text[end] != L'\n')
            ++end;
        line.assign(text, start, end - start);
        line.erase(std::remove(line.begin(), line.end(), L'\0'), line.end());
        take(line);
        if (end < n && text[end] == L'\r' && end + 1 < n && text[end + 1] == L'\n')
            ++end;
        start = end + 1;
    }
}

} // namespace

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    ForEachLine(text, [&lines](std::wstring& line) { lines.push_back(std::move(line)); });
    return lines;
}

namespace {
// A folder's path holds at most 32,767 characters: a longer line is no
// folder, and is dropped as it goes by rather than held whole.
constexpr size_t kLongestLine = 32767;
// A line of more bytes than this holds more than kLongestLine characters in
// every byte encoding (UTF-8 takes at most three bytes for each).
constexpr size_t kLongestLineBytes = 3 * kLongestLine;
// A piece of a list file read and decoded at a time: a whole drive's list is
// neither held twice as text nor decoded in one step.
constexpr size_t kPieceBytes = size_t{256} * 1024;

bool IsBreak(wchar_t c) {
    return c == L'\r' || c == L'\n';
}

// Splits text that comes a piece at a time into lines at CR LF, CR or LF,
// looking at each character once. A NUL inside a line is dropped (a damaged
// file must not produce cut entries); blank lines are no entries.
class LineSplitter {
  public:
    using Take = std::function<void(const std::wstring& line)>;
    explicit LineSplitter(Take take) : take_(std::move(take)) {}
    void Feed(std::wstring_view text) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = start;
            while (end < text.size() && !IsBreak(text[end]) && text[end] != L'\0')
                ++end;
            Append(text.substr(start, end - start));
            if (end < text.size() && text[end] != L'\0')
                EndLine();
            start = end + 1;
        }
    }
    // The last line, where the file ends without a break.
    void Finish() { EndLine(); }

  private:
    void Append(std::wstring_view part) {
        if (tooLong_)
            return;
        if (line_.size() + part.size() > kLongestLine) {
            tooLong_ = true;
            line_.clear();
            return;
        }
        line_.append(part);
    }
    void EndLine() {
        if (!tooLong_ && !line_.empty())
            take_(line_);
        line_.clear();
        tooLong_ = false;
    }
    Take take_;
    std::wstring line_;
    bool tooLong_ = false;
};

// Decodes a list file a piece at a time. UTF-16 is decoded as it comes; a byte
// encoding up to the last line break of each piece, so that no character is
// cut (CR and LF are never part of another character in any of them), and
// the start of a line that goes on waits for the next piece, up to a bound.
class PieceDecoder {
  public:
    explicit PieceDecoder(LineSplitter& lines) : lines_(lines) {}
    void Take(const std::uint8_t* data, size_t size, bool last) {
        if (first_) {
            size_t mark = 0;
            encoding_ = platform::GuessEncoding(data, size, mark);
            data += mark;
            size -= mark;
            first_ = false;
        }
        if (encoding_ == platform::TextEncoding::Utf16 ||
            encoding_ == platform::TextEncoding::Utf16BigEndian)
            TakeWide(data, size);
        else
            TakeBytes(data, size, last);
        if (last)
            lines_.Finish();
    }

  private:
    void TakeWide(const std::uint8_t* data, size_t size) {
        // A character cut between two pieces waits for its second byte.
        size_t start = 0;
        if (!pending_.empty() && size > 0) {
            pending_.push_back(data[0]);
            lines_.Feed(platform::DecodeText(pending_.data(), 2, encoding_));
            pending_.clear();
            start = 1;
        }
        const size_t whole = (size - start) / 2 * 2;
        lines_.Feed(platform::DecodeText(data + start, whole, encoding_));
        pending_.assign(data + start + whole, data + size);
    }
    void TakeBytes(const std::uint8_t* data, size_t size, bool last) {
        size_t start = 0;
        if (skipping_) {
            // The rest of a line too long to be a folder.
            while (start < size && data[start] != '\r' && data[start] != '\n')
                ++start;
            if (start == size)
                return;
            skipping_ = false;
        }
        size_t end = size;
        if (!last)
            while (end > start && data[end - 1] != '\r' && data[end - 1] != '\n')
                --end;
        if (end > start) {
            pending_.insert(pending_.end(), data + start, data + end);
            lines_.Feed(platform::DecodeText(pending_.data(), pending_.size(), encoding_));
            pending_.clear();
        }
        if (pending_.size() + (size - end) > kLongestLineBytes) {
            std::vector<std::uint8_t>().swap(pending_);
            skipping_ = true;
        } else {
            pending_.insert(pending_.end(), data + end, data + size);
        }
    }
    LineSplitter& lines_;
    std::vector<std::uint8_t> pending_;
    platform::TextEncoding encoding_ = platform::TextEncoding::Ansi;
    bool first_ = true;
    bool skipping_ = false;
};

// Reads the file's lines a piece at a time, calling yield after each piece.
bool ReadLines(const std::wstring& path, const LineSplitter::Take& take, const YieldFn& yield) {
    LineSplitter lines(take);
    PieceDecoder decoder(lines);
    return platform::ReadInPieces(
        path, kListFileLimit, kPieceBytes,
        [&decoder, &yield](const std::uint8_t* data, size_t size, bool last) {
            decoder.Take(data, size, last);
            if (platform::KeepGoing(yield))
                return true;
            SetLastError(ERROR_CANCELLED);
            return false;
        });
}
} // namespace

bool ReadListLines(const std::wstring& path, std::vector<std::wstring>& lines) {
    lines.clear();
    // A damaged file must not show garbage as folders of absent drives.
    const bool read = ReadLines(path,
                                [&lines](const std::wstring& line) {
                                    if (IsWellFormedListEntry(line))
                                        lines.push_back(line);
                                },
                                {});
    if (read)
        return true;
    const DWORD error = GetLastError();
    std::vector<std::wstring>().swap(lines);
    SetLastError(error);
    return false;
}

bool ReadListLines(const std::wstring& path, FolderLines& lines, const YieldFn& yield) {
    lines.Clear();
    const bool read = ReadLines(
        path,
        [&lines](const std::wstring& line) {
            if (IsWellFormedListEntry(line))
                lines.Append(line);
        },
        yield);
    if (read)
        return true;
    const DWORD error = GetLastError();
    lines.Clear();
    SetLastError(error);
    return false;
}

bool LoadListFromFile(ListItems& list, const std::wstring& path, const YieldFn& yield) {
    FolderLines lines;
    if (!ReadListLines(path, lines, yield))
        return false;
    if (!list.TakeLines(lines, yield)) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    return true;
}

namespace {
// Encoded and written a piece at a time, so that a whole drive's list is not
// also held as one text. False with ansi cleared when a line does not fit the
// code page.
bool WriteLines(const ListItems& list, bool& ansi, const YieldFn& yield,
                const platform::PieceWriter& write) {
    constexpr size_t kPiece = size_t{256} * 1024;
    std::vector<std::uint8_t> bytes;
    if (!ansi)
        bytes.assign(std::begin(platform::kUtf16Bom), std::end(platform::kUtf16Bom));
    const size_t count = list.Count();
    for (size_t i = 0; i < count; ++i) {
        if (!platform::KeepGoing(yield)) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        const std::wstring line = list.Item(i) + L"\r\n";
        if (!ansi) {
            platform::AppendUtf16(line, bytes);
        } else if (!platform::AppendAnsi(line, bytes)) {
            ansi = false;
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return false;
        }
        if (bytes.size() >= kPiece) {
            if (!write(bytes.data(), bytes.size()))
                return false;
            bytes.clear();
        }
    }
    return bytes.empty() || write(bytes.data(), bytes.size());
}
} // namespace

bool SaveListToFile(const ListItems& list, const std::wstring& path, const YieldFn& yield) {
    bool ansi = true;
    const auto produce = [&](const platform::PieceWriter& write) {
        return WriteLines(list, ansi, yield, write);
    };
    if (platform::ReplaceFileFrom(path, produce, yield))
        return true;
    // A name outside the code page: the whole list again, as UTF-16.
    return !ansi && platform::ReplaceFileFrom(path, produce, yield);
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

namespace {
bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

enum class Proof { Yes, No, Unknown };

// Whether the folder holds a file set aside as BUDesktop.ini: a folder or a
// link of that name is none; a name that cannot be looked at proves nothing.
Proof BackupThere(const std::wstring& folder) {
    const DWORD attributes = platform::GetAttributes(BackupFilePath(SettingsFilePath(folder)));
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
                   ? Proof::No
                   : Proof::Yes;
    return IsNotFound(GetLastError()) ? Proof::No : Proof::Unknown;
}
} // namespace

bool RestorePruner::LessNoCase::operator()(const std::wstring& a, const std::wstring& b) const {
    return platform::CompareNoCase(a, b) < 0;
}

bool RestorePruner::Drops(const std::wstring& folder) {
    const std::wstring ini = SettingsFilePath(folder);
    if (const platform::FileHandle file = platform::OpenForReading(ini)) {
        // Only a file read to its marker and found foreign proves that
        // nothing of ours is left, and only where nothing was set aside. A
        // link, opened as itself, reads as its own empty stream: kept.
        bool whole = false;
        if (!platform::ReadPrefix(file, kMarkerPrefixBytes, prefix_, whole) ||
            IsOwnSettingsText(prefix_, whole))
            return false;
        return BackupThere(folder) == Proof::No;
    }
    const DWORD error = GetLastError();
    // Opening a folder of that name is refused like a denied file: its
    // attributes tell them apart.
    const bool noFile =
        IsNotFound(error) || (error == ERROR_ACCESS_DENIED && platform::IsDirectory(ini));
    if (!noFile || BackupThere(folder) != Proof::No)
        return false;
    // The folder or its files are gone, or so it seems where the drive or
    // share is away: an unplugged disk proves nothing.
    const std::wstring root = VolumeRoot(folder);
    if (root.empty())
        return true;
    auto it = present_.find(root);
    if (it == present_.end())
        it = present_.emplace(root, platform::PathExists(root)).first;
    return it->second;
}

bool PruneRestoreList(ListItems& list, const PruneStep& step) {
    RestorePruner pruner;
    const size_t total = list.Count();
    size_t done = 0;
    bool going = true;
    list.RemoveWhere([&](const std::wstring& folder) {
        // Once stopped, the rest is kept as it is.
        if (!going)
            return false;
        going = !step || step(++done, total);
        return pruner.Drops(folder);
    });
    return going;
}

} // namespace engine
