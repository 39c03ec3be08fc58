#include "tests/ui/main/Form1Fixture.h"

#include "engine/ListJournal.h"
#include "engine/CustomizeFolder.h"
#include "platform/Files.h"
#include "platform/Window.h"
#include "tests/support/UnixSide.h"

#include <algorithm>
#include <new>

using namespace testing_support;
using namespace ui;

namespace {

class ApplyTest : public Form1Fixture {
  protected:
    // Started on root with its subfolders ticked and a tooltip to write.
    bool StartOnTree(const std::wstring& root, const wchar_t* tooltip = L"tip") {
        if (!Start())
            return false;
        form().SetText(TxtFolder, root);
        form().folderSelection().SetIncludeSubdirectories(true);
        form().SetText(TxtToolTip, tooltip);
        return Settle();
    }
};

std::string Lines(const std::vector<std::wstring>& items) {
    std::string text;
    for (const auto& item : items)
        text += Narrow(item) + "\r\n";
    return text;
}
} // namespace

TEST_F(ApplyTest, ApplyWithoutAFolderAsksForOneAndOpensTheDialog) {
    ASSERT_TRUE(Start());
    form().SetText(TxtToolTip, L"tip");
    DialogResponder responder;
    responder.Expect(L"Quillane", [](HWND d) {
        EXPECT_EQ(MessageBoxText(d), L"Please select a Folder to Customize    ");
        EXPECT_EQ(MessageBoxIcon(d), IDI_INFORMATION);
        PressButton(d, IDOK);
    });
    responder.ExpectButton(L"", IDCANCEL); // the folder dialog
    form().apply().Command1_Click();
    EXPECT_EQ(responder.Pending(), 0u);
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), "\r\n");
}

TEST_F(ApplyTest, ApplyWithoutAnOptionTouchesNothing) {
    const std::wstring folder = data.MakeFolder(L"Data");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, folder);
    DialogResponder responder;
    responder.Expect(L"Quillane", [](HWND d) {
        EXPECT_EQ(MessageBoxText(d), L"Please select at least one of the Folder options    ");
        PressButton(d, IDOK);
    });
    form().apply().Command1_Click();
    EXPECT_FALSE(Exists(folder + L"\\Desktop.ini"));
    EXPECT_TRUE(RestoreItems().empty());
}

TEST_F(ApplyTest, ApplyOneFolderWritesRecordsAndSaves) {
    const std::wstring folder = data.MakeFolder(L"Data");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, folder);
    form().SetText(TxtToolTip, L"Project papers");
    form().options().lblColor = L"0x000000FF";
    form().apply().Command1_Click();

    engine::FolderOptions expected;
    expected.tooltip = L"Project papers";
    expected.textColor = L"0x000000FF";
    std::wstring text = engine::ComposeSettingsFile(expected);
    EXPECT_EQ(ReadAnsi(folder + L"\\Desktop.ini"), std::string(text.begin(), text.end()));
    EXPECT_EQ(Attributes(folder + L"\\Desktop.ini"),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{folder});
    EXPECT_EQ(Text(lblRestoreCount), L"1");
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Lines({folder}));
    EXPECT_EQ(GetFocus(), form().Control(cmdDummy));

    // Listed already in another letter case: not added again.
    std::wstring upper = folder;
    for (auto& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    form().SetText(TxtFolder, upper);
    form().apply().Command1_Click();
    EXPECT_EQ(RestoreItems().size(), 1u);
}

TEST_F(ApplyTest, ApplyToAFolderThatCannotBeWrittenSaysWhy) {
    const std::wstring folder = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\Desktop.ini"); // a folder where the file would go
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, folder);
    form().SetText(TxtToolTip, L"tip");
    form().apply().Command1_Click();
    const std::wstring status = Text(txtChanging);
    EXPECT_EQ(status.rfind(L"Folder could not be customized: ", 0), 0u) << Narrow(status);
    EXPECT_GT(status.size(), std::wstring(L"Folder could not be customized: ").size());
    EXPECT_TRUE(RestoreItems().empty());
    EXPECT_EQ(Text(lblRestoreCount), L"0");
}

