#include "platform/Window.h"

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

UINT WindowDpi(HWND window) {
    // GetDpiForWindow is absent before Windows 10; fall back to the screen's DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
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
