#include "ui/main/Form1.h"

#include "QuillaneVersion.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "platform/Shell.h"
#include "platform/SystemApi.h"
#include "resources/resource.h"
#include "ui/about/frmAbout.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Timing.h"
#include "ui/main/BusyLock.h"
#include "ui/main/FocusKeeper.h"
#include "ui/main/FolderSelection.h"
#include "ui/main/RestoreListKeeper.h"
#include "ui/main/SingleInstance.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/IconBox.h"
#include "ui/options/PictureBox.h"
#include "ui/restore/RestoreList.h"
#include "ui/restore/RestoreView.h"

#include <commctrl.h>

namespace ui {

using quillane::kAppTitle;

Form1::Form1(std::wstring appFolder, VersionQuery versionQuery)
    : appFolder_(std::move(appFolder)), versionQuery_(std::move(versionQuery)),
      status_(kTextRepaintMs), subDirsCount_(kTextRepaintMs) {
    perUserRoot = platform::LocalAppDataFolder();
    shellOpener = [](HWND owner, const std::wstring& target) {
        platform::ShellOpen(owner, target);
    };
}

Form1::~Form1() {
    // Unloading without a close (a test, or an ended start-up) saves nothing.
    unloaded_ = true;
}

bool Form1::ListLoaded() const {
    return keeper_ && keeper_->Loaded();
}

const std::wstring& Form1::ListFilePath() const {
    return keeper_->ListFilePath();
}

bool Form1::Busy() const {
    return busy_ && busy_->Busy();
}

std::wstring Form1::IdleText() const {
    return std::wstring(kAppTitle) + L" " + std::to_wstring(quillane::kVersionMajor) + L"." +
           std::to_wstring(quillane::kVersionMinor);
}

bool Form1::Create() {
    RegisterIconBoxClass();
    RegisterSampleTextClass();
    RegisterPictureBoxClass();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUILLANE));
    handCursor_ = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER));
    if (!handCursor_)
        handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    if (!CreateWindowOfClass(kMainWindowClass, icon, 0, kMainWindowStyle, kAppTitle, CW_USEDEFAULT,
                             CW_USEDEFAULT, 100, 100, nullptr))
        return false;
    dpi_ = platform::WindowDpi(hwnd());
    CreateFonts(dpi_);
    banner_.Load();
    CreateControls();
    LayoutControls(hwnd(), controls_, dpi_);
    tooltip_ = AddTooltips(hwnd(), MainControls(), controls_);
    NameControls(MainAccessibleNames(), controls_);
    CreateSubsystems();
    options_->DescribeChoices();
    if (!AdaptToOSVersion()) {
        // The refusal touches no list file; a close or the session's end
        // while its message showed saved nothing either.
        unloaded_ = true;
        if (hwnd())
            DestroyWindow(hwnd());
        return false;
    }
    Form_Load();
    if (!hwnd())
        return false;
    // The focus sink keeps its place first in the tab order, but Tab passes
    // it by from now on: below the visible area, it takes the focus only when
    // work starts or the status line is clicked.
    HWND dummy = Control(cmdDummy);
    SetWindowLongW(dummy, GWL_STYLE, GetWindowLongW(dummy, GWL_STYLE) & ~WS_TABSTOP);
    focus_->GiveToSink();
    return true;
}

