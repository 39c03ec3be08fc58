#include "engine/ListFile.h"
#include "engine/ListJournal.h"
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

} // namespace

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
