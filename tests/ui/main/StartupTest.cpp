#include "tests/ui/main/Form1Fixture.h"

#include "engine/ListJournal.h"
#include "engine/CustomizeFolder.h"
#include "platform/Window.h"

#include <algorithm>
#include <commctrl.h>

using namespace testing_support;
using namespace ui;
using platform::TwipsToPixels;

namespace {
class StartupTest : public Form1Fixture {};
} // namespace

TEST_F(StartupTest, FirstStartCreatesTheListFileWithOneEmptyLine) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), "\r\n");
    EXPECT_TRUE(RestoreItems().empty());
    EXPECT_EQ(Text(lblRestoreCount), L"0");
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");
    EXPECT_EQ(WindowText(form().hwnd()), L"Quillane");
    EXPECT_TRUE(Visible(fraChange));
    EXPECT_FALSE(Visible(fraRestore));
    EXPECT_FALSE(Visible(lblCreating));
    EXPECT_TRUE(Text(TxtFolder).empty());
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_EQ(Text(lblSubDirsCount), L"0");
    EXPECT_EQ(GetFocus(), form().Control(cmdDummy));
}

TEST_F(StartupTest, VistaAndLaterEndBeforeTheListFileIsTouched) {
    DialogResponder responder;
    responder.Expect(L"Quillane", [](HWND d) {
        EXPECT_EQ(MessageBoxText(d), L"Quillane is not compatible with Vista    ");
        EXPECT_EQ(MessageBoxIcon(d), IDI_EXCLAMATION);
        PressButton(d, IDOK);
    });
    EXPECT_FALSE(Start(9));
    EXPECT_FALSE(Exists(appDir / L"Fldr.dll"));
}

TEST_F(StartupTest, VersionCodesFollowPlatformMajorAndMinor) {
    const DWORD nt = VER_PLATFORM_WIN32_NT, w9x = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_EQ(VersionCode(w9x, 4, 0), 1);
    EXPECT_EQ(VersionCode(w9x, 4, 10), 2);
    EXPECT_EQ(VersionCode(w9x, 4, 90), 3);
    EXPECT_EQ(VersionCode(w9x, 4, 3), 0);
    EXPECT_EQ(VersionCode(nt, 3, 51), 4);
    EXPECT_EQ(VersionCode(nt, 4, 0), 5);
    EXPECT_EQ(VersionCode(nt, 5, 0), 6);
    EXPECT_EQ(VersionCode(nt, 5, 1), 7);
    EXPECT_EQ(VersionCode(nt, 5, 2), 8);
    EXPECT_EQ(VersionCode(nt, 6, 0), 9);
    EXPECT_EQ(VersionCode(nt, 6, 2), 9);
    EXPECT_EQ(VersionCode(nt, 10, 0), 0);
    // The test prefix reports Windows XP to this program.
    EXPECT_TRUE(OsVersion() == 7 || OsVersion() == 8);
}

TEST_F(StartupTest, PictureFeatureOnlyOnXpAndServer2003) {
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8}) {
        ASSERT_TRUE(Start(code));
        const bool offered = code == 7 || code == 8;
        EXPECT_EQ(Enabled(Command5), offered) << code;
        EXPECT_EQ(Enabled(Label3), offered) << code;
        EXPECT_EQ(Visible(lblCompat), !offered) << code;
        // The busy lock gives the button back only where it was offered.
        form().EnableMainControls(false);
        form().EnableMainControls(true);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(Enabled(Command5), offered) << code;
        form_.reset();
    }
}

TEST_F(StartupTest, StartUpLoadsAndPrunesTheRestoreList) {
    engine::FolderOptions options;
    options.tooltip = L"t";
    const std::wstring kept = data.MakeFolder(L"Kept");
    const std::wstring plain = data.MakeFolder(L"Plain");
    ASSERT_TRUE(engine::CustomizeFolder(kept, options).customized);
    WriteBytes(appDir / L"Fldr.dll", "\r\n" + Narrow(plain) + "\r\n\r\n" + Narrow(kept) + "\r\n" +
                                         Narrow(data / L"Gone") + "\r\n\r\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{kept});
    EXPECT_EQ(Text(lblRestoreCount), L"1");
    // The file follows at shutdown.
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(kept) + "\r\n");
}

