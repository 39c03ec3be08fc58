// Turns the control table into windows: creation, fonts, layout and tooltips.
#include "platform/Dpi.h"
#include "ui/main/Controls.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/IconBox.h"
#include "ui/options/PictureBox.h"
#include "ui/restore/RestoreList.h"

#include <commctrl.h>

#include <cmath>

namespace ui {

namespace {

constexpr int kClientWidthTwips = 7455;
constexpr int kClientHeightTwips = 5715;

int FontHeight(double points, UINT dpi) {
    return -static_cast<int>(std::lround(points * dpi / 72.0));
}

HWND Find(const ControlMap& controls, int id) {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
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
    case Kind::Label:
    case Kind::WhiteLabel:
        return {L"STATIC", SS_NOPREFIX, 0};
    case Kind::Image:
        return {L"STATIC", SS_OWNERDRAW, 0};
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

HWND CreateControl(const ControlSpec& entry, HWND parent, HFONT font) {
    const WindowKind kind = KindOf(entry.kind);
    DWORD style = WS_CHILD | entry.extraStyle | kind.style;
    if (entry.visible)
        style |= WS_VISIBLE;
    HWND control = CreateWindowExW(kind.exStyle, kind.cls, entry.caption, style, 0, 0, 10, 10,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                   GetModuleHandleW(nullptr), nullptr);
    // The sample caption keeps its own Tahoma bold.
    if (entry.kind != Kind::SampleText)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

} // namespace

platform::FontHandle CreateFormFont(UINT dpi) {
    return platform::FontHandle(CreateFontW(FontHeight(8.25, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                            FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                            DEFAULT_PITCH | FF_SWISS, L"Verdana"));
}

void CreateControls(HWND window, HFONT font, ControlMap& controls) {
    // Containers stand in the table before what they hold.
    const auto create = [&](const ControlSpec& entry) {
        HWND parent = entry.container ? Find(controls, entry.container) : window;
        controls[entry.id] = CreateControl(entry, parent, font);
    };
    create(*FindSpec(cmdDummy));
    for (size_t i = 0; i < kControlCount; ++i)
        if (kControls[i].id != cmdDummy)
            create(kControls[i]);
}

void SetControlFonts(const ControlMap& controls, HFONT font) {
    for (size_t i = 0; i < kControlCount; ++i) {
        if (kControls[i].kind != Kind::SampleText)
            SendMessageW(Find(controls, kControls[i].id), WM_SETFONT,
                         reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void LayoutControls(HWND window, const ControlMap& controls, UINT dpi) {
    using platform::TwipsToPixels;
    RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&frame, kMainWindowStyle, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlSpec& s = kControls[i];
        MoveWindow(Find(controls, s.id), TwipsToPixels(s.left, dpi), TwipsToPixels(s.top, dpi),
                   TwipsToPixels(s.width, dpi), TwipsToPixels(s.height, dpi), FALSE);
    }
    // Long paths scroll into view: three list widths of horizontal range.
    const double twipsPerPixel = 1440.0 / dpi;
    const int extent = static_cast<int>(std::lround(6855 / twipsPerPixel * 3));
    SendMessageW(Find(controls, lstRestore), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent),
                 0);
}

HWND AddTooltips(HWND window, const ControlMap& controls) {
    HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlSpec& s = kControls[i];
        if (!s.tooltip)
            continue;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(Find(controls, s.id));
        tool.lpszText = const_cast<wchar_t*>(s.tooltip);
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return tooltip;
}

} // namespace ui
