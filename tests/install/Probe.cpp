// quillane-probe ID [SECONDS]: waits until the running program's main window
// shows text in its control ID and prints it, for the install test's script.
#include "platform/SystemApi.h"

#include <windows.h>

#include <algorithm>
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

// A control of another process answers only WM_GETTEXT, not GetWindowTextW.
std::wstring ControlText(HWND control) {
    wchar_t text[1024] = {};
    SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const int id = _wtoi(argv[1]);
    const int seconds = argc > 2 ? _wtoi(argv[2]) : 30;
    // The platform's tick count also keeps the runtime's own import of
    // GetTickCount64, which XP lacks, out of the program.
    const ULONGLONG until =
        platform::TickCount64() + static_cast<ULONGLONG>(std::max(seconds, 0)) * 1000;
    std::wstring text;
    while (text.empty() && platform::TickCount64() < until) {
        ControlSearch search{id, nullptr};
        if (HWND window = FindWindowW(L"QuillaneForm1", nullptr))
            EnumChildWindows(window, FindControlById, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            text = ControlText(search.found);
        if (text.empty())
            Sleep(100);
    }
    if (text.empty())
        return 1;
    std::fputws(text.c_str(), stdout);
    return 0;
}
