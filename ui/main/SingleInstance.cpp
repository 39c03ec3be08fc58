#include "ui/main/SingleInstance.h"

namespace ui {

SingleInstance::SingleInstance() {
    // Per session: another user logged on at the same time has a list of
    // their own.
    mutex_.reset(CreateMutexW(nullptr, FALSE, L"Local\\Quillane.SingleInstance"));
    first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

bool HandOverToRunningInstance(const std::wstring& /*folder*/, DWORD waitMs) {
    // The first copy may hold the claim before its window exists.
    const ULONGLONG until = GetTickCount64() + waitMs;
    HWND window = nullptr;
    while (!(window = FindWindowW(kMainWindowClass, nullptr)) && GetTickCount64() < until)
        Sleep(50);
    if (!window)
        return false;
    if (IsIconic(window))
        ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}

} // namespace ui
