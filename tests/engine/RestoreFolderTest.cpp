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

std::vector<std::wstring> Items(const ListItems& list) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < list.Count(); ++i)
        out.push_back(list.Item(i));
    return out;
}

wchar_t UnusedDriveLetter() {
    DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter)
        if (!(drives & (1u << (letter - L'A'))))
            return letter;
    return 0;
}

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

TEST_F(RestoreFolderTest, EachOutcomeHasOneFateAndThePrunerDropsOnlyOnProof) {
    const auto fateOf = [](RestoreOutcome outcome) {
        RestoreResult result;
        result.outcome = outcome;
        return FateAfter(result);
    };
    EXPECT_EQ(fateOf(RestoreOutcome::Restored), EntryFate::Leaves);
    EXPECT_EQ(fateOf(RestoreOutcome::NotOurs), EntryFate::Leaves);
    EXPECT_EQ(fateOf(RestoreOutcome::NotRestored), EntryFate::Stays);
    EXPECT_EQ(fateOf(RestoreOutcome::Stopped), EntryFate::Stays);
    EXPECT_EQ(fateOf(RestoreOutcome::NoSettingsFile), EntryFate::ToPruner);

    // Folders with no settings file to undo, and what the pruner makes of them.
    const std::wstring namedIni =
        dir.MakeFolder(L"NamedIni"); // folders of those names are no files
    dir.MakeFolder(L"NamedIni\\Desktop.ini");
    const std::wstring namedBackup = dir.MakeFolder(L"NamedBackup");
    dir.MakeFolder(L"NamedBackup\\BUDesktop.ini");
    const std::wstring held = dir.MakeFolder(L"Held");
    WriteBytes(SettingsFilePath(held), kForeign);
    HANDLE hold = CreateFileW(SettingsFilePath(held).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    RestorePruner pruner;
    std::vector<std::wstring> kept;
    for (const auto& each : {folder, namedIni, namedBackup, held}) {
        EXPECT_EQ(FateAfter(RestoreFolder(each)), EntryFate::ToPruner) << Narrow(each);
        if (!pruner.Drops(each))
            kept.push_back(each);
    }
    CloseHandle(hold);
    // A settings file that could not be opened may be ours: it keeps its folder.
    EXPECT_EQ(kept, std::vector<std::wstring>{held});
    EXPECT_TRUE(Exists(SettingsFilePath(held)));
}
