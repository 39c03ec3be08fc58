#pragma once
// The white banner across the top of the main window: the logo, the title
// picture, the Help picture and the two lines that close it off.
#include "platform/Gdi.h"
#include "platform/Picture.h"

#include <windows.h>

namespace ui {

class Banner {
  public:
    // Takes the pictures from the program's resources.
    void Load();
    // Draws one of the banner's owner-drawn images on the white brush.
    void DrawImage(const DRAWITEMSTRUCT& draw, UINT dpi, HBRUSH white) const;
    // Answers the window's WM_PAINT: a grey and a white line under the banner.
    static void PaintSeparators(HWND window, UINT dpi, HBRUSH white);

  private:
    platform::BitmapHandle logo_, help_;
    platform::Picture title_;
};

} // namespace ui
