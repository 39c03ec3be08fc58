#pragma once
// One window procedure for the small custom controls that paint themselves
// from a state of their own. A control describes itself by a traits type:
//
//   struct Traits {
//       using State = ...;
//       static std::unique_ptr<State> Make(const CREATESTRUCTW& create);
//       static void Paint(HWND control, HDC dc, State& state);
//       // Any other message; true when answered, with its result.
//       static bool Handle(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
//                          State* state, LRESULT& result);
//   };
//
// The background is never erased: Paint covers the whole client area, so the
// control does not flicker, and a new size paints it all again.
#include "platform/ControlState.h"
#include "platform/Window.h"

#include <windows.h>

namespace platform {

template <typename Traits>
LRESULT CALLBACK CustomControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    using State = typename Traits::State;
    State* state = ControlState<State>(hwnd);
    switch (message) {
    case WM_NCCREATE:
        AttachControlState(hwnd, Traits::Make(*reinterpret_cast<const CREATESTRUCTW*>(lParam)));
        break;
    case WM_NCDESTROY:
        ReleaseControlState<State>(hwnd);
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintClient(hwnd, message, wParam, [&](HDC dc) {
            if (state)
                Traits::Paint(hwnd, dc, *state);
        });
        return 0;
    default: {
        if (message == WM_SIZE)
            InvalidateRect(hwnd, nullptr, FALSE);
        LRESULT result = 0;
        if (Traits::Handle(hwnd, message, wParam, lParam, state, result))
            return result;
        break;
    }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Registers the class of the control once per process.
template <typename Traits> bool RegisterCustomControl(const wchar_t* className) {
    return RegisterClassOnce(className, CustomControlProc<Traits>);
}

// A visible control of the class, registered first if it is not yet.
template <typename Traits>
HWND CreateCustomControl(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
                         int width, int height, HWND parent, int id) {
    if (!RegisterCustomControl<Traits>(className))
        return nullptr;
    return CreateChild(className, text, style, x, y, width, height, parent, id);
}

} // namespace platform
