// Two copies of the program on one record: saves merge, journals and the
// other place's list go only as this copy read them, and the list's own files
// are always new names.
#include "engine/FolderList.h"
#include "engine/ListFile.h"
#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "engine/RestoreRecord.h"
#include "engine/CustomizeFolder.h"
#include "platform/Files.h"
#include "platform/SystemApi.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <windows.h>

using namespace engine;
using namespace testing_support;

namespace {

std::vector<std::wstring> Sorted(const ListItems& list) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < list.Count(); ++i)
        out.push_back(list.Item(i));
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::wstring> Items(const ListItems& list) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < list.Count(); ++i)
        out.push_back(list.Item(i));
    return out;
}

std::vector<std::wstring> OnDisk(const std::wstring& listFile) {
    std::vector<std::wstring> lines;
    EXPECT_TRUE(ReadListLines(listFile, lines));
    std::sort(lines.begin(), lines.end());
    return lines;
}

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

// A folder holding the program's own settings file.
std::wstring Customized(const TempDir& dir, const std::wstring& name) {
    std::wstring folder = dir.MakeFolder(name);
    FolderOptions options;
    options.tooltip = L"t";
    EXPECT_TRUE(CustomizeFolder(folder, options).customized);
    return folder;
}

} // namespace

TEST(RecordSharing, TwoCopiesSaveInEitherOrderAndKeepEachOthersFolders) {
    for (const bool firstSavesFirst : {true, false}) {
        SCOPED_TRACE(firstSavesFirst);
        TempDir app;
        const std::wstring list = app / L"Fldr.dll";
        WriteBytes(list, Lines({L"C:\\Old"}));
        RestoreRecord first(app.path(), L""), second(app.path(), L"");
        SortedFolderList firstList, secondList;
        ASSERT_TRUE(first.Load(firstList));
        ASSERT_TRUE(second.Load(secondList));
        firstList.Add(L"C:\\First");
        secondList.Add(L"C:\\Second");
        RestoreRecord& early = firstSavesFirst ? first : second;
        RestoreRecord& late = firstSavesFirst ? second : first;
        ASSERT_TRUE(early.Save(firstSavesFirst ? firstList : secondList));
        ASSERT_TRUE(late.Save(firstSavesFirst ? secondList : firstList));
        const std::vector<std::wstring> all{L"C:\\First", L"C:\\Old", L"C:\\Second"};
        EXPECT_EQ(OnDisk(list), all);
        // The late one shows what the early one recorded; the early one takes
        // in the late one's at its next save.
        EXPECT_EQ(Sorted(firstSavesFirst ? secondList : firstList), all);
        ASSERT_TRUE(early.Save(firstSavesFirst ? firstList : secondList));
        EXPECT_EQ(OnDisk(list), all);
        EXPECT_EQ(Sorted(firstSavesFirst ? firstList : secondList), all);
    }
}

