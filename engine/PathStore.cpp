#include "engine/PathStore.h"

#include "platform/AllocationFaults.h"
#include "platform/TextCompare.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace engine {

namespace {
// A block holds many paths; a longer one gets a block of its own.
constexpr size_t kBlockChars = 65536;
// Each path: its length in two characters, the text, a NUL.
constexpr size_t kHeaderChars = 2;
} // namespace

PathArena::Ref PathArena::Store(std::wstring_view text) {
    platform::AllocationPoint();
    // The length takes two characters: no path comes near 2^32 of them (a
    // list file is read only up to 1 GiB, a path holds at most 32,767).
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
                             const platform::YieldFn& yield) {
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

} // namespace engine
