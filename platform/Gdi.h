#pragma once
// Owners of icons and GDI objects, and scopes for device contexts: each
// releases or restores exactly once, on every path out of its scope.
#include "platform/Handles.h"
#include "platform/WindowPart.h"

#include <windows.h>

namespace platform {

struct IconTraits : NullIsNone<HICON> {
    static void close(Handle h) { DestroyIcon(h); }
};
template <typename Object> struct GdiTraits : NullIsNone<Object> {
    static void close(Object h) { DeleteObject(h); }
};
struct MemoryDCTraits : NullIsNone<HDC> {
    static void close(Handle h) { DeleteDC(h); }
};

using IconHandle = UniqueHandle<IconTraits>;
using GdiObject = UniqueHandle<GdiTraits<HGDIOBJ>>;
using FontHandle = UniqueHandle<GdiTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiTraits<HBRUSH>>;
using BitmapHandle = UniqueHandle<GdiTraits<HBITMAP>>;

// The device context of a window's client area, or of the screen for null.
class WindowDC {
  public:
    explicit WindowDC(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_)
            KeepingLastError([this] { ReleaseDC(window_, dc_); });
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with another (the screen's for null).
class MemoryDC : public UniqueHandle<MemoryDCTraits> {
  public:
    explicit MemoryDC(HDC compatible = nullptr) : UniqueHandle(CreateCompatibleDC(compatible)) {}
};

// Selects an object into a device context and puts the previous one back.
class SelectScope {
  public:
    SelectScope(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectScope() {
        if (selected())
            KeepingLastError([this] { SelectObject(dc_, old_); });
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

    // HGDI_ERROR, all bits set, spelled without the header's unsigned-to-long conversion.
    bool selected() const {
        return old_ && old_ != reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1));
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint to EndPaint.
class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() {
        KeepingLastError([this] { EndPaint(window_, &paint_); });
    }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC get() const { return dc_; }
    const PAINTSTRUCT& info() const { return paint_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

} // namespace platform
