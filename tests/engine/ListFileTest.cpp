#include "engine/ListFile.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"

#include "tests/engine/ListContents.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>
#include <iterator>
#include <windows.h>

using namespace engine;
using namespace testing_support;

namespace {

// A list that keeps file order, as an unsorted list box would.
class PlainList : public ListItems {
  public:
    size_t Count() const override { return items.size(); }
    std::wstring Item(size_t i) const override { return items.at(i); }
    void Add(const std::wstring& t) override { items.push_back(t); }
    void RemoveAt(size_t i) override { items.erase(items.begin() + static_cast<long>(i)); }
    void Clear() override { items.clear(); }
    std::vector<std::wstring> items;
};

} // namespace

TEST(ListFile, AYieldThatSaysStopLeavesTheFileAsItWas) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    WriteBytes(file, "C:\\old\r\n");
    PlainList list;
    list.items = {L"C:\\a", L"C:\\b"};
    EXPECT_FALSE(SaveListToFile(list, file, [] { return false; }));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANCELLED));
    EXPECT_EQ(ReadAnsi(file), "C:\\old\r\n");
    EXPECT_FALSE(Exists(file + L".new"));
}

TEST(ListFile, RoundTripKeepsCommasAndQuotes) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    PlainList list;
    list.items = {L"C:\\a,b", L"C:\\it's", L"\\\\srv\\share\\x", L"C:\\Data"};
    int yields = 0;
    ASSERT_TRUE(SaveListToFile(list, file, [&yields] { return ++yields > 0; }));
    EXPECT_EQ(yields, 4); // a long list lets the window answer while it is written
    EXPECT_EQ(ReadAnsi(file), "C:\\a,b\r\nC:\\it's\r\n\\\\srv\\share\\x\r\nC:\\Data\r\n");

    PlainList loaded;
    loaded.items = {L"kept"};
    LoadListFromFile(loaded, file);
    EXPECT_EQ(loaded.items, (std::vector<std::wstring>{L"kept", L"C:\\a,b", L"C:\\it's",
                                                       L"\\\\srv\\share\\x", L"C:\\Data"}));
}

TEST(ListFile, OnlyWellFormedAbsolutePathsAreLoaded) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    WriteBytes(file, "C:\\Good\r\n   C:\\lead\r\nC:relative\r\nx:\\\x01ctl\r\nC:\\a\"q\r\n"
                     "C:\\a|b\r\nC:\\a:b\r\n\\\\srv\r\n\\\\srv\\\r\n\\\\\\share\r\n1:\\x\r\n"
                     "\\\\srv\\share\r\nd:\\\r\n");
    PlainList list;
    LoadListFromFile(list, file);
    EXPECT_EQ(list.items, (std::vector<std::wstring>{L"C:\\Good", L"\\\\srv\\share", L"d:\\"}));
}

TEST(ListFile, SortedListPlacesLoadedEntries) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    WriteBytes(file, "C:\\Zeta\r\nC:\\alpha\r\n");
    SortedFolderList list;
    list.Add(L"C:\\Mid");
    LoadListFromFile(list, file);
    EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"C:\\alpha", L"C:\\Mid", L"C:\\Zeta"}));
}

TEST(ListFile, EmptyListGivesAnEmptyFileThatLoadsEmpty) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    WriteBytes(file, "old content\r\n");
    SortedFolderList list;
    ASSERT_TRUE(SaveListToFile(list, file));
    EXPECT_EQ(ReadBytes(file).size(), 0u);
    LoadListFromFile(list, file);
    EXPECT_EQ(list.Count(), 0u);
}

TEST(ListFile, BlankLinesAreDroppedAtLoad) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    WriteBytes(file, "\r\n");
    PlainList list;
    LoadListFromFile(list, file);
    EXPECT_TRUE(list.items.empty());

    list.items.clear();
    WriteBytes(file, "\r\n\r\nC:\\A\r\n\r\n\r\n   \r\nC:\\B\nC:\\C\rC:\\D");
    LoadListFromFile(list, file);
    EXPECT_EQ(list.items, (std::vector<std::wstring>{L"C:\\A", L"C:\\B", L"C:\\C", L"C:\\D"}));
}

TEST(ListFile, DamagedFilesLoadWithoutHarm) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919 + 13) & 0xFF));
    WriteBytes(file, garbage);
    PlainList list;
    LoadListFromFile(list, file);
    for (const auto& item : list.items)
        EXPECT_EQ(item.find(L'\0'), std::wstring::npos);

    list.items.clear();
    WriteBytes(file, std::string("C:\\A\0B\r\nC:\\C\r\n", 14));
    LoadListFromFile(list, file);
    EXPECT_EQ(list.items, (std::vector<std::wstring>{L"C:\\AB", L"C:\\C"}));

    // No folder's path is longer than 32,767 characters.
    list.items.clear();
    WriteBytes(file, "C:\\" + std::string(100000, 'x') + "\r\nC:\\" + std::string(32764, 'y') +
                         "\rC:\\" + std::string(32765, 'z') + "\nC:\\after");
    LoadListFromFile(list, file);
    ASSERT_EQ(list.items.size(), 2u);
    EXPECT_EQ(list.items[0].size(), 32767u);
    EXPECT_EQ(list.items[1], L"C:\\after");
}

