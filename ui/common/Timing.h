#pragma once
// How often the windows of a long operation answer and redraw.
#include <windows.h>

namespace ui {

// A pump of the message loop is a round trip to the window system; one every
// few milliseconds keeps a window answering without costing more than the
// file work between.
inline constexpr ULONGLONG kPumpIntervalMs = 15;
// Progress text reaches the screen at most this often.
inline constexpr UINT kTextRepaintMs = 100;

} // namespace ui
