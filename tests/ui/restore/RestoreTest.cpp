#include "tests/ui/main/Form1Fixture.h"

#include "engine/CustomizeFolder.h"
#include "platform/Files.h"
#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "ui/common/FolderColour.h"
#include "ui/restore/RestoreList.h"

using namespace testing_support;
using namespace ui;

namespace {

const std::string kForeign = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";

class RestoreTest : public Form1Fixture {
  protected:
    // Customizes the folders through the engine and starts the window on them.
    void StartWith(const std::vector<std::wstring>& folders) {
        ListCustomized(folders);
        ASSERT_TRUE(Start());
        form().restoreView().Command2_Click();
    }
    void Tick(int index) { SendMessageW(form().Control(lstRestore), LB_SETSEL, TRUE, index); }
    int TickedItems() { return TickedCount(form().Control(lstRestore)); }
    void ClickSelectAll() {
        SendMessageW(form().Control(chkSelect), BM_CLICK, 0, 0);
        Settle();
    }
    bool ViewUsable() {
        Settle();
        return Enabled(cmdRestore) && Enabled(cmdOk) && Enabled(chkSelect) &&
               HasCloseCommand(form().hwnd());
    }
};

} // namespace

TEST_F(RestoreTest, ViewsSwitchAndShowTheTitle) {
    ASSERT_TRUE(Start());
    form().SetText(txtChanging, L"something else");
    form().restoreView().Command2_Click();
    EXPECT_TRUE(Visible(fraRestore));
    EXPECT_FALSE(Visible(fraChange));
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");
    form().SetText(txtChanging, L"x");
    form().restoreView().cmdOk_Click();
    EXPECT_TRUE(Visible(fraChange));
    EXPECT_FALSE(Visible(fraRestore));
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");
}

TEST_F(RestoreTest, EmptyListAndNothingTickedAreReported) {
    ASSERT_TRUE(Start());
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [](HWND d) {
            EXPECT_EQ(MessageBoxText(d), L"No folders to restore     ");
            EXPECT_EQ(MessageBoxIcon(d), IDI_INFORMATION);
            PressButton(d, IDOK);
        });
        form().restoreView().cmdRestore_Click();
    }
    form_.reset();
    const std::wstring folder = data.MakeFolder(L"Data");
    StartWith({folder});
    DialogResponder responder;
    responder.Expect(L"Quillane", [](HWND d) {
        EXPECT_EQ(MessageBoxText(d), L"Please check folders to restore     ");
        PressButton(d, IDOK);
    });
    form().restoreView().cmdRestore_Click();
    EXPECT_TRUE(Exists(folder + L"\\Desktop.ini"));
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{folder});
}

TEST_F(RestoreTest, BackupBecomesTheSettingsFileAgain) {
    const std::wstring withBackup = data.MakeFolder(L"A");
    const std::wstring without = data.MakeFolder(L"B");
    WriteBytes(withBackup + L"\\Desktop.ini", kForeign);
    StartWith({withBackup, without});
    // A coloured folder's icon file is shared by other folders: it stays.
    engine::SharedIcon icon;
    ASSERT_TRUE(FolderIconFile({0x12, 0x34, 0x56}, data / L"Icons", L"", icon));
    const std::vector<std::uint8_t> iconBytes = ReadBytes(icon.path);
    engine::FolderOptions coloured;
    coloured.iconFile = icon.path;
    ASSERT_TRUE(engine::CustomizeFolder(without, coloured).customized);
    ClickSelectAll();
    EXPECT_EQ(TickedItems(), 2);
    form().restoreView().cmdRestore_Click();

    EXPECT_EQ(ReadAnsi(withBackup + L"\\Desktop.ini"), kForeign);
    EXPECT_EQ(Attributes(withBackup + L"\\Desktop.ini"), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(withBackup + L"\\BUDesktop.ini"));
    EXPECT_EQ(Attributes(withBackup), DWORD(FILE_ATTRIBUTE_SYSTEM));

    EXPECT_FALSE(Exists(without + L"\\Desktop.ini"));
    EXPECT_EQ(Attributes(without), 0u);
    EXPECT_EQ(ReadBytes(icon.path), iconBytes);

    EXPECT_TRUE(RestoreItems().empty());
    EXPECT_EQ(Text(lblRestoreCount), L"0");
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Restored");
    EXPECT_FALSE(Ticked(chkSelect));
    EXPECT_EQ(TickedItems(), 0);
    EXPECT_TRUE(ViewUsable());

    // The list file follows at the next save.
    form().Command4_Click();
    EXPECT_EQ(ReadBytes(appDir / L"Fldr.dll").size(), 0u);
}

