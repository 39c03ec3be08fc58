#include "engine/ListFile.h"
#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "engine/RestoreRecord.h"
#include "engine/CustomizeFolder.h"
#include "platform/Files.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>
#include <algorithm>
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
    // A foreign file beside a backup: the user's file set aside stays listed.
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
    EXPECT_EQ(MergeJournal(list, journalFile), 2u);
    EXPECT_TRUE(list.Contains(setAside));
    EXPECT_TRUE(list.Contains(both));
    EXPECT_EQ(list.Count(), 2u);
}

TEST(ListJournal, WhatCannotBeLookedAtIsListedAndAStoppedMergeKeepsTheJournal) {
    TempDir app, user, data;
    FolderOptions options;
    options.tooltip = L"t";
    // A run on a USB disk that was then unplugged.
    PluggedDrive usb;
    const std::wstring disk = data.MakeFolder(L"Disk");
    data.MakeFolder(L"Disk\\proj");
    const std::wstring drive = usb.Name();
    ASSERT_TRUE(usb.Plug(disk));
    const bool customized = CustomizeFolder(drive + L"\\proj", options).customized;
    usb.Unplug();
    ASSERT_TRUE(customized);
    ASSERT_FALSE(VolumeIsPresent(drive + L"\\proj"));
    const std::wstring unplugged = drive + L"\\proj", held = data.MakeFolder(L"Held");
    const std::wstring setAside = data.MakeFolder(L"SetAside"), never = data.MakeFolder(L"Never");
    ASSERT_TRUE(CustomizeFolder(held, options).customized);
    WriteBytes(setAside + L"\\BUDesktop.ini", kForeign);
    const std::wstring listFile = app / L"Fldr.dll", journal = JournalPath(listFile);
    WriteBytes(listFile, "");
    // Another copy's run, killed: it journals its whole batch before writing any of it.
    std::string lines;
    for (const auto& folder : {unplugged, held, setAside, never})
        lines += Narrow(folder) + "\r\n";
    WriteBytes(journal, lines);
    platform::FileHandle scanner(CreateFileW(SettingsFilePath(held).c_str(), GENERIC_READ, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(scanner.valid());

    // Stopped part way, the merge reads nothing whole: the save keeps the journal.
    {
        RestoreRecord record(app.path(), user.path());
        SortedFolderList list;
        ASSERT_TRUE(record.Load(list));
        int turns = 0;
        EXPECT_TRUE(record.MergeJournals(list, [&turns] { return ++turns < 3; }));
        EXPECT_FALSE(record.ReadWhole());
        ASSERT_TRUE(record.Save(list));
        EXPECT_TRUE(Exists(journal));
    }
    // Whole, it lists all but the folder proven never reached, and goes.
    RestoreRecord record(app.path(), user.path());
    SortedFolderList list;
    ASSERT_TRUE(record.Load(list));
    EXPECT_TRUE(record.MergeJournals(list));
    EXPECT_TRUE(record.ReadWhole());
    ASSERT_TRUE(record.Save(list));
    std::vector<std::wstring> saved;
    ASSERT_TRUE(ReadListLines(listFile, saved));
    std::vector<std::wstring> expected{unplugged, held, setAside};
    std::sort(saved.begin(), saved.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(saved, expected);
    EXPECT_FALSE(Exists(journal));
    EXPECT_FALSE(Exists(never + L"\\Desktop.ini"));
}
