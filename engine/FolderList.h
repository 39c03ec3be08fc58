#pragma once
// The list of customized folders and the target list share these routines.
// ListItems is what they need of a list: the restore list box implements it
// through an adapter, SortedFolderList holds lists of any length in memory.
#include "platform/Yield.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Called between short steps of a long operation; false stops it.
using YieldFn = platform::YieldFn;

class FolderLines;

class ListItems {
  public:
    virtual ~ListItems() = default;
    virtual size_t Count() const = 0;
    virtual std::wstring Item(size_t index) const = 0;
    virtual void Add(const std::wstring& text) = 0;
    virtual void RemoveAt(size_t index) = 0;
    virtual void Clear() = 0;

    // Adds in order; a list may take them all at once.
    virtual void AddAll(const std::vector<std::wstring>& texts);
    // Removes every item for which the predicate holds, visiting from the last
    // item to the first.
    virtual void RemoveWhere(const std::function<bool(const std::wstring&)>& remove);
    // Adds every line in order and empties lines; yield between short steps.
    virtual bool TakeLines(FolderLines& lines, const YieldFn& yield = {});
};

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

// Paths in the order they were added, each stored once (see PathArena).
class FolderLines : public ListItems {
  public:
    size_t Count() const override { return refs_.size(); }
    std::wstring Item(size_t index) const override { return std::wstring(View(index)); }
    std::wstring_view View(size_t index) const { return texts_.View(refs_.at(index)); }
    // NUL-terminated, for Win32 calls; takes no memory.
    const wchar_t* CStr(size_t index) const { return texts_.CStr(refs_.at(index)); }
    void Add(const std::wstring& text) override { Append(text); }
    void Append(std::wstring_view text) { refs_.push_back(texts_.Store(text)); }
    void RemoveAt(size_t index) override;
    void Clear() override;
    void RemoveWhere(const std::function<bool(const std::wstring&)>& remove) override;
    bool TakeLines(FolderLines& lines, const YieldFn& yield = {}) override;
    void Reserve(size_t count) { refs_.reserve(count); }
    // Frees the store of the lines before index, which a caller moving the
    // lines elsewhere in order has taken: they may no longer be read.
    void ReleaseBefore(size_t index);

  private:
    PathArena texts_;
    std::vector<PathArena::Ref> refs_;
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
                const YieldFn& yield);
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

// Folder paths in ascending order without regard to case; a folder sorts
// before every folder inside it. Each path is stored once (see PathArena), or
// once finished, front-coded (see Compact).
class SortedFolderList : public ListItems {
  public:
    size_t Count() const override { return compact_ ? packed_.Count() : refs_.size(); }
    std::wstring Item(size_t index) const override;
    std::wstring At(size_t index) const { return Item(index); }
    // Valid until the list changes; on a compacted list, only until the next
    // call on the list (the text is rebuilt in a buffer of the list).
    std::wstring_view View(size_t index) const;
    // NUL-terminated, valid as View's text.
    const wchar_t* CStr(size_t index) const;
    void Add(const std::wstring& text) override;
    void AddAll(const std::vector<std::wstring>& texts) override;
    void RemoveAt(size_t index) override;
    void Clear() override;
    void RemoveWhere(const std::function<bool(const std::wstring&)>& remove) override;

    // Exact match without regard to case.
    bool Contains(const std::wstring& text) const;
    // Puts the items in order now, calling yield between short steps. False
    // when the yield stopped it; the items are then put in order when next read.
    bool Sort(const YieldFn& yield);
    // Stores the sorted items front-coded (see FrontCodedPaths), for a list
    // that is read rather than changed: reading stays as it was, and a change
    // first expands the list again. Calls yield between short steps; false
    // when it stopped the compaction (the list is then as it was). A list
    // there is no room for stays as it was.
    bool Compact(const YieldFn& yield = {});
    bool IsCompact() const { return compact_; }

  private:
    bool Less(PathArena::Ref a, PathArena::Ref b) const;
    void SortIfNeeded() const;
    void Expand();
    PathArena texts_;
    mutable std::vector<PathArena::Ref> refs_;
    mutable bool sorted_ = true;
    FrontCodedPaths packed_;
    bool compact_ = false;
};

// The most a list file or journal may hold to be read: a million folders of
// 125 characters take 258 MB in UTF-16, so this leaves room for four times as
// many; it is read a piece at a time, and a list too large for the memory
// fails to load rather than ending the program.
inline constexpr size_t kListFileLimit = size_t{1024} * 1024 * 1024;

// The well-formed lines of a list file or journal (see IsWellFormedListEntry).
// False with GetLastError() set when the file cannot be read, is larger than
// kListFileLimit (ERROR_FILE_TOO_LARGE) or does not fit in memory; a missing
// file fails with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND.
bool ReadListLines(const std::wstring& path, std::vector<std::wstring>& lines);
// The same into a compact list, calling yield between short steps (a stop
// fails with ERROR_CANCELLED).
bool ReadListLines(const std::wstring& path, FolderLines& lines, const YieldFn& yield = {});

// Adds each well-formed line of the file as an entry (see
// IsWellFormedListEntry), keeping what the list holds. Reads ANSI and UTF-16 files. Calls yield
// once per entry, and stops when it says so. False, with the list unchanged, as ReadListLines.
bool LoadListFromFile(ListItems& list, const std::wstring& path, const YieldFn& yield = {});

// One line per item, replacing the file in one step: when anything fails the
// old file stays as it was. Returns false with GetLastError() set on failure.
// Calls yield once per item; when it says stop, nothing is written and the
// call fails with ERROR_CANCELLED.
bool SaveListToFile(const ListItems& list, const std::wstring& path, const YieldFn& yield = {});

void RemoveBlankItems(ListItems& list);

// Drops a folder only on proof that nothing of the program's is left in it:
// the folder is gone, it holds neither a settings file nor a file set aside
// as BUDesktop.ini, or its settings file was read and is not the program's
// and nothing was set aside. A file that cannot be opened or read (held,
// denied, a network error) proves nothing, nor does a drive or share that is
// not there: such folders stay.
// step, where given, is called after each folder with how many were looked
// at; false stops the pruning (and the call returns false).
using PruneStep = std::function<bool(size_t done, size_t total)>;
// The same rule for one folder at a time; each drive or share is looked for once.
class RestorePruner {
  public:
    bool Drops(const std::wstring& folder);

  private:
    struct LessNoCase {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };
    std::map<std::wstring, bool, LessNoCase> present_;
    std::vector<std::uint8_t> prefix_; // the settings file's start, kept for the next folder
};
bool PruneRestoreList(ListItems& list, const PruneStep& step = {});

// False when the drive ("X:\") or share ("\\server\share\") that holds the
// folder is not there; true for other forms.
bool VolumeIsPresent(const std::wstring& folder);

// The lines of a text, split at CR LF, CR or LF; no entry after a final break.
std::vector<std::wstring> SplitLines(const std::wstring& text);

} // namespace engine