TEST_F(RestoreTest, ReadOnlySettingsFileIsRemovedToo) {
    const std::wstring folder = data.MakeFolder(L"Locked");
    StartWith({folder});
    const std::wstring ini = folder + L"\\Desktop.ini";
    SetFileAttributesW(ini.c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    Tick(0);
    form().restoreView().cmdRestore_Click();
    EXPECT_FALSE(Exists(ini));
    EXPECT_EQ(Attributes(folder), 0u);
    EXPECT_TRUE(RestoreItems().empty());
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Restored");
}

TEST_F(RestoreTest, FolderWhoseSettingsFileWentIsOnlyDropped) {
    const std::wstring gone = data.MakeFolder(L"Gone");
    const std::wstring other = data.MakeFolder(L"Other");
    StartWith({gone, other});
    SetFileAttributesW((gone + L"\\Desktop.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW((gone + L"\\Desktop.ini").c_str());
    Tick(0);
    std::vector<std::wstring> restoring;
    RecordStatuses(L"Restoring ", restoring);
    form().restoreView().cmdRestore_Click();
    EXPECT_EQ(restoring, std::vector<std::wstring>{});         // nothing to put back
    EXPECT_EQ(Attributes(gone), DWORD(FILE_ATTRIBUTE_SYSTEM)); // untouched
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{other});
    EXPECT_TRUE(Exists(other + L"\\Desktop.ini"));
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Restored");
}

TEST_F(RestoreTest, ItemsAreRestoredFromTheBottomUp) {
    const std::wstring a = data.MakeFolder(L"A"), b = data.MakeFolder(L"B"),
                       c = data.MakeFolder(L"C");
    StartWith({a, b, c});
    Tick(0);
    Tick(2);
    std::vector<std::wstring> restoring;
    RecordStatuses(L"Restoring ", restoring);
    form().restoreView().cmdRestore_Click();
    EXPECT_EQ(restoring, (std::vector<std::wstring>{L"Restoring " + c, L"Restoring " + a}));
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{b});
}

TEST_F(RestoreTest, SelectAllTicksEverythingAndUntickClearsSingleTicks) {
    ASSERT_TRUE(Start());
    form().restoreView().Command2_Click();
    ClickSelectAll(); // empty list: only the box changes
    EXPECT_TRUE(Ticked(chkSelect));
    ClickSelectAll();
    form_.reset();

    const std::wstring a = data.MakeFolder(L"A"), b = data.MakeFolder(L"B");
    StartWith({a, b});
    Tick(1);
    ClickSelectAll();
    EXPECT_EQ(TickedItems(), 2);
    EXPECT_TRUE(ViewUsable());
    ClickSelectAll();
    EXPECT_EQ(TickedItems(), 0);
}

TEST_F(RestoreTest, ClickingAnItemTogglesItsTick) {
    const std::wstring a = data.MakeFolder(L"A");
    StartWith({a});
    HWND list = form().Control(lstRestore);
    RECT item;
    SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM(item.left + 5, item.top + 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(TickedItems(), 1);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(list, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(TickedItems(), 0);
}

TEST_F(RestoreTest, AHeldSettingsFileIsLeftAsItIsNamedAndTriedAgain) {
    const std::wstring folder = data.MakeFolder(L"Held");
    const std::wstring other = data.MakeFolder(L"Other");
    const std::wstring ini = folder + L"\\Desktop.ini";
    WriteBytes(ini, kForeign); // the user's own, set aside
    StartWith({folder, other});
    const std::wstring because = L" (1 could not be restored): " + folder + L": " +
                                 platform::ErrorText(ERROR_SHARING_VIOLATION);
    // Held by a scanner without sharing, then by an editor that shares reads
    // and writes but not deletion: nothing of the folder is touched.
    for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        platform::FileHandle held(
            CreateFileW(ini.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        ClickSelectAll();
        form().restoreView().cmdRestore_Click();
        held.reset();
        EXPECT_EQ(Attributes(ini), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) << share;
        EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM)) << share;
        EXPECT_TRUE(engine::IsOwnSettingsFile(ini)) << share;
        EXPECT_EQ(ReadAnsi(folder + L"\\BUDesktop.ini"), kForeign) << share;
        EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{folder}) << share;
        EXPECT_TRUE(ViewUsable());
        EXPECT_EQ(Text(txtChanging),
                  (share ? L"Folders Restored: 0 of 1" : L"Folders Restored: 1 of 2") + because);
    }
    EXPECT_FALSE(Exists(other + L"\\Desktop.ini"));
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{folder});
    Tick(0);
    form().restoreView().cmdRestore_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Restored");
    EXPECT_TRUE(RestoreItems().empty());
}

