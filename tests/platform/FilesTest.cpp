#include "platform/Files.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace testing_support;

TEST(Files, AttributesAreAssignedAsWholeValues) {
    TempDir dir;
    const std::wstring file = dir / L"f.txt";
    WriteBytes(file, "x");
    ASSERT_TRUE(SetAttributes(file, AttrHidden | AttrSystem | AttrReadOnly));
    EXPECT_EQ(Attributes(file), DWORD(AttrHidden | AttrSystem | AttrReadOnly));
    ASSERT_TRUE(SetAttributes(file, AttrHidden));
    EXPECT_EQ(Attributes(file), DWORD(AttrHidden));
    ASSERT_TRUE(SetAttributes(file, AttrNormal));
    EXPECT_EQ(Attributes(file), 0u);
}

TEST(Files, CreateNewFileLeavesWhateverHasTheName) {
    TempDir dir;
    const std::wstring file = dir / L"f.txt", folder = dir.MakeFolder(L"d");
    WriteBytes(file, "theirs");
    EXPECT_FALSE(CreateNewFile(file, AttrHidden));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_FALSE(CreateNewFile(folder));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadAnsi(file), "theirs");
    EXPECT_EQ(Attributes(file), 0u);

    const std::wstring fresh = dir / L"new.ini";
    {
        FileHandle created = CreateNewFile(fresh, AttrHidden | AttrSystem);
        ASSERT_TRUE(created);
        ASSERT_TRUE(WriteBytes(created, {'a', 'b', '\r', '\n'}));
    }
    EXPECT_EQ(ReadAnsi(fresh), "ab\r\n");
    EXPECT_EQ(Attributes(fresh), DWORD(AttrHidden | AttrSystem));
}

TEST(Files, PlainFileExistsSkipsHiddenSystemAndFolders) {
    TempDir dir;
    const std::wstring file = dir / L"f.ini";
    EXPECT_FALSE(PlainFileExists(file));
    WriteBytes(file, "x");
    EXPECT_TRUE(PlainFileExists(file));
    SetAttributes(file, AttrHidden);
    EXPECT_FALSE(PlainFileExists(file));
    SetAttributes(file, AttrNormal);
    EXPECT_FALSE(PlainFileExists(dir.path()));
    EXPECT_FALSE(PlainFileExists(L""));
}

TEST(Files, RenameRefusesAnExistingTarget) {
    TempDir dir;
    WriteBytes(dir / L"a", "a");
    WriteBytes(dir / L"b", "b");
    EXPECT_FALSE(RenameFile(dir / L"a", dir / L"b"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadAnsi(dir / L"b"), "b");
}

TEST(Files, ReplaceFileContentsSwapsInOneStep) {
    TempDir dir;
    const std::wstring file = dir / L"list.txt";
    ASSERT_TRUE(ReplaceFileContents(file, {'n', 'e', 'w'}));
    EXPECT_EQ(ReadAnsi(file), "new");
    ASSERT_TRUE(ReplaceFileContents(file, {'2'}));
    EXPECT_EQ(ReadAnsi(file), "2");
    EXPECT_FALSE(Exists(file + L".new"));
    // A long file is written in pieces, with a yield between each two (and
    // more while a slow disk flushes it).
    std::vector<std::uint8_t> big((5u << 19) + 7);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    int yields = 0;
    ASSERT_TRUE(ReplaceFileContents(file, big, [&yields] { return ++yields > 0; }));
    EXPECT_GE(yields, 2);
    EXPECT_EQ(ReadBytes(file), big);
}

TEST(Files, AYieldThatSaysStopKeepsTheOldFileAndRemovesTheTemporaryOne) {
    TempDir dir;
    const std::wstring file = dir / L"list.txt";
    ASSERT_TRUE(ReplaceFileContents(file, {'o', 'l', 'd'}));
    const std::vector<std::uint8_t> big(3u << 20, 'x');
    int yields = 0;
    EXPECT_FALSE(ReplaceFileContents(file, big, [&yields] { return ++yields < 2; }));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANCELLED));
    EXPECT_EQ(yields, 2);
    EXPECT_EQ(ReadAnsi(file), "old");
    EXPECT_FALSE(Exists(file + L".new"));
}

TEST(Files, OneOpenRemovesAReadOnlyHiddenSystemFile) {
    TempDir dir;
    const std::wstring file = dir / L"Desktop.ini";
    WriteBytes(file, "x");
    ASSERT_TRUE(SetAttributes(file, AttrHidden | AttrSystem | AttrReadOnly));
    {
        FileHandle handle = OpenForRemoval(file);
        ASSERT_TRUE(handle.valid());
        ASSERT_TRUE(SetAttributes(handle, AttrNormal));
        EXPECT_EQ(Attributes(file), 0u);
        ASSERT_TRUE(MarkForDeletion(handle));
    }
    EXPECT_FALSE(Exists(file));
}

TEST(Files, OpenForRemovalIsRefusedWhatTheSingleStepsWouldMeet) {
    TempDir dir;
    EXPECT_FALSE(OpenForRemoval(dir / L"missing.ini").valid());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    const std::wstring file = dir / L"held.ini";
    WriteBytes(file, "x");
    FileHandle held(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
    ASSERT_TRUE(held.valid());
    EXPECT_FALSE(OpenForRemoval(file).valid());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(FileExists(file));
}

TEST(Files, ErrorTextIsTheSystemsSentence) {
    std::wstring text = ErrorText(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'\n');
}

TEST(Files, ExactPathWhereThePrefixKeepsThePathsMeaning) {
    EXPECT_EQ(ExactPath(L"C:\\x\\foo."), L"\\\\?\\C:\\x\\foo.");
    EXPECT_EQ(ExactPath(L"c:\\"), L"\\\\?\\c:\\");
    EXPECT_EQ(ExactPath(L"C:\\x\\bar \\Desktop.ini"), L"\\\\?\\C:\\x\\bar \\Desktop.ini");
    EXPECT_EQ(ExactPath(L"\\\\srv\\share\\a "), L"\\\\?\\UNC\\srv\\share\\a ");
    // Already exact, or a form only the plain call resolves: unchanged.
    for (const wchar_t* same : {L"\\\\?\\C:\\x", L"\\\\.\\pipe\\x", L"C:\\x\\..\\y", L"C:\\x\\.\\y",
                                L"C:\\x\\\\y", L"C:\\x/y", L"x\\y", L"C:x", L""})
        EXPECT_EQ(ExactPath(same), same);
}

TEST(Files, RootOfIsADriveOrAShareWithBothNames) {
    EXPECT_EQ(RootOf(L"C:\\x\\y"), L"C:");
    EXPECT_EQ(RootOf(L"d:"), L"d:");
    EXPECT_EQ(RootOf(L"C:relative"), L"C:");
    EXPECT_EQ(RootOf(L"\\\\srv\\share\\x\\y"), L"\\\\srv\\share");
    EXPECT_EQ(RootOf(L"\\\\srv\\share"), L"\\\\srv\\share");
    for (const wchar_t* none : {L"", L"C", L"1:\\x", L"\u00e9:\\x", L"\\x", L"x\\y", L"\\\\srv",
                                L"\\\\srv\\", L"\\\\srv\\\\share", L"\\\\\\share"})
        EXPECT_EQ(RootOf(none), L"") << none;
}