TEST(RecordSharing, OnlyWhatThisCopyTookOutIsDroppedUnlessCustomizedAgain) {
    TempDir app, data;
    const std::wstring restored = Customized(data, L"Restored");
    const std::wstring again = Customized(data, L"Again");
    const std::wstring list = app / L"Fldr.dll";
    WriteBytes(list, Lines({restored, again, L"C:\\Kept"}));
    RestoreRecord copy(app.path(), L""), other(app.path(), L"");
    SortedFolderList mine, theirs;
    ASSERT_TRUE(copy.Load(mine));
    ASSERT_TRUE(other.Load(theirs));
    // This copy restores two folders; the other records a new one and saves,
    // with the two still in its list; then one of the two is customized again.
    ASSERT_TRUE(RestoreFolder(restored).outcome == RestoreOutcome::Restored);
    ASSERT_TRUE(RestoreFolder(again).outcome == RestoreOutcome::Restored);
    mine.RemoveWhere([&](const std::wstring& f) { return f == restored || f == again; });
    theirs.Add(L"C:\\Theirs");
    ASSERT_TRUE(other.Save(theirs));
    FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(CustomizeFolder(again, options).customized);
    ASSERT_TRUE(copy.Save(mine));
    std::vector<std::wstring> expected{again, L"C:\\Kept", L"C:\\Theirs"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(OnDisk(list), expected);
}

TEST(RecordSharing, ASaveIsAMergeOfThreeWhicheverCopyTookAFolderOut) {
    TempDir app, data;
    const std::wstring list = app / L"Fldr.dll";
    const std::wstring x = Customized(data, L"X");
    WriteBytes(list, Lines({x, L"C:\\Old"}));
    RestoreRecord a(app.path(), L""), b(app.path(), L"");
    SortedFolderList aList, bList;
    ASSERT_TRUE(a.Load(aList));
    ASSERT_TRUE(b.Load(bList));
    const auto take = [](SortedFolderList& from, const std::wstring& folder) {
        EXPECT_EQ(RestoreFolder(folder).outcome, RestoreOutcome::Restored);
        from.RemoveWhere([&folder](const std::wstring& item) { return item == folder; });
    };

    // A applies and saves Y, B saves (and so holds Y), A restores Y and saves.
    const std::wstring y = Customized(data, L"Y");
    aList.Add(y);
    ASSERT_TRUE(a.Save(aList));
    ASSERT_TRUE(b.Save(bList));
    EXPECT_TRUE(bList.Contains(y));
    take(aList, y);
    ASSERT_TRUE(a.Save(aList));
    EXPECT_EQ(OnDisk(list), (std::vector<std::wstring>{L"C:\\Old", x}));

    // Both hold X; B restores it and saves, then A saves.
    take(bList, x);
    ASSERT_TRUE(b.Save(bList));
    ASSERT_TRUE(a.Save(aList));
    EXPECT_EQ(OnDisk(list), std::vector<std::wstring>{L"C:\\Old"});
    EXPECT_FALSE(aList.Contains(x));

    // A applies Z and restores it before any save of its own, while B
    // applied Z too and saved it.
    const std::wstring z = Customized(data, L"Z");
    aList.Add(z);
    a.Remember({z});
    bList.Add(z);
    ASSERT_TRUE(b.Save(bList));
    take(aList, z);
    ASSERT_TRUE(a.Save(aList));
    EXPECT_EQ(OnDisk(list), std::vector<std::wstring>{L"C:\\Old"});
}

TEST(RecordSharing, AFolderTakenOutLeavesTheMergeOnlyOnProof) {
    TempDir app, data;
    const std::wstring list = app / L"Fldr.dll";
    const std::wstring held = Customized(data, L"Held");
    const std::wstring setAside = data.MakeFolder(L"Set aside");
    WriteBytes(setAside + L"\\BUDesktop.ini", "[.ShellClassInfo]\r\nInfoTip=theirs\r\n");
    const std::wstring again = Customized(data, L"Again");
    WriteBytes(list, Lines({again, held, setAside}));
    RestoreRecord a(app.path(), L""), b(app.path(), L"");
    SortedFolderList aList, bList;
    ASSERT_TRUE(a.Load(aList));
    ASSERT_TRUE(b.Load(bList));
    // A lets go of two folders it cannot look at now or that still hold the
    // user's file set aside; B restores the third, which A then customizes
    // again.
    aList.RemoveWhere([&](const std::wstring& f) { return f == held || f == setAside; });
    ASSERT_EQ(RestoreFolder(again).outcome, RestoreOutcome::Restored);
    bList.RemoveWhere([&](const std::wstring& f) { return f == again; });
    ASSERT_TRUE(b.Save(bList));
    FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(CustomizeFolder(again, options).customized);
    {
        platform::FileHandle locked(CreateFileW((held + L"\\Desktop.ini").c_str(), GENERIC_READ, 0,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locked.valid());
        ASSERT_TRUE(a.Save(aList));
    }
    std::vector<std::wstring> all{again, held, setAside};
    std::sort(all.begin(), all.end());
    EXPECT_EQ(OnDisk(list), all);
    EXPECT_EQ(Sorted(aList), all);
}

namespace {
DWORD WINAPI CloseLater(void* handle) {
    Sleep(400);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}
} // namespace

TEST(RecordSharing, ReadersNeverKeepASaveFromReplacingTheList) {
    TempDir app;
    const std::wstring list = app / L"Fldr.dll";
    WriteBytes(list, Lines({L"C:\\Old"}));
    // A reader of the list lets it be replaced (deletion shared) meanwhile.
    bool deletable = false;
    ASSERT_TRUE(platform::ReadInPieces(list, 1024, 16, [&](const std::uint8_t*, size_t, bool) {
        platform::FileHandle other(CreateFileW(
            list.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, 0, nullptr));
        deletable = deletable || other.valid();
        return true;
    }));
    EXPECT_TRUE(deletable);

    // A save while a reader holds the list open: with deletion shared (which
    // Wine refuses to replace all the same) and without (an older copy).
    for (const DWORD share : {DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE),
                              DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE)}) {
        SCOPED_TRACE(share);
        RestoreRecord record(app.path(), L"");
        SortedFolderList folders;
        ASSERT_TRUE(record.Load(folders));
        folders.Add(L"C:\\New" + std::to_wstring(share));
        HANDLE reader = CreateFileW(list.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        platform::KernelHandle closer(CreateThread(nullptr, 0, CloseLater, reader, 0, nullptr));
        ASSERT_TRUE(closer.valid());
        EXPECT_TRUE(record.Save(folders)) << GetLastError();
        WaitForSingleObject(closer.get(), INFINITE);
        EXPECT_EQ(OnDisk(list), Sorted(folders));
    }
    EXPECT_TRUE(platform::NumberedFiles(list + L".new").empty());
}

TEST(RestoreRecord, AReadOnlyRecordMakesNothingAndSavesNothing) {
    TwoPlaces places;
    TempDir data;
    const std::wstring journaled = Customized(data, L"J");
    WriteBytes(places.appList(), Lines({L"C:\\A"}));
    WriteBytes(JournalPath(places.appList()), Lines({journaled}));
    const std::vector<std::wstring> before = NamesIn(places.app.path());
    for (const bool immutable : {false, true}) {
        SCOPED_TRACE(immutable);
        std::unique_ptr<Immutable> locked;
        if (immutable) {
            locked = std::make_unique<Immutable>(places.app.path());
            ASSERT_TRUE(locked->ok());
        }
        RestoreRecord record(places.app.path(), places.user.path(), RecordAccess::ReadOnly);
        EXPECT_FALSE(record.CanRecord());
        EXPECT_TRUE(record.LockFile().empty());
        SortedFolderList list;
        ASSERT_TRUE(record.Load(list));
        record.MergeJournals(list);
        EXPECT_TRUE(record.ReadWhole());
        EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"C:\\A", journaled}));
        EXPECT_FALSE(record.Save(list));
        EXPECT_EQ(NamesIn(places.app.path()), before);
        EXPECT_FALSE(Exists(places.user / L"Quillane"));
    }
    // The per-user list is read as well.
    places.user.MakeFolder(L"Quillane");
    WriteBytes(places.userList(), Lines({L"C:\\U"}));
    RestoreRecord record(places.app.path(), places.user.path(), RecordAccess::ReadOnly);
    SortedFolderList list;
    ASSERT_TRUE(record.Load(list));
    EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"C:\\A", L"C:\\U"}));
}

