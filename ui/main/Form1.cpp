#include "ui/main/Form1.h"

#include "engine/ListStore.h"
#include "platform/Files.h"
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

namespace ui {

namespace {
constexpr int kClientWidthTwips = 7455;
constexpr int kClientHeightTwips = 5715;
// Progress text reaches the screen at most this often.
constexpr UINT kTextRepaintMs = 50;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The controls that the busy lock disables, in its order.
constexpr int kBusySet[] = {Command1,     Command2,        Command3,          Command4,
                            cmdClearBgnd, cmdBrwstxtColor, cmdBrwsBgtxtColor, Command5,
                            chkSubs,      cmdBrowseFolder, CmdBrowseIconFile};


int FontHeight(double points, UINT dpi) {
    return -static_cast<int>(points * dpi / 72.0 + 0.5);
}
} // namespace

std::wstring ExecutableFolder() {
    const std::wstring path = platform::ExecutablePath();
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

Form1::Form1(std::wstring appFolder, VersionQuery versionQuery)
    : appFolder_(std::move(appFolder)), versionQuery_(std::move(versionQuery)),
      status_(kTextRepaintMs), subDirsCount_(kTextRepaintMs), restoreCount_(kTextRepaintMs) {
    listFile_ = appFolder_ + L"\\" + engine::kListFileName;
    perUserRoot = platform::LocalAppDataFolder();
    shellOpener = [](HWND owner, const std::wstring& target) {
        platform::ShellOpen(owner, target);
    };
}

Form1::~Form1() {
    // Unloading without a close (a test, or an ended start-up) saves nothing.
    unloaded_ = true;
}

std::wstring Form1::IdleText() const {
    return std::wstring(kAppTitle) + L" " + std::to_wstring(kVersionMajor) + L"." +
           std::to_wstring(kVersionMinor);
}

int Form1::VersionCode(DWORD platformId, DWORD major, DWORD minor) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS && major == 4) {
        if (minor == 0)
            return 1;
        if (minor == 10)
            return 2;
        if (minor == 90)
            return 3;
        return 0;
    }
    if (platformId == VER_PLATFORM_WIN32_NT) {
        switch (major) {
        case 3:
            return 4;
        case 4:
            return 5;
        case 5:
            return minor == 0 ? 6 : minor == 1 ? 7 : minor == 2 ? 8 : 0;
        case 6:
            return 9;
        default:
            return 0;
        }
    }
    return 0;
}

int Form1::GetOSVersion() {
    // The record with the 128-byte service-pack string, 148 bytes.
    OSVERSIONINFOA info{};
    static_assert(sizeof info == 148, "OSVERSIONINFOA is 148 bytes");
    info.dwOSVersionInfoSize = 148;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    if (!GetVersionExA(&info))
        return 0;
    return VersionCode(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

bool Form1::Create() {
    RegisterContainerClasses();
    RegisterIconBoxClass();
    RegisterSampleTextClass();
    RegisterPictureBoxClass();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUILLANE));
    handCursor_ = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER));
    if (!handCursor_)
        handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    if (!CreateWindowOfClass(kMainWindowClass, icon, 0, kStyle, kAppTitle, CW_USEDEFAULT,
                             CW_USEDEFAULT, 100, 100, nullptr))
        return false;
    dpi_ = platform::WindowDpi(hwnd());
    CreateFonts(dpi_);
    LoadBannerArt();
    CreateControls();
    LayoutControls(dpi_);
    AddTooltips();
    restoreView_ = std::make_unique<RestoreView>(
        static_cast<RestoreHost&>(*this),
        RestoreControls{hwnd(), Control(fraChange), Control(fraRestore), Control(lstRestore),
                        Control(chkSelect), Control(cmdRestore), Control(cmdOk)},
        kAppTitle, IdleText());
    iconPicker_ = std::make_unique<IconPicker>(
        IconPickerControls{hwnd(), Control(TxtIconFile), Control(LblIcoCount),
                           Control(ScrollIconNo), Control(picIcon), Control(LblIconNo),
                           Control(LblIcoNum), Control(Command1), Control(txtChanging),
                           Control(lblCreating)},
        appFolder_, IdleText());
    if (!AdaptToOSVersion()) {
        unloaded_ = true;
        DestroyWindow(hwnd());
        return false;
    }
    Form_Load();
    SetFocus(Control(cmdDummy));
    return true;
}

