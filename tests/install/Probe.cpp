// quillane-probe ID [SECONDS]: waits for the running program's main window and
// prints the text of its control ID, for the install test's shell script.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControlById(HWND control, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (GetDlgCtrlID(control) != search->id)
        return TRUE;
    search->found = control;
    return FALSE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    ControlSearch search{_wtoi(argv[1]), nullptr};
    const int seconds = argc > 2 ? _wtoi(argv[2]) : 30;
    for (int i = 0; i < seconds * 10 && !search.found; ++i) {
        if (HWND window = FindWindowW(L"QuillaneForm1", nullptr))
            EnumChildWindows(window, FindControlById, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(100);
    }
    if (!search.found)
        return 1;
    // A control of another process answers only WM_GETTEXT, not GetWindowTextW.
    wchar_t text[1024] = {};
    SendMessageW(search.found, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    std::fputws(text, stdout);
    return 0;
}
