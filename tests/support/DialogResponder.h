#pragma once
// Answers the modal dialogs and message boxes that the code under test opens
// on this thread. A thread-local WH_CBT hook sees each dialog on HCBT_ACTIVATE,
// records it, and runs the next expected action on it from a thread timer
// (inside the dialog's own modal loop). A dialog that nothing expects is
// recorded as a test failure and cancelled, so no test can hang on it; a
// watchdog cancels a dialog that is still open long after its action ran.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct DialogSeen {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text; // a message box's text (static 0xFFFF), else empty
    std::wstring className;
};

class DialogResponder {
  public:
    using Action = std::function<void(HWND dialog)>;

    explicit DialogResponder(UINT watchdogMs = 10000);
    // Unhooks; any expectation not met is a test failure.
    ~DialogResponder();
    DialogResponder(const DialogResponder&) = delete;
    DialogResponder& operator=(const DialogResponder&) = delete;

    // The next dialog to appear must carry this caption (empty: any caption);
    // the action runs on it once it is up. Expectations are met in order.
    void Expect(const std::wstring& caption, Action action);
    // Shorthand: press a button (IDOK, IDYES, IDNO, IDCANCEL ...).
    void ExpectButton(const std::wstring& caption, int buttonId);

    const std::vector<DialogSeen>& Seen() const { return seen_; }
    size_t Pending() const { return expected_.size() - next_; }
    // Pumps messages until every expectation was met or the time is up.
    bool WaitAllMet(UINT timeoutMs = 10000);

  private:
    struct Expected {
        std::wstring caption;
        Action action;
    };
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK ActTimer(HWND, UINT, UINT_PTR id, DWORD);
    static void CALLBACK WatchdogTimer(HWND, UINT, UINT_PTR id, DWORD);
    void OnActivate(HWND dialog);

    HHOOK hook_ = nullptr;
    UINT watchdogMs_;
    std::vector<Expected> expected_;
    size_t next_ = 0;
    std::vector<DialogSeen> seen_;
    std::vector<HWND> handled_;
    HWND actOn_ = nullptr;
    Action pendingAction_;
    UINT_PTR actTimer_ = 0;
    UINT_PTR watchdogTimer_ = 0;
    HWND watched_ = nullptr;
};

// Helpers for actions.
std::wstring WindowText(HWND hwnd);
std::wstring MessageBoxText(HWND dialog);
// Which standard icon a message box shows: IDI_INFORMATION, IDI_EXCLAMATION ... or nullptr.
LPCWSTR MessageBoxIcon(HWND dialog);
void PressButton(HWND dialog, int id);

// Pumps this thread's messages until the predicate holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, UINT timeoutMs = 10000);
void PumpFor(UINT ms);

} // namespace testing_support