TEST_F(StartupTest, LayoutFollowsTheTwipsTable) {
    ASSERT_TRUE(Start());
    const UINT dpi = platform::WindowDpi(form().hwnd());
    RECT client;
    GetClientRect(form().hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(7455, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(5715, dpi));
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlRow& s = kControls[i];
        HWND control = form().Control(s.id);
        ASSERT_NE(control, nullptr) << Narrow(s.name);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, TwipsToPixels(s.left, dpi)) << Narrow(s.name);
        EXPECT_EQ(r.top, TwipsToPixels(s.top, dpi)) << Narrow(s.name);
        EXPECT_EQ(r.right - r.left, TwipsToPixels(s.width, dpi)) << Narrow(s.name);
        if (s.kind != Kind::TickList) {
            EXPECT_EQ(r.bottom - r.top, TwipsToPixels(s.height, dpi)) << Narrow(s.name);
        }
        if (s.kind == Kind::Button || s.kind == Kind::CheckBox || s.kind == Kind::Label) {
            EXPECT_EQ(WindowText(control), s.caption) << Narrow(s.name);
        }
    }
    // The two frames share one rectangle; parked controls lie below the client area.
    RECT change, restore, dummy;
    GetWindowRect(form().Control(fraChange), &change);
    GetWindowRect(form().Control(fraRestore), &restore);
    EXPECT_TRUE(EqualRect(&change, &restore));
    GetWindowRect(form().Control(cmdDummy), &dummy);
    MapWindowPoints(nullptr, form().hwnd(), reinterpret_cast<POINT*>(&dummy), 2);
    EXPECT_GE(dummy.top, client.bottom);
    EXPECT_EQ(SendMessageW(form().Control(lstRestore), LB_GETHORIZONTALEXTENT, 0, 0), 1371);
}

TEST_F(StartupTest, TooltipsAreRealTools) {
    ASSERT_TRUE(Start());
    HWND tooltip = nullptr;
    // A named callback: 32-bit callbacks are stdcall, which lambdas do not convert to.
    struct Search {
        static BOOL CALLBACK Visit(HWND w, LPARAM out) {
            wchar_t name[64] = {};
            GetClassNameW(w, name, 64);
            if (std::wstring(name) == TOOLTIPS_CLASSW)
                *reinterpret_cast<HWND*>(out) = w;
            return TRUE;
        }
    };
    EnumThreadWindows(GetCurrentThreadId(), &Search::Visit, reinterpret_cast<LPARAM>(&tooltip));
    ASSERT_NE(tooltip, nullptr);
    size_t withTooltip = 0;
    for (size_t i = 0; i < kControlCount; ++i)
        if (kControls[i].tooltip)
            ++withTooltip;
    EXPECT_EQ(static_cast<size_t>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0)), withTooltip);
    wchar_t text[128] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = form().hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(form().Control(Command1));
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"Apply Customization to selected folders");
}

TEST_F(StartupTest, FocusBehaviours) {
    ASSERT_TRUE(Start());
    SetWindowTextW(form().Control(TxtToolTip), L"old tooltip");
    SetFocus(form().Control(TxtToolTip));
    PumpFor(20);
    DWORD start = 0, end = 0;
    SendMessageW(form().Control(TxtToolTip), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 11u);

    HWND status = form().Control(txtChanging);
    SendMessageW(status, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(status, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpFor(20);
    EXPECT_EQ(GetFocus(), form().Control(cmdDummy));
}

TEST_F(StartupTest, HelpOpensTheApplicationFoldersHelpFile) {
    WriteBytes(appDir / L"Help.chm", "ITSF");
    ASSERT_TRUE(Start());
    std::wstring opened;
    form().shellOpener = [&opened](HWND, const std::wstring& target) { opened = target; };
    SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(Image4, STN_CLICKED),
                 reinterpret_cast<LPARAM>(form().Control(Image4)));
    EXPECT_EQ(opened, appDir / L"Help.chm");
}

TEST_F(StartupTest, ACommandAnswersOnlyItsOwnNotification) {
    ASSERT_TRUE(Start());
    std::wstring opened;
    form().shellOpener = [&opened](HWND, const std::wstring& target) { opened = target; };
    HWND window = form().hwnd();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(Image4, STN_DBLCLK),
                 reinterpret_cast<LPARAM>(form().Control(Image4)));
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(Command4, BN_SETFOCUS),
                 reinterpret_cast<LPARAM>(form().Control(Command4)));
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(IsWindow(window));
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(Command4, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form().Control(Command4)));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(StartupTest, HandPointerOverTheHelpPictureOnly) {
    ASSERT_TRUE(Start());
    HWND help = form().Control(Image4);
    SendMessageW(form().hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(help),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101));
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(GetCursor(), hand);
    SendMessageW(form().hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form().Control(Command1)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), hand);
}

