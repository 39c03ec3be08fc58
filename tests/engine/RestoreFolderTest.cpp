#include "engine/RestoreFolder.h"
#include "engine/CustomizeFolder.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"

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
    // The user's newer file, or a sync tool's: both stay, and so does the item.
    const RestoreResult r = RestoreFolder(folder);
    EXPECT_EQ(r.outcome, RestoreOutcome::BackupBesideForeign);
    EXPECT_EQ(FateAfter(r), EntryFate::Stays);
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

TEST_F(RestoreFolderTest, AHeldSettingsFileChangesNothingUntilItIsFree) {
    WriteBytes(ini, kForeign);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized); // the user's file set aside
    // Held by an indexer or a scanner, without sharing or sharing reads only:
    // never taken for a missing file, and nothing is touched.
    for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
        platform::FileHandle held(
            CreateFileW(ini.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        bool started = false;
        const RestoreResult r = RestoreFolder(folder, [&started] { started = true; });
        EXPECT_EQ(r.outcome, RestoreOutcome::NotRestored) << share;
        EXPECT_EQ(r.error, DWORD(ERROR_SHARING_VIOLATION)) << share;
        EXPECT_EQ(FateAfter(r), EntryFate::Stays) << share;
        EXPECT_FALSE(started) << share;
        EXPECT_EQ(Attributes(ini), kHs) << share;
        EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM)) << share;
        EXPECT_EQ(ReadAnsi(backup), kForeign) << share;
        held.reset();
        EXPECT_TRUE(IsOwnSettingsFile(ini)) << share;
    }
    EXPECT_EQ(RestoreFolder(folder).outcome, RestoreOutcome::Restored);
    EXPECT_EQ(ReadAnsi(ini), kForeign);
    EXPECT_FALSE(Exists(backup));
}

TEST_F(RestoreFolderTest, AMarkerWithAnIgnorableCharacterIsNotOurs) {
    // A soft hyphen that a locale's comparison passes over, in the section
    // and in the key: someone else's files, set aside by Apply and never
    // deleted by Restore.
    const std::wstring texts[] = {L"[Ven\u00ADdor]\r\nID=Pelwick\r\n",
                                  L"[Vendor]\r\nI\u00ADD=Pelwick\r\n"};
    int n = 0;
    for (const std::wstring& text : texts) {
        const std::wstring name = std::to_wstring(++n);
        const std::vector<std::uint8_t> bytes = platform::EncodeTextFile(text);
        EXPECT_FALSE(IsOwnSettingsText(bytes));
        const std::string file(bytes.begin(), bytes.end());
        const std::wstring restored = dir.MakeFolder(L"Restored" + name);
        const std::wstring applied = dir.MakeFolder(L"Applied" + name);
        WriteBytes(SettingsFilePath(restored), file);
        WriteBytes(SettingsFilePath(applied), file);
        EXPECT_EQ(RestoreFolder(restored).outcome, RestoreOutcome::NotOurs);
        EXPECT_EQ(ReadAnsi(SettingsFilePath(restored)), file);
        ASSERT_TRUE(CustomizeFolder(applied, options).customized);
        EXPECT_EQ(ReadAnsi(applied + L"\\BUDesktop.ini"), file);
        EXPECT_TRUE(IsOwnSettingsFile(SettingsFilePath(applied)));
    }
    // The profile reader's own rule still takes the marker in any letter case.
    EXPECT_TRUE(IsOwnSettingsText(platform::EncodeTextFile(L"[vENDOR]\r\nid=Pelwick\r\n")));
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
    EXPECT_EQ(fateOf(RestoreOutcome::BackupBesideForeign), EntryFate::Stays);
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
    for (const auto& each : {folder, namedIni, namedBackup}) {
        EXPECT_EQ(FateAfter(RestoreFolder(each)), EntryFate::ToPruner) << Narrow(each);
        if (!pruner.Drops(each))
            kept.push_back(each);
    }
    // A settings file that could not be opened may be ours: it keeps its
    // folder, and is never taken for a missing one.
    EXPECT_EQ(FateAfter(RestoreFolder(held)), EntryFate::Stays);
    EXPECT_FALSE(pruner.Drops(held));
    CloseHandle(hold);
    EXPECT_TRUE(kept.empty());
    EXPECT_TRUE(Exists(SettingsFilePath(held)));
}
