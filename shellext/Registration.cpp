// The handler's registry keys under HKLM\Software\Classes and the approved
// shell extensions list.
#include "shellext/Registration.h"

#include "platform/Handles.h"
#include "shellext/Module.h"

#include <iterator>

namespace shellext {

namespace {

const wchar_t kClsidKey[] =
    L"Software\\Classes\\CLSID\\{BE2AC388-320A-4D73-81E5-321EA44B4866}";
const wchar_t kServerKey[] =
    L"Software\\Classes\\CLSID\\{BE2AC388-320A-4D73-81E5-321EA44B4866}\\InprocServer32";
const wchar_t* const kHandlerKeys[] = {
    L"Software\\Classes\\Directory\\shellex\\ContextMenuHandlers\\Quillane",
    L"Software\\Classes\\Drive\\shellex\\ContextMenuHandlers\\Quillane",
    L"Software\\Classes\\Directory\\Background\\shellex\\ContextMenuHandlers\\Quillane",
};
const wchar_t kApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

LONG SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG WriteKey(const wchar_t* path, const wchar_t* name, const std::wstring& value) {
    HKEY raw = nullptr;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &raw, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    platform::RegKey key(raw);
    return SetString(key.get(), name, value);
}

LONG DeleteKey(const wchar_t* path) {
    const LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

} // namespace

HRESULT RegisterServer(const std::wstring& dllPath) {
    LONG result = WriteKey(kClsidKey, nullptr, kMenuName);
    if (result == ERROR_SUCCESS)
        result = WriteKey(kServerKey, nullptr, dllPath);
    if (result == ERROR_SUCCESS)
        result = WriteKey(kServerKey, L"ThreadingModel", L"Apartment");
    for (const wchar_t* handler : kHandlerKeys)
        if (result == ERROR_SUCCESS)
            result = WriteKey(handler, nullptr, kMenuClsidText);
    if (result == ERROR_SUCCESS)
        result = WriteKey(kApprovedKey, kMenuClsidText, kMenuName);
    if (result != ERROR_SUCCESS) {
        UnregisterServer();
        return HRESULT_FROM_WIN32(static_cast<DWORD>(result));
    }
    return S_OK;
}

HRESULT UnregisterServer() {
    LONG failure = ERROR_SUCCESS;
    auto note = [&failure](LONG result) {
        if (result != ERROR_SUCCESS && failure == ERROR_SUCCESS)
            failure = result;
    };
    for (const wchar_t* handler : kHandlerKeys)
        note(DeleteKey(handler));
    // RegDeleteKeyW removes only a key without subkeys: the leaf first.
    note(DeleteKey(kServerKey));
    note(DeleteKey(kClsidKey));
    HKEY raw = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &raw);
    if (result == ERROR_SUCCESS) {
        platform::RegKey approved(raw);
        result = RegDeleteValueW(approved.get(), kMenuClsidText);
    }
    note(result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result);
    return failure == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(failure));
}

} // namespace shellext
