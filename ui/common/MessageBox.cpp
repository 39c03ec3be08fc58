#include "ui/common/MessageBox.h"

#include "QuillaneVersion.h"

namespace ui {

void ShowMessage(HWND owner, const std::wstring& text, UINT icon, const wchar_t* caption) {
    MessageBoxW(owner, text.c_str(), caption ? caption : quillane::kAppTitle, MB_OK | icon);
}

bool AskYesNo(HWND owner, const std::wstring& text) {
    return MessageBoxW(owner, text.c_str(), quillane::kAppTitle, MB_YESNO) == IDYES;
}

} // namespace ui
