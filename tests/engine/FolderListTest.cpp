#include "engine/FolderList.h"
#include "engine/ListStore.h"
#include "engine/SettingsFile.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <windows.h>

using namespace engine;
using namespace testing_support;

namespace {

std::vector<std::wstring> Items(const ListItems& list) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < list.Count(); ++i)
        out.push_back(list.Item(i));
    return out;
}

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

wchar_t UnusedDriveLetter() {
    DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter)
        if (!(drives & (1u << (letter - L'A'))))
            return letter;
    return 0;
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

TEST(PruneRestoreList, DropsOnlyOnProofThatNothingOfOursIsLeft) {
    TempDir dir;
    FolderOptions options;
    options.tooltip = L"t";
    const std::wstring ours = dir.MakeFolder(L"Ours");
    ASSERT_TRUE(CustomizeFolder(ours, options).customized);
    const std::wstring plain = dir.MakeFolder(L"Plain");
    const std::wstring foreign = dir.MakeFolder(L"Foreign");
    WriteBytes(foreign + L"\\Desktop.ini", "[.ShellClassInfo]\r\nIconIndex=3\r\n");
    const std::wstring foreignSetAside = dir.MakeFolder(L"ForeignSetAside");
    WriteBytes(foreignSetAside + L"\\Desktop.ini", "[.ShellClassInfo]\r\n");
    WriteBytes(foreignSetAside + L"\\BUDesktop.ini", "[.ShellClassInfo]\r\n");
    const std::wstring setAside = dir.MakeFolder(L"SetAside");
    WriteBytes(setAside + L"\\BUDesktop.ini", "[.ShellClassInfo]\r\n");
    const std::wstring named = dir.MakeFolder(L"Named"); // folders of those names are no files
    dir.MakeFolder(L"Named\\BUDesktop.ini");
    dir.MakeFolder(L"Named\\Desktop.ini");
    const wchar_t absent = UnusedDriveLetter();
    ASSERT_NE(absent, 0);
    const std::wstring unplugged = std::wstring(1, absent) + L":\\Photos\\2019";

    SortedFolderList list;
    list.AddAll({ours, plain, foreign, foreignSetAside, setAside, named, dir / L"Deleted",
                 dir / L"Deleted\\Inner", unplugged});
    PruneRestoreList(list);
    EXPECT_EQ(Items(list), (std::vector<std::wstring>{foreignSetAside, ours, setAside, unplugged}));
}

