#pragma once
// Pictures (BMP, GIF, JPEG, ICO) through the system's OLE picture loader.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <utility>

namespace platform {

// Owns one reference to a COM interface.
template <typename T> class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference.
    T** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

  private:
    T* p_ = nullptr;
};

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

// HIMETRIC to whole pixels for the given twips per pixel, as a picture box reports it.
long HimetricToPixels(long himetric, int twipsPerPixel);

// Twips per screen pixel along x and y (15 at 96 dots per inch).
int TwipsPerPixelX();
int TwipsPerPixelY();

} // namespace platform
