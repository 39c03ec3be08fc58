#include "ui/main/SingleInstance.h"

#include "platform/SystemApi.h"
#include "ui/main/CommandLine.h"

namespace ui {

namespace {
// Per session: another user logged on at the same time has a list of their own.
constexpr wchar_t kInstanceMutex[] = L"Local\\Quillane.SingleInstance";
} // namespace

SingleInstance::SingleInstance() {
    Claim();
}

void SingleInstance::Claim() {
    mutex_.reset(CreateMutexW(nullptr, FALSE, kInstanceMutex));
    const DWORD error = GetLastError();
    // A copy running elevated holds a claim this one may not open: that
    // copy runs all the same.
    first_ = mutex_ ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

bool SingleInstance::ClaimAgain(DWORD waitMs) {
    const ULONGLONG until = platform::TickCount64() + waitMs;
    for (;;) {
        // Only this object's own handle keeps a claim alive that nobody holds.
        mutex_.reset();
        Claim();
        if (first_ || platform::TickCount64() >= until)
            return first_;
        Sleep(50);
    }
}

namespace {

// The first copy may hold the claim before its window exists.
HWND WaitForMainWindow(DWORD waitMs) {
    const ULONGLONG until = platform::TickCount64() + waitMs;
    HWND window = nullptr;
    while (!(window = FindWindowW(kMainWindowClass, nullptr)) && platform::TickCount64() < until)
        Sleep(50);
    return window;
}

} // namespace

bool HandOverToRunningInstance(const std::wstring& folder, DWORD waitMs) {
    HWND window = WaitForMainWindow(waitMs);
    if (!window)
        return false;
    if (IsIconic(window))
        ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
    // Sent even without a folder: the answer tells that the copy was reached.
    // The running copy has another current folder: a relative path is made
    // full here, with every name kept as given.
    std::wstring full = FullFolderPath(folder);
    if (full.empty())
        full = folder;
    COPYDATASTRUCT data{kHandOverFolder, static_cast<DWORD>(full.size() * sizeof(wchar_t)),
                        full.empty() ? nullptr : full.data()};
    DWORD_PTR answer = 0;
    // A window busy in a modal dialog still answers; a hung one is given up,
    // and one running elevated refuses the message.
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, waitMs, &answer) != 0 &&
           answer == TRUE;
}

bool CloseRunningInstance(DWORD waitMs) {
    constexpr DWORD kFindMs = 5000;
    HWND window = WaitForMainWindow(kFindMs);
    if (!window)
        return true;
    // A window not shown yet is still reading its list, or showing why it
    // cannot run: closed then, it would save a list it has not read.
    const ULONGLONG shownBy = platform::TickCount64() + kFindMs;
    while (IsWindow(window) && !IsWindowVisible(window) && platform::TickCount64() < shownBy)
        Sleep(50);
    if (IsWindow(window) && !IsWindowVisible(window))
        return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const platform::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    DWORD_PTR answer = 0;
    const bool answered =
        SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, waitMs, &answer) != 0;
    // A close destroys the window before its handler returns: a window still
    // there refused, as it does while a long operation runs.
    if (answered && IsWindow(window))
        return false;
    if (process)
        return WaitForSingleObject(process.get(), waitMs) == WAIT_OBJECT_0;
    const ULONGLONG until = platform::TickCount64() + waitMs;
    while (IsWindow(window) && platform::TickCount64() < until)
        Sleep(50);
    return !IsWindow(window);
}

bool HandOverReceiver::Receive(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverFolder || data.cbData % sizeof(wchar_t) != 0)
        return false;
    // No folder: the second start only wanted this window in front.
    if (data.cbData == 0)
        return true;
    folder_.assign(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    // The sender waits for this answer: the folder's checks and their
    // message boxes come after it.
    PostMessageW(window_, takeMessage_, 0, 0);
    return true;
}

void HandOverReceiver::Keep(const std::wstring& folder) {
    folder_ = folder;
    PostMessageW(window_, takeMessage_, 0, 0);
}

void HandOverReceiver::RemindIfWaiting() {
    if (Waiting())
        PostMessageW(window_, takeMessage_, 0, 0);
}

std::wstring HandOverReceiver::Take() {
    std::wstring folder = std::move(folder_);
    folder_.clear();
    return folder;
}

} // namespace ui
