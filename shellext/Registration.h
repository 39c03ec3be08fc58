#pragma once
// The registry keys that make Explorer load the handler for folders, drives
// and a folder window's background, written in this DLL's own registry view.
#include <windows.h>

#include <string>

namespace shellext {

HRESULT RegisterServer(const std::wstring& dllPath);
// Removes what RegisterServer wrote; keys already gone are no failure.
HRESULT UnregisterServer();

} // namespace shellext
