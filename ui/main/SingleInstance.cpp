#include "ui/main/SingleInstance.h"

#include "platform/SystemApi.h"
#include "ui/common/MessageBox.h"
#include "ui/main/CommandLine.h"

#include <algorithm>
#include <cstring>

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

namespace {

// The folders, made full here (the running copy has another current folder)
// with every name kept as given, after the sender's process id; several each
// ended by a null character.
std::vector<BYTE> HandOverPayload(const std::vector<std::wstring>& folders) {
    std::wstring text;
    for (const std::wstring& folder : folders) {
        const std::wstring full = FullFolderPath(folder);
        text += full.empty() ? folder : full;
        if (folders.size() > 1)
            text += L'\0';
    }
    const HandOverSender header{GetCurrentProcessId()};
    std::vector<BYTE> payload(sizeof header + text.size() * sizeof(wchar_t));
    std::memcpy(payload.data(), &header, sizeof header);
    if (!text.empty())
        std::memcpy(payload.data() + sizeof header, text.data(), text.size() * sizeof(wchar_t));
    return payload;
}

} // namespace

bool HandOverToRunningInstance(const std::vector<std::wstring>& folders, DWORD waitMs) {
    // One try waits this long for an answer; a window that pumps no messages
    // (it may be still starting) fails the try at once.
    constexpr DWORD kTryMs = 10000;
    std::vector<BYTE> payload = HandOverPayload(folders);
    // Sent even without a folder: the answer tells that the copy was reached.
    // One folder goes as before, which older copies take too.
    COPYDATASTRUCT data{folders.size() > 1 ? kHandOverFolders : kHandOverFromProcess,
                        static_cast<DWORD>(payload.size()), payload.data()};
    // A copy holding the claim without ever showing a window (a /restore-all
    // run, a refusal on the screen) is not waited for as long.
    constexpr DWORD kFirstWindowMs = 12000;
    const ULONGLONG start = platform::TickCount64();
    ULONGLONG until = start + std::min(waitMs, kFirstWindowMs);
    bool shown = false;
    for (;;) {
        const ULONGLONG now = platform::TickCount64();
        if (now >= until)
            return false;
        HWND window = WaitForMainWindow(static_cast<DWORD>(until - now));
        if (window)
            until = start + waitMs;
        if (window && !shown) {
            if (IsIconic(window))
                ShowWindowAsync(window, SW_RESTORE);
            SetForegroundWindow(window);
            shown = true;
        }
        DWORD_PTR answer = 0;
        // A window busy in a modal dialog still answers; one running
        // elevated refuses the message, and is asked again as a busy one.
        if (window &&
            SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                SMTO_ABORTIFHUNG, kTryMs, &answer) != 0 &&
            answer == TRUE)
            return true;
        Sleep(100);
    }
}

void ReportAlreadyRunning() {
    constexpr wchar_t kShowing[] = L"Local\\Quillane.AlreadyRunningMessage";
    const platform::KernelHandle showing(CreateMutexW(nullptr, FALSE, kShowing));
    if (!showing || GetLastError() == ERROR_ALREADY_EXISTS)
        return;
    ShowMessage(nullptr, L"Quillane is already running.");
}

namespace {
ULONGLONG FileTimeValue(const FILETIME& time) {
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
} // namespace

ULONGLONG ProcessStartTime() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        GetSystemTimeAsFileTime(&created);
    return FileTimeValue(created);
}

