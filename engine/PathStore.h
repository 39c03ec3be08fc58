#pragma once
// How the folder lists hold their paths: stored once in large blocks, or
// front-coded once a sorted list is finished. Needs no window.
#include "platform/Yield.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Paths stored once, end to end in large blocks: a whole drive's folders cost
// their characters and a few bytes each, with no allocation per path and no
// copy of the whole as the store grows. A stored path never moves.
class PathArena {
  public:
    using Ref = std::uint32_t;
    // Throws std::bad_alloc when memory or the store's range runs out.
    Ref Store(std::wstring_view text);
    std::wstring_view View(Ref ref) const;
    // NUL-terminated, for Win32 calls.
    const wchar_t* CStr(Ref ref) const { return Text(ref); }
    void Clear();
    // Frees the blocks that lie wholly before ref's; the paths stored there
    // may no longer be read.
    void ReleaseBefore(Ref ref);

  private:
    // Blocks come straight from the system, so that a store that is cleared
    // gives its memory back rather than leaving it to the heap.
    struct FreeBlock {
        void operator()(wchar_t* block) const noexcept;
    };
    const wchar_t* Text(Ref ref) const;
    std::vector<std::unique_ptr<wchar_t[], FreeBlock>> blocks_;
    size_t used_ = 0;
};

// Sorted paths front-coded: each stored as the number of characters it
// shares with the path before it and the rest, end to end in one buffer, with
// a whole path every kRestartEvery paths. Consecutive folders share their
// parent's path, so a finished target list costs a fraction of its text.
class FrontCodedPaths {
  public:
    static constexpr size_t kRestartEvery = 16;
    size_t Count() const { return count_; }
    // Rebuilt in a buffer of this object, valid until the next call on it.
    // Reading in ascending order costs one step per path, any other at most
    // kRestartEvery steps.
    std::wstring_view View(size_t index) const;
    const wchar_t* CStr(size_t index) const;
    // Exact match without regard to case (the order the paths are in).
    bool Contains(std::wstring_view text) const;
    // Replaces the content with count paths in ascending order, calling yield
    // between short steps. False, the content unchanged, when the yield
    // stopped it; throws std::bad_alloc, the content unchanged.
    bool Assign(size_t count, const std::function<std::wstring_view(size_t)>& at,
                const platform::YieldFn& yield);
    void Clear();

  private:
    struct Entry;
    Entry Decode(size_t offset) const;
    std::vector<wchar_t> packed_;
    std::vector<size_t> restarts_; // where every kRestartEvery-th path starts
    size_t count_ = 0;
    // The last path rebuilt, so that the next one is a single step.
    mutable std::wstring rebuilt_;
    mutable size_t rebuiltIndex_ = 0;
    mutable size_t rebuiltNext_ = 0;
    mutable bool rebuiltValid_ = false;
};

} // namespace engine
