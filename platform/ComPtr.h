#pragma once
#include <unknwn.h>
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

} // namespace platform
