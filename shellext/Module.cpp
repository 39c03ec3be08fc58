// The DLL's entry points: DllMain, the class factory of the menu handler and
// the four exports COM and regsvr32 call.
#include "shellext/Module.h"

#include "shellext/ComObject.h"
#include "shellext/MenuHandler.h"
#include "shellext/Registration.h"

#include <atomic>
#include <objbase.h>

namespace shellext {

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_refs{0};

class ClassFactory final : public ComObject<IClassFactory> {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return CreateMenuHandler(riid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            AddModuleRef();
        else
            ReleaseModuleRef();
        return S_OK;
    }
};

} // namespace

HMODULE ThisModule() {
    return g_module;
}
void AddModuleRef() {
    ++g_refs;
}
void ReleaseModuleRef() {
    --g_refs;
}
long ModuleRefs() {
    return g_refs.load();
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

std::wstring ModuleFolder() {
    std::wstring path = ModulePath();
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace shellext

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        shellext::g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, shellext::kMenuClsid))
        return CLASS_E_CLASSNOTAVAILABLE;
    return shellext::CreateComObject<shellext::ClassFactory>(riid, out);
}

STDAPI DllCanUnloadNow() {
    return shellext::ModuleRefs() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    try {
        const std::wstring path = shellext::ModulePath();
        return path.empty() ? E_FAIL : shellext::RegisterServer(path);
    } catch (...) {
        return E_FAIL;
    }
}

STDAPI DllUnregisterServer() {
    try {
        return shellext::UnregisterServer();
    } catch (...) {
        return E_FAIL;
    }
}
