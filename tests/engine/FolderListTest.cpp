#include "engine/FolderList.h"
#include "platform/TextCompare.h"

#include "tests/engine/ListContents.h"
#include "tests/support/FileAsserts.h"

#include <gtest/gtest.h>

using namespace engine;
using namespace testing_support;

namespace {

// A target list's kinds of path: many sharing their parent's, a shared part
// that ends inside a name, names differing only in case, names outside ASCII,
// a long path and one too long for a length in one character, over many
// restart blocks.
std::vector<std::wstring> CompactionPaths() {
    std::vector<std::wstring> paths{L"C:\\Data\\Photo",
                                    L"C:\\Data\\Photos",
                                    L"C:\\Data\\photos",
                                    L"C:\\Data\\PHOTOS\\x",
                                    L"C:\\Data\\Photos 2",
                                    L"C:\\Data\\\u00c4rger\\\u65e5\u672c\u8a9e",
                                    L"C:\\Data\\\u00e4rger\\\u65e5\u672c",
                                    L"C:\\" + std::wstring(310, L'p'),
                                    L"C:\\" + std::wstring(310, L'p') + L"\\q",
                                    L"C:\\" + std::wstring(70000, L'L'),
                                    L"C:\\" + std::wstring(70000, L'L') + L"\\child"};
    for (int i = 0; i < 150; ++i) {
        std::wstring path = L"D:\\Tree\\Level " + std::to_wstring(i / 10);
        if (i % 10)
            path += L"\\Sub " + std::to_wstring(i % 10) + (i % 3 ? L"" : L"\\Deeper");
        paths.push_back(path);
    }
    return paths;
}

void AddAllTo(SortedFolderList& list, const std::vector<std::wstring>& paths) {
    for (const auto& path : paths)
        list.Add(path);
}

} // namespace

TEST(SortedFolderList, FolderBeforeItsContentsIgnoringCase) {
    SortedFolderList list;
    for (const wchar_t* p : {L"C:\\Data\\b\\X", L"C:\\Data\\A", L"C:\\Data", L"C:\\Data\\b"})
        list.Add(p);
    EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"C:\\Data", L"C:\\Data\\A", L"C:\\Data\\b",
                                                      L"C:\\Data\\b\\X"}));
    EXPECT_TRUE(list.Contains(L"c:\\DATA\\B"));
    EXPECT_FALSE(list.Contains(L"C:\\Data\\B\\Y"));
    list.RemoveAt(1);
    EXPECT_EQ(list.Item(1), L"C:\\Data\\b");
}

TEST(SortedFolderList, SortingInStepsGivesTheSameOrderAndYields) {
    SortedFolderList stepwise, plain, stopped;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        std::wstring path = L"C:\\Data";
        for (int depth = 0; depth < 1 + static_cast<int>(seed % 4); ++depth) {
            seed = seed * 1103515245u + 12345u;
            path += L"\\";
            path += static_cast<wchar_t>((seed % 2 ? L'a' : L'A') + (seed >> 8) % 26);
            path += std::to_wstring((seed >> 16) % 50);
        }
        for (auto* list : {&stepwise, &plain, &stopped})
            list->Add(path);
    }
    int yields = 0;
    ASSERT_TRUE(stepwise.Sort([&yields] { return ++yields > 0; }));
    EXPECT_GT(yields, 4);
    EXPECT_EQ(Items(stepwise), Items(plain)); // plain sorts in one go when read
    for (size_t i = 1; i < stepwise.Count(); ++i)
        ASSERT_LE(platform::CompareNoCase(stepwise.At(i - 1), stepwise.At(i)), 0);
    // Stopped in the middle of a merge, the list is whole and sorts when read.
    int left = 6;
    EXPECT_FALSE(stopped.Sort([&left] { return --left > 0; }));
    EXPECT_EQ(Items(stopped), Items(plain));
}

TEST(SortedFolderList, PathsStoredOnceKeepOrderAndCaseFreeLookupAcrossBlocks) {
    SortedFolderList list;
    FolderLines lines;
    // Enough paths to fill several of the store's blocks, one longer than a
    // block, added out of order.
    std::vector<std::wstring> expected;
    for (int i = 2999; i >= 0; --i) {
        const std::wstring path = L"C:\\Data\\Folder " + std::to_wstring(100000 + i) +
                                  std::wstring(static_cast<size_t>(i % 40), L'x');
        list.Add(path);
        lines.Add(path);
        expected.push_back(path);
    }
    const std::wstring longPath = L"C:\\" + std::wstring(70000, L'L');
    list.Add(longPath);
    lines.Add(longPath);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines.View(i), expected[i]);
    EXPECT_EQ(lines.Item(expected.size()), longPath);
    expected.push_back(longPath);
    std::sort(expected.begin(), expected.end(), [](const std::wstring& a, const std::wstring& b) {
        return platform::CompareNoCase(a, b) < 0;
    });
    ASSERT_EQ(list.Count(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(list.At(i), expected[i]) << i;
        ASSERT_EQ(std::wstring(list.CStr(i)), expected[i]) << i;
    }
    EXPECT_TRUE(list.Contains(L"c:\\DATA\\folder 101234" + std::wstring(34, L'X')));
    EXPECT_TRUE(list.Contains(L"C:\\" + std::wstring(70000, L'l')));
    EXPECT_FALSE(list.Contains(L"C:\\Data\\Folder 101234"));
    const auto has1012 = [](const std::wstring& path) {
        return path.find(L"1012") != std::wstring::npos;
    };
    list.RemoveWhere(has1012);
    EXPECT_EQ(list.Count(), expected.size() - static_cast<size_t>(std::count_if(
                                                  expected.begin(), expected.end(), has1012)));
    EXPECT_FALSE(list.Contains(L"C:\\Data\\Folder 101250" + std::wstring(10, L'x')));
    EXPECT_TRUE(list.Contains(L"C:\\Data\\Folder 101300" + std::wstring(20, L'x')));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    list.Add(L"C:\\after");
    EXPECT_EQ(list.At(0), L"C:\\after");
}