TEST_F(ApplyTest, ApplyToTheTargetListCustomizesEveryFolder) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\b\\X");
    data.MakeFolder(L"Data\\A");
    const std::string foreign = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";
    WriteBytes(root + L"\\A\\Desktop.ini", foreign);
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    form().folderSelection().SetIncludeSubdirectories(true);
    form().SetText(TxtIconFile, L"C:\\Icons\\blue.ico");
    std::vector<std::wstring> changing;
    RecordStatuses(L"Changing ", changing);
    form().apply().Command1_Click();
    const std::vector<std::wstring> all{root, root + L"\\A", root + L"\\b", root + L"\\b\\X"};
    for (const auto& folder : all) {
        EXPECT_EQ(Attributes(folder + L"\\Desktop.ini"),
                  DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            << Narrow(folder);
        EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM)) << Narrow(folder);
    }
    EXPECT_EQ(ReadAnsi(root + L"\\A\\BUDesktop.ini"), foreign);
    EXPECT_EQ(changing.size(), 4u);
    EXPECT_EQ(changing.front(), L"Changing " + root);
    EXPECT_EQ(RestoreItems(), all);
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Lines(all));
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_EQ(Text(lblRestoreCount), L"4");
}

TEST_F(ApplyTest, ApplyToAListWithFailuresCountsThem) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\A");
    // A folder where B's settings file would go; the walk leaves it out by its name.
    data.MakeFolder(L"Data\\B\\Desktop.ini");
    ASSERT_TRUE(StartOnTree(root));
    ASSERT_EQ(TargetItems().size(), 3u);
    form().apply().Command1_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Customized: 2 of 3 (1 could not be changed)");
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{root, root + L"\\A"}));
    EXPECT_FALSE(Exists(root + L"\\B\\BUDesktop.ini"));
}

TEST_F(ApplyTest, ALongRunListsEveryFolderOnceAndInOrder) {
    const std::wstring root = data.MakeFolder(L"Data");
    std::vector<std::wstring> all{root};
    for (int i = 0; i < 300; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"F%03d", i);
        all.push_back(data.MakeFolder(std::wstring(L"Data\\") + name));
    }
    // Already listed: it must not come twice.
    engine::FolderOptions earlier;
    earlier.tooltip = L"t";
    ASSERT_TRUE(engine::CustomizeFolder(all[200], earlier).customized);
    WriteBytes(appDir / L"Fldr.dll", Lines({all[200]}));
    ASSERT_TRUE(StartOnTree(root));
    form().apply().Command1_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_EQ(RestoreItems(), all);
    EXPECT_EQ(Text(lblRestoreCount), L"301");
}

TEST_F(ApplyTest, FoldersListedInAnotherCaseAreNotListedTwice) {
    const std::wstring root = data.MakeFolder(L"Data");
    std::vector<std::wstring> all{root};
    for (int i = 0; i < 40; ++i)
        all.push_back(data.MakeFolder(L"Data\\Sub" + std::to_wstring(100 + i)));
    // Listed as another spelling of the same folders, and one that is no target.
    std::wstring upper = all[12], other = data.MakeFolder(L"Other");
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    engine::FolderOptions earlier;
    earlier.tooltip = L"t";
    for (const auto& folder : {all[12], all[30], other})
        ASSERT_TRUE(engine::CustomizeFolder(folder, earlier).customized);
    WriteBytes(appDir / L"Fldr.dll", Lines({upper, all[30], other}));
    ASSERT_TRUE(StartOnTree(root));
    form().apply().Command1_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    std::vector<std::wstring> expected = all;
    expected[12] = upper;
    expected.push_back(other);
    EXPECT_EQ(RestoreItems(), expected);
}

TEST_F(ApplyTest, EveryFolderOfARunGetsTheOptionsReadAtItsStart) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\A");
    data.MakeFolder(L"Data\\B");
    ASSERT_TRUE(StartOnTree(root, L"first"));
    bool edited = false;
    form().yieldObserver = [&] {
        if (!edited && Text(txtChanging).rfind(L"Changing ", 0) == 0) {
            edited = true;
            EXPECT_TRUE(Enabled(TxtToolTip)); // the tooltip box stays live
            EXPECT_FALSE(Enabled(Command1));  // while the busy lock holds
            EXPECT_FALSE(Enabled(chkSubs));
            EXPECT_FALSE(HasCloseCommand(form().hwnd()));
            form().SetText(TxtToolTip, L"second");
        }
    };
    form().apply().Command1_Click();
    ASSERT_TRUE(edited);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(Enabled(Command1));
    EXPECT_TRUE(HasCloseCommand(form().hwnd()));
    for (const wchar_t* sub : {L"", L"\\A", L"\\B"})
        EXPECT_NE(ReadAnsi(root + sub + L"\\Desktop.ini").find("InfoTip=\"first\""),
                  std::string::npos);
}

