// Turns a control table into windows: creation, fonts, layout and tooltips.
#include "ui/common/ControlTable.h"

#include "platform/Accessible.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/IconBox.h"
#include "ui/options/PictureBox.h"
#include "ui/restore/RestoreList.h"

#include <commctrl.h>

namespace ui {

const wchar_t kFrameClass[] = L"QuillaneFrame";
const wchar_t kPanelClass[] = L"QuillanePanel";

namespace {

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        // The window handles every control, wherever it sits.
        return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    case WM_PAINT: {
        const platform::PaintScope paint(hwnd);
        wchar_t name[32] = {};
        GetClassNameW(hwnd, name, 32);
        if (lstrcmpW(name, kFrameClass) == 0) {
            RECT r;
            GetClientRect(hwnd, &r);
            DrawEdge(paint.get(), &r, EDGE_ETCHED, BF_RECT);
        }
        return 0;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void RegisterContainerClasses() {
    const HBRUSH face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    platform::RegisterClassOnce(kFrameClass, ContainerProc, face);
    platform::RegisterClassOnce(kPanelClass, ContainerProc, face);
}

struct WindowKind {
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
};

WindowKind KindOf(Kind kind) {
    constexpr DWORD kContainer = WS_CLIPCHILDREN;
    constexpr DWORD kEdit = ES_AUTOHSCROLL;
    switch (kind) {
    case Kind::Frame:
        return {kFrameClass, kContainer, WS_EX_CONTROLPARENT};
    case Kind::Panel:
        return {kPanelClass, kContainer, WS_EX_CONTROLPARENT};
    case Kind::GroupBox:
        return {L"BUTTON", BS_GROUPBOX, 0};
    case Kind::Label:
    case Kind::TitleLabel:
    case Kind::WhiteLabel:
        return {L"STATIC", SS_NOPREFIX, 0};
    case Kind::Image:
        return {L"STATIC", SS_OWNERDRAW, 0};
    case Kind::Bitmap:
        return {L"STATIC", SS_BITMAP, 0};
    case Kind::TextBox:
        return {L"EDIT", WS_TABSTOP | kEdit, WS_EX_CLIENTEDGE};
    case Kind::LockedTextBox:
    case Kind::StatusBox:
        return {L"EDIT", kEdit | ES_READONLY, WS_EX_CLIENTEDGE};
    case Kind::Button:
        return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
    case Kind::CheckBox:
        return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case Kind::ScrollBar:
        return {L"SCROLLBAR", WS_TABSTOP | SBS_HORZ, 0};
    case Kind::TickList:
        return {L"LISTBOX", kTickListStyle & ~DWORD{WS_VISIBLE}, 0};
    case Kind::IconBox:
        return {kIconBoxClass, 0, 0};
    case Kind::SampleText:
        return {kSampleTextClass, 0, 0};
    case Kind::PictureBox:
        return {kPictureBoxClass, 0, 0};
    }
    return {L"STATIC", 0, 0};
}

// The sample caption keeps its own Tahoma bold.
HFONT FontOf(Kind kind, const ControlFonts& fonts) {
    if (kind == Kind::SampleText)
        return nullptr;
    return kind == Kind::TitleLabel ? fonts.title : fonts.form;
}

HWND CreateControl(const ControlRow& entry, HWND parent, const ControlFonts& fonts) {
    const WindowKind kind = KindOf(entry.kind);
    DWORD style = WS_CHILD | entry.extraStyle | kind.style;
    if (entry.visible)
        style |= WS_VISIBLE;
    HWND control = CreateWindowExW(kind.exStyle, kind.cls, entry.caption, style, 0, 0, 10, 10,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (HFONT font = FontOf(entry.kind, fonts))
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

} // namespace

HWND FindControl(const ControlMap& controls, int id) {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
}

void CreateControls(HWND window, ControlTable table, const ControlFonts& fonts,
                    ControlMap& controls, int first) {
    RegisterContainerClasses();
    const auto create = [&](const ControlRow& entry) {
        HWND parent = entry.container ? FindControl(controls, entry.container) : window;
        controls[entry.id] = CreateControl(entry, parent, fonts);
    };
    for (const ControlRow& entry : table)
        if (first && entry.id == first)
            create(entry);
    for (const ControlRow& entry : table)
        if (!first || entry.id != first)
            create(entry);
}

void SetControlFonts(ControlTable table, const ControlMap& controls, const ControlFonts& fonts) {
    for (const ControlRow& entry : table) {
        if (HFONT font = FontOf(entry.kind, fonts))
            SendMessageW(FindControl(controls, entry.id), WM_SETFONT,
                         reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void PlaceControls(ControlTable table, const ControlMap& controls, UINT dpi) {
    using platform::TwipsToPixels;
    for (const ControlRow& s : table) {
        MoveWindow(FindControl(controls, s.id), TwipsToPixels(s.left, dpi),
                   TwipsToPixels(s.top, dpi), TwipsToPixels(s.width, dpi),
                   TwipsToPixels(s.height, dpi), FALSE);
    }
}

HWND AddTooltips(HWND window, ControlTable table, const ControlMap& controls) {
    HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    for (const ControlRow& s : table) {
        if (!s.tooltip)
            continue;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(FindControl(controls, s.id));
        tool.lpszText = const_cast<wchar_t*>(s.tooltip);
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return tooltip;
}

void NameControls(AccessibleNames names, const ControlMap& controls) {
    for (const AccessibleNameSpec& entry : names)
        platform::SetAccessibleName(FindControl(controls, entry.id), entry.name);
}

SIZE WindowSizeFor(HWND window, int clientWidthTwips, int clientHeightTwips, UINT dpi) {
    RECT frame{0, 0, platform::TwipsToPixels(clientWidthTwips, dpi),
               platform::TwipsToPixels(clientHeightTwips, dpi)};
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    platform::AdjustWindowRectForDpi(&frame, style, exStyle, dpi);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

} // namespace ui
