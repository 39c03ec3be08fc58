#include "platform/Dpi.h"

#include "platform/Gdi.h"

#include <cmath>

namespace platform {

namespace {

int TwipsPerPixel(int axis) {
    return static_cast<int>(std::lround(1440.0 / ScreenDpi(axis)));
}

} // namespace

UINT ScreenDpi(int axis) {
    const WindowDC screen;
    const int dpi = screen ? GetDeviceCaps(screen.get(), axis) : 96;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
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
    return ScreenDpi(LOGPIXELSX);
}

int TwipsToPixels(int twips, unsigned dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

int TwipsPerPixelX() {
    return TwipsPerPixel(LOGPIXELSX);
}

int TwipsPerPixelY() {
    return TwipsPerPixel(LOGPIXELSY);
}

} // namespace platform
