#pragma once
// A thin wrapper over a top-level or child window: stores `this` in the window
// and routes messages to a virtual handler. No exception crosses the window
// procedure.
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

  protected:
    // Registers the class once per process and creates the window.
    bool CreateWindowOfClass(const wchar_t* className, HICON icon, DWORD exStyle, DWORD style,
                             const std::wstring& title, int x, int y, int width, int height,
                             HWND parent);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called when a handler threw, with ERROR_NOT_ENOUGH_MEMORY for a failed
    // allocation and ERROR_INTERNAL_ERROR for anything else; the message is
    // then treated as handled.
    virtual void OnException(unsigned long error);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

  private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

} // namespace platform