TEST_F(ApplyTest, ApplyToAnEmptyTargetListTouchesNothingButSaves) {
    const std::wstring root = data.MakeFolder(L"My Desktop");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    form().folderSelection().SetIncludeSubdirectories(true);
    ASSERT_TRUE(TargetItems().empty());
    form().SetText(TxtToolTip, L"tip");
    form().apply().Command1_Click();
    EXPECT_FALSE(Exists(root + L"\\Desktop.ini"));
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_EQ(ReadBytes(appDir / L"Fldr.dll").size(), 0u);
}

TEST_F(ApplyTest, FailedSaveKeepsTheListAndSaysWhy) {
    const std::wstring kept = data.MakeFolder(L"Kept");
    const std::wstring fresh = data.MakeFolder(L"Fresh");
    engine::FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(engine::CustomizeFolder(kept, options).customized);
    WriteBytes(appDir / L"Fldr.dll", Lines({kept}));
    ASSERT_TRUE(Start());
    // A list file that cannot be replaced keeps its content; the list keeps
    // the new folder, and the user is told.
    SetFileAttributesW((appDir / L"Fldr.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    form().SetText(TxtFolder, fresh);
    form().SetText(TxtToolTip, L"tip");
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [](HWND d) {
            EXPECT_EQ(MessageBoxText(d), L"The restore list could not be saved: " +
                                             platform::ErrorText(ERROR_ACCESS_DENIED));
            EXPECT_EQ(MessageBoxIcon(d), IDI_EXCLAMATION);
            PressButton(d, IDOK);
        });
        form().apply().Command1_Click();
        EXPECT_EQ(responder.Pending(), 0u);
    }
    SetFileAttributesW((appDir / L"Fldr.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Lines({kept}));
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{fresh, kept}));
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    // The next save tries again.
    form().apply().Command1_Click();
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Lines({fresh, kept}));
    EXPECT_FALSE(Exists(engine::JournalPath(appDir / L"Fldr.dll")));
}

TEST_F(ApplyTest, AWindowThatGoesDuringApplyStopsTheRunAndItsFoldersStayRestorable) {
    const std::wstring root = data.MakeFolder(L"Data");
    for (const wchar_t* sub : {L"Data\\A", L"Data\\B", L"Data\\C"})
        data.MakeFolder(sub);
    ASSERT_TRUE(StartOnTree(root));
    form().yieldObserver = [&] {
        if (Exists(root + L"\\A\\Desktop.ini"))
            DestroyWindow(form().hwnd());
    };
    form().apply().Command1_Click();
    EXPECT_EQ(form().hwnd(), nullptr);
    // Stopped at once: the later folders were not touched.
    EXPECT_FALSE(Exists(root + L"\\C\\Desktop.ini"));
    EXPECT_TRUE(Exists(engine::JournalPath(appDir / L"Fldr.dll")));
    form_.reset();
    // The next start finds what the run wrote.
    ASSERT_TRUE(Start());
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{root, root + L"\\A"}));
}

TEST_F(ApplyTest, AHugeFileOrALinkInTheTreeLeavesTheRunGoing) {
    const std::wstring root = data.MakeFolder(L"Data");
    const std::wstring huge = data.MakeFolder(L"Data\\Huge"),
                       linked = data.MakeFolder(L"Data\\Link");
    data.MakeFolder(L"Data\\Z");
    const std::string start = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";
    WriteBytes(huge + L"\\Desktop.ini", start);
    const unsigned long long hugeSize = 1200ull * 1024 * 1024;
    ASSERT_TRUE(SetFileLength(huge + L"\\Desktop.ini", hugeSize));
    const std::wstring outside = data.MakeFolder(L"Outside");
    ASSERT_TRUE(MakeUnixLink(outside + L"\\target.ini", linked + L"\\Desktop.ini"));
    ASSERT_TRUE(StartOnTree(root));
    form().apply().Command1_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Customized: 3 of 4 (1 could not be changed)");
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{root, huge, root + L"\\Z"}));
    // The huge file is the backup now, whole.
    WIN32_FILE_ATTRIBUTE_DATA backup{};
    ASSERT_TRUE(
        GetFileAttributesExW((huge + L"\\BUDesktop.ini").c_str(), GetFileExInfoStandard, &backup));
    EXPECT_EQ((ULONGLONG(backup.nFileSizeHigh) << 32) | backup.nFileSizeLow, hugeSize);
    EXPECT_TRUE(engine::IsOwnSettingsFile(huge + L"\\Desktop.ini"));
    // Nothing was made through the link, nor anywhere else.
    EXPECT_FALSE(Exists(outside + L"\\target.ini"));
    EXPECT_FALSE(Exists(linked + L"\\BUDesktop.ini"));
    RunUnix({"rm", UnixPath(linked + L"\\Desktop.ini")});
}

