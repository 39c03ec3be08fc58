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

TEST_F(CommandLineTest, FolderArgumentIsTakenAsIfChosen) {
    const std::wstring root = data.MakeFolder(L"My Data");
    data.MakeFolder(L"My Data\\Sub");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, data.path());
    form().SetIncludeSubdirectories(true);
    ASSERT_FALSE(TargetItems().empty());

    form().TakeFolder(root + L"\\");
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
        form().TakeFolder(argument);
        EXPECT_EQ(Text(TxtFolder), L"");
    }
}

TEST_F(CommandLineTest, DriveRootArgumentIsConfirmed) {
    ASSERT_TRUE(Start());
    {
        DialogResponder responder;
        responder.ExpectButton(L"Quillane", IDNO);
        form().TakeFolder(L"C:");
    }
    EXPECT_EQ(Text(TxtFolder), L"");
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [](HWND d) {
            EXPECT_EQ(
                MessageBoxText(d).rfind(L"This will change ALL the Folders on Drive C:\\ ", 0), 0u);
            PressButton(d, IDYES);
        });
        form().TakeFolder(L"C:\\");
    }
    EXPECT_EQ(Text(TxtFolder), L"C:\\");
}

TEST_F(CommandLineTest, FolderArgumentOnACdDriveIsRefused) {
    ASSERT_TRUE(Start());
    DialogResponder responder;
    responder.ExpectButton(L"Not a Valid Hard Drive", IDOK);
    form().TakeFolder(L"D:\\Disc");
    EXPECT_EQ(Text(TxtFolder), L"");
}
