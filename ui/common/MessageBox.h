#pragma once
// The program's message boxes: its name as the caption, owned by the window
// given (none for a box of its own), an OK button and the icon asked for.
#include <windows.h>
#include <string>

namespace ui {

// icon: MB_ICONEXCLAMATION, MB_ICONINFORMATION or 0 for none; a caption of
// its own only where a box names its subject there.
void ShowMessage(HWND owner, const std::wstring& text, UINT icon = MB_ICONEXCLAMATION,
                 const wchar_t* caption = nullptr);
// Yes and No, without an icon; true for Yes.
bool AskYesNo(HWND owner, const std::wstring& text);

} // namespace ui
