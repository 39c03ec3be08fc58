// The main window from the keyboard: where the focus goes after dialogs and
// operations, Tab, Escape and F1.
#include "tests/ui/main/Form1Fixture.h"

#include "engine/SettingsFile.h"
#include "tests/ui/options/OptionsTestSupport.h"
#include "ui/restore/RestoreList.h"

#include <set>

using namespace testing_support;
using namespace ui;

namespace {

// What the system posts as F1 is taken from the queue; DefWindowProc turns it
// into WM_HELP. Not in the headers.
constexpr UINT kKeyF1 = 0x004D;

class KeyboardTest : public Form1Fixture {
  protected:
    void SetUp() override { options_test::CopyBundledFiles(appDir.path()); }
    // As a mouse click does: the button takes the focus, then its command runs.
    void Click(int id) {
        SendMessageW(form().Control(id), BM_CLICK, 0, 0);
        PumpFor(20);
        Settle();
    }
    // A key as the message loop hands it to the window's dialog navigation;
    // true when the navigation used it.
    bool Key(WPARAM key) {
        MSG msg{GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
        const bool used = form().PreTranslate(msg);
        PumpFor(20);
        return used;
    }
    // The focused control's id; 0 for the window itself, -1 for none or another window.
    int Focus() const {
        HWND focus = GetFocus();
        if (focus == form_->hwnd())
            return 0;
        return focus && IsChild(form_->hwnd(), focus) ? GetDlgCtrlID(focus) : -1;
    }
    HWND At(int id) { return form().Control(id); }
};

} // namespace

TEST_F(KeyboardTest, EachDialogGivesTheFocusBackToTheButtonThatOpenedIt) {
    const std::wstring folder = data.MakeFolder(L"Data");
    ASSERT_TRUE(Start(7));
    DialogResponder responder;
    responder.Expect(L"", ChooseFolder(folder));
    responder.Expect(L"Select an Icon File",
                     [](HWND d) { options_test::TypeFileNameAndOk(d, L"QuillaneIcons.dll"); });
    responder.Expect(L"", [](HWND d) { options_test::TypeColourAndOk(d, 255, 0, 0); });
    responder.Expect(L"", [](HWND d) { PressButton(d, IDCANCEL); });
    responder.Expect(L"", [](HWND d) { options_test::TypeFileNameAndOk(d, L"Meadow.jpg"); });
    for (int id :
         {cmdBrowseFolder, CmdBrowseIconFile, cmdBrwstxtColor, cmdBrwsBgtxtColor, Command5}) {
        Click(id);
        EXPECT_EQ(Focus(), id) << id;
    }
    EXPECT_EQ(responder.Pending(), 0u);
    EXPECT_EQ(Text(TxtFolder), folder);
    EXPECT_EQ(form().options().lblColor, L"0x000000FF");
    EXPECT_EQ(form().options().Path, appDir / L"Backgrounds\\Meadow.jpg");
}

TEST_F(KeyboardTest, AnOperationGivesTheFocusBackToTheControlThatStartedIt) {
    const std::wstring a = data.MakeFolder(L"Data\\A");
    const std::wstring b = data.MakeFolder(L"Data\\B");
    ListCustomized({a, b});
    ASSERT_TRUE(Start());
    // The folder walk and Apply, each started by its own control.
    form().SetText(TxtFolder, data / L"Data");
    form().SetText(TxtToolTip, L"Papers");
    Click(chkSubs);
    ASSERT_EQ(TargetItems().size(), 3u);
    EXPECT_EQ(Focus(), chkSubs);
    Click(Command1);
    ASSERT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_EQ(Focus(), Command1);

    // Select All and Restore, whose controls the lock disabled while they ran.
    Click(Command2);
    EXPECT_EQ(Focus(), Command2);
    Click(chkSelect);
    ASSERT_EQ(TickedCount(At(lstRestore)), 3);
    EXPECT_EQ(Focus(), chkSelect);
    Click(cmdRestore);
    ASSERT_EQ(Text(txtChanging), L"Folders Successfully Restored");
    EXPECT_EQ(Focus(), cmdRestore);

    // Back hides the button that had the focus: the command row's Restore takes it.
    Click(cmdOk);
    EXPECT_FALSE(Visible(fraRestore));
    EXPECT_EQ(Focus(), Command2);
}

TEST_F(KeyboardTest, AMessageBoxGivesTheFocusBack) {
    ASSERT_TRUE(Start());
    Click(Command2);
    DialogResponder responder;
    responder.ExpectButton(L"Quillane", IDOK);
    Click(cmdRestore); // "No folders to restore"
    EXPECT_EQ(responder.Pending(), 0u);
    EXPECT_EQ(Focus(), cmdRestore);
}

TEST_F(KeyboardTest, TabVisitsOnlyWhatTheUserCanSee) {
    ASSERT_TRUE(Start());
    ASSERT_EQ(Focus(), cmdDummy);
    RECT client{};
    GetClientRect(form().hwnd(), &client);
    const auto walk = [&] {
        std::vector<HWND> visited;
        for (int presses = 0; presses < 60; ++presses) {
            EXPECT_TRUE(Key(VK_TAB));
            HWND focus = GetFocus();
            if (!visited.empty() && focus == visited.front())
                break;
            visited.push_back(focus);
            RECT r{};
            GetWindowRect(focus, &r);
            MapWindowPoints(nullptr, form().hwnd(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_TRUE(IsWindowVisible(focus)) << GetDlgCtrlID(focus);
            EXPECT_TRUE(r.top >= client.top && r.bottom <= client.bottom) << GetDlgCtrlID(focus);
        }
        std::set<int> ids;
        for (HWND control : visited)
            ids.insert(GetDlgCtrlID(control));
        return ids;
    };
    EXPECT_EQ(walk(), (std::set<int>{TxtFolder, cmdBrowseFolder, chkSubs, CmdBrowseIconFile,
                                     cmdFolderColour, TxtToolTip, ScrollIconNo, cmdBrwstxtColor,
                                     cmdBrwsBgtxtColor, Command5, Command1, Command2, cmdClearBgnd,
                                     Command3, Command4}));
    Click(Command2);
    EXPECT_EQ(walk(), (std::set<int>{lstRestore, chkSelect, cmdRestore, cmdOk, Command1, Command2,
                                     cmdClearBgnd, Command3, Command4}));
    // The status line still hands the focus to the sink.
    SendMessageW(At(txtChanging), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(Focus(), cmdDummy);
}

TEST_F(KeyboardTest, EscapeGoesBackFromTheRestoreViewOnly) {
    ASSERT_TRUE(Start());
    SetFocus(At(TxtToolTip));
    EXPECT_TRUE(Key(VK_ESCAPE));
    EXPECT_TRUE(IsWindow(form().hwnd()));
    EXPECT_TRUE(Visible(fraChange));
    EXPECT_EQ(Focus(), TxtToolTip);

    Click(Command2);
    SetFocus(At(lstRestore));
    form().SetText(txtChanging, L"something");
    EXPECT_TRUE(Key(VK_ESCAPE));
    EXPECT_TRUE(Visible(fraChange));
    EXPECT_FALSE(Visible(fraRestore));
    EXPECT_EQ(Text(txtChanging), L"Quillane 1.0");
    EXPECT_EQ(Focus(), Command2);
}

TEST_F(KeyboardTest, F1AndTheHelpPictureOpenTheHelpOrSayItIsMissing) {
    ASSERT_TRUE(Start());
    std::vector<std::wstring> opened;
    form().shellOpener = [&opened](HWND, const std::wstring& target) { opened.push_back(target); };
    const std::wstring help = appDir / L"Help.chm";
    SetFocus(At(TxtToolTip));
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [&help](HWND d) {
            EXPECT_EQ(MessageBoxText(d), L"The help file could not be found: " + help);
            EXPECT_EQ(MessageBoxIcon(d), IDI_EXCLAMATION);
            PressButton(d, IDOK);
        });
        // F1 as the system hands it on when it takes the key from the queue.
        PostMessageW(GetFocus(), kKeyF1, 0, 0);
        EXPECT_TRUE(responder.WaitAllMet());
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(Focus(), TxtToolTip);

    options_test::WriteText(help, "ITSF");
    PostMessageW(GetFocus(), kKeyF1, 0, 0);
    PumpFor(50);
    EXPECT_EQ(opened, std::vector<std::wstring>{help});
    // WM_HELP from any control reaches the window; the picture opens the same file.
    SendMessageW(At(cmdBrowseFolder), kKeyF1, 0, 0);
    SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(Image4, STN_CLICKED),
                 reinterpret_cast<LPARAM>(At(Image4)));
    EXPECT_EQ(opened, (std::vector<std::wstring>{help, help, help}));
}
