#include "engine/FolderList.h"
#include "engine/FolderWalk.h"
#include "engine/IniUtils.h"
#include "engine/RestoreFolder.h"
#include "engine/CustomizeFolder.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace engine;
using namespace testing_support;

namespace {

const std::string kForeign = "[.ShellClassInfo]\r\nIconResource=C:\\x.dll,3\r\n; theirs\r\n";

class CustomizeFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = dir.MakeFolder(L"Data");
        ini = folder + L"\\Desktop.ini";
        backup = folder + L"\\BUDesktop.ini";
        options.iconFile = L"C:\\Icons\\blue.ico";
        options.iconIndex = 2;
        options.tooltip = L"Project papers";
    }
    std::string Expected() const {
        std::wstring text = ComposeSettingsFile(options);
        return std::string(text.begin(), text.end());
    }
    void ExpectCustomized() {
        EXPECT_EQ(ReadAnsi(ini), Expected());
        EXPECT_EQ(Attributes(ini), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM));
    }

    TempDir dir;
    std::wstring folder, ini, backup;
    FolderOptions options;
};

} // namespace

TEST_F(CustomizeFolderTest, NoSettingsFileWritesANewOneAndNoBackup) {
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    CustomizeResult r = CustomizeFolder(folder, options);
    EXPECT_TRUE(r.customized);
    ExpectCustomized();
    EXPECT_FALSE(Exists(backup));
}

