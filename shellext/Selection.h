#pragma once
// Which folders Explorer's selection names, and whether the menu is offered
// for them: only folders and drive roots on fixed disks.
#include <windows.h>

#include <shlobj.h>
#include <string>
#include <vector>

namespace shellext {

// The selection's file-system paths: CFSTR_SHELLIDLIST first, else CF_HDROP.
// False when the data object holds neither, or an item has no path.
bool SelectedPaths(IDataObject* data, std::vector<std::wstring>& paths);
// The path of a folder window (its background), or empty.
std::wstring FolderPath(PCIDLIST_ABSOLUTE folder);

// Every path is a folder or drive root on a fixed disk. A network path
// ("\\...") is refused before any call that could reach the network.
bool AllFoldersOnFixedDisks(const std::vector<std::wstring>& paths);

// The folder holds a Desktop.ini of the program's own: a bounded read of its
// start, never through a link.
bool HoldsOwnSettingsFile(const std::wstring& folder);

} // namespace shellext
