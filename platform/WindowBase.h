#pragma once
// The one way to write a window: WindowBase stores `this` in the window,
// unpacks each message once into a typed handler below, and answers WM_COMMAND
// and the scroll bars from the window's command table. A handler that answers
// false leaves its message to DefWindowProc. No exception crosses the window
// procedure.
#include "platform/CommandTable.h"
#include "platform/WindowPart.h"

#include <windows.h>
#include <string>

namespace platform {

class WindowBase {
  public:
    WindowBase() = default;
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The window's command rows; the objects that handle some of its controls
    // add theirs here.
    CommandTable& Commands() { return commands_; }
    // The one check before a WM_COMMAND or a scroll bar's notification runs,
    // whichever window got it: the containers pass their controls' messages
    // on to this window. It comes from the control it names
    // (CommandFromItsControl), and the window allows it now (AllowsCommandNow).
    bool CommandMayRun(int id, HWND control) const;

  protected:
    // Registers the class once per process and creates the window.
    bool CreateWindowOfClass(const wchar_t* className, HICON icon, DWORD exStyle, DWORD style,
                             const std::wstring& title, int x, int y, int width, int height,
                             HWND parent);

    // WM_COMMAND that CommandMayRun let through; the default runs the command
    // row of the control's notification.
    virtual void OnCommand(int id, int code, HWND control);
    // Whether a command comes from the control it names: that control's own
    // handle, a control of this window, enabled. Without a handle only IDOK
    // and IDCANCEL of the dialog manager (Enter, Escape) pass.
    bool CommandFromItsControl(int id, HWND control) const;
    // The window's own rule over commands that came from their controls,
    // such as a busy lock's; the default lets every one run.
    virtual bool AllowsCommandNow(int /*id*/, HWND /*control*/) const { return true; }
    // WM_HSCROLL and WM_VSCROLL of a scroll bar control that CommandMayRun
    // let through; the default runs its scroll row.
    virtual bool OnScroll(HWND bar, int code, int position);
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);
    // WM_CLOSE; the default destroys the window.
    virtual void OnClose();
    virtual void OnDestroy() {}
    virtual void OnNcDestroy() {}
    virtual bool OnPaint() { return false; }
    virtual bool OnActivate(bool /*active*/) { return false; }
    // True when the handler set the cursor.
    virtual bool OnSetCursor(HWND /*over*/) { return false; }
    // The brush behind a static or read-only control; null for the default.
    virtual HBRUSH OnColorStatic(HDC /*dc*/, HWND /*control*/) { return nullptr; }
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*draw*/) { return false; }
    virtual bool OnMeasureItem(MEASUREITEMSTRUCT& /*measure*/) { return false; }
    virtual bool OnDpiChanged(UINT /*dpi*/, const RECT& /*suggested*/) { return false; }
    // WM_HELP: F1 in the window or in any of its controls, which pass it up.
    virtual bool OnHelp(const HELPINFO& /*info*/) { return false; }
    // WM_COPYDATA: true when the data was taken.
    virtual bool OnCopyData(const COPYDATASTRUCT& /*data*/) { return false; }
    // WM_QUERYENDSESSION: whether the session may end now.
    virtual bool OnQueryEndSession() { return true; }
    virtual void OnEndSession(bool /*ending*/) {}
    // A message the base does not unpack, such as the window's own WM_APP
    // messages; true when answered, with its result.
    virtual bool OnOtherMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                LRESULT& /*result*/) {
        return false;
    }
    // Called when a handler threw, with ERROR_NOT_ENOUGH_MEMORY for a failed
    // allocation and ERROR_INTERNAL_ERROR for anything else; the message is
    // then treated as handled.
    virtual void OnException(unsigned long error);

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    CommandTable commands_;
};

} // namespace platform