TEST_F(CustomizeFolderTest, ForeignFileIsSetAsideByteForByte) {
    WriteBytes(ini, kForeign);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    ExpectCustomized();
    EXPECT_EQ(ReadAnsi(backup), kForeign);
    EXPECT_EQ(Attributes(backup), DWORD(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(CustomizeFolderTest, MarkerDifferingInCaseIsForeign) {
    const std::string almostOurs = "[Vendor]\r\nID=pelwick\r\n";
    WriteBytes(ini, almostOurs);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    EXPECT_EQ(ReadAnsi(backup), almostOurs);
    ExpectCustomized();
}

TEST_F(CustomizeFolderTest, OwnFileIsReplacedWithoutBackup) {
    FolderOptions earlier;
    earlier.tooltip = L"first";
    ASSERT_TRUE(CustomizeFolder(folder, earlier).customized);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    ExpectCustomized();
    EXPECT_FALSE(Exists(backup));
}

TEST_F(CustomizeFolderTest, OwnFileBesideABackupIsReplacedAndTheBackupKept) {
    const std::string older = "[.ShellClassInfo]\r\nInfoTip=older\r\n";
    WriteBytes(backup, older);
    SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteBytes(ini, ""); // empty: a write cut short, nothing of the user's
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    ExpectCustomized();
    EXPECT_EQ(ReadAnsi(backup), older);
    EXPECT_EQ(Attributes(backup), DWORD(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(CustomizeFolderTest, ForeignFileBesideABackupSurvivesAndTheFolderIsNotChanged) {
    const std::string older = "[.ShellClassInfo]\r\nInfoTip=older\r\n";
    WriteBytes(backup, older);
    WriteBytes(ini, kForeign); // came after an earlier customization
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const CustomizeResult r = CustomizeFolder(folder, options);
    EXPECT_FALSE(r.customized);
    EXPECT_NE(r.error, 0u);
    EXPECT_EQ(ReadAnsi(ini), kForeign);
    EXPECT_EQ(Attributes(ini), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ReadAnsi(backup), older);
    EXPECT_EQ(Attributes(folder), 0u);
}

TEST_F(CustomizeFolderTest, FailedWritePutsTheFolderAttributesBack) {
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN);
    // A folder where the settings file should be: the write is refused.
    ASSERT_TRUE(CreateDirectoryW(ini.c_str(), nullptr));
    const CustomizeResult r = CustomizeFolder(folder, options);
    EXPECT_FALSE(r.customized);
    EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(CustomizeFolderTest, BackupWithoutSettingsFileStays) {
    const std::string older = "[.ShellClassInfo]\r\nInfoTip=older\r\n";
    WriteBytes(backup, older);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    ExpectCustomized();
    EXPECT_EQ(ReadAnsi(backup), older);
    EXPECT_EQ(Attributes(backup), 0u);
}

TEST_F(CustomizeFolderTest, SameFolderTwiceNeverTouchesTheBackup) {
    WriteBytes(ini, kForeign);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    ExpectCustomized();
    EXPECT_EQ(ReadAnsi(backup), kForeign);
}

TEST_F(CustomizeFolderTest, ForeignFileThatCannotBeSetAsideIsLeftAlone) {
    WriteBytes(ini, kForeign);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN);
    // Held open without delete sharing: the rename to the backup fails.
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CustomizeResult r = CustomizeFolder(folder, options);
    CloseHandle(held);
    EXPECT_FALSE(r.customized);
    EXPECT_NE(r.error, 0u);
    EXPECT_EQ(ReadAnsi(ini), kForeign);
    EXPECT_EQ(Attributes(ini), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(backup));
}

TEST_F(CustomizeFolderTest, MissingFolderReportsTheError) {
    CustomizeResult r = CustomizeFolder(folder + L"\\gone", options);
    EXPECT_FALSE(r.customized);
    EXPECT_EQ(r.error, DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(CustomizeFolderTest, TextOutsideTheCodePageIsWrittenAsUtf16) {
    options.tooltip = L"\u4F60\u597D \u0416";
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    auto bytes = ReadBytes(ini);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    EXPECT_EQ(text, ComposeSettingsFile(options));

    // The profile reader reads it back: the tooltip unchanged, the file our own.
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    // (the profile reader drops the enclosing quotes)
    EXPECT_EQ(ReadIniValue(L".ShellClassInfo", L"InfoTip", L"", ini), L"\u4F60\u597D \u0416");
    EXPECT_TRUE(IsOwnSettingsFile(ini));
    ASSERT_TRUE(CustomizeFolder(folder, options).customized);
    EXPECT_FALSE(Exists(backup));
}

TEST_F(CustomizeFolderTest, FolderEndsExactlySystemAndTheFileHiddenSystemFromEveryState) {
    constexpr DWORD R = FILE_ATTRIBUTE_READONLY, H = FILE_ATTRIBUTE_HIDDEN,
                    S = FILE_ATTRIBUTE_SYSTEM;
    enum Found { Nothing, Ours, Theirs };
    int n = 0;
    for (const DWORD start : {DWORD(0), R, H, S, R | H | S, H | S})
        for (const Found found : {Nothing, Ours, Theirs}) {
            SCOPED_TRACE(testing::Message() << "folder " << start << ", found " << found);
            const std::wstring f = dir.MakeFolder(L"State" + std::to_wstring(n++));
            const std::wstring fIni = f + L"\\Desktop.ini";
            if (found == Ours) {
                FolderOptions earlier;
                earlier.tooltip = L"earlier";
                ASSERT_TRUE(CustomizeFolder(f, earlier).customized);
            } else if (found == Theirs) {
                WriteBytes(fIni, kForeign);
            }
            if (found != Nothing)
                SetFileAttributesW(fIni.c_str(), R | H | S);
            SetFileAttributesW(f.c_str(), start == 0 ? FILE_ATTRIBUTE_NORMAL : start);
            ASSERT_TRUE(CustomizeFolder(f, options).customized);
            EXPECT_EQ(ReadAnsi(fIni), Expected());
            EXPECT_EQ(Attributes(fIni), H | S);
            EXPECT_EQ(Attributes(f), S);
            if (found == Theirs) {
                EXPECT_EQ(ReadAnsi(f + L"\\BUDesktop.ini"), kForeign);
                EXPECT_EQ(Attributes(f + L"\\BUDesktop.ini"), H);
            } else {
                EXPECT_FALSE(Exists(f + L"\\BUDesktop.ini"));
            }
        }
}

TEST_F(CustomizeFolderTest, ALinkNamedLikeTheSettingsFileIsNeverFollowed) {
    const std::wstring outside = dir.MakeFolder(L"Outside");
    const std::wstring target = outside + L"\\target.ini";
    ASSERT_TRUE(MakeUnixLink(target, ini)); // points nowhere yet
    const CustomizeResult r = CustomizeFolder(folder, options);
    EXPECT_FALSE(r.customized);
    EXPECT_NE(r.error, 0u);
    EXPECT_FALSE(r.backupLeft);
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(backup));
    EXPECT_EQ(Attributes(folder), 0u);
    // Restore neither follows nor removes it.
    EXPECT_NE(RestoreFolder(folder).outcome, RestoreOutcome::Restored);
    EXPECT_FALSE(Exists(target));
    EXPECT_TRUE(RunUnix({"test", "-L", UnixPath(ini)}));
    RunUnix({"rm", UnixPath(ini)});
}

TEST_F(CustomizeFolderTest, AFailedWriteOnAFullDiskPutsTheUsersFileBack) {
    const std::wstring mount = dir.MakeFolder(L"Disk");
    SmallDisk disk(mount, 64);
    ASSERT_TRUE(disk.ok());
    const std::wstring full = mount + L"\\Full";
    ASSERT_TRUE(CreateDirectoryW(full.c_str(), nullptr));
    const std::wstring fullIni = full + L"\\Desktop.ini";
    WriteBytes(fullIni, kForeign);
    SetFileAttributesW(fullIni.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    // What is left of the disk goes to a file of its own.
    HANDLE filler = CreateFileW((mount + L"\\filler").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr);
    ASSERT_NE(filler, INVALID_HANDLE_VALUE);
    const std::string page(4096, 'x');
    DWORD wrote = 0;
    while (WriteFile(filler, page.data(), 4096, &wrote, nullptr) && wrote == 4096) {
    }
    CloseHandle(filler);

    const CustomizeResult r = CustomizeFolder(full, options);
    EXPECT_FALSE(r.customized);
    EXPECT_EQ(r.error, DWORD(ERROR_DISK_FULL));
    EXPECT_FALSE(r.backupLeft);
    EXPECT_EQ(ReadAnsi(fullIni), kForeign);
    EXPECT_EQ(Attributes(fullIni), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_FALSE(Exists(full + L"\\BUDesktop.ini"));
    EXPECT_EQ(Attributes(full), 0u);
}

TEST_F(CustomizeFolderTest, NamesEndingInADotOrABlankAreAddressedExactly) {
    // Each beside the sibling that the trimmed name would address.
    const std::pair<std::wstring, std::wstring> names[] = {{L"foo.", L"foo"}, {L"bar ", L"bar"}};
    for (const auto& [name, trimmed] : names) {
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder + L"\\" + name).c_str(), nullptr));
        dir.MakeFolder(L"Data\\" + trimmed);
    }
    SortedFolderList targets;
    BuildTargetList(folder, targets);
    for (const auto& [name, trimmed] : names) {
        SCOPED_TRACE(Narrow(name));
        const std::wstring listed = folder + L"\\" + name, sibling = folder + L"\\" + trimmed;
        const std::wstring exact = L"\\\\?\\" + listed;
        EXPECT_TRUE(targets.Contains(listed));
        ASSERT_TRUE(CustomizeFolder(listed, options).customized);
        EXPECT_EQ(ReadAnsi(exact + L"\\Desktop.ini"), Expected());
        EXPECT_EQ(Attributes(exact), DWORD(FILE_ATTRIBUTE_SYSTEM));
        EXPECT_FALSE(Exists(sibling + L"\\Desktop.ini"));
        EXPECT_EQ(Attributes(sibling), 0u);
        SortedFolderList list;
        list.Add(listed);
        PruneRestoreList(list);
        EXPECT_EQ(list.Count(), 1u);
        EXPECT_EQ(RestoreFolder(listed).outcome, RestoreOutcome::Restored);
        EXPECT_FALSE(Exists(exact + L"\\Desktop.ini"));
        EXPECT_EQ(Attributes(exact), 0u);
    }
}
