// The window's busy lock on a real top-level window with its timer, and the
// main window's commands while it holds.
#include "ui/main/BusyLock.h"

#include "platform/WindowBase.h"
#include "tests/support/DialogResponder.h"
#include "tests/support/PlatformChecks.h"
#include "tests/ui/main/Form1Fixture.h"
#include "tests/ui/options/OptionsTestSupport.h"
#include "ui/restore/RestoreList.h"

#include <gtest/gtest.h>

#include <functional>

using namespace testing_support;
using namespace ui;

namespace {

constexpr UINT_PTR kTimer = 7;

// Hands its timer to the lock and counts the frame's recalculations, which
// DrawMenuBar asks for.
class LockedWindow : public platform::WindowBase {
  public:
    bool Create() {
        return CreateWindowOfClass(L"BusyLockTestWindow", nullptr, 0, WS_OVERLAPPEDWINDOW, L"Lock",
                                   0, 0, 300, 200, nullptr);
    }
    bool OnOtherMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message == WM_NCCALCSIZE && wParam)
            ++frames;
        if (message == WM_TIMER && wParam == kTimer && lock)
            lock->ReleaseStep();
        return false;
    }
    ui::WindowBusyLock* lock = nullptr;
    int frames = 0;
};

} // namespace

TEST(WindowBusyLock, AHoldTakesCloseAtOnceAndDrawsTheTitleBarOnALaterTurn) {
    LockedWindow window;
    ASSERT_TRUE(window.Create());
    HWND button = CreateWindowExW(0, L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE, 0, 0, 80, 24,
                                  window.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ui::WindowBusyLock lock(window.hwnd(), kTimer);
    ui::ControlShare share{button};
    lock.AddShare(share);
    window.lock = &lock;
    PumpFor(50);

    const int before = window.frames;
    lock.HoldBusy();
    EXPECT_FALSE(HasCloseCommand(window.hwnd()));
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(window.frames, before);
    EXPECT_TRUE(PumpUntil([&] { return window.frames > before; }, 2000));
    EXPECT_TRUE(lock.Held());

    lock.ReleaseBusy();
    EXPECT_TRUE(PumpUntil([&] { return !lock.Busy(); }, 2000));
    EXPECT_TRUE(HasCloseCommand(window.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(button));
}

// Every command a control of the main window can send, forged while an
// operation holds the lock.
namespace {

class CommandsWhileBusyTest : public Form1Fixture {
  protected:
    void SetUp() override { options_test::CopyBundledFiles(appDir.path()); }

    // What another program can do to every control: enable it, then send its
    // notifications to the control's own parent (a view's frame, a panel or
    // the window), with the control's handle and without it; Escape to every
    // container; a scroll of the icon's scroll bar through its panel.
    void ForgeEveryCommand() {
        for (const ControlRow& row : MainControls()) {
            // The Help picture stays live while an operation runs.
            if (row.id == Image4)
                continue;
            HWND control = form().Control(row.id);
            HWND parent = GetParent(control);
            const bool enabled = IsWindowEnabled(control) != FALSE;
            EnableWindow(control, TRUE);
            // STN_CLICKED is BN_CLICKED.
            for (WORD code : {WORD{BN_CLICKED}, WORD{EN_SETFOCUS}, WORD{EN_CHANGE}})
                for (HWND from : {control, HWND{}})
                    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(row.id, code),
                                 reinterpret_cast<LPARAM>(from));
            EnableWindow(control, enabled);
            if (row.kind == Kind::Frame || row.kind == Kind::Panel)
                SendMessageW(control, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        SendMessageW(form().Control(Picture1), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5),
                     reinterpret_cast<LPARAM>(form().Control(ScrollIconNo)));
    }

    // What the window shows, apart from the operation's own progress.
    struct State {
        bool optionsView, restoreView, subfolders, selectAll;
        int ticked;
        size_t targets;
        std::wstring folder, tip, iconFile;
        bool operator==(const State&) const = default;
    };
    State Now() {
        return {Visible(fraChange),
                Visible(fraRestore),
                Ticked(chkSubs),
                Ticked(chkSelect),
                TickedCount(form().Control(lstRestore)),
                TargetItems().size(),
                Text(TxtFolder),
                Text(TxtToolTip),
                Text(TxtIconFile)};
    }

    // Forges every command on the operation's first yield; what the window
    // showed before, and whether a menu opened (the folder colour's would
    // wait for a choice: a timer ends it).
    void ForgeOnFirstYield() {
        form().yieldObserver = [this] {
            if (forged_ || !form().Busy())
                return;
            forged_ = true;
            before_ = Now();
            const UINT_PTR timer = SetTimer(nullptr, 0, 100, &EndAnyMenu);
            ForgeEveryCommand();
            KillTimer(nullptr, timer);
            after_ = Now();
            aboutOpen_ = FindWindowW(L"QuillaneAbout", nullptr) != nullptr;
        };
    }
    static void CALLBACK EndAnyMenu(HWND, UINT, UINT_PTR, DWORD) {
        if (FindWindowW(L"#32768", nullptr) && IsWindowVisible(FindWindowW(L"#32768", nullptr))) {
            menuShown_ = true;
            EndMenu();
        }
    }
    void ExpectNothingHappened() {
        EXPECT_TRUE(forged_);
        EXPECT_TRUE(before_ == after_);
        EXPECT_FALSE(aboutOpen_);
        EXPECT_FALSE(menuShown_);
        EXPECT_TRUE(IsWindow(form().hwnd()));
    }

    bool forged_ = false, aboutOpen_ = false;
    static inline bool menuShown_ = false;
    State before_{}, after_{};
};

} // namespace

TEST_F(CommandsWhileBusyTest, NoCommandRunsDuringAnApplyOrARestore) {
    const std::wstring root = data.MakeFolder(L"Data");
    std::vector<std::wstring> listed;
    listed.reserve(12);
    for (int i = 0; i < 12; ++i)
        listed.push_back(data.MakeFolder(L"Data\\L" + std::to_wstring(10 + i)));
    ListCustomized(listed);
    ASSERT_TRUE(Start());
    form().iconPicker().ChooseFile(appDir / L"Icons\\QuillaneIcons.dll");
    form().SetText(TxtFolder, root);
    form().SetText(TxtToolTip, L"tip");
    form().folderSelection().SetIncludeSubdirectories(true);
    ASSERT_TRUE(Settle());
    ASSERT_EQ(TargetItems().size(), 13u);

    // Any dialog a command opened would be a failure here.
    const auto forgingDuring = [this](const std::function<void()>& operation) {
        DialogResponder responder;
        ForgeOnFirstYield();
        operation();
        form().yieldObserver = nullptr;
        ExpectNothingHappened();
        EXPECT_TRUE(responder.Seen().empty());
    };
    forgingDuring([this] { form().apply().Command1_Click(); });
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    // The options view shows: its icon's scroll bar stays live.
    EXPECT_EQ(form().iconPicker().IconIndex(), 5);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(RestoreItems().size(), 13u);

    form().restoreView().Command2_Click();
    for (int i = 0; i < 4; ++i)
        SendMessageW(form().Control(lstRestore), LB_SETSEL, TRUE, i);
    SendMessageW(form().Control(ScrollIconNo), SBM_SETPOS, 0, TRUE);
    form().iconPicker().ShowIcon(0);
    forged_ = false;
    forgingDuring([this] { form().restoreView().cmdRestore_Click(); });
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Restored");
    // Hidden behind the restore view, the scroll bar is not the user's.
    EXPECT_EQ(form().iconPicker().IconIndex(), 0);
    EXPECT_EQ(RestoreItems().size(), 9u);
    EXPECT_TRUE(Visible(fraRestore));
}
