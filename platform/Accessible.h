#pragma once
// Names for assistive technology. A control whose window text does not say
// what it is (a "..." button, a box that paints a picture) gets its name
// here: it answers WM_GETOBJECT with the system's own accessible object for
// it, whose name and description are replaced. Everything else (role, state,
// value, location) stays the system's.
#include "platform/WindowPart.h"

#include <windows.h>
#include <string>

namespace platform {

// The name a screen reader announces for the control; empty gives back the
// system's own.
bool SetAccessibleName(HWND control, const std::wstring& name);
// A longer text read after the name, such as the path of a chosen file;
// empty gives back the system's own.
bool SetAccessibleDescription(HWND control, const std::wstring& description);

} // namespace platform