TEST(ListFile, EveryKindOfLineEndGivesTheSameEntries) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    const std::vector<std::wstring> expected = {L"C:\\A", L"C:\\B b", L"D:\\C"};
    for (const char* text : {"C:\\A\rC:\\B b\rD:\\C\r", "C:\\A\nC:\\B b\nD:\\C",
                             "C:\\A\r\n\nC:\\B b\n\rD:\\C\r\n\r"}) {
        WriteBytes(file, text);
        std::vector<std::wstring> lines;
        ASSERT_TRUE(ReadListLines(file, lines));
        EXPECT_EQ(lines, expected) << text;
    }
    WriteBytes(file, "C:\\No line break");
    PlainList list;
    LoadListFromFile(list, file);
    EXPECT_EQ(list.items, std::vector<std::wstring>{L"C:\\No line break"});
}

TEST(ListFile, MissingFileLeavesTheListUnchanged) {
    TempDir dir;
    PlainList list;
    list.items = {L"C:\\A"};
    LoadListFromFile(list, dir / L"absent.dll");
    EXPECT_EQ(list.items, std::vector<std::wstring>{L"C:\\A"});
}

TEST(ListFile, PathsOutsideTheCodePageRoundTrip) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    PlainList list;
    list.items = {L"C:\\Plain", L"C:\\\u65E5\u672C\\\u0416\u0443\u0440\u043D\u0430\u043B"};
    ASSERT_TRUE(SaveListToFile(list, file));
    auto bytes = ReadBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    // The plain line before the wide one is in UTF-16 too, and only once.
    EXPECT_EQ(bytes.size(), 2 + 2 * (list.items[0].size() + 2 + list.items[1].size() + 2));
    EXPECT_EQ(bytes[2], 'C');
    EXPECT_EQ(bytes[3], 0);
    PlainList loaded;
    LoadListFromFile(loaded, file);
    EXPECT_EQ(loaded.items, list.items);
}

TEST(ListFile, FailedSaveLeavesTheOldFileIntact) {
    TempDir dir;
    const std::wstring file = dir / L"Fldr.dll";
    WriteBytes(file, "C:\\Old\r\n");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    PlainList list;
    list.items = {L"C:\\New"};
    EXPECT_FALSE(SaveListToFile(list, file));
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadAnsi(file), "C:\\Old\r\n");

    const std::wstring folder = dir.MakeFolder(L"Folder.dll");
    EXPECT_FALSE(SaveListToFile(list, folder));
    EXPECT_TRUE(Exists(folder));
    EXPECT_FALSE(Exists(file + L".new"));
    EXPECT_FALSE(Exists(folder + L".new"));
}

TEST(ListFile, ReadInPiecesGivesTheSameLinesInEveryEncoding) {
    TempDir dir;
    // Longer than one piece, with every kind of line break, lines too long to
    // be folders across pieces, and a line cut by nothing but the end of the file.
    std::wstring text;
    std::vector<std::wstring> expected;
    for (int i = 0; i < 16000; ++i) {
        const std::wstring line = L"D:\\Pieces\\\u00e9t\u00e9 " + std::to_wstring(i);
        expected.push_back(line);
        text += line + (i % 3 == 0 ? L"\r\n" : i % 3 == 1 ? L"\n" : L"\r");
        if (i == 5000)
            text += L"D:\\" + std::wstring(300000, L'x') + L"\r";
        if (i == 9000)
            text += L"D:\\" + std::wstring(40000, L'y') + L"\n";
    }
    text += L"relative\\not a folder\r\nD:\\Last";
    expected.emplace_back(L"D:\\Last");
    std::vector<std::uint8_t> utf16(std::begin(platform::kUtf16Bom), std::end(platform::kUtf16Bom));
    platform::AppendUtf16(text, utf16);
    // Another program's UTF-16, without a mark, and big-endian with one.
    std::vector<std::uint8_t> unmarked(utf16.begin() + 2, utf16.end());
    std::vector<std::uint8_t> bigEndian = utf16;
    for (size_t i = 0; i + 1 < bigEndian.size(); i += 2)
        std::swap(bigEndian[i], bigEndian[i + 1]);
    std::vector<std::uint8_t> ansi;
    ASSERT_TRUE(platform::AppendAnsi(text, ansi)); // the test prefix's code page holds é
    for (const auto* bytes : {&utf16, &unmarked, &bigEndian, &ansi}) {
        const std::wstring path = dir / L"list.txt";
        WriteBytes(path, std::string(bytes->begin(), bytes->end()));
        ASSERT_GT(bytes->size(), 256u * 1024);
        FolderLines lines;
        size_t yields = 0;
        ASSERT_TRUE(ReadListLines(path, lines, [&yields] { return ++yields > 0; }));
        EXPECT_GE(yields, bytes->size() / (size_t{256} * 1024)); // one a piece
        ASSERT_EQ(lines.Count(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(lines.Item(i), expected[i]) << i;
        std::vector<std::wstring> whole;
        ASSERT_TRUE(ReadListLines(path, whole));
        EXPECT_EQ(whole, expected);
        // A stop while reading gives nothing.
        EXPECT_FALSE(ReadListLines(path, lines, [] { return false; }));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_CANCELLED));
        EXPECT_EQ(lines.Count(), 0u);
    }
}

using platform::FileExists;

TEST(FileExists, OpensHiddenSystemFilesButNotFolders) {
    TempDir dir;
    const std::wstring ini = dir / L"Desktop.ini";
    WriteBytes(ini, "x");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(FileExists(ini));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(L""));
    EXPECT_FALSE(FileExists(dir / L"absent"));
}

TEST(FileExists, AFileLockedAgainstReadingIsNotFound) {
    TempDir dir;
    const std::wstring file = dir / L"locked.ini";
    WriteBytes(file, "x");
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileExists(file));
    CloseHandle(held);
    EXPECT_TRUE(FileExists(file));
}
