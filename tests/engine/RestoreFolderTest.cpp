#include "engine/ListStore.h"
#include "engine/RestoreFolder.h"
#include "engine/SettingsFile.h"
#include "platform/Files.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace engine;
using namespace testing_support;

namespace {

const std::string kForeign = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";
constexpr DWORD kHs = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class RestoreFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = dir.MakeFolder(L"Data");
        ini = folder + L"\\Desktop.ini";
        backup = folder + L"\\BUDesktop.ini";
        options.tooltip = L"tip";
    }
    TempDir dir;
    std::wstring folder, ini, backup;
    FolderOptions options;
};

} // namespace

TEST_F(RestoreFolderTest, OwnFileGoesAndTheBackupComesBack) {
    WriteBytes(ini, kForeign);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    const RestoreResult r = RestoreFolder(folder);
    EXPECT_EQ(r.outcome, RestoreOutcome::Restored);
    EXPECT_FALSE(r.skipped);
    EXPECT_EQ(ReadAnsi(ini), kForeign);
    EXPECT_EQ(Attributes(ini), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(backup));
    EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(RestoreFolderTest, ABackupLeftAloneByAnEarlierRestoreGoesBack) {
    WriteBytes(backup, kForeign);
    SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(RestoreFolder(folder).outcome, RestoreOutcome::Restored);
    EXPECT_EQ(ReadAnsi(ini), kForeign);
    EXPECT_EQ(Attributes(ini), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(backup));
    EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(RestoreFolderTest, ForeignFileBesideABackupIsLeftUntouched) {
    const std::string older = "[.ShellClassInfo]\r\nInfoTip=older\r\n";
    WriteBytes(backup, older);
    WriteBytes(ini, kForeign);
    SetFileAttributesW(ini.c_str(), kHs);
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(RestoreFolder(folder).outcome, RestoreOutcome::NotOurs);
    EXPECT_EQ(ReadAnsi(ini), kForeign);
    EXPECT_EQ(ReadAnsi(backup), older);
    EXPECT_EQ(Attributes(ini), kHs);
    EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(RestoreFolderTest, EmptyFileCountsAsOursAndNoFileIsNothingToDo) {
    EXPECT_EQ(RestoreFolder(folder).outcome, RestoreOutcome::NoSettingsFile);
    WriteBytes(ini, "");
    SetFileAttributesW(ini.c_str(), kHs);
    EXPECT_EQ(RestoreFolder(folder).outcome, RestoreOutcome::Restored);
    EXPECT_FALSE(Exists(ini));
}

TEST_F(RestoreFolderTest, AFolderNamedLikeTheBackupIsNoBackup) {
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    ASSERT_TRUE(CreateDirectoryW(backup.c_str(), nullptr));
    EXPECT_EQ(RestoreFolder(folder).outcome, RestoreOutcome::Restored);
    EXPECT_FALSE(Exists(ini));
    EXPECT_TRUE(Exists(backup));
    EXPECT_EQ(Attributes(folder), 0u);
}

TEST_F(RestoreFolderTest, RefusedDeletionIsASkipAndNotARestore) {
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    // Held open without delete sharing: the deletion is refused.
    platform::FileHandle held(CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    const RestoreResult r = RestoreFolder(folder);
    EXPECT_EQ(r.outcome, RestoreOutcome::NotRestored);
    EXPECT_TRUE(r.skipped);
    EXPECT_EQ(r.error, DWORD(ERROR_SHARING_VIOLATION));
    held.reset();
    EXPECT_TRUE(IsOwnSettingsFile(ini));
}

TEST(ListJournal, MergeKeepsOnlyFoldersHoldingOurFile) {
    TempDir dir;
    const std::wstring ours = dir.MakeFolder(L"Ours"), empty = dir.MakeFolder(L"\x0416mpty");
    const std::wstring notReached = dir.MakeFolder(L"Later"), listed = dir.MakeFolder(L"Listed");
    const std::wstring foreign = dir.MakeFolder(L"Foreign");
    FolderOptions options;
    options.tooltip = L"t";
    for (const auto& f : {ours, listed})
        ASSERT_TRUE(CustomizeFolder(f, options).customized);
    WriteBytes(SettingsFilePath(empty), "");
    WriteBytes(SettingsFilePath(foreign), kForeign);
    const std::wstring journalFile = JournalPath(dir / L"Fldr.dll");
    {
        ListJournal journal(journalFile);
        ASSERT_TRUE(journal.Append({ours, empty, listed}));
        ASSERT_TRUE(journal.Append({notReached, foreign, ours}));
    }
    SortedFolderList list;
    list.Add(listed);
    EXPECT_EQ(MergeJournal(list, journalFile), 2u);
    EXPECT_TRUE(list.Contains(ours));
    EXPECT_TRUE(list.Contains(empty));
    EXPECT_EQ(list.Count(), 3u);
}

TEST(ListJournal, ASliceOfTheTargetListIsRecordedWholeAcrossPieces) {
    TempDir dir;
    SortedFolderList targets;
    for (int i = 0; i < 4000; ++i)
        targets.Add(L"D:\\" + std::wstring(90, L'\x0416') + L"\\" + std::to_wstring(10000 + i));
    const std::wstring journalFile = JournalPath(dir / L"Fldr.dll");
    {
        ListJournal journal(journalFile);
        ASSERT_TRUE(journal.Append(targets, 0, 10));
        ASSERT_TRUE(journal.Append(targets, 10, 3000, [] { return true; })); // over 256 KiB
    }
    std::vector<std::wstring> lines;
    ASSERT_TRUE(ReadListLines(journalFile, lines));
    ASSERT_EQ(lines.size(), 3010u);
    for (size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i], targets.At(i)) << i;
}

TEST_F(RestoreFolderTest, AFolderOnAnAbsentDriveIsNotRestored) {
    const DWORD drives = GetLogicalDrives();
    wchar_t absent = 0;
    for (wchar_t letter = L'Q'; letter <= L'Y' && !absent; ++letter)
        if (!(drives & (1u << (letter - L'A'))))
            absent = letter;
    ASSERT_NE(absent, 0);
    const RestoreResult r = RestoreFolder(std::wstring(1, absent) + L":\\Photos\\2019");
    EXPECT_EQ(r.outcome, RestoreOutcome::NotRestored);
    EXPECT_NE(r.error, 0u);
    // A folder that went from a drive that is there has nothing left to undo.
    EXPECT_EQ(RestoreFolder(folder + L"\\Gone").outcome, RestoreOutcome::NoSettingsFile);
}

TEST(ListJournal, MergeTakesSetAsideFoldersAndReadsOnlyTheStartOfAHugeFile) {
    TempDir dir;
    const std::wstring setAside = dir.MakeFolder(L"SetAside"), huge = dir.MakeFolder(L"Huge");
    const std::wstring both = dir.MakeFolder(L"Both");
    // Ended between setting the user's file aside and writing ours.
    WriteBytes(setAside + L"\\BUDesktop.ini", kForeign);
    // A foreign file beside a backup is not the run's doing.
    WriteBytes(both + L"\\BUDesktop.ini", kForeign);
    WriteBytes(SettingsFilePath(both), kForeign);
    // Over a gigabyte, with the marker beyond the start that is read.
    const std::wstring hugeIni = SettingsFilePath(huge);
    WriteBytes(hugeIni, kForeign);
    ASSERT_TRUE(SetFileLength(hugeIni, 1200ull * 1024 * 1024));
    {
        platform::FileHandle file(
            CreateFileW(hugeIni.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.valid());
        LARGE_INTEGER at{};
        at.QuadPart = 1100ll * 1024 * 1024;
        SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN);
        const std::string marker = "\r\n[Vendor]\r\nID=Pelwick\r\n";
        DWORD wrote = 0;
        WriteFile(file.get(), marker.data(), static_cast<DWORD>(marker.size()), &wrote, nullptr);
    }
    const std::wstring journalFile = JournalPath(dir / L"Fldr.dll");
    {
        ListJournal journal(journalFile);
        ASSERT_TRUE(journal.Append({setAside, huge, both}));
    }
    SortedFolderList list;
    EXPECT_EQ(MergeJournal(list, journalFile), 1u);
    EXPECT_TRUE(list.Contains(setAside));
    EXPECT_EQ(list.Count(), 1u);
}