// The subsystems, each with the busy lock and the controls it needs; each adds
// its own command rows beside the window's, and each view its share of the lock.
void Form1::CreateSubsystems() {
    AddCommands();
    focus_ = std::make_unique<FocusKeeper>(
        FocusControls{hwnd(), Control(cmdDummy), Control(fraRestore), Control(Command2)});
    handOver_ = std::make_unique<HandOverReceiver>(hwnd(), kTakePendingFolder);
    busy_ = std::make_unique<WindowBusyLock>(hwnd(), kReleaseTimer);
    keeper_ = std::make_unique<RestoreListKeeper>(static_cast<OperationHost&>(*this), *busy_,
                                                  hwnd(), Control(lstRestore), appFolder_);
    keeper_->beforeMessage = [this] { focus_->Remember(); };
    busy_->onHold = [this] { focus_->OperationStarts(); };
    // A session that waited for the operation gets its save before anything
    // else can start.
    busy_->beforeRelease = [this] { keeper_->SaveIfSessionWaits(); };
    busy_->onIdle = [this] {
        handOver_->RemindIfWaiting();
        focus_->OperationEnds();
    };
    commandRow_ = std::make_unique<ControlShare>(std::initializer_list<HWND>{
        Control(Command1), Control(Command2), Control(Command3), Control(Command4)});
    busy_->AddShare(*commandRow_);

    options_ = std::make_unique<OptionsView>(static_cast<OptionsHost&>(*this), hwnd(), controls_,
                                             appFolder_, IdleText());
    options_->AddCommands(Commands());
    busy_->AddShare(*options_);
    restoreView_ = std::make_unique<RestoreView>(
        static_cast<OperationHost&>(*this), *busy_,
        RestoreControls{hwnd(), Control(fraChange), Control(fraRestore), Control(lstRestore),
                        Control(chkSelect), Control(cmdRestore), Control(cmdOk), Control(Command2),
                        Control(lblRestoreCount)},
        IdleText());
    restoreView_->AddCommands(Commands());
    busy_->AddShare(*restoreView_);

    folderSelection_ = std::make_unique<FolderSelection>(
        static_cast<OperationHost&>(*this), *busy_,
        FolderSelectionControls{hwnd(), Control(TxtFolder), Control(cmdBrowseFolder),
                                Control(chkSubs), Control(lblCreating), Control(Command1),
                                Control(lblChosen), tooltip_, &subDirsCount_},
        subDirs_, IdleText());
    folderSelection_->AddCommands(Commands());
    apply_ =
        std::make_unique<ui::Apply>(static_cast<ApplyHost&>(*this), *busy_, *keeper_,
                                    ApplyControls{hwnd(), Control(chkSubs), Control(lstRestore),
                                                  Control(cmdDummy), Control(Command1)},
                                    subDirs_, *folderSelection_);
    apply_->AddCommands(Commands());
}

void Form1::CreateFonts(UINT dpi) {
    formFont_ = CreateFormFont(dpi);
    whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
}

void Form1::CreateControls() {
    ui::CreateControls(hwnd(), MainControls(), {formFont_.get()}, controls_, cmdDummy);
    SendMessageW(Control(ScrollIconNo), SBM_SETRANGE, 0, 0);
    SetWindowSubclass(Control(txtChanging), StatusLineProc, 0, reinterpret_cast<DWORD_PTR>(this));
    status_.Attach(Control(txtChanging));
    subDirsCount_.Attach(Control(lblSubDirsCount));
}

// Which handler answers which notification of which control; the views add theirs.
void Form1::AddCommands() {
    Commands().Add(*this, {{Command3, BN_CLICKED, &Form1::Command3_Click},
                           {Command4, BN_CLICKED, &Form1::Command4_Click},
                           {Image4, STN_CLICKED, &Form1::Image4_Click},
                           {IDCANCEL, BN_CLICKED, &Form1::Form_Escape}});
}

LRESULT CALLBACK Form1::StatusLineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        // No caret is ever left in the status line.
        reinterpret_cast<Form1*>(self)->txtChanging_MouseDown();
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool Form1::PreTranslate(MSG& msg) {
    return hwnd() && IsDialogMessageW(hwnd(), &msg);
}

bool Form1::AdaptToOSVersion() {
    const int code = versionQuery_ ? versionQuery_() : 0;
    if (code == 9) {
        ShowMessage(hwnd(), L"Quillane is not compatible with Vista    ");
        return false;
    }
    options_->AllowPicture(code == 7 || code == 8);
    return true;
}

bool Form1::Form_Unload() {
    if (unloaded_)
        return true;
    unloaded_ = true;
    keeper_->Save();
    CloseAbout();
    return true;
}

void Form1::EnableMainControls(bool enabled) {
    if (enabled)
        busy_->ReleaseBusy();
    else
        busy_->HoldBusy();
}

void Form1::Command3_Click() {
    ShowAbout(hwnd());
}

