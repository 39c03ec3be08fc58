#pragma once
// Which Windows the program runs on.
#include <windows.h>

namespace ui {

// The version code of a platform, major and minor version: 1 to 3 for
// Windows 95, 98 and Me, 4 and 5 for NT 3 and 4, 6 to 8 for 2000, XP and
// Server 2003, 9 for Vista and later NT 6; 0 when unrecognised.
int VersionCode(DWORD platformId, DWORD major, DWORD minor);
// The code of the running system.
int OsVersion();

} // namespace ui
