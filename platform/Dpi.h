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

// Twips to pixels at the given DPI (15 twips a pixel at 96).
int TwipsToPixels(int twips, unsigned dpi);

// Twips per screen pixel along x and y (15 at 96 dots per inch).
int TwipsPerPixelX();
int TwipsPerPixelY();

} // namespace platform
