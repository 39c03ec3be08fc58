#include "ui/main/Form1.h"

#include "engine/RestoreFolder.h"
#include "engine/RestoreRecord.h"
#include "platform/Accessible.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "platform/Shell.h"
#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "resources/resource.h"
#include "ui/about/frmAbout.h"
#include "ui/main/SingleInstance.h"
#include "ui/options/BackgroundPicture.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/IconBox.h"
#include "ui/options/PictureBox.h"
#include "ui/restore/RestoreList.h"

#include <commctrl.h>
#include <new>

namespace ui {

namespace {
// Progress text reaches the screen at most this often.
constexpr UINT kTextRepaintMs = 50;
} // namespace

std::wstring ExecutableFolder() {
    const std::wstring path = platform::ExecutablePath();
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

Form1::Form1(std::wstring appFolder, VersionQuery versionQuery)
    : appFolder_(std::move(appFolder)), versionQuery_(std::move(versionQuery)),
      status_(kTextRepaintMs), subDirsCount_(kTextRepaintMs), restoreCount_(kTextRepaintMs) {
    listFile_ = appFolder_ + L"\\" + engine::kListFileName; // until the start-up chooses
    perUserRoot = platform::LocalAppDataFolder();
    shellOpener = [](HWND owner, const std::wstring& target) {
        platform::ShellOpen(owner, target);
    };
}

Form1::~Form1() {
    // Unloading without a close (a test, or an ended start-up) saves nothing.
    unloaded_ = true;
}

const std::wstring& Form1::ListFilePath() const {
    return record_ ? record_->ListFile() : listFile_;
}

bool Form1::CanRecord() const {
    return listLoaded_ && record_ && record_->CanRecord();
}

bool Form1::CanRecord(unsigned long& reason) const {
    reason = loadError_ ? loadError_ : record_ ? record_->Error() : DWORD(ERROR_NOT_READY);
    return CanRecord();
}

std::wstring Form1::IdleText() const {
    return std::wstring(kAppTitle) + L" " + std::to_wstring(kVersionMajor) + L"." +
           std::to_wstring(kVersionMinor);
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
    DescribeChoices();
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
    lastFocus_ = dummy;
    SetFocus(dummy);
    return true;
}

// The subsystems, each with the busy lock and the controls it needs; each adds
// its own command rows beside the window's.
void Form1::CreateSubsystems() {
    AddCommands();
    restoreView_ = std::make_unique<RestoreView>(
        static_cast<OperationHost&>(*this), static_cast<BusyLock&>(*this),
        RestoreControls{hwnd(), Control(fraChange), Control(fraRestore), Control(lstRestore),
                        Control(chkSelect), Control(cmdRestore), Control(cmdOk), Control(Command2)},
        kAppTitle, IdleText());
    restoreView_->AddCommands(Commands());
    iconPicker_ = std::make_unique<IconPicker>(
        IconPickerControls{hwnd(), Control(TxtIconFile), Control(LblIcoCount),
                           Control(ScrollIconNo), Control(picIcon), Control(LblIconNo),
                           Control(LblIcoNum), Control(Command1), Control(txtChanging),
                           Control(lblCreating), Control(CmdBrowseIconFile)},
        appFolder_, IdleText());
    iconPicker_->AddCommands(Commands());
    folderSelection_ = std::make_unique<FolderSelection>(
        static_cast<OperationHost&>(*this), static_cast<BusyLock&>(*this),
        FolderSelectionControls{hwnd(), Control(TxtFolder), Control(cmdBrowseFolder),
                                Control(chkSubs), Control(lblCreating), Control(Command1),
                                &subDirsCount_},
        subDirs_, IdleText());
    folderSelection_->AddCommands(Commands());
    apply_ = std::make_unique<ui::Apply>(
        static_cast<ApplyHost&>(*this), static_cast<BusyLock&>(*this),
        ApplyControls{hwnd(), Control(TxtFolder), Control(chkSubs), Control(lstRestore),
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
    restoreCount_.Attach(Control(lblRestoreCount));
}

// Which handler answers which notification of which control.
void Form1::AddCommands() {
    Commands().Add(*this, {{cmdClearBgnd, BN_CLICKED, &Form1::cmdClearBgnd_Click},
                           {Command3, BN_CLICKED, &Form1::Command3_Click},
                           {Command4, BN_CLICKED, &Form1::Command4_Click},
                           {cmdBrwstxtColor, BN_CLICKED, &Form1::cmdBrwstxtColor_Click},
                           {cmdBrwsBgtxtColor, BN_CLICKED, &Form1::cmdBrwsBgtxtColor_Click},
                           {Command5, BN_CLICKED, &Form1::Command5_Click},
                           {Image4, STN_CLICKED, &Form1::Image4_Click},
                           {TxtToolTip, EN_SETFOCUS, &Form1::TxtToolTip_GotFocus},
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

HWND Form1::Control(int id) const {
    return FindControl(controls_, id);
}

const platform::ThrottledText* Form1::Throttled(int id) const {
    switch (id) {
    case txtChanging:
        return &status_;
    case lblSubDirsCount:
        return &subDirsCount_;
    case lblRestoreCount:
        return &restoreCount_;
    default:
        return nullptr;
    }
}

std::wstring Form1::Text(int id) const {
    // Progress not yet on the screen is the control's text all the same.
    if (const auto* text = Throttled(id); text && text->Pending())
        return text->PendingText();
    return platform::Text(Control(id));
}

void Form1::SetText(int id, const std::wstring& text) {
    if (auto* throttled = Throttled(id))
        throttled->Show(text);
    else
        platform::SetText(Control(id), text);
}

bool Form1::PreTranslate(MSG& msg) {
    return hwnd() && IsDialogMessageW(hwnd(), &msg);
}

bool Form1::OnCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverFolder || data.cbData % sizeof(wchar_t) != 0)
        return false;
    // No folder: the second start only wanted this window in front.
    if (data.cbData == 0)
        return true;
    pendingFolder_.assign(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    // The sender waits for this answer: the folder's checks and their
    // message boxes come after it.
    PostMessageW(hwnd(), kTakePendingFolder, 0, 0);
    return true;
}

void Form1::TakePendingFolder() {
    // Its message boxes let messages through: not before the list is read.
    if (Busy() || !listLoaded_ || pendingFolder_.empty())
        return;
    const std::wstring folder = std::move(pendingFolder_);
    pendingFolder_.clear();
    RememberFocus();
    folderSelection_->TakeFolder(folder);
}

void Form1::TakeFolderWhenReady(const std::wstring& folder) {
    if (folder.empty() || !hwnd())
        return;
    pendingFolder_ = folder;
    PostMessageW(hwnd(), kTakePendingFolder, 0, 0);
}

void Form1::Form_Load() {
    platform::Show(Control(fraChange), true);
    platform::Show(Control(fraRestore), false);
    SetStatus(IdleText());
    record_ = std::make_unique<engine::RestoreRecord>(appFolder_, perUserRoot);
    record_->CreateIfMissing();
    // The list loads once the message loop runs, so that the window shows and
    // answers meanwhile; nothing that needs the list may start before.
    loading_ = true;
    HoldBusy();
    // Close stays: closing during the load ends the program, and nothing is
    // lost, since nothing was changed yet.
    platform::DisableCloseButton(hwnd(), true);
    PostMessageW(hwnd(), kLoadRestoreList, 0, 0);
}

bool Form1::WaitForList() {
    MSG msg;
    while (hwnd() && loading_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return hwnd() && listLoaded_;
}

// Reads the list into memory, prunes it and merges a journal, then fills the
// list box once; false when the window went meanwhile.
bool Form1::LoadRestoreListSteps(bool& journalFound) {
    const engine::YieldFn yield = [this] { return DoEvents(); };
    engine::FolderLines staged;
    record_->Load(staged, yield);
    if (!hwnd())
        return false;
    // The lines read are well-formed entries, never blank: no pass over a
    // whole drive's list is needed to drop blanks.
    const bool pruned = engine::PruneRestoreList(staged, [this](size_t done, size_t total) {
        if (done % 64 == 1 || done == total)
            ShowProgress(L"Loading restore list: " + std::to_wstring(done) + L" of " +
                         std::to_wstring(total));
        return DoEvents();
    });
    if (!pruned)
        return false;
    // A journal left behind means a run ended without its save: the folders
    // it reached go into the list, which is saved at once.
    journalFound = record_->MergeJournals(staged, yield);
    if (!hwnd())
        return false;
    ListBoxItems restoreList(Control(lstRestore));
    return restoreList.TakeLines(staged, yield);
}

void Form1::LoadRestoreList() {
    if (!loading_ || listLoaded_)
        return;
    bool journalFound = false;
    unsigned long failure = 0;
    try {
        if (!LoadRestoreListSteps(journalFound))
            return; // the window went: nothing was saved
    } catch (const std::bad_alloc&) {
        failure = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        failure = ERROR_INTERNAL_ERROR;
    }
    if (failure) {
        LoadFailed(failure);
        return;
    }
    listLoaded_ = true;
    if (journalFound && record_->CanRecord()) {
        // A save that fails, for want of memory too, leaves the files as they
        // were: the journal is still there for the next save or start.
        try {
            ListBoxItems restoreList(Control(lstRestore));
            record_->Save(restoreList, [this] { return DoEvents(); });
        } catch (...) {
        }
        if (!hwnd())
            return;
    }
    loading_ = false;
    UpdateRestoreCount();
    SetStatus(IdleText());
    // The start-up's focus stays with the focus sink unless the user moved it.
    HWND dummy = Control(cmdDummy);
    const bool focusAtStart = GetFocus() == dummy;
    ReleaseBusy();
    if (focusAtStart && GetActiveWindow() == hwnd()) {
        lastFocus_ = dummy;
        SetFocus(dummy);
    }
    if (!record_->CanRecord())
        ReportCannotRecord(record_->Error());
}

void Form1::LoadFailed(unsigned long error) {
    if (!hwnd())
        return;
    // Part of a list is never saved: the files stay as they are, and with no
    // record nothing is changed.
    loadError_ = error;
    loading_ = false;
    ReleaseBusy();
    ListBoxItems(Control(lstRestore)).Clear();
    UpdateRestoreCount();
    SetStatus(L"The restore list could not be loaded: " + platform::ErrorText(error));
    ReportCannotRecord(error);
}

void Form1::ReportCannotRecord(unsigned long error) {
    const std::wstring text =
        L"Changes to folders cannot be recorded, so no folder will be changed: " +
        platform::ErrorText(error);
    MessageBoxW(hwnd(), text.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

void Form1::JoinWaitingItems() {
    if (waitingItems_.empty() || !IsWindow(Control(lstRestore)))
        return;
    ListBoxItems(Control(lstRestore)).AddAllQuietly(waitingItems_);
    waitingItems_.clear();
}

bool Form1::SaveRestoreList() {
    HWND list = Control(lstRestore);
    // A list box that is gone holds nothing; saving it would empty the file.
    // Before the start-up has read the list, the list box holds nothing of it.
    if (!IsWindow(list) || !listLoaded_ || !record_)
        return false;
    bool saved = false;
    DWORD error = 0;
    try {
        // The waiting folders join first: a save without them would drop them.
        JoinWaitingItems();
        // Where nothing can be recorded the user was told at start-up.
        if (!record_->CanRecord())
            return false;
        BusyHold busy(*this);
        ListBoxItems restoreList(list);
        // A save that interrupts another (the end of the session) runs to its
        // end without letting messages through: the process ends when it returns.
        const bool nested = saving_;
        saving_ = true;
        const platform::ScopeExit endSaving([this, nested] { saving_ = nested; });
        engine::YieldFn yield;
        if (!nested)
            yield = [this] { return DoEvents(); };
        saved = record_->Save(restoreList, yield, keepJournal_);
        error = GetLastError();
    } catch (const std::bad_alloc&) {
        // Nothing was written in place of the list: it stays as it was, and
        // so does the journal.
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (saved)
        return true;
    // A window that went away took the list with it; the journal keeps the run's folders.
    if (!hwnd())
        return false;
    RememberFocus();
    const std::wstring text = L"The restore list could not be saved: " + platform::ErrorText(error);
    MessageBoxW(hwnd(), text.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool Form1::Form_Unload() {
    if (unloaded_)
        return true;
    unloaded_ = true;
    SaveRestoreList();
    CloseAbout();
    return true;
}

engine::FolderOptions Form1::ReadOptions() const {
    engine::FolderOptions options;
    options.iconFile = Text(TxtIconFile);
    options.iconIndex = iconPicker_->IconIndex();
    options.tooltip = Text(TxtToolTip);
    options.textColor = lblColor;
    options.textBackground = lblBgColor;
    options.picturePath = Path;
    return options;
}

void Form1::RefreshShell() {
    platform::NotifyShellOfChanges();
}

void Form1::DescribeChoices() {
    const auto chosen = [](const std::wstring& value) {
        return value.empty() ? std::wstring(L"not chosen") : value;
    };
    platform::SetAccessibleName(Control(lblSampleText),
                                std::wstring(kSampleText) + L", text colour " + chosen(lblColor) +
                                    L", background colour " + chosen(lblBgColor));
    platform::SetAccessibleDescription(Control(Image1),
                                       Path.empty() ? std::wstring(L"No picture chosen") : Path);
}

void Form1::cmdClearBgnd_Click() {
    // Only an untick of a ticked box brings the idle text back.
    const bool wasTicked = platform::Checked(Control(chkSubs));
    PictureBoxClear(Control(Image1));
    SampleTextSetForeColor(Control(lblSampleText), 0);
    SampleTextSetBackColor(Control(lblSampleText), kSystemButtonFace);
    lblColor.clear();
    lblBgColor.clear();
    Path.clear();
    SetText(TxtFolder, L"");
    SetText(TxtIconFile, L"");
    SetText(TxtToolTip, L"");
    iconPicker_->ClearPreview();
    folderSelection_->SetIncludeSubdirectories(false);
    // The folder box is already empty, so the untick alone would not reset these.
    folderSelection_->ClearTargetList();
    if (wasTicked)
        SetStatus(IdleText());
    DescribeChoices();
}

void Form1::Command3_Click() {
    ShowAbout(hwnd());
}

void Form1::ChooseSampleColor(std::wstring& hex, void (*show)(HWND, std::int32_t)) {
    const std::int32_t colour = ShowColor(hwnd());
    if (colour == -1)
        return;
    hex = engine::ColorToHex(colour);
    show(Control(lblSampleText), colour);
    DescribeChoices();
}

void Form1::cmdBrwstxtColor_Click() {
    ChooseSampleColor(lblColor, SampleTextSetForeColor);
}

void Form1::cmdBrwsBgtxtColor_Click() {
    ChooseSampleColor(lblBgColor, SampleTextSetBackColor);
}

void Form1::Command5_Click() {
    Path = ChooseBackgroundPicture(hwnd(), appFolder_, Control(Image1), kAppTitle);
    DescribeChoices();
}

void Form1::Command4_Click() {
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void Form1::Image4_Click() {
    const std::wstring help = appFolder_ + L"\\Help.chm";
    if (!platform::FileExists(help)) {
        // The shell's own complaint would not say which file it missed.
        const std::wstring text = L"The help file could not be found: " + help;
        MessageBoxW(hwnd(), text.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
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

void Form1::TxtToolTip_GotFocus() {
    SendMessageW(Control(TxtToolTip), EM_SETSEL, 0, -1);
}

void Form1::txtChanging_MouseDown() {
    SetFocus(Control(cmdDummy));
}

void Form1::SetStatus(const std::wstring& text) {
    SetText(txtChanging, text);
}

void Form1::ShowProgress(const std::wstring& text) {
    status_.ShowSoon(text);
}

void Form1::UpdateRestoreCount(bool soon) {
    const std::wstring count = std::to_wstring(ListBoxItems(Control(lstRestore)).Count());
    if (soon)
        restoreCount_.ShowSoon(count);
    else
        restoreCount_.Show(count);
}

bool Form1::DoEvents() {
    // The window may go while messages run. This is the one place that sees
    // it: the operation that yielded stops and touches the window no more.
    if (!hwnd())
        return false;
    // A pump is a round trip to the window system; one every few milliseconds
    // keeps the window answering without costing more than the file work.
    constexpr ULONGLONG kPumpIntervalMs = 15;
    if (platform::TickCount64() - lastPump_ >= kPumpIntervalMs) {
        for (auto* text : {&status_, &subDirsCount_, &restoreCount_})
            text->ShowDue();
        platform::DoEvents();
        lastPump_ = platform::TickCount64();
        if (pumpObserver)
            pumpObserver();
        // The window may have gone while messages ran: the operation that
        // yielded must not touch it again.
        if (!hwnd())
            return false;
    }
    if (yieldObserver)
        yieldObserver();
    return hwnd() != nullptr;
}

void Form1::SetWaitCursor(bool wait) {
    waitCursor_ = wait;
    SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
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

bool Form1::OnOtherMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message == kTakePendingFolder)
        TakePendingFolder();
    else if (message == kLoadRestoreList)
        LoadRestoreList();
    else
        return false;
    result = 0;
    return true;
}

void Form1::OnClose() {
    if (loading_) {
        // Nothing changed yet: the program ends with its files as they were.
        unloaded_ = true;
        DestroyWindow(hwnd());
        return;
    }
    if (Busy())
        return; // the busy lock also holds against Alt+F4
    Form_Unload();
    DestroyWindow(hwnd());
}

bool Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls let go of the old font before it goes.
    const platform::FontHandle oldFont = std::move(formFont_);
    CreateFonts(dpi_);
    SetControlFonts(MainControls(), controls_, {formFont_.get()});
    SampleTextSetDpi(Control(lblSampleText), dpi_);
    LayoutControls(hwnd(), controls_, dpi_);
    SendMessageW(Control(lstRestore), LB_SETITEMHEIGHT, 0,
                 static_cast<LPARAM>(TickItemHeight(hwnd(), dpi_)));
    // The preview box has its new size, which cleared it.
    iconPicker_->RedrawPreview();
    // The suggested place, with the size worked out from the DPI's own frame.
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The controls were moved without drawing.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

void Form1::OnCommand(int id, int code, HWND control) {
    // The busy lock holds whoever sends the command: another program may
    // post a click, or enable a control first.
    if (Busy() && (LockedWhileBusy(id) || (control && !IsWindowVisible(control))))
        return;
    // The control whose command runs starts whatever the command starts.
    struct Restore {
        HWND& slot;
        HWND saved;
        ~Restore() { slot = saved; }
    } restore{commandSource_, commandSource_};
    if (control && IsChild(hwnd(), control))
        commandSource_ = control;
    // A dialog that the command opens disables the window, which takes the
    // focus away before the window hears of its deactivation.
    RememberFocus();
    WindowBase::OnCommand(id, code, control);
}

void Form1::RememberFocus() {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd(), focus))
        lastFocus_ = focus;
}

bool Form1::CanTakeFocus(HWND control) const {
    return control && IsChild(hwnd(), control) && IsWindowVisible(control) &&
           IsWindowEnabled(control);
}

HWND Form1::SensibleFocus(HWND wanted) const {
    if (CanTakeFocus(wanted))
        return wanted;
    // A control of the restore view that went away: the button that opens it again.
    if (wanted && IsChild(Control(fraRestore), wanted) && CanTakeFocus(Control(Command2)))
        return Control(Command2);
    return GetNextDlgTabItem(hwnd(), wanted && IsChild(hwnd(), wanted) ? wanted : nullptr, FALSE);
}

void Form1::GiveFocusBack(HWND starter) {
    if (GetActiveWindow() != hwnd()) {
        // A dialog or another program is in front: the activation brings it back.
        if (!CanTakeFocus(lastFocus_) || lastFocus_ == Control(cmdDummy))
            lastFocus_ = SensibleFocus(starter);
        return;
    }
    HWND focus = GetFocus();
    if (focus != Control(cmdDummy) && CanTakeFocus(focus))
        return;
    if (HWND target = SensibleFocus(starter))
        SetFocus(target);
}

bool Form1::OnActivate(bool active) {
    if (!active) {
        RememberFocus();
        return true;
    }
    // While work runs the focus sink holds the focus, as it did when work started.
    HWND focus =
        Busy() && !CanTakeFocus(lastFocus_) ? Control(cmdDummy) : SensibleFocus(lastFocus_);
    SetFocus(focus ? focus : hwnd());
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
