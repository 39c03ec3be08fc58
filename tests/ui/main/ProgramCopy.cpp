#include "tests/ui/main/ProgramCopy.h"

#include "platform/SystemApi.h"
#include "tests/support/DialogResponder.h"
#include "ui/main/Controls.h"
#include "ui/main/SingleInstance.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace testing_support {

namespace {
std::wstring BuiltProgram() {
    std::wstring path = L"Z:" + std::wstring(QUILLANE_EXE, QUILLANE_EXE + sizeof QUILLANE_EXE - 1);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}
// The same size and time of the last write (a copy keeps both).
bool SameFile(const std::wstring& a, const std::wstring& b) {
    WIN32_FILE_ATTRIBUTE_DATA x{}, y{};
    return GetFileAttributesExW(a.c_str(), GetFileExInfoStandard, &x) &&
           GetFileAttributesExW(b.c_str(), GetFileExInfoStandard, &y) &&
           x.nFileSizeLow == y.nFileSizeLow && x.nFileSizeHigh == y.nFileSizeHigh &&
           CompareFileTime(&x.ftLastWriteTime, &y.ftLastWriteTime) == 0;
}
} // namespace

PROCESS_INFORMATION StartProgramCopy(const std::wstring& appFolder, const std::wstring& arguments,
                                     const wchar_t* name, const std::wstring& currentFolder,
                                     HANDLE output) {
    const std::wstring exe = appFolder + L"\\" + name;
    // A copy that is the built one already may be running: it stays.
    if (!SameFile(BuiltProgram(), exe))
        CopyFileW(BuiltProgram().c_str(), exe.c_str(), FALSE);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output;
        si.hStdError = output;
    }
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION pi{};
    const std::wstring& current = currentFolder.empty() ? appFolder : currentFolder;
    // A hundred starts at once can make Wine refuse one for a moment.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, output != nullptr, 0,
                           nullptr, current.c_str(), &si, &pi)) {
            CloseHandle(pi.hThread);
            break;
        }
        Sleep(200);
    }
    return pi;
}

Program::~Program() {
    if (pi_.hProcess) {
        if (!Ended(0))
            TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 10000);
        CloseHandle(pi_.hProcess);
    }
}

bool Program::Ended(DWORD ms) const {
    return pi_.hProcess && WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode(DWORD ms) const {
    DWORD code = STILL_ACTIVE;
    if (Ended(ms))
        GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

HWND Program::Window(const wchar_t* className, DWORD ms) const {
    struct Search {
        DWORD pid;
        const wchar_t* className;
        HWND found;
        static BOOL CALLBACK Visit(HWND w, LPARAM p) {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t name[64] = {};
            GetClassNameW(w, name, 64);
            if (pid != s->pid || wcscmp(name, s->className) != 0 || !IsWindowVisible(w))
                return TRUE;
            s->found = w;
            return FALSE;
        }
    };
    const ULONGLONG until = platform::TickCount64() + ms;
    while (platform::TickCount64() < until) {
        Search search{pi_.dwProcessId, className, nullptr};
        EnumWindows(&Search::Visit, reinterpret_cast<LPARAM>(&search));
        const bool main = wcscmp(className, ui::kMainWindowClass) == 0;
        if (search.found && (!main || IsWindowEnabled(ChildControl(search.found, ui::Command1))))
            return search.found;
        Sleep(20);
    }
    return nullptr;
}

HWND ChildControl(HWND window, int id) {
    struct Search {
        static BOOL CALLBACK Visit(HWND c, LPARAM p) {
            auto* s = reinterpret_cast<std::pair<int, HWND>*>(p);
            if (GetDlgCtrlID(c) != s->first)
                return TRUE;
            s->second = c;
            return FALSE;
        }
    };
    std::pair<int, HWND> search{id, nullptr};
    EnumChildWindows(window, &Search::Visit, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::wstring AnswerBox(const Program& program) {
    HWND box = program.Window(L"#32770");
    if (!box)
        return L"(no message box)";
    std::wstring text = WindowText(ChildControl(box, 65535));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
}

} // namespace testing_support
