#pragma once
// Screen resolution and the twips the window layouts are drawn in.
#include "platform/WindowPart.h"

#include <windows.h>

namespace platform {

// Dots per inch of the screen along LOGPIXELSX or LOGPIXELSY (96 when the
// system cannot tell).
UINT ScreenDpi(int axis = LOGPIXELSX);

// Dots per inch of the window's monitor (96 when the system cannot tell).
UINT WindowDpi(HWND window);

// Twips to pixels at the given DPI: twips x DPI / 1440, rounded once at the
// end. (A whole number of twips per pixel would be wrong at 168, 192 and 216.)
int TwipsToPixels(int twips, unsigned dpi);

} // namespace platform
