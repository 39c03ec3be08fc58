#pragma once
// The DLL's own state: its module handle, its class id and the count of what
// keeps it loaded (objects, server locks, worker threads), which
// DllCanUnloadNow reads.
#include <windows.h>

#include <string>

namespace shellext {

// {BE2AC388-320A-4D73-81E5-321EA44B4866}
inline constexpr CLSID kMenuClsid = {
    0xBE2AC388, 0x320A, 0x4D73, {0x81, 0xE5, 0x32, 0x1E, 0xA4, 0x4B, 0x48, 0x66}};
inline constexpr wchar_t kMenuClsidText[] = L"{BE2AC388-320A-4D73-81E5-321EA44B4866}";
inline constexpr wchar_t kMenuName[] = L"Quillane menu";

HMODULE ThisModule();
void AddModuleRef();
void ReleaseModuleRef();
long ModuleRefs();
// This DLL's full path, and its folder without a trailing backslash.
std::wstring ModulePath();
std::wstring ModuleFolder();

// Holds one module reference for its lifetime.
class ModuleRef {
  public:
    ModuleRef() { AddModuleRef(); }
    ~ModuleRef() { ReleaseModuleRef(); }
    ModuleRef(const ModuleRef&) = delete;
    ModuleRef& operator=(const ModuleRef&) = delete;
};

} // namespace shellext
