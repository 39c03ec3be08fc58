// Which Windows the program runs on.
#include "ui/main/OsVersion.h"

namespace ui {

int VersionCode(DWORD platformId, DWORD major, DWORD minor) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS && major == 4) {
        if (minor == 0)
            return 1;
        if (minor == 10)
            return 2;
        if (minor == 90)
            return 3;
        return 0;
    }
    if (platformId == VER_PLATFORM_WIN32_NT) {
        switch (major) {
        case 3:
            return 4;
        case 4:
            return 5;
        case 5:
            return minor == 0 ? 6 : minor == 1 ? 7 : minor == 2 ? 8 : 0;
        case 6:
            return 9;
        default:
            return 0;
        }
    }
    return 0;
}

int OsVersion() {
    // The record with the 128-byte service-pack string, 148 bytes.
    OSVERSIONINFOA info{};
    static_assert(sizeof info == 148, "OSVERSIONINFOA is 148 bytes");
    info.dwOSVersionInfoSize = 148;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    if (!GetVersionExA(&info))
        return 0;
    return VersionCode(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

} // namespace ui