TEST(SortedFolderList, ACompactedListReadsAsBeforeInAnyOrder) {
    SortedFolderList plain, compact;
    AddAllTo(plain, CompactionPaths());
    AddAllTo(compact, CompactionPaths());
    ASSERT_TRUE(compact.Compact());
    ASSERT_TRUE(compact.IsCompact());
    const std::vector<std::wstring> expected = Items(plain);
    ASSERT_EQ(compact.Count(), expected.size());
    ASSERT_GT(expected.size(), 8 * FrontCodedPaths::kRestartEvery);
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(compact.View(i).size(), expected[i].size()) << i;
        ASSERT_EQ(compact.At(i), expected[i]) << i;
        ASSERT_EQ(std::wstring(compact.CStr(i)), expected[i]) << i;
    }
    unsigned seed = 7;
    for (int n = 0; n < 2000; ++n) {
        seed = seed * 1103515245u + 12345u;
        const size_t i = (seed >> 8) % expected.size();
        ASSERT_EQ(compact.View(i), expected[i]) << i;
    }
    EXPECT_THROW(compact.At(expected.size()), std::out_of_range);
    EXPECT_TRUE(compact.Sort([] { return false; })); // already in order
    EXPECT_TRUE(compact.IsCompact());
}

TEST(SortedFolderList, ACompactedListFindsWhatTheListFindsOnEitherSideOfRestarts) {
    SortedFolderList plain, compact;
    AddAllTo(plain, CompactionPaths());
    AddAllTo(compact, CompactionPaths());
    ASSERT_TRUE(compact.Compact());
    std::vector<std::wstring> probes{L"A:\\before", L"Z:\\after", L""};
    for (const auto& path : Items(plain)) {
        std::wstring upper = path;
        for (wchar_t& c : upper)
            c = static_cast<wchar_t>(towupper(c));
        probes.insert(probes.end(), {path, upper, path + L"0", path.substr(0, path.size() - 1)});
    }
    size_t found = 0;
    for (const auto& probe : probes) {
        const bool held = plain.Contains(probe);
        found += held;
        ASSERT_EQ(compact.Contains(probe), held) << Narrow(probe.substr(0, 80));
    }
    EXPECT_GT(found, 2 * plain.Count());
    EXPECT_LT(found, probes.size() - plain.Count());
    EXPECT_TRUE(compact.Contains(L"d:\\tree\\level 1\\sub 5\\deeper"));
    EXPECT_TRUE(compact.IsCompact());
}

TEST(SortedFolderList, ChangesToACompactedListGiveWhatTheyGiveWithout) {
    SortedFolderList plain, compact;
    AddAllTo(plain, CompactionPaths());
    AddAllTo(compact, CompactionPaths());
    ASSERT_TRUE(compact.Compact());
    plain.Add(L"C:\\Data\\Photos 1");
    compact.Add(L"C:\\Data\\Photos 1");
    EXPECT_FALSE(compact.IsCompact());
    EXPECT_EQ(Items(compact), Items(plain));

    ASSERT_TRUE(compact.Compact());
    plain.RemoveAt(40);
    compact.RemoveAt(40);
    EXPECT_EQ(Items(compact), Items(plain));

    ASSERT_TRUE(compact.Compact());
    const auto sub3 = [](const std::wstring& path) {
        return path.find(L"Sub 3") != std::wstring::npos;
    };
    plain.RemoveWhere(sub3);
    compact.RemoveWhere(sub3);
    EXPECT_EQ(Items(compact), Items(plain));

    ASSERT_TRUE(compact.Compact());
    compact.AddAll({L"C:\\A", L"E:\\B"});
    plain.AddAll({L"C:\\A", L"E:\\B"});
    EXPECT_EQ(Items(compact), Items(plain));

    ASSERT_TRUE(compact.Compact());
    compact.Clear();
    EXPECT_EQ(compact.Count(), 0u);
    EXPECT_FALSE(compact.Contains(L"C:\\A"));
    compact.Add(L"C:\\after");
    EXPECT_EQ(Items(compact), std::vector<std::wstring>{L"C:\\after"});
}

TEST(SortedFolderList, CompactionYieldsAndAStopLeavesTheListAsItWas) {
    SortedFolderList list;
    for (int i = 0; i < 20000; ++i)
        list.Add(L"C:\\Many\\" + std::to_wstring(i / 100) + L"\\" + std::to_wstring(i));
    const std::vector<std::wstring> before = Items(list);
    int yields = 0;
    EXPECT_FALSE(list.Compact([&yields] { return ++yields < 6; }));
    EXPECT_EQ(yields, 6);
    EXPECT_FALSE(list.IsCompact());
    EXPECT_EQ(Items(list), before);
    yields = 0;
    ASSERT_TRUE(list.Compact([&yields] { return ++yields > 0; }));
    EXPECT_GE(yields, 8); // two passes of five steps
    EXPECT_TRUE(list.IsCompact());
    EXPECT_EQ(Items(list), before);
}
