#include "engine/FolderList.h"
#include "engine/IniUtils.h"
#include "engine/SettingsFile.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"

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