bool RunningProcessStartTime(DWORD processId, ULONGLONG& started) {
    // Windows XP knows only the full query right; later ones let the limited
    // right open an elevated sender too.
    constexpr DWORD kQueryLimited = 0x1000; // PROCESS_QUERY_LIMITED_INFORMATION
    platform::KernelHandle process(OpenProcess(kQueryLimited, FALSE, processId));
    if (!process)
        process.reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    DWORD code = 0;
    FILETIME created{}, exited{}, kernel{}, user{};
    // An ended process's id may already name another.
    if (!process || !GetExitCodeProcess(process.get(), &code) || code != STILL_ACTIVE ||
        !GetProcessTimes(process.get(), &created, &exited, &kernel, &user))
        return false;
    started = FileTimeValue(created);
    return true;
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
    const auto* bytes = static_cast<const BYTE*>(data.lpData);
    size_t skip = 0;
    ULONGLONG started = 0;
    bool known = false;
    const bool several = data.dwData == kHandOverFolders;
    if ((several || data.dwData == kHandOverFromProcess) && data.cbData >= sizeof(HandOverSender)) {
        HandOverSender sender{};
        std::memcpy(&sender, bytes, sizeof sender);
        skip = sizeof sender;
        // This process's own start is the command line's, never a hand-over's.
        const ULONGLONG id = sender.processId;
        known = id != GetCurrentProcessId() && id <= MAXDWORD &&
                RunningProcessStartTime(static_cast<DWORD>(id), started);
    } else if (data.dwData == kHandOverTimedFolder && data.cbData >= sizeof(ULONGLONG)) {
        // The time it claims is not taken.
        skip = sizeof(ULONGLONG);
    } else if (data.dwData != kHandOverFolder) {
        return false;
    }
    if ((data.cbData - skip) % sizeof(wchar_t) != 0)
        return false;
    const size_t chars = (data.cbData - skip) / sizeof(wchar_t);
    // No folder: the second start only wanted this window in front.
    if (chars == 0)
        return true;
    std::wstring text(chars, L'\0');
    std::memcpy(text.data(), bytes + skip, chars * sizeof(wchar_t));
    std::vector<std::wstring> folders;
    if (!several) {
        folders.push_back(std::move(text));
    } else {
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find(L'\0', start);
            if (end == std::wstring::npos)
                end = text.size();
            if (end > start)
                folders.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        if (folders.empty())
            return true;
    }
    // Joining a choice adds a folder the user may not see among the rest: a
    // start that cannot be told is a choice of its own, plain in the box.
    Add(std::move(folders), known ? &started : nullptr);
    // The sender waits for this answer: the folder's checks and their
    // message boxes come after it.
    PostMessageW(window_, takeMessage_, 0, 0);
    return true;
}

void HandOverReceiver::Keep(const std::vector<std::wstring>& folders, ULONGLONG started) {
    if (folders.empty())
        return;
    Add(folders, &started);
    PostMessageW(window_, takeMessage_, 0, 0);
}

void HandOverReceiver::Add(std::vector<std::wstring> folders, const ULONGLONG* started) {
    constexpr ULONGLONG kJoinUnits = ULONGLONG{kJoinChoiceMs} * 10000; // FILETIME units
    const ULONGLONG now = platform::TickCount64();
    // Starts may arrive in any order, and a late one from the same burst
    // (it waited for a busy window) still joins by its start time; a process
    // started long before the burst is no part of it. Folders that came
    // together are a choice of their own.
    const bool joins =
        folders.size() == 1 && started && choosing_ &&
        (now - lastArrival_ <= kJoinChoiceMs ||
         (*started + kJoinUnits >= earliestStart_ && *started <= latestStart_ + kJoinUnits));
    if (started) {
        earliestStart_ = joins ? std::min(earliestStart_, *started) : *started;
        latestStart_ = joins ? std::max(latestStart_, *started) : *started;
    }
    lastArrival_ = now;
    // Nothing joins a folder whose start is unknown.
    choosing_ = started != nullptr;
    for (size_t i = 0; i < folders.size(); ++i)
        waiting_.push_back({std::move(folders[i]), i > 0 || joins});
}

void HandOverReceiver::RemindIfWaiting() {
    if (Waiting())
        PostMessageW(window_, takeMessage_, 0, 0);
}

HandedOverChoice HandOverReceiver::TakeChoice() {
    const std::vector<HandedOverFolder> waiting = std::move(waiting_);
    waiting_.clear();
    HandedOverChoice choice;
    if (waiting.empty())
        return choice;
    size_t first = waiting.size() - 1;
    while (first > 0 && waiting[first].joins)
        --first;
    for (size_t i = first; i < waiting.size(); ++i)
        choice.folders.push_back(waiting[i].folder);
    choice.joins = waiting[first].joins;
    return choice;
}

} // namespace ui
