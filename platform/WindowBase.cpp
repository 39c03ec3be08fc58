#include "platform/WindowBase.h"

#include "platform/SystemApi.h"
#include "platform/Window.h"

#include <new>

namespace platform {

WindowBase::~WindowBase() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool WindowBase::CreateWindowOfClass(const wchar_t* className, HICON icon, DWORD exStyle,
                                     DWORD style, const std::wstring& title, int x, int y,
                                     int width, int height, HWND parent) {
    if (!RegisterClassOnce(className, StaticProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                           icon))
        return false;
    return CreateWindowExW(exStyle, className, title.c_str(), style, x, y, width, height, parent,
                           nullptr, GetModuleHandleW(nullptr), this) != nullptr;
}

void WindowBase::OnCommand(int id, int code, HWND) {
    commands_.Run(id, code);
}

bool WindowBase::CommandMayRun(int id, HWND control) const {
    return CommandFromItsControl(id, control) && AllowsCommandNow(id, control);
}

bool WindowBase::CommandFromItsControl(int id, HWND control) const {
    // Only the dialog manager's OK and Cancel come without a control.
    if (!control)
        return id == IDOK || id == IDCANCEL;
    // Any program may post a command: one that names another control, or a
    // control that could not be clicked, is not the user's.
    return IsChild(hwnd_, control) && GetDlgCtrlID(control) == id && IsWindowEnabled(control);
}

bool WindowBase::OnScroll(HWND bar, int code, int position) {
    return commands_.RunScroll(GetDlgCtrlID(bar), code, position);
}

bool WindowBase::OnNotify(const NMHDR&, LRESULT&) {
    return false;
}

void WindowBase::OnClose() {
    DestroyWindow(hwnd_);
}

void WindowBase::OnException(unsigned long) {}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (CommandMayRun(LOWORD(wParam), reinterpret_cast<HWND>(lParam)))
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        // A window's own scroll bars (no control) are left to the default.
        if (!lParam)
            break;
        const auto bar = reinterpret_cast<HWND>(lParam);
        if (!CommandMayRun(GetDlgCtrlID(bar), bar) || OnScroll(bar, LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
            return result;
        break;
    }
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_NCDESTROY:
        OnNcDestroy();
        break;
    case WM_PAINT:
        if (OnPaint())
            return 0;
        break;
    case WM_ACTIVATE:
        if (OnActivate(LOWORD(wParam) != WA_INACTIVE))
            return 0;
        break;
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam)))
            return TRUE;
        break;
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush =
                OnColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_DRAWITEM:
        if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_MEASUREITEM:
        if (OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DPICHANGED:
        if (OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)))
            return 0;
        break;
    case WM_HELP:
        if (OnHelp(*reinterpret_cast<const HELPINFO*>(lParam)))
            return TRUE;
        break;
    case WM_COPYDATA:
        return OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return 0;
    default: {
        LRESULT result = 0;
        if (OnOtherMessage(message, wParam, lParam, result))
            return result;
        break;
    }
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CALLBACK WindowBase::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        self->OnException(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        self->OnException(ERROR_INTERNAL_ERROR);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

} // namespace platform