TEST(PruneRestoreList, ASettingsFileThatCannotBeReadKeepsItsFolder) {
    TempDir dir;
    FolderOptions options;
    options.tooltip = L"t";
    const std::wstring held = dir.MakeFolder(L"Held");
    const std::wstring foreignHeld = dir.MakeFolder(L"ForeignHeld");
    const std::wstring failing = dir.MakeFolder(L"Failing");
    ASSERT_TRUE(CustomizeFolder(held, options).customized);
    WriteBytes(foreignHeld + L"\\Desktop.ini", "[.ShellClassInfo]\r\n");
    // Opened, but every read fails as on a failing disk (EIO; under Wine a
    // link to a file looks like the file). ACL denials cannot be made here:
    // the tests run as root, whom Wine lets read whatever the mode says.
    ASSERT_TRUE(RunUnix({"ln", "-s", "/proc/self/mem", UnixPath(SettingsFilePath(failing))}));
    // Held without sharing: it cannot be opened, however briefly that lasts.
    HANDLE holds[] = {CreateFileW(SettingsFilePath(held).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr),
                      CreateFileW(SettingsFilePath(foreignHeld).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr)};
    for (HANDLE h : holds)
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SortedFolderList list;
    list.AddAll({held, foreignHeld, failing});
    PruneRestoreList(list);
    EXPECT_EQ(Items(list), (std::vector<std::wstring>{failing, foreignHeld, held}));
    for (HANDLE h : holds)
        CloseHandle(h);
    RunUnix({"rm", UnixPath(SettingsFilePath(failing))});
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

namespace {

std::string Lines(const std::vector<std::wstring>& folders) {
    std::string text;
    for (const auto& folder : folders)
        text += Narrow(folder) + "\r\n";
    return text;
}

// An application folder and a per-user root, each with a list file.
struct TwoPlaces {
    TempDir app, user;
    std::wstring appList() const { return app / L"Fldr.dll"; }
    std::wstring userList() const { return user / L"Quillane\\Fldr.dll"; }
};

} // namespace

TEST(RestoreRecord, BothPlacesMakeOneRecordSavedWhereTheProgramWrites) {
    TwoPlaces places;
    places.user.MakeFolder(L"Quillane");
    WriteBytes(places.appList(), "C:\\A\r\nC:\\B\r\n");
    WriteBytes(places.userList(), "c:\\a\r\nC:\\C\r\n");
    RestoreRecord record(places.app.path(), places.user.path());
    EXPECT_TRUE(record.CanRecord());
    EXPECT_EQ(record.ListFile(), places.appList());
    SortedFolderList list;
    ASSERT_TRUE(record.Load(list));
    EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"C:\\A", L"C:\\B", L"C:\\C"}));
    ASSERT_TRUE(record.Save(list));
    EXPECT_EQ(ReadAnsi(places.appList()), "C:\\A\r\nC:\\B\r\nC:\\C\r\n");
    EXPECT_FALSE(Exists(places.userList())); // its folders are in the saved list

    // A per-user list that appears after the load was never seen: kept, and
    // its folders saved with the rest.
    SortedFolderList again;
    ASSERT_TRUE(record.Load(again));
    WriteBytes(places.userList(), "C:\\Later\r\n");
    ASSERT_TRUE(record.Save(again));
    EXPECT_EQ(ReadAnsi(places.userList()), "C:\\Later\r\n");
    EXPECT_EQ(ReadAnsi(places.appList()), "C:\\A\r\nC:\\B\r\nC:\\C\r\nC:\\Later\r\n");

    // The reverse: the application folder refuses writes and the per-user
    // list, left from an earlier time, lacks what was recorded since.
    WriteBytes(places.userList(), "C:\\Old\r\n");
    SetFileAttributesW(places.userList().c_str(), FILE_ATTRIBUTE_READONLY);
    Immutable locked(places.app.path());
    ASSERT_TRUE(locked.ok());
    RestoreRecord perUser(places.app.path(), places.user.path());
    EXPECT_TRUE(perUser.CanRecord());
    EXPECT_EQ(perUser.ListFile(), places.userList());
    EXPECT_EQ(Attributes(places.userList()), 0u); // a save would fail on read-only
    SortedFolderList both;
    ASSERT_TRUE(perUser.Load(both));
    EXPECT_EQ(both.Count(), 5u);
    ASSERT_TRUE(perUser.Save(both));
    EXPECT_EQ(ReadAnsi(places.userList()), "C:\\A\r\nC:\\B\r\nC:\\C\r\nC:\\Later\r\nC:\\Old\r\n");
    EXPECT_EQ(ReadAnsi(places.appList()), "C:\\A\r\nC:\\B\r\nC:\\C\r\nC:\\Later\r\n");
}

TEST(RestoreRecord, ThePerUserListStartsAsAWholeCopyThatCanBeSaved) {
    TwoPlaces places;
    WriteBytes(places.appList(), Lines({L"C:\\Kept"}));
    SetFileAttributesW(places.appList().c_str(), FILE_ATTRIBUTE_READONLY);
    Immutable locked(places.app.path());
    ASSERT_TRUE(locked.ok());
    RestoreRecord record(places.app.path(), places.user.path());
    EXPECT_EQ(record.ListFile(), places.userList());
    EXPECT_EQ(ReadAnsi(places.userList()), Lines({L"C:\\Kept"}));
    EXPECT_EQ(Attributes(places.userList()), 0u);
    EXPECT_FALSE(Exists(places.userList() + L".new"));
    SortedFolderList list;
    ASSERT_TRUE(record.Load(list));
    list.Add(L"C:\\New");
    EXPECT_TRUE(record.Save(list));
}

TEST(RestoreRecord, NothingIsSavedWhereNothingCanBeRecorded) {
    TwoPlaces places;
    WriteBytes(places.appList(), Lines({L"C:\\Kept"}));
    {
        Immutable app(places.app.path()), user(places.user.path());
        ASSERT_TRUE(app.ok() && user.ok());
        RestoreRecord record(places.app.path(), places.user.path());
        EXPECT_FALSE(record.CanRecord());
        EXPECT_EQ(record.Error(), DWORD(ERROR_ACCESS_DENIED));
        SortedFolderList list;
        EXPECT_TRUE(record.Load(list)); // what can be read is shown
        EXPECT_EQ(Items(list), std::vector<std::wstring>{L"C:\\Kept"});
        list.Clear();
        EXPECT_FALSE(record.Save(list));
    }
    EXPECT_EQ(ReadAnsi(places.appList()), Lines({L"C:\\Kept"}));

    // A list in use that cannot be read is never saved over.
    ASSERT_TRUE(SetFileLength(places.appList(), kListFileLimit + 1));
    RestoreRecord record(places.app.path(), places.user.path());
    SortedFolderList list;
    EXPECT_FALSE(record.Load(list));
    EXPECT_FALSE(record.CanRecord());
    EXPECT_EQ(record.Error(), DWORD(ERROR_FILE_TOO_LARGE));
    EXPECT_FALSE(record.Save(list));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(places.appList().c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, DWORD(kListFileLimit + 1));
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
