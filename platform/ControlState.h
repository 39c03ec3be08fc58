#pragma once
// The state of a small custom control, owned by its window: made at
// WM_NCCREATE, kept in GWLP_USERDATA, freed at WM_NCDESTROY.
#include "platform/WindowPart.h"

#include <windows.h>

#include <memory>

namespace platform {

template <typename State> State* ControlState(HWND control) {
    return reinterpret_cast<State*>(GetWindowLongPtrW(control, GWLP_USERDATA));
}

// The state of a window of the class, or null for any other window.
template <typename State> State* ControlStateOf(HWND control, const wchar_t* className) {
    wchar_t name[64] = {};
    if (!control || !GetClassNameW(control, name, 64) || lstrcmpiW(name, className) != 0)
        return nullptr;
    return ControlState<State>(control);
}

template <typename State> void AttachControlState(HWND control, std::unique_ptr<State> state) {
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
}

template <typename State> void ReleaseControlState(HWND control) {
    State* state = ControlState<State>(control);
    SetWindowLongPtrW(control, GWLP_USERDATA, 0);
    delete state;
}

} // namespace platform
