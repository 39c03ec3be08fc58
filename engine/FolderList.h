#pragma once
// The lists of folders: the list of customized folders and the target list
// share these routines. ListItems is what they need of a list: the restore
// list box implements it through an adapter, FolderLines and SortedFolderList
// hold lists of any length in memory (see PathStore.h).
#include "engine/PathStore.h"
#include "platform/Yield.h"

#include <functional>
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

void RemoveBlankItems(ListItems& list);

} // namespace engine
