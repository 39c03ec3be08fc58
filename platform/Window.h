#pragma once
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/WindowPart.h"

#include <windows.h>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// Restore false removes the Close command from the window's system menu (and
// so disables the title bar's Close button); restore true brings back the
// default system menu.
void DisableCloseButton(HWND window, bool restore);
// The same change of the menu, which the title bar shows at the frame's next
// drawing (DrawMenuBar): under Wine drawing the frame costs milliseconds.
void ChangeCloseCommand(HWND window, bool restore);

// The usual calls on a control, each spelled once.
// A check box or radio button is ticked (BST_CHECKED).
bool Checked(HWND button);
void SetChecked(HWND button, bool checked);
void Enable(HWND control, bool enabled);
// Turns a control on or off and leaves its drawing to the message loop, a
// message of its own: under Wine a button draws itself at once otherwise.
void EnableAndDrawLater(HWND control, bool enabled);
void Show(HWND control, bool shown);
std::wstring Text(HWND window);
void SetText(HWND window, const std::wstring& text);

// Lets the message loop run: dispatches every pending message of this thread,
// calling afterEach after each one and once more when none is left.
void DoEvents(const std::function<void()>& afterEach = {});

// Registers a window class of this module once per process (the brush may be
// null); true when the class exists afterwards.
bool RegisterClassOnce(const wchar_t* name, WNDPROC proc, HBRUSH background = nullptr,
                       HICON icon = nullptr);

// A visible child window of a class of this module, with the given control id.
HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
                 int width, int height, HWND parent, int id);

// Answers WM_PAINT and WM_PRINTCLIENT alike: paint(dc) draws the client area.
template <typename Paint> void PaintClient(HWND window, UINT message, WPARAM wParam, Paint paint) {
    std::optional<PaintScope> scope;
    if (message == WM_PAINT)
        scope.emplace(window);
    paint(scope ? scope->get() : reinterpret_cast<HDC>(wParam));
}

// The full path of the running executable.
std::wstring ExecutablePath();
// Its folder, without a trailing backslash.
std::wstring ExecutableFolder();

// Text of a control that changes faster than it is worth showing. Every
// WM_SETTEXT is a round trip to the window system, so progress text is sent
// at most once per interval; the newest text is kept and answered meanwhile.
class ThrottledText {
  public:
    explicit ThrottledText(ULONGLONG intervalMs) : interval_(intervalMs) {}
    ThrottledText(const ThrottledText&) = delete;
    ThrottledText& operator=(const ThrottledText&) = delete;

    void Attach(HWND control) { control_ = control; }
    // Sends the text now and drops any that waits.
    void Show(const std::wstring& text);
    // Sends the text when the interval since the last one is up, else keeps it.
    void ShowSoon(const std::wstring& text);
    // Sends a waiting text whose interval is up.
    void ShowDue();
    bool Pending() const { return pending_; }
    const std::wstring& PendingText() const { return text_; }

  private:
    void Send();

    HWND control_ = nullptr;
    ULONGLONG interval_;
    ULONGLONG lastSent_ = 0;
    bool pending_ = false;
    std::wstring text_;
};

} // namespace platform
