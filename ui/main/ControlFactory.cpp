// Turns the control table into windows: creation, fonts, layout and tooltips.
#include "platform/Dpi.h"
#include "ui/main/Controls.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/IconBox.h"
#include "ui/options/PictureBox.h"
#include "ui/restore/RestoreList.h"

#include <commctrl.h>

namespace ui {

namespace {

constexpr int kClientWidthTwips = 7455;
constexpr int kClientHeightTwips = 5715;

int FontHeight(double points, UINT dpi) {
    return -static_cast<int>(points * dpi / 72.0 + 0.5);
}

HWND Find(const ControlMap& controls, int id) {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
}

HWND CreateControl(const ControlSpec& entry, HWND parent, HFONT font) {
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
    HWND control = CreateWindowExW(exStyle, cls, entry.caption, style, 0, 0, 10, 10, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
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
    const int extent = static_cast<int>(6855 / twipsPerPixel * 3 + 0.5);
    SendMessageW(Find(controls, lstRestore), LB_SETHORIZONTALEXTENT, extent, 0);
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