namespace {
struct SaveRounds {
    RestoreRecord* record;
    std::wstring prefix;
    bool saved = true;
};

// Adds a folder and saves, twenty times.
DWORD WINAPI SaveInRounds(void* param) {
    auto& run = *static_cast<SaveRounds*>(param);
    SortedFolderList list;
    run.saved = run.record->Load(list);
    for (int i = 0; i < 20; ++i) {
        list.Add(run.prefix + std::to_wstring(i));
        run.saved = run.record->Save(list) && run.saved;
    }
    return 0;
}
} // namespace

TEST(RestoreRecord, AnElevatedCopyAndAStandardOneSaveAtOnceUnderOneLock) {
    TwoPlaces places;
    places.user.MakeFolder(L"Quillane");
    WriteBytes(places.appList(), Lines({L"C:\\A"}));
    // Where the application folder takes writes, its lock file is made; a
    // copy the folder refuses chooses the same file, being there.
    RestoreRecord elevated(places.app.path(), places.user.path());
    EXPECT_EQ(elevated.LockFile(), LockPath(places.appList()));
    std::unique_ptr<RestoreRecord> standard;
    {
        Immutable locked(places.app.path());
        ASSERT_TRUE(locked.ok());
        standard = std::make_unique<RestoreRecord>(places.app.path(), places.user.path());
        EXPECT_EQ(standard->ListFile(), places.userList());
        EXPECT_EQ(standard->LockFile(), LockPath(places.appList()));
    }
    // Each saves into its own place and merges the other's, at once.
    SaveRounds runs[] = {{&elevated, L"C:\\Elevated"}, {standard.get(), L"C:\\Standard"}};
    platform::KernelHandle threads[] = {
        platform::KernelHandle(CreateThread(nullptr, 0, SaveInRounds, &runs[0], 0, nullptr)),
        platform::KernelHandle(CreateThread(nullptr, 0, SaveInRounds, &runs[1], 0, nullptr))};
    for (const auto& thread : threads) {
        ASSERT_TRUE(thread.valid());
        WaitForSingleObject(thread.get(), INFINITE);
    }
    EXPECT_TRUE(runs[0].saved);
    EXPECT_TRUE(runs[1].saved);
    RestoreRecord reader(places.app.path(), places.user.path(), RecordAccess::ReadOnly);
    SortedFolderList all;
    ASSERT_TRUE(reader.Load(all));
    EXPECT_EQ(all.Count(), 41u);
    for (const auto& run : runs)
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(all.Contains(run.prefix + std::to_wstring(i)));

    // Without that file, where it cannot be made: the per-user one.
    ASSERT_TRUE(DeleteFileW(LockPath(places.appList()).c_str()));
    Immutable locked(places.app.path());
    ASSERT_TRUE(locked.ok());
    RestoreRecord alone(places.app.path(), places.user.path());
    EXPECT_EQ(alone.LockFile(), LockPath(places.userList()));
}