TEST_F(RestoreTest, ForeignFileBesideABackupSurvivesApplyAndRestore) {
    const std::wstring folder = data.MakeFolder(L"Theirs");
    WriteBytes(folder + L"\\Desktop.ini", kForeign);
    StartWith({folder}); // the first file is now the backup
    const std::string later = "[.ShellClassInfo]\r\nInfoTip=written later\r\n";
    const std::wstring ini = folder + L"\\Desktop.ini";
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(ini, later);
    form().restoreView().cmdOk_Click();
    form().SetText(TxtFolder, folder);
    form().SetText(TxtToolTip, L"mine");
    form().apply().Command1_Click();
    EXPECT_EQ(ReadAnsi(ini), later);
    EXPECT_EQ(ReadAnsi(folder + L"\\BUDesktop.ini"), kForeign);
    EXPECT_EQ(Text(txtChanging).rfind(L"Folder could not be customized: ", 0), 0u);

    form().restoreView().Command2_Click();
    Tick(0);
    form().restoreView().cmdRestore_Click();
    // The later file may be the user's newer one: both stay as they are, and
    // the folder stays listed with the user's file set aside.
    EXPECT_EQ(ReadAnsi(ini), later);
    EXPECT_EQ(Attributes(ini), 0u);
    EXPECT_EQ(ReadAnsi(folder + L"\\BUDesktop.ini"), kForeign);
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{folder});
    const std::wstring status = Text(txtChanging);
    EXPECT_EQ(
        status.rfind(L"Folders Restored: 0 of 1 (1 could not be restored): " + folder + L": ", 0),
        0u)
        << Narrow(status);
    EXPECT_NE(status.find(L"BUDesktop.ini"), std::wstring::npos) << Narrow(status);
    form().Command4_Click();
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(folder) + "\r\n");
}

TEST_F(RestoreTest, ApplyFromTheRestoreViewLocksTheView) {
    const std::wstring a = data.MakeFolder(L"A"), fresh = data.MakeFolder(L"Fresh");
    StartWith({a});
    form().SetText(TxtFolder, fresh);
    form().SetText(TxtToolTip, L"tip");
    bool sawLocked = false;
    form().yieldObserver = [&] {
        sawLocked = sawLocked ||
                    (!Enabled(cmdRestore) && !Enabled(chkSelect) && !Enabled(cmdOk) &&
                     !Enabled(Command1) && !Enabled(Command4) && !HasCloseCommand(form().hwnd()));
        // Close is refused while the run holds the lock.
        SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(form().hwnd()));
    };
    SendMessageW(form().Control(Command1), BM_CLICK, 0, 0);
    form().yieldObserver = nullptr;
    EXPECT_TRUE(sawLocked);
    EXPECT_TRUE(ViewUsable());
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{a, fresh}));
}

