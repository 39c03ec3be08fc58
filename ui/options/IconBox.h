#pragma once
// "QuillaneIconBox": a picture box that keeps what was drawn into it in a
// bitmap of its own, so that a drawing stays visible after the icon it came
// from is destroyed, and repaints from that bitmap.
#include <windows.h>

namespace ui {

inline constexpr wchar_t kIconBoxClass[] = L"QuillaneIconBox";

// Registers the window class once per process.
bool RegisterIconBoxClass();
HWND CreateIconBox(HWND parent, int id, int x, int y, int width, int height);

// Fills the box with the button-face colour.
void IconBoxClear(HWND box);
// DrawIconEx into the box's bitmap at (x, y); the icon may be destroyed afterwards.
bool IconBoxDrawIcon(HWND box, HICON icon, int x, int y, int width, int height, UINT flags);
// The colour of one pixel of the kept drawing; CLR_INVALID outside it.
COLORREF IconBoxPixel(HWND box, int x, int y);
// True when every pixel is the clear colour.
bool IconBoxIsClear(HWND box);

} // namespace ui
