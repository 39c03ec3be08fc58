// The context-menu handler: takes the selection, adds nothing yet.
#include "shellext/MenuHandler.h"

#include "shellext/Module.h"

#include <atomic>
#include <new>
#include <shlobj.h>

namespace shellext {

namespace {

// A COM object goes through Release, never through its interface's destructor.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class MenuHandler final : public IShellExtInit, public IContextMenu {
  public:
    MenuHandler() = default;
    MenuHandler(const MenuHandler&) = delete;
    MenuHandler& operator=(const MenuHandler&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit))
            *out = static_cast<IShellExtInit*>(this);
        else if (IsEqualIID(riid, IID_IContextMenu))
            *out = static_cast<IContextMenu*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const long left = --refs_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE, IDataObject*, HKEY) override { return S_OK; }
    STDMETHODIMP QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override {
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    }
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO*) override { return E_FAIL; }
    STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override {
        return E_INVALIDARG;
    }

  private:
    std::atomic<long> refs_{1};
    ModuleRef moduleRef_;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

} // namespace

HRESULT CreateMenuHandler(REFIID riid, void** out) {
    auto* handler = new (std::nothrow) MenuHandler();
    if (!handler)
        return E_OUTOFMEMORY;
    const HRESULT result = handler->QueryInterface(riid, out);
    handler->Release();
    return result;
}

} // namespace shellext
