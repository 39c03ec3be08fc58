#pragma once
// Non-copyable owners of kernel and registry handles. Each releases its handle
// exactly once.
#include <windows.h>
#include <utility>

namespace platform {

// Runs a release step without disturbing the error code a caller is about to read.
template <typename Release> void KeepingLastError(Release release) {
    const DWORD saved = GetLastError();
    release();
    SetLastError(saved);
}

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
        if (valid())
            KeepingLastError([this] { Traits::close(handle_); });
        handle_ = h;
    }

  private:
    Handle handle_ = Traits::invalid();
};

// What stands for no handle: null for most kinds, INVALID_HANDLE_VALUE for
// files and searches.
template <typename H> struct NullIsNone {
    using Handle = H;
    static Handle invalid() { return nullptr; }
};
struct InvalidValueIsNone {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
};

struct FileHandleTraits : InvalidValueIsNone {
    static void close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits : InvalidValueIsNone {
    static void close(Handle h) { FindClose(h); }
};
struct KernelHandleTraits : NullIsNone<HANDLE> {
    static void close(Handle h) { CloseHandle(h); }
};
struct RegKeyTraits : NullIsNone<HKEY> {
    static void close(Handle h) { RegCloseKey(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;

} // namespace platform
