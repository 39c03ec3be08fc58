#pragma once
// Non-copyable owners of Win32 handles. Each releases its handle exactly once.
#include <windows.h>
#include <utility>

namespace platform {

template <typename Traits> class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }
    Handle release() { return std::exchange(handle_, Traits::invalid()); }
    void reset(Handle h = Traits::invalid()) {
        if (valid()) {
            // Closing must not disturb the error code a caller is about to read.
            DWORD saved = GetLastError();
            Traits::close(handle_);
            SetLastError(saved);
        }
        handle_ = h;
    }

  private:
    Handle handle_ = Traits::invalid();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { FindClose(h); }
};
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { CloseHandle(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { RegCloseKey(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DestroyIcon(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DeleteObject(h); }
};
struct FontTraits {
    using Handle = HFONT;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DeleteObject(h); }
};
struct BrushTraits {
    using Handle = HBRUSH;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DeleteObject(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using FontHandle = UniqueHandle<FontTraits>;
using BrushHandle = UniqueHandle<BrushTraits>;

} // namespace platform
