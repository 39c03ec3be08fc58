#include "platform/WindowBase.h"

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

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

void WindowBase::OnException(unsigned long) {}

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
