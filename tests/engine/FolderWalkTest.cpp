#include "engine/FolderWalk.h"

#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace engine;
using namespace testing_support;

namespace {

std::vector<std::wstring> Items(const SortedFolderList& list) {
    std::vector<std::wstring> items;
    for (size_t i = 0; i < list.Count(); ++i)
        items.push_back(list.At(i));
    return items;
}

} // namespace

TEST(FolderWalk, PreOrderWithProgressBeforeEachFolderJoins) {
    TempDir dir;
    const std::wstring root = dir.MakeFolder(L"Data");
    dir.MakeFolder(L"Data\\b\\X");
    dir.MakeFolder(L"Data\\A");
    SortedFolderList list;
    std::vector<std::wstring> found;
    std::vector<size_t> counts;
    int yields = 0;
    WalkProgress progress;
    progress.found = [&](const std::wstring& path) {
        EXPECT_FALSE(list.Contains(path));
        found.push_back(path);
    };
    progress.counted = [&](size_t count) { counts.push_back(count); };
    progress.yield = [&] { return ++yields > 0; };
    WalkSubfolders(root, list, progress);

    EXPECT_EQ(Items(list),
              (std::vector<std::wstring>{root + L"\\A", root + L"\\b", root + L"\\b\\X"}));
    EXPECT_EQ(counts, (std::vector<size_t>{1, 2, 3}));
    EXPECT_EQ(yields, 3);
    ASSERT_EQ(found.size(), 3u);
    auto at = [&](const std::wstring& p) { return std::find(found.begin(), found.end(), p); };
    EXPECT_LT(at(root + L"\\b"), at(root + L"\\b\\X"));
}

TEST(FolderWalk, MissingFolderAddsNothing) {
    TempDir dir;
    SortedFolderList list;
    WalkSubfolders(dir / L"none", list);
    EXPECT_EQ(list.Count(), 0u);
}

TEST(FolderWalk, TargetListHasTheFolderSortedAndWithoutExclusions) {
    TempDir dir;
    const std::wstring root = dir.MakeFolder(L"Data");
    dir.MakeFolder(L"Data\\Old DESKTOP Files\\Letters");
    dir.MakeFolder(L"Data\\cd burning");
    dir.MakeFolder(L"Data\\System Volume Information");
    dir.MakeFolder(L"Data\\Keep\\Desk top");
    dir.MakeFolder(L"Data\\a");
    SortedFolderList list;
    list.Add(L"C:\\left over");
    int yields = 0;
    WalkProgress progress;
    progress.yield = [&] { return ++yields > 0; };
    BuildTargetList(root, list, progress);
    EXPECT_EQ(Items(list), (std::vector<std::wstring>{root, root + L"\\a", root + L"\\Keep",
                                                      root + L"\\Keep\\Desk top"}));
    EXPECT_TRUE(list.IsCompact()); // finished, so held front-coded
    // One a folder found, one after the sort, one a folder sifted, at the least.
    EXPECT_GE(yields, 7 + 1 + 8);
}

TEST(FolderWalk, AYieldThatSaysStopEndsTheWalkWithNoTargetList) {
    TempDir dir;
    const std::wstring root = dir.MakeFolder(L"Data");
    for (const wchar_t* name : {L"Data\\a", L"Data\\b", L"Data\\c", L"Data\\d"})
        dir.MakeFolder(name);
    // Stopped in the walk, in the sort and in the sifting in turn.
    for (int allowed : {2, 4, 7}) {
        SortedFolderList list;
        int yields = 0;
        WalkProgress progress;
        progress.yield = [&] { return ++yields <= allowed; };
        EXPECT_FALSE(BuildTargetList(root, list, progress)) << allowed;
        EXPECT_EQ(yields, allowed + 1) << allowed;
        EXPECT_EQ(list.Count(), 0u) << allowed;
    }
}

TEST(FolderWalk, ExclusionMatchesAnyPartOfThePathInAnyCase) {
    EXPECT_TRUE(IsExcludedFolder(L"C:\\Users\\DESKTOP\\x"));
    EXPECT_TRUE(IsExcludedFolder(L"C:\\My cd Burning stuff"));
    EXPECT_TRUE(IsExcludedFolder(L"D:\\System Volume Information"));
    EXPECT_FALSE(IsExcludedFolder(L"C:\\Desk top"));
    EXPECT_FALSE(IsExcludedFolder(L"C:\\System Volume"));
}

TEST(FolderWalk, LinkedFoldersAreNeitherListedNorEnteredAndAreCountedOnce) {
    // The test prefix holds C:\quillane-loop\inner\up, a link back to C:\quillane-loop.
    ASSERT_NE(GetFileAttributesW(L"C:\\quillane-loop\\inner\\up"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(IsLinkedFolder(L"C:\\quillane-loop\\inner\\up"));
    EXPECT_FALSE(IsLinkedFolder(L"C:\\quillane-loop\\inner"));
    EXPECT_FALSE(IsLinkedFolder(L"C:\\"));
    SortedFolderList list;
    size_t passedOver = 0;
    std::vector<std::wstring> linked;
    WalkProgress progress;
    progress.linked = [&](const std::wstring& path) { linked.push_back(path); };
    EXPECT_TRUE(BuildTargetList(L"C:\\quillane-loop", list, progress, &passedOver));
    EXPECT_EQ(Items(list),
              (std::vector<std::wstring>{L"C:\\quillane-loop", L"C:\\quillane-loop\\inner"}));
    EXPECT_EQ(passedOver, 1u);
    EXPECT_EQ(linked, std::vector<std::wstring>{L"C:\\quillane-loop\\inner\\up"});
    // Met from two chosen folders, still one.
    const std::vector<std::wstring> both{L"C:\\quillane-loop", L"C:\\quillane-loop\\inner"};
    BuildTargetList(both, list, {}, &passedOver);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(passedOver, 1u);

    // A chosen folder that is a link, and one below an excluded name.
    TempDir dir;
    const std::wstring outside = dir.MakeFolder(L"Outside");
    dir.MakeFolder(L"Outside\\Below");
    const std::wstring root = dir.MakeFolder(L"Tree");
    dir.MakeFolder(L"Tree\\Desktop");
    ASSERT_TRUE(MakeUnixLink(outside, root + L"\\Link"));
    ASSERT_TRUE(MakeUnixLink(outside, root + L"\\Desktop\\Link"));
    EXPECT_TRUE(BuildTargetList(root + L"\\Link", list, {}, &passedOver));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(passedOver, 1u);
    EXPECT_TRUE(BuildTargetList(root, list, {}, &passedOver));
    EXPECT_EQ(Items(list), std::vector<std::wstring>{root});
    EXPECT_EQ(passedOver, 1u);
    for (const wchar_t* name : {L"\\Link", L"\\Desktop\\Link"})
        ASSERT_TRUE(RunUnix({"rm", UnixPath(root + name)}));
}

TEST(FolderWalk, FoldersBeyondTheShortPathLimitAreWalked) {
    TempDir dir;
    std::vector<std::wstring> made{dir / L"Deep"};
    while (made.back().size() < MAX_PATH + 20)
        made.push_back(made.back() + L"\\" + std::wstring(40, L'd'));
    for (const std::wstring& folder : made)
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    SortedFolderList list;
    WalkSubfolders(made.front(), list);
    EXPECT_EQ(Items(list), std::vector<std::wstring>(made.begin() + 1, made.end()));
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
}