TEST_F(StartupTest, ExitSavesTheRestoreListAndCloses) {
    ASSERT_TRUE(Start());
    // Gone since the start: the save writes it again. (A folder another copy
    // recorded meanwhile would stay.)
    ASSERT_TRUE(DeleteFileW((appDir / L"Fldr.dll").c_str()));
    form().Command4_Click();
    EXPECT_FALSE(IsWindow(form().hwnd()));
    EXPECT_TRUE(Exists(appDir / L"Fldr.dll"));
    EXPECT_EQ(ReadBytes(appDir / L"Fldr.dll").size(), 0u);
}

namespace {
// Folders customized through the engine, listed in Fldr.dll with one that the
// pruning drops, so that any save would change the file.
std::string CustomizedList(TempDir& data, size_t count, std::vector<std::wstring>& folders) {
    engine::FolderOptions options;
    options.tooltip = L"t";
    std::string list;
    for (size_t i = 0; i < count; ++i) {
        folders.push_back(data.MakeFolder(L"F" + std::to_wstring(1000 + i)));
        EXPECT_TRUE(engine::CustomizeFolder(folders.back(), options).customized);
        list += Narrow(folders.back()) + "\r\n";
    }
    return list + Narrow(data / L"Gone") + "\r\n";
}
} // namespace

TEST_F(StartupTest, TheWindowShowsAndAnswersWhileTheListLoadsLocked) {
    std::vector<std::wstring> folders;
    WriteBytes(appDir / L"Fldr.dll", CustomizedList(data, 150, folders));
    form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
    ASSERT_TRUE(form_->Create());
    ShowWindow(form_->hwnd(), SW_SHOW);
    EXPECT_FALSE(form_->ListLoaded());
    size_t pumpsWhileLoading = 0;
    std::vector<std::wstring> statuses;
    RecordStatuses(L"Loading restore list: ", statuses);
    form_->pumpObserver = [&] {
        if (form_->ListLoaded())
            return;
        ++pumpsWhileLoading;
        // Every operation that needs the list, and every one that saves, waits.
        for (int id : {Command1, Command2, Command4, chkSubs, cmdRestore, chkSelect})
            EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_TRUE(IsWindowVisible(form_->hwnd()));
        EXPECT_TRUE(HasCloseCommand(form_->hwnd()));
    };
    ASSERT_TRUE(form_->WaitForList());
    EXPECT_GT(pumpsWhileLoading, 0u);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front().rfind(L"Loading restore list: 1 of 151", 0), 0u) << statuses.front();
    EXPECT_EQ(statuses.back(), L"Loading restore list: 151 of 151");
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");
    EXPECT_EQ(RestoreItems(), folders);
    EXPECT_EQ(Text(lblRestoreCount), L"150");
    EXPECT_TRUE(Enabled(Command1) && Enabled(Command2) && Enabled(chkSubs));
}

TEST_F(StartupTest, ClosingDuringTheLoadEndsWithTheFilesAsTheyWere) {
    std::vector<std::wstring> folders;
    const std::string list = CustomizedList(data, 40, folders);
    const std::wstring journal = engine::JournalPath(appDir / L"Fldr.dll");
    // A journal whose folder holds our file: a finished load would merge and save.
    const std::wstring extra = data.MakeFolder(L"Journaled");
    engine::FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(engine::CustomizeFolder(extra, options).customized);
    const std::string journalBytes = Narrow(extra) + "\r\n";
    // While the list is read, pruned, and saved with the journal's folder.
    for (int when : {1, 30, 70}) {
        SCOPED_TRACE(when);
        WriteBytes(appDir / L"Fldr.dll", list);
        WriteBytes(journal, journalBytes);
        form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
        ASSERT_TRUE(form_->Create());
        int yields = 0;
        form_->yieldObserver = [&] {
            if (++yields == when)
                SendMessageW(form_->hwnd(), WM_CLOSE, 0, 0);
        };
        EXPECT_FALSE(form_->WaitForList());
        EXPECT_EQ(form_->hwnd(), nullptr);
        EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), list);
        EXPECT_EQ(ReadAnsi(journal), journalBytes);
        form_.reset();
    }
    // Left alone, the same start-up merges the journal, saves and removes it.
    ASSERT_TRUE(Start());
    folders.insert(folders.begin() + 40, extra);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(RestoreItems(), folders);
    EXPECT_FALSE(Exists(journal));
}

TEST_F(StartupTest, AFolderHandedOverIsTakenOnceTheListIsRead) {
    std::vector<std::wstring> folders;
    WriteBytes(appDir / L"Fldr.dll", CustomizedList(data, 20, folders));
    const std::wstring chosen = data.MakeFolder(L"Chosen");
    form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
    ASSERT_TRUE(form_->Create());
    form_->TakeFolderWhenReady(chosen);
    bool takenEarly = false;
    form_->pumpObserver = [&] {
        if (!form_->ListLoaded() && !Text(TxtFolder).empty())
            takenEarly = true;
    };
    ASSERT_TRUE(form_->WaitForList());
    PumpFor(20);
    EXPECT_FALSE(takenEarly);
    EXPECT_EQ(Text(TxtFolder), chosen);
}