TEST(RecordSharing, JournalsAndThePerUserListGoOnlyAsThisCopyReadThem) {
    TempDir app, user, data;
    user.MakeFolder(L"Quillane");
    const std::wstring list = app / L"Fldr.dll";
    const std::wstring perUser = user / L"Quillane\\Fldr.dll";
    const std::wstring journaled = Customized(data, L"Journaled");
    const std::wstring appended = Customized(data, L"Appended");
    const std::wstring later = Customized(data, L"Later");
    WriteBytes(list, Lines({L"C:\\A"}));
    WriteBytes(perUser, Lines({L"C:\\U1"}));
    const std::wstring journal = JournalPath(list);
    WriteBytes(journal, Lines({journaled}));
    WriteBytes(journal + L"7", Lines({journaled}));
    RestoreRecord record(app.path(), user.path());
    SortedFolderList folders;
    ASSERT_TRUE(record.Load(folders));
    EXPECT_TRUE(record.MergeJournals(folders));
    EXPECT_EQ(Sorted(folders), (std::vector<std::wstring>{L"C:\\A", L"C:\\U1", journaled}));
    // Meanwhile: another copy of this account saves the per-user list, one
    // appends to a journal read here, and one starts a journal of its own.
    WriteBytes(perUser, Lines({L"C:\\U1", L"C:\\U2"}));
    WriteBytes(journal + L"7", Lines({journaled, appended}));
    WriteBytes(journal + L"8", Lines({later}));
    ASSERT_TRUE(record.Save(folders));
    EXPECT_FALSE(Exists(journal));
    EXPECT_EQ(ReadAnsi(journal + L"7"), Lines({journaled, appended}));
    EXPECT_EQ(ReadAnsi(journal + L"8"), Lines({later}));
    EXPECT_EQ(ReadAnsi(perUser), Lines({L"C:\\U1", L"C:\\U2"}));
    std::vector<std::wstring> expected{L"C:\\A", L"C:\\U1", L"C:\\U2", journaled};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(OnDisk(list), expected);

    // A journal a running copy holds open is read but left to it.
    DeleteFileW((journal + L"7").c_str());
    DeleteFileW((journal + L"8").c_str());
    ListJournal running(journal);
    ASSERT_TRUE(running.Append({later}));
    RestoreRecord next(app.path(), user.path());
    SortedFolderList again;
    ASSERT_TRUE(next.Load(again));
    EXPECT_TRUE(next.MergeJournals(again));
    ASSERT_TRUE(next.Save(again));
    EXPECT_TRUE(Exists(running.Path()));
    EXPECT_TRUE(OnDisk(list) == Sorted(again));
    // Once closed, it goes with that run's save.
    running.Close();
    RestoreRecord own(app.path(), user.path());
    SortedFolderList third;
    ASSERT_TRUE(own.Load(third));
    ASSERT_TRUE(own.Save(third));
    EXPECT_FALSE(Exists(running.Path()));
}

