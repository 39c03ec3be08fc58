#pragma once
// "QuillanePictureBox": shows a picture stretched to its client area.
#include "platform/Picture.h"

#include <windows.h>
#include <string>

namespace ui {

inline constexpr wchar_t kPictureBoxClass[] = L"QuillanePictureBox";

bool RegisterPictureBoxClass();
// WS_BORDER in extraStyle gives the single-line border of a thumbnail.
HWND CreatePictureBox(HWND parent, int id, int x, int y, int width, int height,
                      DWORD extraStyle = 0);

// Loads the file and shows it; false (and the box unchanged) when it cannot be
// read as a picture.
bool PictureBoxSetPicture(HWND box, const std::wstring& path);
void PictureBoxClear(HWND box);
// The picture shown, or null.
const platform::Picture* PictureBoxPicture(HWND box);

} // namespace ui
