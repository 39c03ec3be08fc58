#include "tests/ui/main/Form1Fixture.h"

#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "ui/options/ColorChooser.h"

using namespace testing_support;
using namespace ui;

namespace {

class FolderSelectionTest : public Form1Fixture {};

// The eleven of the original window, and the folder-colour button.
constexpr int kBusySet[] = {Command1,     Command2,        Command3,          Command4,
                            cmdClearBgnd, cmdBrwstxtColor, cmdBrwsBgtxtColor, Command5,
                            chkSubs,      cmdBrowseFolder, CmdBrowseIconFile, cmdFolderColour};
} // namespace

TEST_F(FolderSelectionTest, WalkGivesSortedTargetsAndTheCount) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\b\\X");
    data.MakeFolder(L"Data\\A");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    std::vector<std::wstring> shown;
    form().yieldObserver = [&] { shown.push_back(Text(txtChanging)); };
    form().folderSelection().SetIncludeSubdirectories(true);
    EXPECT_EQ(TargetItems(),
              (std::vector<std::wstring>{root, root + L"\\A", root + L"\\b", root + L"\\b\\X"}));
    EXPECT_EQ(Text(txtChanging), L"Folder list complete....Ready to change 4 Folders");
    EXPECT_EQ(Text(lblSubDirsCount), L"4");
    // What the window shows, not only what it holds: no late progress text.
    form().yieldObserver = nullptr;
    PumpFor(80);
    EXPECT_EQ(WindowText(form().Control(txtChanging)),
              L"Folder list complete....Ready to change 4 Folders");
    EXPECT_EQ(WindowText(form().Control(lblSubDirsCount)), L"4");
    EXPECT_FALSE(Visible(lblCreating));
    // Pre-order: b is shown before X, whatever order the file system lists.
    auto at = [&](const std::wstring& p) { return std::find(shown.begin(), shown.end(), p); };
    ASSERT_NE(at(root + L"\\b\\X"), shown.end());
    EXPECT_LT(at(root + L"\\b"), at(root + L"\\b\\X"));
}

TEST_F(FolderSelectionTest, WalkGivesTheSameTargetsOnEveryFindLevel) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\b\\X");
    data.MakeFolder(L"Data\\A");
    WriteBytes(root + L"\\b\\file.txt", "x");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    const std::vector<std::wstring> expected{root, root + L"\\A", root + L"\\b", root + L"\\b\\X"};
    for (unsigned legacy :
         {unsigned(platform::AsOnWindowsXp), unsigned(platform::BasicFindRefused)}) {
        platform::ScopedLegacyApis mode(legacy);
        const unsigned runs = platform::LegacyPathRuns(platform::OlderThanWindows7);
        form().folderSelection().SetIncludeSubdirectories(true);
        EXPECT_EQ(TargetItems(), expected) << legacy;
        EXPECT_EQ(Text(txtChanging), L"Folder list complete....Ready to change 4 Folders");
        // One search per folder, each on the standard level.
        EXPECT_EQ(platform::LegacyPathRuns(platform::OlderThanWindows7), runs + 4) << legacy;
        form().folderSelection().SetIncludeSubdirectories(false);
    }
}

TEST_F(FolderSelectionTest, BusyLockHoldsWhileTheWalkRuns) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\one");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    bool observed = false;
    form().yieldObserver = [&] {
        if (observed)
            return;
        observed = true;
        for (int id : kBusySet)
            EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_FALSE(HasCloseCommand(form().hwnd()));
        EXPECT_TRUE(Visible(lblCreating));
        EXPECT_TRUE(Enabled(TxtToolTip));
        // Closing is refused while the lock holds.
        SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(form().hwnd()));
    };
    form().folderSelection().SetIncludeSubdirectories(true);
    EXPECT_TRUE(observed);
    ASSERT_TRUE(Settle());
    for (int id : kBusySet)
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_TRUE(HasCloseCommand(form().hwnd()));
}