TEST(RecordSharing, ASaveWaitsForTheLockAndKeepsItsJournalWhenItCannotHaveIt) {
    TempDir app;
    const std::wstring list = app / L"Fldr.dll";
    WriteBytes(list, Lines({L"C:\\Old"}));
    RestoreRecord record(app.path(), L"");
    SortedFolderList folders;
    ASSERT_TRUE(record.Load(folders));
    ListJournal journal(JournalPath(record.ListFile()));
    ASSERT_TRUE(journal.Append({L"C:\\New"}));
    journal.Close();
    EXPECT_EQ(journal.Path(), JournalPath(list));
    folders.Add(L"C:\\New");

    // Another copy's save holds byte 0 of the lock file.
    platform::FileHandle held(CreateFileW(LockPath(list).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    OVERLAPPED at{};
    ASSERT_TRUE(LockFileEx(held.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
    record.SetLockWait(300);
    int yields = 0;
    const ULONGLONG start = platform::TickCount64();
    EXPECT_FALSE(record.Save(folders, [&yields] { return ++yields > 0; }));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_LOCK_VIOLATION));
    EXPECT_GE(platform::TickCount64() - start, 280u);
    EXPECT_GT(yields, 3);
    EXPECT_EQ(ReadAnsi(list), Lines({L"C:\\Old"}));
    EXPECT_TRUE(Exists(journal.Path()));

    // A stop while it waits ends the wait.
    EXPECT_FALSE(record.Save(folders, [] { return false; }));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANCELLED));

    ASSERT_TRUE(UnlockFileEx(held.get(), 0, 1, 0, &at));
    ASSERT_TRUE(record.Save(folders));
    EXPECT_EQ(OnDisk(list), (std::vector<std::wstring>{L"C:\\New", L"C:\\Old"}));
    EXPECT_FALSE(Exists(journal.Path()));
    // The lock file stays for the next save; nothing else of the save does.
    EXPECT_TRUE(Exists(LockPath(list)));
}

TEST(RecordSharing, TheListsOwnFilesAreNewNamesNeverLinksToOtherFiles) {
    TempDir app, outside, data;
    const std::wstring list = app / L"Fldr.dll";
    const std::wstring folder = Customized(data, L"Folder");
    WriteBytes(list, Lines({L"C:\\Old"}));
    const std::wstring newTarget = outside / L"new.txt", journalTarget = outside / L"journal.txt";
    WriteBytes(newTarget, "not the list's");
    WriteBytes(journalTarget, "not the journal's");
    ASSERT_TRUE(MakeUnixLink(newTarget, list + L".new"));
    ASSERT_TRUE(MakeUnixLink(journalTarget, JournalPath(list)));
    // What saves that were cut short left behind, and a name not of theirs.
    WriteBytes(list + L".new3", "cut short");
    WriteBytes(list + L".newer", "someone's");

    RestoreRecord record(app.path(), L"");
    SortedFolderList folders;
    ASSERT_TRUE(record.Load(folders));
    record.MergeJournals(folders);
    ListJournal journal(JournalPath(record.ListFile()));
    ASSERT_TRUE(journal.Append({folder}));
    journal.Close();
    EXPECT_EQ(journal.Path(), JournalPath(list) + L"1");
    EXPECT_EQ(ReadAnsi(journalTarget), "not the journal's");
    folders.Add(folder);
    ASSERT_TRUE(record.Save(folders));

    EXPECT_EQ(OnDisk(list), (std::vector<std::wstring>{L"C:\\Old", folder}));
    EXPECT_EQ(ReadAnsi(newTarget), "not the list's");
    EXPECT_EQ(ReadAnsi(journalTarget), "not the journal's");
    // The links went as themselves, with the leftovers and the run's journal.
    EXPECT_FALSE(Exists(list + L".new"));
    EXPECT_FALSE(Exists(JournalPath(list)));
    EXPECT_FALSE(Exists(list + L".new3"));
    EXPECT_FALSE(Exists(journal.Path()));
    EXPECT_EQ(ReadAnsi(list + L".newer"), "someone's");

    // The per-user list is seeded under a new name too.
    EXPECT_TRUE(platform::CreateFileContents(outside / L"seeded", {'a'}));
    EXPECT_FALSE(platform::CreateFileContents(outside / L"seeded", {'b'}));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadAnsi(outside / L"seeded"), "a");
    EXPECT_FALSE(Exists(outside / L"seeded.new"));
}

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
