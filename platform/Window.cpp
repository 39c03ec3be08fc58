#include "platform/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace platform {

void DisableCloseButton(HWND window, bool restore) {
    HMENU menu = GetSystemMenu(window, restore ? TRUE : FALSE);
    if (menu)
        RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND);
    DrawMenuBar(window);
}

bool HasCloseCommand(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    return menu && GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit for the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

namespace {

constexpr UINT_PTR kThrottleId = 0x5154;

struct ThrottledText {
    UINT interval;
    ULONGLONG lastShown = 0;
    bool pending = false;
    std::wstring text;
};

LRESULT ShowPending(HWND control, ThrottledText& state) {
    KillTimer(control, kThrottleId);
    state.pending = false;
    state.lastShown = GetTickCount64();
    return DefSubclassProc(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(state.text.c_str()));
}

LRESULT OnSetText(HWND control, ThrottledText& state, const wchar_t* text) {
    state.text = text ? text : L"";
    const ULONGLONG now = GetTickCount64();
    if (now - state.lastShown >= state.interval)
        return ShowPending(control, state);
    if (!state.pending)
        SetTimer(control, kThrottleId, static_cast<UINT>(state.lastShown + state.interval - now),
                 nullptr);
    state.pending = true;
    return TRUE;
}

LRESULT OnGetText(const ThrottledText& state, WPARAM capacity, wchar_t* buffer) {
    if (!buffer || capacity == 0)
        return 0;
    const size_t n = std::min(state.text.size(), static_cast<size_t>(capacity - 1));
    state.text.copy(buffer, n);
    buffer[n] = L'\0';
    return static_cast<LRESULT>(n);
}

LRESULT CALLBACK ThrottleProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
    auto& state = *reinterpret_cast<ThrottledText*>(data);
    switch (message) {
    case WM_SETTEXT:
        return OnSetText(control, state, reinterpret_cast<const wchar_t*>(lParam));
    case WM_GETTEXT:
        if (state.pending)
            return OnGetText(state, wParam, reinterpret_cast<wchar_t*>(lParam));
        break;
    case WM_GETTEXTLENGTH:
        if (state.pending)
            return static_cast<LRESULT>(state.text.size());
        break;
    case WM_TIMER:
        if (wParam == kThrottleId) {
            if (state.pending)
                ShowPending(control, state);
            else
                KillTimer(control, kThrottleId);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(control, ThrottleProc, kThrottleId);
        delete &state;
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

void ThrottleTextUpdates(HWND control, UINT intervalMs) {
    auto* state = new ThrottledText{intervalMs, 0, false, {}};
    if (!SetWindowSubclass(control, ThrottleProc, kThrottleId, reinterpret_cast<DWORD_PTR>(state)))
        delete state;
}

UINT WindowDpi(HWND window) {
    // GetDpiForWindow is absent before Windows 10; fall back to the screen's DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        UINT dpi = getDpiForWindow(window);
        if (dpi)
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

} // namespace platform

namespace platform {

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

} // namespace platform
