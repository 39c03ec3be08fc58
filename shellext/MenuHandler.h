#pragma once
// The context-menu handler object: IShellExtInit takes Explorer's selection,
// IContextMenu builds the "Quillane" submenu and runs its commands.
#include <windows.h>

namespace shellext {

// A new handler, asked for the interface riid (E_OUTOFMEMORY, E_NOINTERFACE).
HRESULT CreateMenuHandler(REFIID riid, void** out);

} // namespace shellext
