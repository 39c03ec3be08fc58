#include "engine/SettingsFile.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using engine::ColorToHex;
using engine::ComposeSettingsFile;
using engine::FolderOptions;

namespace {

size_t CountLines(const std::wstring& text) {
    size_t n = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'\r' && text[i + 1] == L'\n')
            ++n;
    return n;
}

} // namespace

TEST(ColorToHex, PadsToSixDigitsBehindThePrefix) {
    EXPECT_EQ(ColorToHex(255), L"0x000000FF");
    EXPECT_EQ(ColorToHex(0xFFFFFF), L"0x00FFFFFF");
    EXPECT_EQ(ColorToHex(0), L"0x00000000");
    EXPECT_EQ(ColorToHex(0x123456), L"0x00123456");
}

TEST(ColorToHex, LongerValuesAreNotCut) {
    EXPECT_EQ(ColorToHex(0x1000000), L"0x001000000");
    EXPECT_EQ(ColorToHex(static_cast<std::int32_t>(0x80000005u)), L"0x0080000005");
    EXPECT_EQ(ColorToHex(-1), L"0x00FFFFFFFF");
}

TEST(ComposeSettingsFile, WorkedExampleByteForByte) {
    FolderOptions o;
    o.iconFile = L"C:\\Icons\\blue.ico";
    o.iconIndex = 2;
    o.tooltip = L"Project papers";
    o.textColor = ColorToHex(255);
    const std::wstring expected = L"[Vendor]\r\n"
                                  L"ID=Pelwick\r\n"
                                  L"\r\n"
                                  L"[.ShellClassInfo]\r\n"
                                  L"IconFile=\"C:\\Icons\\blue.ico\"\r\n"
                                  L"IconIndex=2\r\n"
                                  L"InfoTip=\"Project papers\"\r\n"
                                  L"ConfirmFileOp=0\r\n"
                                  L"\r\n"
                                  L"[ExtShellFolderViews]\r\n"
                                  L"{BE098140-A513-11D0-A3A4-00C04FD706EC}="
                                  L"{BE098140-A513-11D0-A3A4-00C04FD706EC}\r\n"
                                  L"\r\n"
                                  L"[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                                  L"Attributes=1\r\n"
                                  L"IconArea_Image=\r\n"
                                  L"IconArea_Text=0x000000FF\r\n"
                                  L"IconArea_TextBackground=\r\n";
    EXPECT_EQ(ComposeSettingsFile(o), expected);
}

TEST(ComposeSettingsFile, SeventeenLinesWithTooltipSixteenWithout) {
    FolderOptions o;
    o.tooltip = L"Only a tooltip";
    o.iconIndex = 7;
    const std::wstring with = ComposeSettingsFile(o);
    EXPECT_EQ(CountLines(with), 17u);
    EXPECT_NE(with.find(L"\r\nIconFile=\"\"\r\nIconIndex=7\r\nInfoTip=\"Only a tooltip\"\r\n"),
              std::wstring::npos);
    EXPECT_NE(with.find(L"IconArea_Image=\r\nIconArea_Text=\r\nIconArea_TextBackground=\r\n"),
              std::wstring::npos);

    o.tooltip.clear();
    const std::wstring without = ComposeSettingsFile(o);
    EXPECT_EQ(CountLines(without), 16u);
    EXPECT_EQ(without.find(L"InfoTip"), std::wstring::npos);
}

TEST(ComposeSettingsFile, ValuesAreWrittenUnescapedOnOneLine) {
    FolderOptions o;
    o.tooltip = L"He said \"hi\"";
    o.iconIndex = -3;
    o.picturePath = L"C:\\Pics\\a b.jpg";
    const std::wstring text = ComposeSettingsFile(o);
    EXPECT_NE(text.find(L"\r\nInfoTip=\"He said \"hi\"\"\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nIconIndex=-3\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nIconArea_Image=C:\\Pics\\a b.jpg\r\n"), std::wstring::npos);
}

TEST(ComposeSettingsFile, LineBreaksInValuesBecomeBlanks) {
    FolderOptions o;
    o.tooltip = L"one\r\ntwo\nthree\rfour";
    o.iconFile = L"C:\\x\ny.ico";
    const std::wstring text = ComposeSettingsFile(o);
    EXPECT_EQ(CountLines(text), 17u);
    EXPECT_NE(text.find(L"InfoTip=\"one  two three four\"\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"IconFile=\"C:\\x y.ico\"\r\n"), std::wstring::npos);
}

TEST(FolderOptions, TheIconIndexAloneIsNoChoice) {
    FolderOptions o;
    o.iconIndex = 4;
    EXPECT_FALSE(o.AnyChosen());
    o.textBackground = L"0x00000000";
    EXPECT_TRUE(o.AnyChosen());
}

TEST(SettingsFilePaths, BackupSitsBesideTheSettingsFile) {
    EXPECT_EQ(engine::SettingsFilePath(L"C:\\Data"), L"C:\\Data\\Desktop.ini");
    EXPECT_EQ(engine::SettingsFilePath(L"C:\\"), L"C:\\Desktop.ini");
    EXPECT_EQ(engine::BackupFilePath(L"C:\\Data\\Desktop.ini"), L"C:\\Data\\BUDesktop.ini");
}

TEST(SettingsFileText, AFilesStartCountsOnlyItsWholeLines) {
    auto bytes = [](const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };
    using engine::IsOwnSettingsText;
    EXPECT_TRUE(IsOwnSettingsText(bytes("[Vendor]\r\nID=Pelwick\r\n[x]"), false));
    // Cut after the marker's letters: the line may go on as "Pelwicks".
    EXPECT_FALSE(IsOwnSettingsText(bytes("[Vendor]\r\nID=Pelwick"), false));
    EXPECT_TRUE(IsOwnSettingsText(bytes("[Vendor]\r\nID=Pelwick"), true));
    // Only a whole file can be empty.
    EXPECT_TRUE(IsOwnSettingsText({}, true));
    EXPECT_FALSE(IsOwnSettingsText({}, false));
}
