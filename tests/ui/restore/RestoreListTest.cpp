#include "ui/restore/RestoreList.h"

#include "platform/TextCompare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui;

namespace {

class RestoreListTest : public ::testing::Test {
  protected:
    RestoreListTest() {
        owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        box = CreateWindowExW(0, L"LISTBOX", L"", kTickListStyle, 0, 0, 380, 280, owner, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    }
    ~RestoreListTest() override { DestroyWindow(owner); }
    std::vector<std::wstring> Items() {
        ListBoxItems list(box);
        std::vector<std::wstring> items;
        for (size_t i = 0; i < list.Count(); ++i)
            items.push_back(list.Item(i));
        return items;
    }
    HWND owner = nullptr, box = nullptr;
};

} // namespace

TEST_F(RestoreListTest, ItemsTakeTheListsOwnOrderHoweverTheyCome) {
    ASSERT_NE(box, nullptr);
    ListBoxItems list(box);
    // In order, then out of order, then in order again after the end moved.
    list.AddAll({L"C:\\b", L"C:\\d", L"C:\\a", L"C:\\E", L"C:\\aa", L"C:\\c", L"C:\\f g"});
    list.Add(L"C:\\0");
    list.Add(L"C:\\zz");
    list.Add(L"C:\\B x");
    const std::vector<std::wstring> expected{L"C:\\0", L"C:\\a", L"C:\\aa", L"C:\\b",   L"C:\\B x",
                                             L"C:\\c", L"C:\\d", L"C:\\E",  L"C:\\f g", L"C:\\zz"};
    EXPECT_EQ(Items(), expected);
    // The binary search relies on that order, and compares ordinally.
    for (const auto& item : expected)
        EXPECT_TRUE(list.Holds(item));
    EXPECT_TRUE(list.Holds(L"c:\\F G"));
    EXPECT_FALSE(list.Holds(L"C:\\f"));
    // What the list box sorts itself agrees with what was put at the end.
    SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"C:\\e1"));
    EXPECT_EQ(Items()[8], L"C:\\e1");
}

TEST_F(RestoreListTest, ARebuildKeepsTheSurvivorsAndTheirTicksAsRemovalsWould) {
    HWND other = CreateWindowExW(0, L"LISTBOX", L"", kTickListStyle, 0, 0, 380, 280, owner, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ListBoxItems rebuilt(box), removed(other);
    std::vector<std::wstring> texts;
    texts.reserve(60);
    for (int i = 0; i < 60; ++i)
        texts.push_back(L"C:\\Folder " + std::to_wstring(100 + i));
    rebuilt.AddAll(texts);
    removed.AddAll(texts);
    std::vector<bool> keep(texts.size(), true);
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i % 3 == 0) {
            SendMessageW(box, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
            SendMessageW(other, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
        }
        keep[i] = i % 4 == 1 || i % 5 == 0;
    }
    rebuilt.KeepOnly(keep);
    for (size_t i = texts.size(); i-- > 0;)
        if (!keep[i])
            removed.RemoveAt(i);
    ASSERT_EQ(rebuilt.Count(), removed.Count());
    ASSERT_GT(rebuilt.Count(), 0u);
    for (size_t i = 0; i < rebuilt.Count(); ++i) {
        EXPECT_EQ(rebuilt.Item(i), removed.Item(i)) << i;
        EXPECT_EQ(IsTicked(box, static_cast<int>(i)), IsTicked(other, static_cast<int>(i))) << i;
    }
    EXPECT_EQ(TickedCount(box), TickedCount(other));
    // The order holds for the searches that rely on it.
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(rebuilt.Holds(texts[i]), keep[i]) << i;
    EXPECT_TRUE(rebuilt.Holds(L"c:\\FOLDER 101"));
    DestroyWindow(other);
}

TEST_F(RestoreListTest, TakenLinesFillTheListAcrossTheStoresBlocksAndEndEmpty) {
    // Long enough lines that the store frees several blocks on the way.
    engine::FolderLines lines;
    std::vector<std::wstring> expected;
    for (int i = 0; i < 3000; ++i) {
        wchar_t number[16];
        swprintf(number, 16, L"%05d", i);
        expected.push_back(L"C:\\" + std::wstring(100, L'x') + L"\\" + number);
        lines.Append(expected.back());
    }
    ListBoxItems list(box);
    ASSERT_TRUE(list.TakeLines(lines, [] { return true; }));
    EXPECT_EQ(lines.Count(), 0u);
    EXPECT_EQ(Items(), expected);
    // A stop leaves what was taken in the list box and nothing in lines.
    list.Clear();
    for (const auto& text : expected)
        lines.Append(text);
    int yields = 0;
    EXPECT_FALSE(list.TakeLines(lines, [&yields] { return ++yields < 5; }));
    EXPECT_EQ(lines.Count(), 0u);
    EXPECT_EQ(list.Count(), 5u * 256);
    EXPECT_EQ(list.Item(5 * 256 - 1), expected[5 * 256 - 1]);
}

TEST_F(RestoreListTest, MembershipFollowsTheOrdinalRuleWhateverTheLocaleSorts) {
    ListBoxItems list(box);
    // Names a locale's comparison takes for one (an ignorable soft hyphen)
    // or parts (a dotless i, which the ordinal rule upper-cases to I), among
    // neighbours the binary search passes.
    const std::vector<std::wstring> items{L"C:\\x\\Photos", L"C:\\H",  L"C:\\\u0131", L"C:\\J",
                                          L"C:\\i0",        L"C:\\Ia", L"C:\\\u00e9", L"C:\\Zed"};
    list.AddAll(items);
    const std::wstring texts[] = {L"C:\\x\\Pho\u00adtos", L"c:\\X\\PHOTOS", L"C:\\I", L"C:\\i",
                                  L"C:\\\u00c9",          L"C:\\E"};
    int n = 0;
    for (const std::wstring& text : texts) {
        bool held = false;
        for (const auto& item : items)
            held = held || platform::CompareNoCase(item, text) == 0;
        EXPECT_EQ(list.Holds(text), held) << n++;
    }
    EXPECT_FALSE(list.Holds(L"C:\\x\\Pho\u00adtos"));
    EXPECT_TRUE(list.Holds(L"c:\\\u00c9"));
}
