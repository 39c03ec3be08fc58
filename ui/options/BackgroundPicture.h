#pragma once
// The background-picture chooser behind the main window's "..." button.
#include <windows.h>
#include <string>

namespace ui {

inline constexpr wchar_t kPictureFilter[] =
    L"Picture Files (*.JPG;*.GIF;*.BMP)|*.JPG;*.GIF;*.BMP|JPEG Files (*.JPG)|*.JPG|Graphics "
    L"Interchange Files (*.GIF)|*.GIF|Bitmap Files (*.BMP)|*.BMP";
inline constexpr wchar_t kPictureUnreadable[] = L"The picture could not be read";

// Shows the open dialog with its preview panel. Returns the chosen picture's
// path for the Path caption and shows the picture in image1 (a picture box);
// empty, with image1 cleared, when nothing was chosen or the file is no picture.
std::wstring ChooseBackgroundPicture(HWND owner, const std::wstring& appFolder,
                                     HWND image1PictureBox);

} // namespace ui
