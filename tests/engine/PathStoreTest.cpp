#include "engine/PathStore.h"
#include "platform/TextCompare.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace engine;

TEST(PathStore, TheArenaReadsEachPathBackAcrossBlocksAndAfterAnEarlierRelease) {
    PathArena arena;
    std::vector<std::wstring> paths;
    std::vector<PathArena::Ref> refs;
    // Several blocks' worth, then one longer than a block, which gets its own.
    for (int i = 0; i < 3000; ++i) {
        paths.push_back(L"C:\\Data\\" + std::wstring(static_cast<size_t>(i % 40), L'x') +
                        std::to_wstring(i));
        refs.push_back(arena.Store(paths.back()));
    }
    paths.push_back(L"C:\\" + std::wstring(70000, L'L'));
    refs.push_back(arena.Store(paths.back()));
    for (size_t i = 0; i < paths.size(); ++i) {
        ASSERT_EQ(arena.View(refs[i]), paths[i]) << i;
        ASSERT_EQ(std::wstring(arena.CStr(refs[i])), paths[i]) << i;
    }
    const PathArena::Ref kept = arena.Store(L"D:\\kept"), next = arena.Store(L"D:\\next");
    arena.ReleaseBefore(kept);
    EXPECT_EQ(arena.View(kept), L"D:\\kept");
    EXPECT_EQ(arena.View(next), L"D:\\next");
    arena.Clear();
    EXPECT_EQ(arena.View(arena.Store(L"")), L"");
}

TEST(PathStore, FrontCodedPathsRebuildEveryPathInAnyOrderAndFindThemWithoutCase) {
    std::vector<std::wstring> paths;
    paths.reserve(40);
    for (int i = 0; i < 40; ++i)
        paths.push_back(L"C:\\Dir " + std::to_wstring(i / 8) + L"\\Sub" + std::to_wstring(i % 8) +
                        (i % 3 ? L"" : L"\\\u00e9t\u00e9"));
    std::sort(paths.begin(), paths.end(), platform::LessNoCase());
    FrontCodedPaths packed;
    ASSERT_TRUE(packed.Assign(paths.size(),
                              [&paths](size_t i) { return std::wstring_view(paths[i]); }, {}));
    ASSERT_EQ(packed.Count(), paths.size());
    // Backwards, each from its restart point; forwards, each from the one before.
    for (size_t i = paths.size(); i-- > 0;)
        ASSERT_EQ(packed.View(i), paths[i]) << i;
    for (size_t i = 0; i < paths.size(); ++i)
        ASSERT_EQ(std::wstring(packed.CStr(i)), paths[i]) << i;
    EXPECT_TRUE(packed.Contains(L"c:\\DIR 2\\sub3"));
    EXPECT_TRUE(packed.Contains(paths.back()));
    EXPECT_FALSE(packed.Contains(L"C:\\Dir 2\\Sub3\\x"));
    EXPECT_FALSE(packed.Contains(L"B:\\"));
    packed.Clear();
    EXPECT_EQ(packed.Count(), 0u);
    EXPECT_FALSE(packed.Contains(paths.front()));
}
