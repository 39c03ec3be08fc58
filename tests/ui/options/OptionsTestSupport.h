#pragma once
// Shared by the appearance-options tests: the default folders the build lays
// out, copying them into a test's application folder, and driving the real
// open dialog.
#include "tests/support/BuiltFiles.h"

#include <windows.h>
#include <string>

namespace options_test {

using testing_support::BuiltBackgroundsDir;
using testing_support::BuiltIconsDir;
using testing_support::WinePath;

void CopyInto(const std::wstring& from, const std::wstring& to);
void WriteText(const std::wstring& path, const std::string& text);
// The Icons and Backgrounds folders as the build lays them out, with the icon
// library and one picture, in the application folder.
void CopyBundledFiles(const std::wstring& appFolder);

// The colour dialog: opens "Define Custom Colors", types the three components, OK.
void TypeColourAndOk(HWND dialog, int red, int green, int blue);

// The open dialog: set the file-name box (the ComboBoxEx32 cmb13) and press OK.
void TypeFileNameAndOk(HWND dialog, const std::wstring& name);
HWND FileNameBox(HWND dialog);
// The folder the dialog shows (CDM_GETFOLDERPATH).
std::wstring DialogFolder(HWND dialog);
// The file-type combo box (cmb1).
HWND FilterCombo(HWND dialog);
std::wstring ComboText(HWND combo, int index);
// Selects the filter as the user would, notifying the dialog.
void SelectFilter(HWND dialog, int index);
// Selects one item of the dialog's file list by its display name; true when found.
bool SelectListItem(HWND dialog, const std::wstring& name);

} // namespace options_test
