#include "tests/ui/main/ProgramCopy.h"

#include <algorithm>

namespace testing_support {

namespace {
std::wstring BuiltProgram() {
    std::wstring path = L"Z:" + std::wstring(QUILLANE_EXE, QUILLANE_EXE + sizeof QUILLANE_EXE - 1);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}
} // namespace

PROCESS_INFORMATION StartProgramCopy(const std::wstring& appFolder, const std::wstring& arguments,
                                     const wchar_t* name) {
    const std::wstring exe = appFolder + L"\\" + name;
    CopyFileW(BuiltProgram().c_str(), exe.c_str(), FALSE);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       appFolder.c_str(), &si, &pi))
        CloseHandle(pi.hThread);
    return pi;
}

} // namespace testing_support