TEST_F(RestoreTest, TheLockComesOffInStepsAndDropsCommandsMeanwhile) {
    const std::wstring a = data.MakeFolder(L"A");
    StartWith({a});
    const auto clickOk = [this] {
        PostMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(cmdOk, BN_CLICKED),
                     reinterpret_cast<LPARAM>(form().Control(cmdOk)));
    };
    SendMessageW(form().Control(chkSelect), BM_SETCHECK, BST_CHECKED, 0);
    form().restoreView().chkSelect_Click();
    // Select All is over; its lock comes off a part at a time, Apply's row last.
    EXPECT_TRUE(form().Busy());
    EXPECT_FALSE(Enabled(cmdOk));
    ASSERT_TRUE(PumpUntil([&] { return Enabled(cmdOk); }));
    ASSERT_TRUE(form().Busy());
    EXPECT_FALSE(Enabled(Command1));
    // A new operation in the middle takes back what had come on.
    bool sawLocked = false;
    form().yieldObserver = [&] { sawLocked = !Enabled(cmdOk) && !Enabled(Command1); };
    form().restoreView().chkSelect_Click();
    form().yieldObserver = nullptr;
    EXPECT_TRUE(sawLocked);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(cmdOk); }));
    // A click of a button already on is dropped while the release goes on.
    clickOk();
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(Visible(fraRestore));
    EXPECT_TRUE(ViewUsable());
    for (int id : {Command1, Command2, Command3, Command4, chkSubs, cmdBrowseFolder})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(TickedItems(), 1);
    // Once the window is ready, the same click runs.
    clickOk();
    PumpFor(20);
    EXPECT_FALSE(Visible(fraRestore));
}

TEST_F(RestoreTest, EndOfSessionSavesAndWaitsForARunningRestore) {
    const std::wstring a = data.MakeFolder(L"A"), b = data.MakeFolder(L"B");
    StartWith({a, b});
    EXPECT_EQ(SendMessageW(form().hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
    LRESULT duringRun = TRUE;
    form().yieldObserver = [&] {
        if (duringRun == TRUE)
            duringRun = SendMessageW(form().hwnd(), WM_QUERYENDSESSION, 0, 0);
    };
    Tick(1);
    form().restoreView().cmdRestore_Click();
    form().yieldObserver = nullptr;
    EXPECT_EQ(duringRun, FALSE);
    // Saved as soon as the run was over.
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(a) + "\r\n");

    Tick(0);
    form().restoreView().cmdRestore_Click();
    SendMessageW(form().hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ReadBytes(appDir / L"Fldr.dll").size(), 0u);
}

TEST_F(RestoreTest, NameClashEndsTheOperationAndTheWindowWorksAgain) {
    const std::wstring clash = data.MakeFolder(L"A");
    const std::wstring fine = data.MakeFolder(L"B");
    WriteBytes(clash + L"\\Desktop.ini", kForeign);
    StartWith({clash, fine});
    const std::wstring ini = clash + L"\\Desktop.ini";
    // Held open with every sharing, the settings file goes only as the last
    // handle closes: the backup's rename meets the name still there.
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ClickSelectAll();
    form().restoreView().cmdRestore_Click();
    CloseHandle(held);

    EXPECT_FALSE(Exists(fine + L"\\Desktop.ini")); // the lower item went first
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{clash});
    EXPECT_EQ(Text(lblRestoreCount), L"1");
    EXPECT_EQ(ReadAnsi(clash + L"\\BUDesktop.ini"), kForeign);
    const std::wstring status = Text(txtChanging);
    EXPECT_EQ(status.rfind(L"Restore stopped at " + clash + L": ", 0), 0u) << Narrow(status);
    EXPECT_TRUE(ViewUsable());
}

