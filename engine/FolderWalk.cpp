#include "engine/FolderWalk.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/SystemApi.h"
#include "platform/TextCompare.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace engine {

namespace {

constexpr const wchar_t* kExcluded[] = {L"Desktop", L"CD Burning", L"System Volume Information"};

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

// The exact form reaches paths beyond MAX_PATH, and a folder whose name ends
// in a dot or a blank rather than its trimmed sibling.
std::wstring SearchPattern(const std::wstring& folder) {
    return platform::ExactPath(JoinPath(folder, L"*"));
}

// One folder's subfolders, read as the walk goes.
class SubfolderReader {
  public:
    explicit SubfolderReader(std::wstring folder) : folder_(std::move(folder)) {
        find_.reset(platform::FindFirstEntry(SearchPattern(folder_).c_str(), &data_, true));
        pending_ = find_.valid();
    }
    // The next subfolder, or false when there is none: access-denied and
    // sharing failures yield no subfolders, any other failure ends this folder.
    bool Next(std::wstring& path, bool& isReparsePoint) {
        while (pending_) {
            const WIN32_FIND_DATAW current = data_;
            pending_ = platform::FindNextEntry(find_, data_);
            if (!(current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            const std::wstring name = current.cFileName;
            if (name == L"." || name == L"..")
                continue;
            path = JoinPath(folder_, name);
            isReparsePoint = (current.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            return true;
        }
        return false;
    }
    const std::wstring& folder() const { return folder_; }

  private:
    std::wstring folder_;
    platform::FindHandle find_;
    WIN32_FIND_DATAW data_{};
    bool pending_ = false;
};

} // namespace

bool WalkSubfolders(const std::wstring& folder, SortedFolderList& list,
                    const WalkProgress& progress) {
    // An explicit stack, so that a deep tree cannot exhaust the call stack.
    std::vector<std::unique_ptr<SubfolderReader>> stack;
    stack.push_back(std::make_unique<SubfolderReader>(folder));
    while (!stack.empty()) {
        std::wstring path;
        bool reparsePoint = false;
        if (!stack.back()->Next(path, reparsePoint)) {
            stack.pop_back();
            continue;
        }
        // A link may lead back up the tree, onto another volume or a share:
        // what lies behind it is not this tree's.
        if (reparsePoint) {
            if (progress.linked)
                progress.linked(path);
            continue;
        }
        if (progress.found)
            progress.found(path);
        if (!platform::KeepGoing(progress.yield))
            return false;
        list.Add(path);
        if (progress.counted)
            progress.counted(list.Count());
        stack.push_back(std::make_unique<SubfolderReader>(path));
    }
    return true;
}

bool IsLinkedFolder(const std::wstring& folder) {
    const DWORD attributes = platform::GetAttributes(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsExcludedFolder(const std::wstring& path) {
    for (const wchar_t* word : kExcluded)
        if (platform::ContainsNoCase(path, word))
            return true;
    return false;
}

namespace {
// How many of the folders are not excluded, each counted once.
size_t CountOnce(std::vector<std::wstring>& folders) {
    std::sort(folders.begin(), folders.end(), [](const std::wstring& a, const std::wstring& b) {
        return platform::CompareNoCase(a, b) < 0;
    });
    size_t count = 0;
    for (size_t i = 0; i < folders.size(); ++i)
        if (!IsExcludedFolder(folders[i]) &&
            (i == 0 || platform::CompareNoCase(folders[i - 1], folders[i]) != 0))
            ++count;
    return count;
}

bool BuildWholeList(const std::vector<std::wstring>& roots, SortedFolderList& list,
                    const WalkProgress& given, size_t* passedOver) {
    list.Clear();
    // Few folders are links: each is kept until the end, to be counted once.
    std::vector<std::wstring> linked;
    WalkProgress progress = given;
    progress.linked = [&linked, &given](const std::wstring& path) {
        linked.push_back(path);
        if (given.linked)
            given.linked(path);
    };
    bool going = true;
    for (const auto& root : roots) {
        if (IsLinkedFolder(root)) {
            progress.linked(root);
            continue;
        }
        if (root.size() != 3)
            list.Add(root);
        going = going && WalkSubfolders(root, list, progress);
    }
    if (passedOver)
        *passedOver = CountOnce(linked);
    going = going && list.Sort(progress.yield) && platform::KeepGoing(progress.yield);
    if (going) {
        // Sorted, a folder met twice (chosen twice, or inside two chosen
        // folders) follows itself.
        const bool several = roots.size() > 1;
        std::wstring previous;
        bool first = true;
        list.RemoveWhere([&](const std::wstring& path) {
            // A whole drive's list takes a while to sift.
            going = going && platform::KeepGoing(progress.yield);
            if (IsExcludedFolder(path))
                return true;
            if (!several)
                return false;
            const bool repeat = !first && platform::CompareNoCase(path, previous) == 0;
            first = false;
            previous = path;
            return repeat;
        });
    }
    // The finished list is only read: held front-coded it costs a fraction.
    going = going && list.Compact(progress.yield);
    // Half a walk is no target list.
    if (!going)
        list.Clear();
    return going;
}
} // namespace

bool BuildTargetList(const std::wstring& folder, SortedFolderList& list,
                     const WalkProgress& progress, size_t* passedOver) {
    return BuildTargetList(std::vector<std::wstring>{folder}, list, progress, passedOver);
}

bool BuildTargetList(const std::vector<std::wstring>& folders, SortedFolderList& list,
                     const WalkProgress& progress, size_t* passedOver) {
    try {
        return BuildWholeList(folders, list, progress, passedOver);
    } catch (...) {
        // Half a walk is no target list, whatever stopped it.
        list.Clear();
        throw;
    }
}

} // namespace engine