TEST_F(FolderSelectionTest, ExclusionsAreSubstringsInAnyCase) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\Old DESKTOP Files\\Letters");
    data.MakeFolder(L"Data\\cd burning");
    data.MakeFolder(L"Data\\System Volume Information");
    data.MakeFolder(L"Data\\Keep\\Desk top");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    form().folderSelection().SetIncludeSubdirectories(true);
    EXPECT_EQ(TargetItems(),
              (std::vector<std::wstring>{root, root + L"\\Keep", root + L"\\Keep\\Desk top"}));

    const std::wstring onDesktop = data.MakeFolder(L"My desktop\\Sub");
    form().folderSelection().SetIncludeSubdirectories(false);
    form().SetText(TxtFolder, data / L"My desktop");
    form().folderSelection().SetIncludeSubdirectories(true);
    EXPECT_TRUE(TargetItems().empty());
    EXPECT_EQ(Text(txtChanging), L"Folder list complete....Ready to change 0 Folders");
}

TEST_F(FolderSelectionTest, UntickEmptiesTheListAndTickWithoutFolderDoesNotStay) {
    const std::wstring root = data.MakeFolder(L"Data\\A");
    ASSERT_TRUE(Start());
    SendMessageW(form().Control(chkSubs), BM_CLICK, 0, 0);
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");

    form().SetText(TxtFolder, data / L"Data");
    SendMessageW(form().Control(chkSubs), BM_CLICK, 0, 0);
    EXPECT_TRUE(Ticked(chkSubs));
    EXPECT_EQ(TargetItems().size(), 2u);
    ASSERT_TRUE(Settle());
    SendMessageW(form().Control(chkSubs), BM_CLICK, 0, 0);
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_TRUE(TargetItems().empty());
    EXPECT_EQ(Text(lblSubDirsCount), L"0");
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");
}

TEST_F(FolderSelectionTest, JunctionsAndLinksAreNeitherEntriesNorWalkedAndAreCounted) {
    // The test prefix holds C:\quillane-loop\inner\up, a link back to C:\quillane-loop.
    ASSERT_TRUE(Exists(L"C:\\quillane-loop\\inner\\up"));
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, L"C:\\quillane-loop");
    form().folderSelection().SetIncludeSubdirectories(true);
    EXPECT_EQ(TargetItems(),
              (std::vector<std::wstring>{L"C:\\quillane-loop", L"C:\\quillane-loop\\inner"}));
    EXPECT_EQ(Text(txtChanging),
              L"Folder list complete....Ready to change 2 Folders (1 linked folder passed over)");
    EXPECT_EQ(PassedOverText(3), L"3 linked folders passed over");
}

TEST_F(FolderSelectionTest, FolderDialogFillsTheFolderBox) {
    const std::wstring root = data.MakeFolder(L"Chosen");
    ASSERT_TRUE(Start());
    DialogResponder responder;
    responder.Expect(L"", [root](HWND d) {
        EXPECT_NE(FindWindowExW(d, nullptr, nullptr, L"Select a Folder to Customize"), nullptr);
        ChooseFolder(root)(d);
    });
    form().folderSelection().cmdBrowseFolder_Click();
    EXPECT_EQ(Text(TxtFolder), root);
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_TRUE(TargetItems().empty());
}

TEST_F(FolderSelectionTest, CancellingAfterAListWasBuiltKeepsTheFolderAndEmptiesTheList) {
    const std::wstring root = data.MakeFolder(L"Data\\A");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, data / L"Data");
    form().folderSelection().SetIncludeSubdirectories(true);
    ASSERT_EQ(TargetItems().size(), 2u);
    DialogResponder responder;
    responder.ExpectButton(L"", IDCANCEL);
    form().folderSelection().cmdBrowseFolder_Click();
    EXPECT_EQ(Text(TxtFolder), data / L"Data");
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_TRUE(TargetItems().empty());
}