TEST_F(RestoreTest, RestoreWorksWithWhatWindowsXpOffers) {
    const std::wstring withBackup = data.MakeFolder(L"A");
    const std::wstring locked = data.MakeFolder(L"B");
    WriteBytes(withBackup + L"\\Desktop.ini", kForeign);
    StartWith({withBackup, locked});
    const std::wstring lockedIni = locked + L"\\Desktop.ini";
    SetFileAttributesW(lockedIni.c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    platform::ScopedLegacyApis xp(platform::AsOnWindowsXp);
    const unsigned handleCalls = platform::LegacyPathRuns(platform::NoSetFileInformationByHandle);
    const unsigned ticks = platform::LegacyPathRuns(platform::NoTickCount64);
    ClickSelectAll();
    form().restoreView().cmdRestore_Click();

    EXPECT_EQ(ReadAnsi(withBackup + L"\\Desktop.ini"), kForeign);
    EXPECT_EQ(Attributes(withBackup + L"\\Desktop.ini"), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(withBackup + L"\\BUDesktop.ini"));
    EXPECT_EQ(Attributes(withBackup), DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_FALSE(Exists(lockedIni));
    EXPECT_EQ(Attributes(locked), 0u);
    EXPECT_TRUE(RestoreItems().empty());
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Restored");
    // Two deletions and the read-only file's reset went the XP way.
    EXPECT_GE(platform::LegacyPathRuns(platform::NoSetFileInformationByHandle), handleCalls + 3);
    EXPECT_GT(platform::LegacyPathRuns(platform::NoTickCount64), ticks);
}

TEST(OutcomeText, AllDoneOrHowManyOfHowMany) {
    EXPECT_EQ(OutcomeText(L"All done", L"Done", 3, 0, L"failed"), L"All done");
    EXPECT_EQ(OutcomeText(L"All done", L"Done", 3, 3, L"failed"), L"Done: 0 of 3 (3 failed)");
    EXPECT_EQ(OutcomeText(L"All done", L"Done", 12, 1, L"failed"), L"Done: 11 of 12 (1 failed)");
}

TEST_F(RestoreTest, AHeldBackupKeepsTheFolderListedUntilTheNextRestore) {
    const std::wstring folder = data.MakeFolder(L"Theirs");
    WriteBytes(folder + L"\\Desktop.ini", kForeign);
    StartWith({folder});
    const std::wstring backup = folder + L"\\BUDesktop.ini";
    // Open in an editor or a scanner that does not share deletion.
    HANDLE held = CreateFileW(backup.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Tick(0);
    form().restoreView().cmdRestore_Click();
    CloseHandle(held);
    EXPECT_EQ(Text(txtChanging), L"Folders Restored: 0 of 1 (1 could not be restored): " + folder +
                                     L": " + platform::ErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{folder});
    form().Command4_Click();
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(folder) + "\r\n");

    ASSERT_TRUE(Start()); // the start-up's pruning keeps it too
    form().restoreView().Command2_Click();
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{folder});
    Tick(0);
    form().restoreView().cmdRestore_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Restored");
    EXPECT_EQ(ReadAnsi(folder + L"\\Desktop.ini"), kForeign);
    EXPECT_EQ(Attributes(folder + L"\\Desktop.ini"), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(backup));
    EXPECT_EQ(Attributes(folder), DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(RestoreItems().empty());
}

TEST_F(RestoreTest, AFolderOnAnAbsentDriveIsCountedAsNotRestored) {
    const DWORD drives = GetLogicalDrives();
    wchar_t letter = L'Q';
    while (letter < L'Y' && (drives & (1u << (letter - L'A'))))
        ++letter;
    const std::wstring absent = std::wstring(1, letter) + L":\\Photos\\2019";
    const std::wstring here = data.MakeFolder(L"Here");
    engine::FolderOptions options;
    options.tooltip = L"tip";
    ASSERT_TRUE(engine::CustomizeFolder(here, options).customized);
    WriteBytes(appDir / L"Fldr.dll", Narrow(here) + "\r\n" + Narrow(absent) + "\r\n");
    ASSERT_TRUE(Start());
    form().restoreView().Command2_Click();
    ASSERT_EQ(RestoreItems().size(), 2u);
    ClickSelectAll();
    form().restoreView().cmdRestore_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Restored: 1 of 2 (1 could not be restored): " + absent +
                                     L": " + platform::ErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{absent});
    EXPECT_FALSE(Exists(here + L"\\Desktop.ini"));
}
