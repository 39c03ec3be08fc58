#pragma once
// The target list for "Include Subdirectories": every folder below a chosen
// folder, in order, without the folders the shell keeps for itself.
#include "engine/FolderList.h"

#include <functional>
#include <string>
#include <vector>

namespace engine {

// What a long walk tells its caller; any of them may be empty.
struct WalkProgress {
    // A subfolder was found; called before it joins the list.
    std::function<void(const std::wstring& path)> found;
    // The list now holds count folders.
    std::function<void(size_t count)> counted;
    // Between short steps, so that a window can keep answering; false stops
    // the walk.
    YieldFn yield;
    // A linked folder was passed over.
    std::function<void(const std::wstring& path)> linked;
};

// A folder that is a reparse point: a junction, a symbolic link or a mount
// point. Its own folder may be anywhere, on another volume or a share, so the
// program writes nothing into it.
bool IsLinkedFolder(const std::wstring& folder);

// Depth first and pre-order; a linked folder is neither listed nor entered.
// Folders that cannot be read yield no subfolders. False when the yield
// stopped the walk.
bool WalkSubfolders(const std::wstring& folder, SortedFolderList& list,
                    const WalkProgress& progress = {});

// True for a path the list leaves out, whichever folder along it holds the word.
bool IsExcludedFolder(const std::wstring& path);

// The whole target list of folder: the folder itself unless it is a drive's
// root, every subfolder, sorted, exclusions removed, compacted (see
// SortedFolderList::Compact). A linked folder, the given one too, is passed
// over; where passedOver is given it receives how many were, each once and
// excluded ones left out. False, with the list empty, when the yield stopped
// it; an exception (std::bad_alloc) leaves the list empty too.
bool BuildTargetList(const std::wstring& folder, SortedFolderList& list,
                     const WalkProgress& progress = {}, size_t* passedOver = nullptr);
// The same for several folders as one list, each folder in it once.
bool BuildTargetList(const std::vector<std::wstring>& folders, SortedFolderList& list,
                     const WalkProgress& progress = {}, size_t* passedOver = nullptr);

} // namespace engine