void Form1::CreateFonts(UINT dpi) {
    formFont_.reset(CreateFontW(FontHeight(8.25, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Verdana"));
    whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
}

HWND Form1::CreateControl(const ControlSpec& entry) {
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | entry.extraStyle;
    DWORD exStyle = 0;
    if (entry.visible)
        style |= WS_VISIBLE;
    switch (entry.kind) {
    case Kind::Frame:
        cls = kFrameClass;
        style |= WS_CLIPCHILDREN;
        exStyle = WS_EX_CONTROLPARENT;
        break;
    case Kind::Panel:
        cls = kPanelClass;
        style |= WS_CLIPCHILDREN;
        exStyle = WS_EX_CONTROLPARENT;
        break;
    case Kind::Label:
    case Kind::WhiteLabel:
        style |= SS_NOPREFIX;
        break;
    case Kind::Image:
        style |= SS_OWNERDRAW;
        break;
    case Kind::TextBox:
        cls = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case Kind::LockedTextBox:
    case Kind::StatusBox:
        cls = L"EDIT";
        style |= ES_AUTOHSCROLL | ES_READONLY;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case Kind::Button:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case Kind::CheckBox:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
    case Kind::ScrollBar:
        cls = L"SCROLLBAR";
        style |= WS_TABSTOP | SBS_HORZ;
        break;
    case Kind::TickList:
        cls = L"LISTBOX";
        style |= kTickListStyle & ~WS_VISIBLE;
        exStyle = 0;
        break;
    case Kind::IconBox:
        cls = kIconBoxClass;
        break;
    case Kind::SampleText:
        cls = kSampleTextClass;
        break;
    case Kind::PictureBox:
        cls = kPictureBoxClass;
        break;
    }
    HWND parent = entry.container ? Control(entry.container) : hwnd();
    HWND control = CreateWindowExW(exStyle, cls, entry.caption, style, 0, 0, 10, 10, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                   GetModuleHandleW(nullptr), nullptr);
    // The sample caption keeps its own Tahoma bold.
    if (entry.kind != Kind::SampleText)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
    return control;
}

void Form1::CreateControls() {
    // The focus sink comes first in the tab order.
    controls_[cmdDummy] = CreateControl(*FindSpec(cmdDummy));
    for (size_t i = 0; i < kControlCount; ++i)
        if (kControls[i].id != cmdDummy)
            controls_[kControls[i].id] = CreateControl(kControls[i]);
    SendMessageW(Control(ScrollIconNo), SBM_SETRANGE, 0, 0);
    SetWindowSubclass(Control(txtChanging), StatusLineProc, 0, reinterpret_cast<DWORD_PTR>(this));
    status_.Attach(Control(txtChanging));
    subDirsCount_.Attach(Control(lblSubDirsCount));
    restoreCount_.Attach(Control(lblRestoreCount));
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

void Form1::LayoutControls(UINT dpi) {
    RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    SetWindowPos(hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlSpec& s = kControls[i];
        MoveWindow(Control(s.id), TwipsToPixels(s.left, dpi), TwipsToPixels(s.top, dpi),
                   TwipsToPixels(s.width, dpi), TwipsToPixels(s.height, dpi), FALSE);
    }
    // Long paths scroll into view: three list widths of horizontal range.
    const double twipsPerPixel = 1440.0 / dpi;
    const int extent = static_cast<int>(6855 / twipsPerPixel * 3 + 0.5);
    SendMessageW(Control(lstRestore), LB_SETHORIZONTALEXTENT, extent, 0);
}

void Form1::AddTooltips() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlSpec& s = kControls[i];
        if (!s.tooltip)
            continue;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(Control(s.id));
        tool.lpszText = const_cast<wchar_t*>(s.tooltip);
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

HWND Form1::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
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
    HWND control = Control(id);
    int n = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(control, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

void Form1::SetText(int id, const std::wstring& text) {
    if (auto* throttled = Throttled(id))
        throttled->Show(text);
    else
        SetWindowTextW(Control(id), text.c_str());
}

bool Form1::PreTranslate(MSG& msg) {
    return hwnd() && IsDialogMessageW(hwnd(), &msg);
}

void Form1::Form_Load() {
    ShowWindow(Control(fraChange), SW_SHOW);
    ShowWindow(Control(fraRestore), SW_HIDE);
    SetStatus(IdleText());
    listFile_ = engine::ChooseListFile(appFolder_, perUserRoot);
    const std::wstring listFile = ListFilePath();
    if (!engine::FileExists(listFile))
        platform::WriteAllBytes(listFile, {'\r', '\n'});
    DoEvents();
    ListBoxItems restoreList(Control(lstRestore));
    engine::LoadListFromFile(restoreList, listFile);
    engine::RemoveBlankItems(restoreList);
    engine::PruneRestoreList(restoreList);
    MergeJournal();
    UpdateRestoreCount();
}

void Form1::MergeJournal() {
    // A journal left behind means a run ended without its save: the folders
    // it reached hold our settings file and go into the list now.
    const std::wstring journal = engine::JournalPath(ListFilePath());
    if (!platform::PathExists(journal))
        return;
    ListBoxItems restoreList(Control(lstRestore));
    engine::MergeJournal(restoreList, journal);
    if (engine::SaveListToFile(restoreList, ListFilePath()))
        platform::DeleteFileAt(journal);
}

bool Form1::SaveRestoreList() {
    HWND list = Control(lstRestore);
    // A list box that is gone holds nothing; saving it would empty the file.
    if (!IsWindow(list))
        return false;
    BusyHold busy(*this);
    ListBoxItems restoreList(list);
    const bool saved = engine::SaveListToFile(restoreList, ListFilePath(), [this] { DoEvents(); });
    if (saved) {
        platform::DeleteFileAt(engine::JournalPath(ListFilePath()));
        return true;
    }
    const DWORD error = GetLastError();
    const std::wstring text = L"The restore list could not be saved: " + platform::ErrorText(error);
    MessageBoxW(hwnd(), text.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool Form1::AdaptToOSVersion() {
    const int code = versionQuery_ ? versionQuery_() : 0;
    if (code == 9) {
        MessageBoxW(hwnd(), L"Quillane is not compatible with Vista    ", kAppTitle,
                    MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    pictureFeature_ = code == 7 || code == 8;
    EnableWindow(Control(Command5), pictureFeature_);
    EnableWindow(Control(Label3), pictureFeature_);
    ShowWindow(Control(lblCompat), pictureFeature_ ? SW_HIDE : SW_SHOW);
    return true;
}

bool Form1::Form_Unload() {
    if (unloaded_)
        return true;
    unloaded_ = true;
    SaveRestoreList();
    CloseAbout();
    return true;
}

void Form1::EnableMainControls(bool enabled) {
    if (enabled)
        ReleaseBusy();
    else
        HoldBusy();
}

void Form1::HoldBusy() {
    if (busyHolders_++ > 0)
        return;
    for (int id : kBusySet)
        EnableWindow(Control(id), FALSE);
    restoreView_->EnableViewControls(false);
    platform::DisableCloseButton(hwnd(), false);
}

void Form1::ReleaseBusy() {
    if (busyHolders_ <= 0)
        return;
    if (busyHolders_ == 1 && saveWhenIdle_ && hwnd()) {
        // The session waited for the operation; the list is saved before
        // anything else can start.
        saveWhenIdle_ = false;
        try {
            SaveRestoreList();
        } catch (const WindowGone&) {
        }
        platform::DestroyShutdownReason(hwnd());
    }
    if (--busyHolders_ > 0 || !hwnd())
        return;
    if (!pendingFolder_.empty())
        PostMessageW(hwnd(), kTakePendingFolder, 0, 0);
    for (int id : kBusySet)
        EnableWindow(Control(id), id != Command5 || pictureFeature_);
    restoreView_->EnableViewControls(true);
    platform::DisableCloseButton(hwnd(), true);
}

LRESULT Form1::OnQueryEndSession() {
    if (!Busy())
        return TRUE;
    saveWhenIdle_ = true;
    // Windows XP shows no reason; the refusal alone makes the session wait.
    platform::CreateShutdownReason(hwnd(),
                                   L"Quillane is changing folders and must save its restore list.");
    return FALSE;
}

void Form1::OnEndSession(bool ending) {
    // The process ends when this returns. The list box holds every folder
    // done so far, and the journal the ones an Apply was about to do.
    if (ending)
        SaveRestoreList();
}

void Form1::cmdClearBgnd_Click() {
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
    SetIncludeSubdirectories(false);
    subDirs_.Clear();
    // The folder box is already empty, so the untick alone would not reset these.
    SetText(lblSubDirsCount, L"0");
    SetStatus(IdleText());
}

void Form1::Command3_Click() {
    ShowAbout(hwnd());
}

void Form1::CmdBrowseIconFile_Click() {
    iconPicker_->CmdBrowseIconFile_Click();
}

void Form1::cmdBrwstxtColor_Click() {
    const std::int32_t colour = ShowColor(hwnd());
    if (colour == -1)
        return;
    lblColor = engine::ColorToHex(colour);
    SampleTextSetForeColor(Control(lblSampleText), colour);
}

void Form1::cmdBrwsBgtxtColor_Click() {
    const std::int32_t colour = ShowColor(hwnd());
    if (colour == -1)
        return;
    lblBgColor = engine::ColorToHex(colour);
    SampleTextSetBackColor(Control(lblSampleText), colour);
}

void Form1::Command5_Click() {
    Path = ChooseBackgroundPicture(hwnd(), appFolder_, Control(Image1), kAppTitle);
}

void Form1::Command4_Click() {
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void Form1::Image4_Click() {
    if (shellOpener)
        shellOpener(hwnd(), appFolder_ + L"\\Help.chm");
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

void Form1::DoEvents() {
    // A pump is a round trip to the window system; one every few milliseconds
    // keeps the window answering without costing more than the file work.
    constexpr ULONGLONG kPumpIntervalMs = 15;
    if (platform::TickCount64() - lastPump_ >= kPumpIntervalMs) {
        for (auto* text : {&status_, &subDirsCount_, &restoreCount_})
            text->ShowDue();
        platform::DoEvents();
        // The window may have gone while messages ran: the operation that
        // yielded must not touch it again.
        if (!hwnd())
            throw WindowGone{};
        lastPump_ = platform::TickCount64();
        if (pumpObserver)
            pumpObserver();
    }
    if (yieldObserver)
        yieldObserver();
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

void Form1::OnCommand(int id, int code) {
    switch (id) {
    case Command1:
        if (code == BN_CLICKED)
            Command1_Click();
        break;
    case Command2:
        if (code == BN_CLICKED)
            Command2_Click();
        break;
    case cmdOk:
        if (code == BN_CLICKED)
            cmdOk_Click();
        break;
    case cmdClearBgnd:
        if (code == BN_CLICKED)
            cmdClearBgnd_Click();
        break;
    case Command3:
        if (code == BN_CLICKED)
            Command3_Click();
        break;
    case Command4:
        if (code == BN_CLICKED)
            Command4_Click();
        break;
    case cmdBrowseFolder:
        if (code == BN_CLICKED)
            cmdBrowseFolder_Click();
        break;
    case CmdBrowseIconFile:
        if (code == BN_CLICKED)
            CmdBrowseIconFile_Click();
        break;
    case cmdBrwstxtColor:
        if (code == BN_CLICKED)
            cmdBrwstxtColor_Click();
        break;
    case cmdBrwsBgtxtColor:
        if (code == BN_CLICKED)
            cmdBrwsBgtxtColor_Click();
        break;
    case Command5:
        if (code == BN_CLICKED)
            Command5_Click();
        break;
    case chkSubs:
        if (code == BN_CLICKED)
            chkSubs_Click();
        break;
    case chkSelect:
        if (code == BN_CLICKED)
            chkSelect_Click();
        break;
    case cmdRestore:
        if (code == BN_CLICKED)
            cmdRestore_Click();
        break;
    case Image4:
        if (code == STN_CLICKED)
            Image4_Click();
        break;
    case TxtToolTip:
        if (code == EN_SETFOCUS)
            TxtToolTip_GotFocus();
        break;
    default:
        break;
    }
}

LRESULT Form1::OnColorStatic(HDC dc, HWND control) {
    if (control == Control(Label5) || control == Control(TxtFolder) ||
        control == Control(TxtIconFile)) {
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(whiteBrush_.get());
    }
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void Form1::LoadBannerArt() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    logoBitmap_.reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    helpBitmap_.reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_HELP), IMAGE_BITMAP, 0, 0, 0)));
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_TITLE_JPEG), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    if (loaded)
        titlePicture_ =
            platform::Picture::FromMemory(LockResource(loaded), SizeofResource(instance, found));
}

namespace {
void DrawBitmap(HDC dc, const RECT& r, HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info))
        return;
    const platform::MemoryDC memory(dc);
    const platform::SelectScope selected(memory.get(), bitmap);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
}
} // namespace

void Form1::DrawBannerImage(const DRAWITEMSTRUCT& draw) {
    HDC dc = draw.hDC;
    RECT r = draw.rcItem;
    FillRect(dc, &r, whiteBrush_.get());
    // The pictures keep their own size, as image controls without stretching do.
    if (draw.CtlID == Image3) {
        RECT picture{r.left, r.top, r.left + TwipsToPixels(720, dpi_),
                     r.top + TwipsToPixels(720, dpi_)};
        DrawBitmap(dc, picture, logoBitmap_.get());
    } else if (draw.CtlID == Image2) {
        titlePicture_.Render(dc, r);
    } else if (draw.CtlID == Image4) {
        RECT picture{r.left, r.top, r.left + TwipsToPixels(720, dpi_),
                     r.top + TwipsToPixels(720, dpi_)};
        DrawBitmap(dc, picture, helpBitmap_.get());
    }
}

void Form1::PaintSeparators() {
    const platform::PaintScope paint(hwnd());
    const HDC dc = paint.get();
    const int y1 = TwipsToPixels(780, dpi_), y2 = TwipsToPixels(795, dpi_);
    const int right = TwipsToPixels(7440, dpi_);
    RECT grey{0, y1, right, y1 + 1};
    RECT white{0, y2, right, y2 + 1};
    const platform::BrushHandle greyBrush(CreateSolidBrush(RGB(128, 128, 128)));
    FillRect(dc, &grey, greyBrush.get());
    FillRect(dc, &white, whiteBrush_.get());
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlID == lstRestore)
            DrawTickItem(*draw);
        else
            DrawBannerImage(*draw);
        return TRUE;
    }
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlID == lstRestore)
            MeasureTickItem(*measure, hwnd());
        return TRUE;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == Control(ScrollIconNo))
            iconPicker_->OnScroll(wParam);
        return 0;
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam)))
            return TRUE;
        return DefaultProc(message, wParam, lParam);
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_LBUTTONDOWN)
            return 0;
        return DefaultProc(message, wParam, lParam);
    case WM_PAINT:
        PaintSeparators();
        return 0;
    case WM_COPYDATA:
        return OnFolderHandedOver(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kTakePendingFolder:
        TakePendingFolder();
        return 0;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession();
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return 0;
    case WM_CLOSE:
        if (Busy())
            return 0; // the busy lock also holds against Alt+F4
        Form_Unload();
        DestroyWindow(hwnd());
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        CreateFonts(dpi_);
        for (size_t i = 0; i < kControlCount; ++i) {
            if (kControls[i].kind != Kind::SampleText)
                SendMessageW(Control(kControls[i].id), WM_SETFONT,
                             reinterpret_cast<WPARAM>(formFont_.get()), TRUE);
        }
        LayoutControls(dpi_);
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DESTROY:
        if (quitOnDestroy)
            PostQuitMessage(0);
        return 0;
    default:
        return DefaultProc(message, wParam, lParam);
    }
}

void Form1::OnException(const char* what) {
    if (!hwnd())
        return;
    std::string narrow = what ? what : "";
    SetStatus(std::wstring(narrow.begin(), narrow.end()));
}

} // namespace ui
