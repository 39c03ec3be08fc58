#include "ui/about/frmAbout.h"

#include "QuillaneVersion.h"
#include "platform/Files.h"
#include "platform/Window.h"
#include "resources/resource.h"

#include <commctrl.h>
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

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int left, top, width, height; // twips, relative to the container
    int containerLeft, containerTop;
    const wchar_t* tooltip;
    bool titleFont;
};

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kFrame = BS_GROUPBOX;

// Frame2 at (1560, 840), Frame1 at (120, 2405) hold the two long labels.
const ControlSpec kControls[] = {
    {frmAbout::picIcon, L"STATIC", L"", SS_BITMAP | SS_NOTIFY, 120, 120, 1065, 2205, 0, 0,
     L"Pelwick Software", false},
    {frmAbout::lblTitle, L"STATIC", L"", kLabel, 1560, 240, 2805, 240, 0, 0, nullptr, true},
    {frmAbout::lblVersion, L"STATIC", L"", kLabel, 1560, 600, 2325, 225, 0, 0, nullptr, true},
    {frmAbout::Frame2, L"BUTTON", L"", kFrame, 1560, 840, 3975, 1095, 0, 0, nullptr, false},
    {frmAbout::lblDescription, L"STATIC", kDescription, kLabel, 120, 120, 3795, 810, 1560, 840,
     nullptr, false},
    {frmAbout::Command1, L"BUTTON", L"&Join the Pelwick mailing list", kButton, 1560, 2040, 2295,
     345, 0, 0, L"Join our mailing list", false},
    {frmAbout::Command2, L"BUTTON", L"&Pelwick", kButton, 4320, 2040, 1245, 345, 0, 0,
     L"Visit Pelwick", false},
    {frmAbout::Frame1, L"BUTTON", L"", kFrame, 120, 2405, 4095, 1455, 0, 0, nullptr, false},
    {frmAbout::lblDisclaimer, L"STATIC", kDisclaimer, kLabel, 120, 240, 3870, 1185, 120, 2405,
     nullptr, false},
    {frmAbout::Command3, L"BUTTON", L"Clos&e", kButton, 4290, 2777, 1245, 345, 0, 0,
     L"Close this window", false},
    {frmAbout::Command4, L"BUTTON", L"&System Info", kButton, 4290, 3480, 1245, 345, 0, 0,
     L"Info about your computer", false},
};

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
    MessageBoxW(owner, L"System Information Is Unavailable At This Time", kAppTitle, MB_OK);
}

frmAbout::~frmAbout() {
    // Destroy the controls while the fonts they use still exist.
    if (hwnd())
        DestroyWindow(hwnd());
}

bool frmAbout::Create(HWND owner) {
    const UINT dpi = platform::WindowDpi(owner);
    // No WS_CLIPCHILDREN: the frames do not paint their inside, the window does.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, platform::TwipsToPixels(kClientWidth, dpi),
               platform::TwipsToPixels(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUILLANE));
    if (!CreateWindowOfClass(kClassName, icon, exStyle, style, L"", x, y, width, height, owner))
        return false;
    CreateFonts(dpi);
    CreateControls();
    Form_Load();
    return true;
}

void frmAbout::CreateFonts(UINT dpi) {
    formFont_ = MakeFont(825, false, dpi);
    titleFont_ = MakeFont(975, true, dpi);
}

void frmAbout::CreateControls() {
    const UINT dpi = platform::WindowDpi(hwnd());
    HINSTANCE instance = GetModuleHandleW(nullptr);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(),
                               nullptr, instance, nullptr);
    for (const ControlSpec& entry : kControls) {
        HWND control = CreateWindowExW(
            0, entry.className, entry.text, WS_CHILD | WS_VISIBLE | entry.style,
            platform::TwipsToPixels(entry.containerLeft + entry.left, dpi),
            platform::TwipsToPixels(entry.containerTop + entry.top, dpi),
            platform::TwipsToPixels(entry.width, dpi), platform::TwipsToPixels(entry.height, dpi),
            hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
        if (!control)
            continue;
        HFONT font = entry.titleFont ? titleFont_.get() : formFont_.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (entry.tooltip)
            AddTooltip(control, entry.tooltip);
    }
    vendorPicture_.reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_VENDOR), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (vendorPicture_)
        SendMessageW(Control(picIcon), STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(vendorPicture_.get()));
}

void frmAbout::AddTooltip(HWND control, const wchar_t* text) {
    if (!tooltip_)
        return;
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd();
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void frmAbout::Form_Load() {
    SetWindowTextW(hwnd(), (std::wstring(L"About ") + kAppTitle).c_str());
    SetWindowTextW(Control(lblVersion), VersionText().c_str());
    SetWindowTextW(Control(lblTitle), kAppTitle);
}

void frmAbout::StartSysInfo() {
    ui::StartSysInfo(hwnd());
}

LRESULT frmAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam)))
            return TRUE;
        break;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_NCDESTROY:
        // The object may outlive its window until the next opening.
        formFont_.reset();
        titleFont_.reset();
        vendorPicture_.reset();
        break;
    case WM_CLOSE:
        Command3_Click();
        return 0;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

void frmAbout::OnActivate(bool active) {
    if (!active) {
        lastFocus_ = GetFocus();
        return;
    }
    // Close holds the focus when the window first opens.
    HWND focus =
        IsWindow(lastFocus_) && IsChild(hwnd(), lastFocus_) ? lastFocus_ : Control(Command3);
    SetFocus(focus);
}

bool frmAbout::OnSetCursor(HWND over) {
    if (over != Control(Command1) && over != Control(Command2))
        return false;
    SetCursor(HandCursor());
    return true;
}

void frmAbout::OnCommand(int id, int code) {
    // The link statics' STN_CLICKED is the buttons' code.
    static_assert(STN_CLICKED == BN_CLICKED);
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case Command1:
        Command1_Click();
        break;
    case Command2:
        Command2_Click();
        break;
    case Command3:
    case IDCANCEL: // Esc
        Command3_Click();
        break;
    case Command4:
        Command4_Click();
        break;
    case picIcon:
        picIcon_Click();
        break;
    default:
        break;
    }
}

LRESULT frmAbout::OnCtlColorStatic(HDC dc, HWND control) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    const int id = GetDlgCtrlID(control);
    SetTextColor(dc, id == lblTitle || id == lblVersion ? kLabelBlue : GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
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
