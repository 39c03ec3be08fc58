#pragma once
// Included by every header of the window part of platform. Targets that must
// stay free of windows (the engine, the file part) define QUILLANE_NO_WINDOWS,
// so that reaching for a window header there stops the build.
#ifdef QUILLANE_NO_WINDOWS
#error "window code in a target without windows"
#endif
