#include "platform/Dpi.h"

#include "platform/Gdi.h"
#include "platform/SystemApi.h"

namespace platform {

UINT ScreenDpi(int axis) {
    const WindowDC screen;
    const int dpi = screen ? GetDeviceCaps(screen.get(), axis) : 96;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
    // Per-window DPI comes with Windows 10; before it, the screen's DPI.
    if (UINT dpi = window ? DpiForWindow(window) : 0)
        return dpi;
    return ScreenDpi(LOGPIXELSX);
}

int TwipsToPixels(int twips, unsigned dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

} // namespace platform
