// Leaves "<own path>.ran" beside itself, so that a test sees it was started.
#include <windows.h>

int wmain() {
    wchar_t path[MAX_PATH + 8] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 1;
    lstrcatW(path, L".ran");
    HANDLE marker =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(marker);
    return 0;
}