TEST_F(ApplyTest, RunningOutOfMemoryOnOneFolderEndsOnlyThatFolder) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\A");
    data.MakeFolder(L"Data\\B");
    ASSERT_TRUE(StartOnTree(root));
    auto clickApply = [this] {
        SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(Command1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(form().Control(Command1)));
    };
    bool thrown = false;
    form().yieldObserver = [&] {
        if (!thrown && Text(txtChanging) == L"Changing " + root + L"\\A") {
            thrown = true;
            throw std::bad_alloc();
        }
    };
    clickApply();
    EXPECT_TRUE(thrown);
    EXPECT_EQ(Text(txtChanging), L"Folders Customized: 2 of 3 (1 could not be changed)");
    EXPECT_FALSE(Exists(root + L"\\A\\Desktop.ini"));
    EXPECT_TRUE(Exists(root + L"\\B\\Desktop.ini"));
    // That folder's line may be missing: the journal stays for the next start.
    EXPECT_TRUE(Exists(engine::JournalPath(appDir / L"Fldr.dll")));

    // Outside a folder's step it ends the operation, told in words.
    ASSERT_TRUE(Settle());
    form().yieldObserver = [] { throw std::bad_alloc(); };
    clickApply();
    form().yieldObserver = nullptr;
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Text(txtChanging),
              L"The operation stopped: " + platform::ErrorText(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(Enabled(Command1));
    // The hourglass went with it.
    SendMessageW(form().hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form().Control(Command1)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(ApplyTest, ANameThatDiffersOnlyInAnIgnorableCharacterIsAnotherFolder) {
    // A soft hyphen: the locale's comparison passes over it, the file system does not.
    const std::wstring plain = data.MakeFolder(L"Photos"),
                       hyphened = data.MakeFolder(L"Pho\u00ADtos");
    ASSERT_TRUE(Start());
    form().SetText(TxtToolTip, L"tip");
    for (const std::wstring& folder : {plain, hyphened}) {
        form().SetText(TxtFolder, folder);
        form().apply().Command1_Click();
        EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
        EXPECT_TRUE(engine::IsOwnSettingsFile(folder + L"\\Desktop.ini")) << Narrow(folder);
    }
    std::vector<std::wstring> items = RestoreItems();
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (std::vector<std::wstring>{plain, hyphened}));
    // Listed again, it is found: once each.
    form().SetText(TxtFolder, hyphened);
    form().apply().Command1_Click();
    EXPECT_EQ(RestoreItems().size(), 2u);
}

TEST_F(ApplyTest, ALinkedFolderIsNeverWrittenWhetherInTheTreeOrChosen) {
    const std::wstring root = data.MakeFolder(L"Data");
    data.MakeFolder(L"Data\\A");
    const std::wstring outside = data.MakeFolder(L"Outside");
    const std::string theirs = "[.ShellClassInfo]\r\nInfoTip=the other tree's own\r\n";
    WriteBytes(outside + L"\\Desktop.ini", theirs);
    ASSERT_TRUE(SetFileAttributesW((outside + L"\\Desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::wstring link = root + L"\\Link";
    ASSERT_TRUE(MakeUnixLink(outside, link));
    const DWORD outsideAttributes = Attributes(outside);
    const auto untouched = [&] {
        EXPECT_EQ(ReadAnsi(outside + L"\\Desktop.ini"), theirs);
        EXPECT_EQ(Attributes(outside + L"\\Desktop.ini"), DWORD(FILE_ATTRIBUTE_HIDDEN));
        EXPECT_EQ(Attributes(outside), outsideAttributes);
        EXPECT_FALSE(Exists(outside + L"\\BUDesktop.ini"));
    };

    ASSERT_TRUE(StartOnTree(root));
    EXPECT_EQ(Text(txtChanging),
              L"Folder list complete....Ready to change 2 Folders (1 linked folder passed over)");
    form().apply().Command1_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{root, root + L"\\A"}));
    untouched();

    // Chosen itself, alone or with its subfolders: refused, and said.
    for (const bool subfolders : {false, true}) {
        SCOPED_TRACE(subfolders);
        ASSERT_TRUE(Settle());
        form().folderSelection().SetIncludeSubdirectories(false);
        form().SetText(TxtFolder, link);
        form().folderSelection().SetIncludeSubdirectories(subfolders);
        if (subfolders) {
            EXPECT_EQ(Text(txtChanging), L"Folder list complete....Ready to change 0 Folders (1 "
                                         L"linked folder passed over)");
        }
        DialogResponder responder;
        responder.Expect(L"Quillane", [&](HWND d) {
            EXPECT_EQ(MessageBoxText(d), LinkedFolderText(link));
            PressButton(d, IDOK);
        });
        form().apply().Command1_Click();
        EXPECT_EQ(responder.Pending(), 0u);
        untouched();
        EXPECT_EQ(RestoreItems().size(), 2u);
    }
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Lines({root, root + L"\\A"}));
    ASSERT_TRUE(RunUnix({"rm", UnixPath(link)}));
}

TEST_F(ApplyTest, TheFolderBoxsTextIsCheckedAsAFolderArgument) {
    const std::wstring sub = data.MakeFolder(L"sub");
    const std::wstring exact = data.MakeFolder(L"exact");
    ASSERT_EQ(data.path().rfind(L"C:\\", 0), 0u);
    ASSERT_FALSE(Exists(L"C:\\Desktop.ini"));
    wchar_t current[MAX_PATH] = {};
    ASSERT_TRUE(GetCurrentDirectoryW(MAX_PATH, current));
    // Where a relative name would find the folder.
    ASSERT_TRUE(SetCurrentDirectoryW(data.path().c_str()));
    ASSERT_TRUE(Start());
    form().SetText(TxtToolTip, L"tip");
    for (const wchar_t* name : {L"sub", L"C:sub", L".\\sub"}) {
        const std::wstring relative = name;
        SCOPED_TRACE(Narrow(relative));
        for (const bool subfolders : {false, true}) {
            DialogResponder responder;
            responder.Expect(L"Quillane", [&](HWND d) {
                EXPECT_EQ(MessageBoxText(d), L"Folder not found: " + relative);
                PressButton(d, IDOK);
            });
            form().SetText(TxtFolder, relative);
            if (subfolders) {
                form().folderSelection().SetIncludeSubdirectories(true);
                EXPECT_FALSE(Ticked(chkSubs));
            } else {
                form().apply().Command1_Click();
            }
            EXPECT_EQ(responder.Pending(), 0u);
            EXPECT_EQ(Text(TxtFolder), L"");
        }
    }
    {
        // A drive's root goes through the drive-root question; No changes nothing.
        DialogResponder responder;
        responder.Expect(L"Quillane", [](HWND d) {
            EXPECT_EQ(
                MessageBoxText(d).rfind(L"This will change ALL the Folders on Drive C:\\ ", 0), 0u);
            PressButton(d, IDNO);
        });
        form().SetText(TxtFolder, L"C:\\");
        form().apply().Command1_Click();
        EXPECT_EQ(responder.Pending(), 0u);
        EXPECT_EQ(Text(TxtFolder), L"");
    }
    SetCurrentDirectoryW(current);
    EXPECT_FALSE(Exists(sub + L"\\Desktop.ini"));
    EXPECT_FALSE(Exists(L"C:\\Desktop.ini"));
    EXPECT_TRUE(RestoreItems().empty());

    // The exact form is recorded as the plain path, which reads back as the same folder.
    form().SetText(TxtFolder, L"\\\\?\\" + exact);
    form().apply().Command1_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_EQ(Text(TxtFolder), exact);
    EXPECT_TRUE(engine::IsOwnSettingsFile(exact + L"\\Desktop.ini"));
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{exact});
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Lines({exact}));
}
