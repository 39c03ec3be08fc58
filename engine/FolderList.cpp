#include "engine/FolderList.h"

#include "platform/SortInSteps.h"
#include "platform/TextCompare.h"

#include <algorithm>
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

bool ListItems::TakeLines(FolderLines& lines, const YieldFn& yield) {
    for (size_t i = 0; i < lines.Count(); ++i) {
        Add(lines.Item(i));
        if (i % 256 == 255 && !platform::KeepGoing(yield))
            return false;
    }
    lines.Clear();
    return true;
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

void RemoveBlankItems(ListItems& list) {
    list.RemoveWhere([](const std::wstring& text) { return text.empty(); });
}

} // namespace engine
