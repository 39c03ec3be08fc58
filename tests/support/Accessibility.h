#pragma once
// What a screen reader is told about a window: its client object's name and
// description, read as assistive technology reads them.
#include <windows.h>
#include <string>

namespace testing_support {

std::wstring AccessibleName(HWND control);
std::wstring AccessibleDescription(HWND control);

} // namespace testing_support