TEST_F(FolderSelectionTest, DriveRootIsConfirmedYesKeepsItNoEmptiesTheBox) {
    ASSERT_TRUE(Start());
    const std::wstring question =
        L"This will change ALL the Folders on Drive C:\\ and can take several minutes.     "
        L"\r\n\r\nAre you sure you want to do this?          ";
    {
        DialogResponder responder;
        responder.Expect(L"", ChooseFolder(L"C:\\"));
        responder.Expect(L"Quillane", [&](HWND d) {
            EXPECT_EQ(MessageBoxText(d), question);
            EXPECT_EQ(MessageBoxIcon(d), nullptr);
            PressButton(d, IDNO);
        });
        form().folderSelection().cmdBrowseFolder_Click();
    }
    EXPECT_EQ(Text(TxtFolder), L"");
    {
        DialogResponder responder;
        responder.Expect(L"", ChooseFolder(L"C:\\"));
        responder.ExpectButton(L"Quillane", IDYES);
        form().folderSelection().cmdBrowseFolder_Click();
    }
    EXPECT_EQ(Text(TxtFolder), L"C:\\");
    EXPECT_TRUE(Enabled(Command1));
    {
        // A cancelled dialog checks the previous folder again.
        DialogResponder responder;
        responder.ExpectButton(L"", IDCANCEL);
        responder.ExpectButton(L"Quillane", IDYES);
        form().folderSelection().cmdBrowseFolder_Click();
    }
    EXPECT_EQ(Text(TxtFolder), L"C:\\");
}

TEST_F(FolderSelectionTest, FolderOnACdDriveIsRefused) {
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), UINT(DRIVE_CDROM));
    ASSERT_TRUE(Start());
    DialogResponder responder;
    responder.Expect(L"", ChooseFolder(L"D:\\Disc"));
    responder.Expect(L"Not a Valid Hard Drive", [](HWND d) {
        EXPECT_EQ(MessageBoxText(d), L"D:\\ is not a valid Hard Drive   ");
        EXPECT_EQ(MessageBoxIcon(d), IDI_INFORMATION);
        PressButton(d, IDOK);
    });
    form().folderSelection().cmdBrowseFolder_Click();
    EXPECT_EQ(Text(TxtFolder), L"");
    EXPECT_EQ(GetFocus(), form().Control(cmdBrowseFolder));
}

TEST_F(FolderSelectionTest, ClearAllKeepsTheIconIndex) {
    const std::wstring root = data.MakeFolder(L"Data\\A");
    ASSERT_TRUE(Start());
    SetScrollRange(form().Control(ScrollIconNo), SB_CTL, 0, 10, FALSE);
    SetScrollPos(form().Control(ScrollIconNo), SB_CTL, 5, FALSE);
    form().SetText(TxtFolder, data / L"Data");
    form().SetText(TxtIconFile, L"C:\\x.ico");
    form().SetText(TxtToolTip, L"tip");
    form().options().lblColor = L"0x000000FF";
    form().options().lblBgColor = L"0x00FFFFFF";
    form().options().Path = L"C:\\p.jpg";
    form().folderSelection().SetIncludeSubdirectories(true);
    form().options().cmdClearBgnd_Click();
    EXPECT_EQ(Text(TxtFolder), L"");
    EXPECT_EQ(Text(TxtIconFile), L"");
    EXPECT_EQ(Text(TxtToolTip), L"");
    EXPECT_TRUE(form().options().lblColor.empty());
    EXPECT_TRUE(form().options().lblBgColor.empty());
    EXPECT_TRUE(form().options().Path.empty());
    EXPECT_EQ(SampleTextForeColor(form().Control(lblSampleText)), 0);
    EXPECT_EQ(SampleTextBackColor(form().Control(lblSampleText)), kSystemButtonFace);
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_TRUE(TargetItems().empty());
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");
    EXPECT_EQ(GetScrollPos(form().Control(ScrollIconNo), SB_CTL), 5);
    // With the box unticked the status line keeps what it says.
    form().SetText(txtChanging, L"Folder Successfully Customized");
    form().options().cmdClearBgnd_Click();
    EXPECT_EQ(Text(txtChanging), L"Folder Successfully Customized");
}
