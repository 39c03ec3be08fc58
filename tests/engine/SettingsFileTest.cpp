#include "engine/SettingsFile.h"

#include "engine/CustomizeFolder.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

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

TEST(OwnSettingsReadBack, EveryComposedFileReadsBackAsItsOptions) {
    std::vector<FolderOptions> cases(4);
    cases[1].iconFile = L"C:\\ProgramData\\Quillane\\Icons\\Folder Red D32F2F Done.ico";
    cases[1].tooltip = L"say \"hi\" caf\u00e9 \u65e5 =[x]";
    cases[2].iconIndex = -32768;
    cases[2].picturePath = L"D:\\Pics\\a b.jpg";
    cases[2].textColor = ColorToHex(0x563412);
    cases[2].textBackground = ColorToHex(0);
    cases[3].iconFile = L"\"";
    cases[3].iconIndex = 32767;
    cases[3].tooltip = L" ";
    for (const FolderOptions& o : cases) {
        const std::wstring text = ComposeSettingsFile(o);
        FolderOptions read;
        read.tooltip = L"left over";
        ASSERT_TRUE(engine::ParseOwnSettingsText(text, read)) << testing_support::Narrow(text);
        EXPECT_EQ(read, o) << testing_support::Narrow(text);
    }
    // Only the layout the program writes, line for line.
    FolderOptions o;
    o.tooltip = L"tip";
    const std::wstring text = ComposeSettingsFile(o);
    const auto replaced = [&text](const std::wstring& from, const std::wstring& to) {
        std::wstring changed = text;
        changed.replace(changed.find(from), from.size(), to);
        return changed;
    };
    FolderOptions read;
    for (const std::wstring& bad :
         {text.substr(0, text.size() - 2), text + L"\r\n",
          replaced(L"IconIndex=0", L"IconIndex=00"), replaced(L"IconIndex=0", L"IconIndex=+0"),
          replaced(L"IconIndex=0", L"IconIndex=40000"),
          replaced(L"InfoTip=\"tip\"", L"InfoTip=\"\""),
          replaced(L"InfoTip=\"tip\"", L"InfoTip=tip"), replaced(L"ID=Pelwick", L"ID=pelwick"),
          replaced(L"Attributes=1", L"Attributes=0"),
          replaced(L"\r\n\r\n[ExtShellFolderViews]", L"\n\r\n[ExtShellFolderViews]"),
          replaced(L"[.ShellClassInfo]", L"[.shellclassinfo]"), std::wstring()})
        EXPECT_FALSE(engine::ParseOwnSettingsText(bad, read)) << testing_support::Narrow(bad);
}

TEST(OwnSettingsReadBack, OnlyTheProgramsOwnFileIsReadAndNeverThroughALink) {
    testing_support::TempDir data;
    FolderOptions o;
    o.iconFile = L"C:\\Icons\\x.ico";
    o.tooltip = L"\u041f\u0440\u0438\u0432\u0435\u0442"; // written as UTF-16
    o.textColor = ColorToHex(255);
    const std::wstring ours = data.MakeFolder(L"Ours");
    ASSERT_TRUE(engine::CustomizeFolder(ours, o).customized);
    FolderOptions read;
    ASSERT_TRUE(engine::ReadOwnSettings(ours, read));
    EXPECT_EQ(read, o);
    o.tooltip = L"plain";
    ASSERT_TRUE(engine::CustomizeFolder(ours, o).customized); // ANSI
    ASSERT_TRUE(engine::ReadOwnSettings(ours, read));
    EXPECT_EQ(read, o);

    // Ours and empty: nothing to keep.
    const std::wstring empty = data.MakeFolder(L"Empty");
    testing_support::WriteBytes(empty + L"\\Desktop.ini", "");
    ASSERT_TRUE(engine::ReadOwnSettings(empty, read));
    EXPECT_EQ(read, FolderOptions{});

    // A tooltip past the marker's prefix is still read whole.
    const std::wstring longTip = data.MakeFolder(L"LongTip");
    o.tooltip = std::wstring(40000, L'\u65e5');
    ASSERT_TRUE(engine::CustomizeFolder(longTip, o).customized);
    ASSERT_TRUE(engine::ReadOwnSettings(longTip, read));
    EXPECT_EQ(read, o);

    const std::wstring foreign = data.MakeFolder(L"Foreign");
    testing_support::WriteBytes(foreign + L"\\Desktop.ini",
                                "[.ShellClassInfo]\r\nIconFile=\"x.ico\"\r\nIconIndex=0\r\n");
    const std::wstring edited = data.MakeFolder(L"Edited");
    testing_support::WriteBytes(edited + L"\\Desktop.ini",
                                "[Vendor]\r\nID=Pelwick\r\n[.ShellClassInfo]\r\nInfoTip=x\r\n");
    // Under Wine only a link to nowhere shows as one (see docs/wine.md).
    const std::wstring linked = data.MakeFolder(L"Linked");
    const std::wstring linkedIni = linked + L"\\Desktop.ini";
    ASSERT_TRUE(testing_support::MakeUnixLink(data / L"nowhere.ini", linkedIni));
    const std::wstring none = data.MakeFolder(L"None");
    for (const std::wstring& folder : {foreign, edited, linked, none, data / L"Gone"})
        EXPECT_FALSE(engine::ReadOwnSettings(folder, read)) << testing_support::Narrow(folder);
    EXPECT_FALSE(testing_support::Exists(data / L"nowhere.ini"));
    testing_support::RunUnix({"rm", testing_support::UnixPath(linkedIni)});
}
