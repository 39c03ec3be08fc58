#include "ui/main/SingleInstance.h"

#include "platform/SystemApi.h"

namespace ui {

SingleInstance::SingleInstance() {
    // Per session: another user logged on at the same time has a list of
    // their own.
    mutex_.reset(CreateMutexW(nullptr, FALSE, L"Local\\Quillane.SingleInstance"));
    const DWORD error = GetLastError();
    // A copy running elevated holds a claim this one may not open: that
    // copy runs all the same.
    first_ = mutex_ ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

namespace {

// The running copy has another current folder: a relative path is made full here.
std::wstring FullPath(const std::wstring& path) {
    if (path.empty())
        return path;
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, buffer, nullptr);
    return length == 0 || length >= MAX_PATH * 4 ? path : std::wstring(buffer, length);
}

} // namespace

bool HandOverToRunningInstance(const std::wstring& folder, DWORD waitMs) {
    // The first copy may hold the claim before its window exists.
    const ULONGLONG until = platform::TickCount64() + waitMs;
    HWND window = nullptr;
    while (!(window = FindWindowW(kMainWindowClass, nullptr)) && platform::TickCount64() < until)
        Sleep(50);
    if (!window)
        return false;
    if (IsIconic(window))
        ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
    // Sent even without a folder: the answer tells that the copy was reached.
    std::wstring full = FullPath(folder);
    COPYDATASTRUCT data{kHandOverFolder, static_cast<DWORD>(full.size() * sizeof(wchar_t)),
                        full.empty() ? nullptr : full.data()};
    DWORD_PTR answer = 0;
    // A window busy in a modal dialog still answers; a hung one is given up,
    // and one running elevated refuses the message.
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, waitMs, &answer) != 0 &&
           answer == TRUE;
}

} // namespace ui