void Form1::Command4_Click() {
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void Form1::Image4_Click() {
    const std::wstring help = appFolder_ + L"\\Help.chm";
    if (!platform::FileExists(help)) {
        // The shell's own complaint would not say which file it missed.
        ShowMessage(hwnd(), L"The help file could not be found: " + help);
        return;
    }
    if (shellOpener)
        shellOpener(hwnd(), help);
}

bool Form1::OnHelp(const HELPINFO&) {
    Image4_Click();
    return true;
}

void Form1::Form_Escape() {
    // In the restore view Escape goes back; the options view has nothing to leave.
    if (IsWindowVisible(Control(fraRestore)) && IsWindowEnabled(Control(cmdOk)))
        restoreView_->cmdOk_Click();
}

void Form1::txtChanging_MouseDown() {
    SetFocus(Control(cmdDummy));
}

bool Form1::OnSetCursor(HWND over) {
    if (waitCursor_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return true;
    }
    if (over == Control(Image4)) {
        SetCursor(handCursor_);
        return true;
    }
    return false;
}

HBRUSH Form1::OnColorStatic(HDC dc, HWND control) {
    if (control == Control(Label5) || control == Control(TxtFolder) ||
        control == Control(TxtIconFile)) {
        SetBkColor(dc, RGB(255, 255, 255));
        return whiteBrush_.get();
    }
    SetBkMode(dc, TRANSPARENT);
    return GetSysColorBrush(COLOR_BTNFACE);
}

bool Form1::OnDrawItem(const DRAWITEMSTRUCT& draw) {
    if (draw.CtlID == lstRestore)
        DrawTickItem(draw);
    else
        banner_.DrawImage(draw, dpi_, whiteBrush_.get());
    return true;
}

bool Form1::OnMeasureItem(MEASUREITEMSTRUCT& measure) {
    if (measure.CtlID == lstRestore)
        measure.itemHeight = TickItemHeight(hwnd(), dpi_);
    return true;
}

bool Form1::OnPaint() {
    Banner::PaintSeparators(hwnd(), dpi_, whiteBrush_.get());
    return true;
}

bool Form1::OnOtherMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_TIMER && wParam == kReleaseTimer)
        busy_->ReleaseStep();
    else if (message == kTakePendingFolder)
        TakePendingFolder();
    else if (message == kLoadRestoreList)
        LoadRestoreList();
    else
        return false;
    result = 0;
    return true;
}

void Form1::OnClose() {
    if (keeper_->Loading()) {
        // Nothing changed yet: the program ends with its files as they were.
        unloaded_ = true;
        DestroyWindow(hwnd());
        return;
    }
    // The busy lock also holds against Alt+F4; once the operation is over,
    // its release a part at a time does not.
    if (busy_ && busy_->Held())
        return;
    Form_Unload();
    DestroyWindow(hwnd());
}

bool Form1::OnQueryEndSession() {
    // Once the operation is over the session need not wait for the lock's
    // release: the save at its end takes the list as it is.
    return !keeper_ || keeper_->QueryEndSession(busy_->Held());
}

void Form1::OnEndSession(bool ending) {
    if (keeper_)
        keeper_->EndSession(ending);
}

bool Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls let go of the old font before it goes.
    const platform::FontHandle oldFont = std::move(formFont_);
    CreateFonts(dpi_);
    SetControlFonts(MainControls(), controls_, {formFont_.get()});
    LayoutControls(hwnd(), controls_, dpi_);
    SendMessageW(Control(lstRestore), LB_SETITEMHEIGHT, 0,
                 static_cast<LPARAM>(TickItemHeight(hwnd(), dpi_)));
    options_->SetDpi(dpi_);
    // The suggested place, with the size worked out from the DPI's own frame.
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The controls were moved without drawing.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

bool Form1::AllowsCommandNow(int id, HWND control) const {
    return !busy_ || busy_->Allows(id, control);
}

void Form1::OnCommand(int id, int code, HWND control) {
    // The control whose command runs starts whatever the command starts.
    const HWND outer = focus_->CommandSource();
    if (control && IsChild(hwnd(), control))
        focus_->SetCommandSource(control);
    const platform::ScopeExit restore([this, outer] { focus_->SetCommandSource(outer); });
    // A dialog that the command opens disables the window, which takes the
    // focus away before the window hears of its deactivation.
    focus_->Remember();
    WindowBase::OnCommand(id, code, control);
}

bool Form1::OnActivate(bool active) {
    focus_->Activate(active, Busy());
    return true;
}

void Form1::OnDestroy() {
    if (quitOnDestroy)
        PostQuitMessage(0);
}

void Form1::OnException(unsigned long error) {
    if (!hwnd())
        return;
    // The step that failed is over; what the user reads is the system's text.
    SetStatus(L"The operation stopped: " + platform::ErrorText(error));
}

} // namespace ui