TEST_F(StartupTest, ACommandFromOutsideCannotGetPastTheLock) {
    const std::wstring target = data.MakeFolder(L"Target");
    data.MakeFolder(L"Target\\Sub");
    const std::wstring written = target + L"\\Desktop.ini";
    std::vector<std::wstring> folders;
    WriteBytes(appDir / L"Fldr.dll", CustomizedList(data, 20, folders));
    // Another program re-enables Apply and sends its click, with the button's handle.
    const auto forgeApply = [this](HWND control) {
        HWND apply = form_->Control(Command1);
        const bool wasEnabled = IsWindowEnabled(apply) != FALSE;
        EnableWindow(apply, TRUE);
        SendMessageW(form_->hwnd(), WM_COMMAND, MAKEWPARAM(Command1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        EnableWindow(apply, wasEnabled);
    };
    form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
    ASSERT_TRUE(form_->Create());
    ShowWindow(form_->hwnd(), SW_SHOW);
    form_->SetText(TxtFolder, target);
    form_->SetText(TxtToolTip, L"tip");
    bool whileLoading = false;
    form_->pumpObserver = [&] {
        if (whileLoading || form_->ListLoaded())
            return;
        whileLoading = true;
        forgeApply(form_->Control(Command1));
    };
    ASSERT_TRUE(form_->WaitForList());
    form_->pumpObserver = nullptr;
    EXPECT_TRUE(whileLoading);
    EXPECT_FALSE(Exists(written));

    bool whileBusy = false;
    form_->yieldObserver = [&] {
        if (whileBusy)
            return;
        whileBusy = true;
        forgeApply(form_->Control(Command1));
    };
    form_->folderSelection().SetIncludeSubdirectories(true);
    form_->yieldObserver = nullptr;
    EXPECT_TRUE(whileBusy);
    EXPECT_FALSE(Exists(written));
    EXPECT_EQ(TargetItems().size(), 2u);
    ASSERT_TRUE(Settle());

    // Idle: no handle, another control's handle, or a disabled button.
    forgeApply(nullptr);
    forgeApply(form_->Control(Command3));
    EnableWindow(form_->Control(Command1), FALSE);
    SendMessageW(form_->hwnd(), WM_COMMAND, MAKEWPARAM(Command1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form_->Control(Command1)));
    EnableWindow(form_->Control(Command1), TRUE);
    EXPECT_FALSE(Exists(written));
    // Escape comes without a handle, from the dialog manager, and still works.
    form_->restoreView().Command2_Click();
    SendMessageW(form_->hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(Visible(fraChange));
    // The button's own click does it.
    forgeApply(form_->Control(Command1));
    EXPECT_TRUE(engine::IsOwnSettingsFile(written));
    EXPECT_TRUE(Exists(target + L"\\Sub\\Desktop.ini"));
}

TEST_F(StartupTest, ASecondLoadRequestIsDropped) {
    std::vector<std::wstring> folders;
    WriteBytes(appDir / L"Fldr.dll", CustomizedList(data, 40, folders));
    // A journal makes the load save the list at once.
    const std::wstring extra = data.MakeFolder(L"Journaled");
    engine::FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(engine::CustomizeFolder(extra, options).customized);
    WriteBytes(engine::JournalPath(appDir / L"Fldr.dll"), Narrow(extra) + "\r\n");
    folders.push_back(extra);
    std::sort(folders.begin(), folders.end());
    std::string once;
    for (const auto& folder : folders)
        once += Narrow(folder) + "\r\n";

    // The window's own request to load, as any program may post it.
    constexpr UINT kLoadRequest = WM_APP + 2;
    form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
    ASSERT_TRUE(form_->Create());
    int posted = 0;
    form_->yieldObserver = [&] {
        if (form_->ListLoaded() || posted == 3)
            return;
        ++posted;
        PostMessageW(form_->hwnd(), kLoadRequest, 0, 0);
    };
    ASSERT_TRUE(form_->WaitForList());
    form_->yieldObserver = nullptr;
    EXPECT_EQ(posted, 3);
    ASSERT_EQ(RestoreItems().size(), folders.size());
    EXPECT_EQ(RestoreItems(), folders);
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), once);
    // And once the list is shown.
    PostMessageW(form_->hwnd(), kLoadRequest, 0, 0);
    PumpFor(50);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(RestoreItems(), folders);
    form().Command4_Click();
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), once);
}
