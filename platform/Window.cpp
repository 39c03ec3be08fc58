#include "platform/Window.h"

#include "platform/SystemApi.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace platform {

void ChangeCloseCommand(HWND window, bool restore) {
    HMENU menu = GetSystemMenu(window, restore ? TRUE : FALSE);
    if (menu)
        RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND);
}

void DisableCloseButton(HWND window, bool restore) {
    ChangeCloseCommand(window, restore);
    DrawMenuBar(window);
}

bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND button, bool checked) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Enable(HWND control, bool enabled) {
    EnableWindow(control, enabled ? TRUE : FALSE);
}

void EnableAndDrawLater(HWND control, bool enabled) {
    // Drawing off hides a control (WS_VISIBLE) until it is on again: one that
    // is hidden already must stay so, and draws nothing anyway.
    const bool shown = (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown)
        SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    Enable(control, enabled);
    if (!shown)
        return;
    SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, TRUE);
}

void Show(HWND control, bool shown) {
    ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
}

std::wstring Text(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void SetText(HWND window, const std::wstring& text) {
    SetWindowTextW(window, text.c_str());
}

void DoEvents(const std::function<void()>& afterEach) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit for the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (afterEach)
            afterEach();
    }
    if (afterEach)
        afterEach();
}

void ThrottledText::Show(const std::wstring& text) {
    text_ = text;
    Send();
}

void ThrottledText::ShowSoon(const std::wstring& text) {
    text_ = text;
    pending_ = true;
    ShowDue();
}

void ThrottledText::ShowDue() {
    if (pending_ && TickCount64() - lastSent_ >= interval_)
        Send();
}

void ThrottledText::Send() {
    pending_ = false;
    lastSent_ = TickCount64();
    SetWindowTextW(control_, text_.c_str());
}

bool RegisterClassOnce(const wchar_t* name, WNDPROC proc, HBRUSH background, HICON icon) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, name, &wc))
        return true;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
                 int width, int height, HWND parent, int id) {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ExecutableFolder() {
    const std::wstring path = ExecutablePath();
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace platform
