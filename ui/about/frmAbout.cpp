#include "ui/about/frmAbout.h"

#include "QuillaneVersion.h"
#include "platform/Files.h"
#include "platform/Window.h"
#include "resources/resource.h"
#include "ui/common/MessageBox.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <shellapi.h>

namespace ui {

namespace {

using quillane::kAppTitle;
constexpr wchar_t kClassName[] = L"QuillaneAbout";

constexpr wchar_t kDescription[] =
    L"Quillane gives your folders their own icon, tooltip, caption colours and background "
    L"picture, one folder or a whole tree at a time, and puts them back whenever you like.";
constexpr wchar_t kDisclaimer[] =
    L"This program is provided as is, without warranty of any kind. Pelwick Software is not "
    L"liable for any loss or damage that arises from its use. Copying or distributing it, in "
    L"whole or in part, without written permission is prohibited.";

// The window's layout in twips.
constexpr int kClientWidth = 5730;
constexpr int kClientHeight = 3990;

constexpr COLORREF kLabelBlue = RGB(0, 51, 153);

// clang-format off
const ControlRow kAboutControls[] = {
    // Stretched to its box, which is the picture's own size at 96 DPI.
    {frmAbout::picIcon, L"picIcon", Kind::Bitmap, 0, L"", L"Pelwick Software", 120, 120, 1065, 2205, true, SS_NOTIFY | SS_REALSIZECONTROL},
    {frmAbout::lblTitle, L"lblTitle", Kind::TitleLabel, 0, L"", nullptr, 1560, 240, 2805, 240, true, 0},
    {frmAbout::lblVersion, L"lblVersion", Kind::TitleLabel, 0, L"", nullptr, 1560, 600, 2325, 225, true, 0},
    {frmAbout::Frame2, L"Frame2", Kind::GroupBox, 0, L"", nullptr, 1560, 840, 3975, 1095, true, 0},
    // Inside Frame2: the frames draw a border only, so their labels are the window's.
    {frmAbout::lblDescription, L"lblDescription", Kind::Label, 0, kDescription, nullptr, 1560 + 120, 840 + 120, 3795, 810, true, 0},
    {frmAbout::Command1, L"Command1", Kind::Button, 0, L"&Join the Pelwick mailing list", L"Join our mailing list", 1560, 2040, 2295, 345, true, 0},
    {frmAbout::Command2, L"Command2", Kind::Button, 0, L"&Pelwick", L"Visit Pelwick", 4320, 2040, 1245, 345, true, 0},
    {frmAbout::Frame1, L"Frame1", Kind::GroupBox, 0, L"", nullptr, 120, 2405, 4095, 1455, true, 0},
    // Inside Frame1.
    {frmAbout::lblDisclaimer, L"lblDisclaimer", Kind::Label, 0, kDisclaimer, nullptr, 120 + 120, 2405 + 240, 3870, 1185, true, 0},
    {frmAbout::Command3, L"Command3", Kind::Button, 0, L"Clos&e", L"Close this window", 4290, 2777, 1245, 345, true, 0},
    {frmAbout::Command4, L"Command4", Kind::Button, 0, L"&System Info", L"Info about your computer", 4290, 3480, 1245, 345, true, 0},
};
// clang-format on

// The vendor picture says nothing to a screen reader by itself.
const AccessibleNameSpec kAboutNames[] = {{frmAbout::picIcon, L"Pelwick Software"}};

PageOpener& CurrentOpener() {
    static PageOpener opener;
    return opener;
}

void OpenPage(HWND owner, const std::wstring& address) {
    if (CurrentOpener())
        CurrentOpener()(owner, address);
    else
        OpenPageWithShell(owner, address);
}

std::unique_ptr<frmAbout>& Instance() {
    static std::unique_ptr<frmAbout> instance;
    return instance;
}

bool SameFace(HFONT font, const wchar_t* face) {
    const platform::WindowDC dc;
    if (!dc)
        return false;
    wchar_t actual[LF_FACESIZE] = {};
    {
        const platform::SelectScope selected(dc.get(), font);
        GetTextFaceW(dc.get(), LF_FACESIZE, actual);
    }
    return lstrcmpiW(actual, face) == 0;
}

// The window's fonts are MS Sans Serif; where the system lacks it the font
// mapper would pick something unrelated, so fall back to Tahoma explicitly.
platform::FontHandle MakeFont(int pointsTimes100, bool bold, UINT dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(pointsTimes100, static_cast<int>(dpi), 7200);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    for (const wchar_t* face : {L"MS Sans Serif", L"Tahoma", L"MS Shell Dlg"}) {
        lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
        platform::FontHandle font(CreateFontIndirectW(&lf));
        if (font && SameFace(font.get(), face))
            return font;
    }
    return platform::FontHandle(CreateFontIndirectW(&lf));
}

HCURSOR HandCursor() {
    // Test programs may lack the executable's resources: use the system's hand then.
    HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_POINTER));
    return hand ? hand : LoadCursorW(nullptr, IDC_HAND);
}

