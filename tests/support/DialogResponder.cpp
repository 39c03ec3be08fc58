#include "tests/support/DialogResponder.h"

#include "platform/SystemApi.h"
#include "tests/support/FileAsserts.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace testing_support {

namespace {
thread_local DialogResponder* current = nullptr;

bool IsDialogClass(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return std::wstring(name) == L"#32770";
}
} // namespace

// WM_GETTEXT rather than GetWindowTextW, which does not ask a control of
// another process for its text.
std::wstring WindowText(HWND hwnd) {
    const LRESULT length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const LRESULT n =
        SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

std::wstring MessageBoxText(HWND dialog) {
    HWND text = GetDlgItem(dialog, 0xFFFF);
    return text ? WindowText(text) : std::wstring();
}

LPCWSTR MessageBoxIcon(HWND dialog) {
    // The message box's icon static (stc1) holds one of the shared system icons.
    HWND icon = GetDlgItem(dialog, 0x0440);
    if (!icon)
        icon = GetDlgItem(dialog, 20);
    if (!icon)
        return nullptr;
    HICON shown = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
    if (!shown || !IsWindowVisible(icon))
        return nullptr;
    for (LPCWSTR id : {IDI_INFORMATION, IDI_EXCLAMATION, IDI_ERROR, IDI_QUESTION})
        if (LoadIconW(nullptr, id) == shown)
            return id;
    return nullptr;
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool PumpUntil(const std::function<bool()>& done, UINT timeoutMs) {
    const ULONGLONG end = platform::TickCount64() + timeoutMs;
    while (!done()) {
        if (platform::TickCount64() > end)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(UINT ms) {
    PumpUntil([] { return false; }, ms);
}

DialogResponder::DialogResponder(UINT watchdogMs) : watchdogMs_(watchdogMs) {
    current = this;
    hook_ = SetWindowsHookExW(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

DialogResponder::~DialogResponder() {
    if (hook_)
        UnhookWindowsHookEx(hook_);
    if (actTimer_)
        KillTimer(nullptr, actTimer_);
    if (watchdogTimer_)
        KillTimer(nullptr, watchdogTimer_);
    current = nullptr;
    for (size_t i = next_; i < expected_.size(); ++i)
        ADD_FAILURE() << "expected dialog never appeared: \"" << Narrow(expected_[i].caption)
                      << "\"";
}

void DialogResponder::Expect(const std::wstring& caption, Action action) {
    expected_.push_back({caption, std::move(action)});
}

void DialogResponder::ExpectButton(const std::wstring& caption, int buttonId) {
    Expect(caption, [buttonId](HWND dialog) { PressButton(dialog, buttonId); });
}

bool DialogResponder::WaitAllMet(UINT timeoutMs) {
    return PumpUntil([this] { return Pending() == 0 && !actTimer_; }, timeoutMs);
}

LRESULT CALLBACK DialogResponder::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    DialogResponder* self = current;
    if (self && code == HCBT_ACTIVATE)
        self->OnActivate(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(self ? self->hook_ : nullptr, code, wParam, lParam);
}

void DialogResponder::OnActivate(HWND dialog) {
    if (!IsDialogClass(dialog))
        return;
    if (std::find(handled_.begin(), handled_.end(), dialog) != handled_.end())
        return;
    handled_.push_back(dialog);

    DialogSeen seen;
    seen.hwnd = dialog;
    seen.caption = WindowText(dialog);
    seen.text = MessageBoxText(dialog);
    wchar_t name[64] = {};
    GetClassNameW(dialog, name, 64);
    seen.className = name;
    seen_.push_back(seen);

    if (next_ < expected_.size() &&
        (expected_[next_].caption.empty() || expected_[next_].caption == seen.caption)) {
        pendingAction_ = expected_[next_].action;
        ++next_;
    } else {
        ADD_FAILURE() << "unexpected dialog \"" << Narrow(seen.caption) << "\" with text \""
                      << Narrow(seen.text) << "\"";
        pendingAction_ = [](HWND d) {
            PressButton(d, IDCANCEL);
            PostMessageW(d, WM_CLOSE, 0, 0);
        };
    }
    actOn_ = dialog;
    // Act once the dialog's modal loop runs, not inside its activation.
    actTimer_ = SetTimer(nullptr, 0, 50, ActTimer);
}

void CALLBACK DialogResponder::ActTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    DialogResponder* self = current;
    if (!self)
        return;
    self->actTimer_ = 0;
    HWND dialog = self->actOn_;
    Action action = std::move(self->pendingAction_);
    self->pendingAction_ = nullptr;
    if (action && IsWindow(dialog))
        action(dialog);
    if (self->watchdogTimer_)
        KillTimer(nullptr, self->watchdogTimer_);
    self->watched_ = dialog;
    self->watchdogTimer_ = SetTimer(nullptr, 0, self->watchdogMs_, WatchdogTimer);
}

void CALLBACK DialogResponder::WatchdogTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    DialogResponder* self = current;
    if (!self)
        return;
    self->watchdogTimer_ = 0;
    HWND dialog = self->watched_;
    if (IsWindow(dialog) && IsWindowVisible(dialog)) {
        ADD_FAILURE() << "dialog \"" << Narrow(WindowText(dialog))
                      << "\" still open after its action; cancelled";
        PressButton(dialog, IDCANCEL);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    }
}

} // namespace testing_support
