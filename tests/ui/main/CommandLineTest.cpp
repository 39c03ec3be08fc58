#include "tests/ui/main/Form1Fixture.h"

#include "ui/main/CommandLine.h"

using namespace testing_support;
using namespace ui;

namespace {
class CommandLineTest : public Form1Fixture {};
} // namespace

TEST(FolderArgument, QuotesAreOptionalAndABackslashNeverEscapesOne) {
    EXPECT_EQ(FolderArgument(L"\"C:\\Program Files\\Quillane\\quillane.exe\" \"C:\\\" x"), L"C:\\");
    EXPECT_EQ(FolderArgument(L"quillane.exe \"C:\\My Data\\\""), L"C:\\My Data\\");
    EXPECT_EQ(FolderArgument(L"quillane.exe   C:\\Data  more"), L"C:\\Data");
    EXPECT_EQ(FolderArgument(L"quillane.exe"), L"");
    EXPECT_EQ(FolderArgument(L"\"quillane.exe\""), L"");
}

TEST(ParseCommandLine, SwitchesStandAnywhereInAnyCase) {
    const auto parse = [](const wchar_t* line) { return ParseCommandLine(line); };
    EXPECT_EQ(parse(L"quillane.exe").mode, ProgramMode::Window);
    EXPECT_EQ(parse(L"quillane.exe \"C:\\\"").mode, ProgramMode::Window);
    // A folder is never a switch: a path holds no slash.
    EXPECT_EQ(parse(L"quillane.exe C:\\restore-all").mode, ProgramMode::Window);
    const ProgramCommand loud = parse(L"\"C:\\Q\\quillane.exe\" /Restore-All");
    EXPECT_EQ(loud.mode, ProgramMode::RestoreAll);
    EXPECT_FALSE(loud.quiet);
    const ProgramCommand quiet = parse(L"quillane.exe /QUIET  /restore-all ");
    EXPECT_EQ(quiet.mode, ProgramMode::RestoreAll);
    EXPECT_TRUE(quiet.quiet);
    EXPECT_EQ(parse(L"quillane.exe /count-customized").mode, ProgramMode::CountCustomized);
    // Restoring is never mistaken for counting.
    EXPECT_EQ(parse(L"quillane.exe /count-customized /restore-all").mode, ProgramMode::RestoreAll);
}

TEST_F(CommandLineTest, FolderArgumentIsTakenAsIfChosen) {
    const std::wstring root = data.MakeFolder(L"My Data");
    data.MakeFolder(L"My Data\\Sub");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, data.path());
    form().folderSelection().SetIncludeSubdirectories(true);
    ASSERT_FALSE(TargetItems().empty());

    form().folderSelection().TakeFolder(root + L"\\");
    EXPECT_EQ(Text(TxtFolder), root);
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_TRUE(TargetItems().empty());
    EXPECT_EQ(Text(txtChanging), form().IdleText());
}

TEST_F(CommandLineTest, MissingFolderArgumentIsReportedAndLeavesTheBoxEmpty) {
    const std::wstring missing = data / L"gone";
    const std::wstring file = data / L"file.txt";
    WriteBytes(file, {'x'});
    ASSERT_TRUE(Start());
    for (const std::wstring& argument : {missing, file}) {
        form().SetText(TxtFolder, data.path());
        DialogResponder responder;
        responder.Expect(L"Quillane", [&](HWND d) {
            EXPECT_EQ(MessageBoxText(d), L"Folder not found: " + argument);
            EXPECT_EQ(MessageBoxIcon(d), IDI_INFORMATION);
            PressButton(d, IDOK);
        });
        form().folderSelection().TakeFolder(argument);
        EXPECT_EQ(Text(TxtFolder), L"");
    }
}

TEST_F(CommandLineTest, DriveRootArgumentIsConfirmed) {
    ASSERT_TRUE(Start());
    {
        DialogResponder responder;
        responder.ExpectButton(L"Quillane", IDNO);
        form().folderSelection().TakeFolder(L"C:");
    }
    EXPECT_EQ(Text(TxtFolder), L"");
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [](HWND d) {
            EXPECT_EQ(
                MessageBoxText(d).rfind(L"This will change ALL the Folders on Drive C:\\ ", 0), 0u);
            PressButton(d, IDYES);
        });
        form().folderSelection().TakeFolder(L"C:\\");
    }
    EXPECT_EQ(Text(TxtFolder), L"C:\\");
}

TEST_F(CommandLineTest, FolderArgumentOnACdDriveIsRefused) {
    ASSERT_TRUE(Start());
    DialogResponder responder;
    responder.ExpectButton(L"Not a Valid Hard Drive", IDOK);
    form().folderSelection().TakeFolder(L"D:\\Disc");
    EXPECT_EQ(Text(TxtFolder), L"");
}
