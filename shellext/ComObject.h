#pragma once
// The reference counting every COM object of this DLL shares: an object is
// made with one reference, deleted when the last goes, and keeps the DLL
// loaded meanwhile (DllCanUnloadNow).
#include "shellext/Module.h"

#include <windows.h>

#include <atomic>
#include <new>

namespace shellext {

// COM's interfaces have no virtual destructor: an object goes through
// Release, never through an interface's delete.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
template <typename... Interfaces> class ComObject : public Interfaces... {
  public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // One count for every interface the object has.
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const long left = --refs_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

  protected:
    // Only Release deletes.
    virtual ~ComObject() = default;

  private:
    std::atomic<long> refs_{1};
    ModuleRef moduleRef_;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// A new T asked for the interface riid; E_OUTOFMEMORY or QueryInterface's answer.
template <typename T> HRESULT CreateComObject(REFIID riid, void** out) {
    auto* object = new (std::nothrow) T();
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(riid, out);
    object->Release();
    return result;
}

} // namespace shellext
