#pragma once
// Pictures (BMP, GIF, JPEG, ICO) through the system's OLE picture loader.
#include "platform/ComPtr.h"
#include "platform/Dpi.h"
#include "platform/WindowPart.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <utility>

namespace platform {

class Picture {
  public:
    Picture() = default;
    // An empty picture when the file cannot be read or decoded.
    static Picture Load(const std::wstring& path);
    // A picture held in memory, such as a resource of the program.
    static Picture FromMemory(const void* data, DWORD size);

    bool valid() const { return static_cast<bool>(picture_); }
    // Size in HIMETRIC units (0.01 mm); 0 for an empty picture.
    long WidthHimetric() const;
    long HeightHimetric() const;
    // Stretches the whole picture into the rectangle.
    bool Render(HDC dc, const RECT& target) const;

  private:
    ComPtr<IPicture> picture_;
};

// HIMETRIC to whole pixels at the given DPI, rounded once at the end. The
// picture loader measures in the screen's DPI, so at that DPI a picture reads
// its own size in pixels.
long HimetricToPixels(long himetric, unsigned dpi);

} // namespace platform
