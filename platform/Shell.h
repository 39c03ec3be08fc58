#pragma once
#include "platform/WindowPart.h"

#include <windows.h>
#include <string>

namespace platform {

// Announces that file associations changed, which makes the shell refresh the
// icons it shows.
void NotifyShellOfChanges();

// Tells the shell that one folder's look changed, so that a window showing it
// reads its settings file again; does not wait for the shell to act on it.
void NotifyFolderChanged(const std::wstring& folder);

// The shell's folder dialog; returns the chosen folder's path, or empty.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title, UINT flags);

// ShellExecuteW with the "open" verb and show-normal; false when it failed.
bool ShellOpen(HWND owner, const std::wstring& target);

// The current user's local application data folder, or empty.
std::wstring LocalAppDataFolder();

} // namespace platform