// The registry names the program directly, or failing that the folder it lies in.
bool FindSysInfoProgram(std::wstring& path) {
    std::wstring value;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", L"PATH",
                    value)) {
        path = value;
        return true;
    }
    if (!GetKeyValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO",
                     value))
        return false;
    std::wstring candidate = value + L"\\MSINFO32.EXE";
    if (!platform::PlainFileExists(candidate))
        return false;
    path = candidate;
    return true;
}

bool StartProgram(const std::wstring& path) {
    if (path.empty())
        return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    platform::KernelHandle thread(process.hThread);
    platform::KernelHandle owned(process.hProcess);
    return true;
}

std::wstring HexOfDword(DWORD value) {
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text = L"&h";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += digits[(value >> shift) & 0xF];
    return text;
}

} // namespace

void OpenPageWithShell(HWND owner, const std::wstring& address) {
    ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void SetPageOpener(PageOpener opener) {
    CurrentOpener() = std::move(opener);
}

std::wstring VersionText() {
    return std::wstring(L"Version ") + quillane::kVersionText;
}

bool GetKeyValue(HKEY root, const std::wstring& key, const std::wstring& valueName,
                 std::wstring& result) {
    HKEY opened = nullptr;
    // Reading needs no more than query rights; asking for write rights would
    // fail for users who may only read the key.
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        result.clear();
        return false;
    }
    platform::RegKey owned(opened);

    wchar_t buffer[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (RegQueryValueExW(owned.get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        result.clear();
        return false;
    }
    if (type == REG_SZ) {
        size_t length = size / sizeof(wchar_t);
        if (length > 0 && buffer[length - 1] == L'\0')
            --length;
        result.assign(buffer, length);
    } else if (type == REG_DWORD) {
        DWORD value = 0;
        memcpy(&value, buffer, size < sizeof value ? size : sizeof value);
        result = HexOfDword(value);
    }
    return true;
}

void StartSysInfo(HWND owner) {
    std::wstring path;
    if (FindSysInfoProgram(path) && StartProgram(path))
        return;
    ShowMessage(owner, L"System Information Is Unavailable At This Time", 0);
}

frmAbout::~frmAbout() {
    // Destroy the controls while the fonts they use still exist.
    if (hwnd())
        DestroyWindow(hwnd());
}

bool frmAbout::Create(HWND owner) {
    // No WS_CLIPCHILDREN: the frames do not paint their inside, the window does.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUILLANE));
    // Sized once the window knows its DPI.
    if (!CreateWindowOfClass(kClassName, icon, exStyle, style, L"", 0, 0, 0, 0, owner))
        return false;
    dpi_ = platform::WindowDpi(hwnd());
    CreateFonts(dpi_);
    CreateControls();
    const SIZE size = WindowSizeFor(hwnd(), kClientWidth, kClientHeight, dpi_);
    SetWindowPos(hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    AddCommands();
    Form_Load();
    return true;
}

void frmAbout::CreateFonts(UINT dpi) {
    formFont_ = MakeFont(825, false, dpi);
    titleFont_ = MakeFont(975, true, dpi);
}

bool frmAbout::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls let go of the old fonts before they go.
    const platform::FontHandle oldForm = std::move(formFont_);
    const platform::FontHandle oldTitle = std::move(titleFont_);
    CreateFonts(dpi_);
    SetControlFonts(kAboutControls, controls_, {formFont_.get(), titleFont_.get()});
    PlaceControls(kAboutControls, controls_, dpi_);
    const SIZE size = WindowSizeFor(hwnd(), kClientWidth, kClientHeight, dpi_);
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The controls were moved without drawing.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

void frmAbout::CreateControls() {
    const ControlFonts fonts{formFont_.get(), titleFont_.get()};
    ui::CreateControls(hwnd(), kAboutControls, fonts, controls_);
    PlaceControls(kAboutControls, controls_, dpi_);
    tooltip_ = AddTooltips(hwnd(), kAboutControls, controls_);
    NameControls(kAboutNames, controls_);
    vendorPicture_.reset(
        static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_VENDOR),
                                        IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (vendorPicture_)
        SendMessageW(Control(picIcon), STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(vendorPicture_.get()));
}

void frmAbout::AddCommands() {
    Commands().Add(*this, {{Command1, BN_CLICKED, &frmAbout::Command1_Click},
                           {Command2, BN_CLICKED, &frmAbout::Command2_Click},
                           {picIcon, STN_CLICKED, &frmAbout::picIcon_Click},
                           {Command3, BN_CLICKED, &frmAbout::Command3_Click},
                           {IDCANCEL, BN_CLICKED, &frmAbout::Command3_Click}, // Esc
                           {Command4, BN_CLICKED, &frmAbout::Command4_Click}});
}

void frmAbout::Form_Load() {
    platform::SetText(hwnd(), std::wstring(L"About ") + kAppTitle);
    platform::SetText(Control(lblVersion), VersionText());
    platform::SetText(Control(lblTitle), kAppTitle);
}

void frmAbout::StartSysInfo() {
    ui::StartSysInfo(hwnd());
}

void frmAbout::OnNcDestroy() {
    // The object may outlive its window until the next opening.
    formFont_.reset();
    titleFont_.reset();
    vendorPicture_.reset();
}

void frmAbout::OnClose() {
    Command3_Click();
}

bool frmAbout::OnActivate(bool active) {
    if (!active) {
        lastFocus_ = GetFocus();
        return true;
    }
    // Close holds the focus when the window first opens.
    HWND focus =
        IsWindow(lastFocus_) && IsChild(hwnd(), lastFocus_) ? lastFocus_ : Control(Command3);
    SetFocus(focus);
    return true;
}

bool frmAbout::OnSetCursor(HWND over) {
    if (over != Control(Command1) && over != Control(Command2))
        return false;
    SetCursor(HandCursor());
    return true;
}

HBRUSH frmAbout::OnColorStatic(HDC dc, HWND control) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    const int id = GetDlgCtrlID(control);
    SetTextColor(dc, id == lblTitle || id == lblVersion ? kLabelBlue : GetSysColor(COLOR_BTNTEXT));
    return GetSysColorBrush(COLOR_BTNFACE);
}

void frmAbout::Command1_Click() {
    OpenPage(hwnd(), kVendorMailingListPage);
}

void frmAbout::Command2_Click() {
    OpenPage(hwnd(), kVendorHomePage);
}

void frmAbout::picIcon_Click() {
    OpenPage(hwnd(), kVendorHomePage);
}

void frmAbout::Command3_Click() {
    DestroyWindow(hwnd());
}

void frmAbout::Command4_Click() {
    StartSysInfo();
}

void ShowAbout(HWND owner) {
    auto& instance = Instance();
    if (!instance || !instance->hwnd()) {
        instance = std::make_unique<frmAbout>();
        if (!instance->Create(owner)) {
            instance.reset();
            return;
        }
    }
    ShowWindow(instance->hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(instance->hwnd());
}

void CloseAbout() {
    Instance().reset();
}

HWND AboutWindow() {
    const auto& instance = Instance();
    return instance ? instance->hwnd() : nullptr;
}

bool IsAboutMessage(MSG* msg) {
    HWND about = AboutWindow();
    return about && IsDialogMessageW(about, msg);
}

} // namespace ui
