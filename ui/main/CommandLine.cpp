#include "ui/main/CommandLine.h"

#include <windows.h>

#include <vector>
#include <cwchar>

namespace ui {

namespace {

// One argument: quoted up to the next quote, else up to a blank. A path holds
// no quote, so a backslash never escapes one: Explorer passes a drive root as
// "C:\", which the C runtime's rules would read as C:".
const wchar_t* NextArgument(const wchar_t* p, std::wstring& argument) {
    while (*p == L' ' || *p == L'\t')
        ++p;
    argument.clear();
    const bool quoted = *p == L'"';
    if (quoted)
        ++p;
    while (*p && (quoted ? *p != L'"' : (*p != L' ' && *p != L'\t')))
        argument += *p++;
    if (quoted && *p == L'"')
        ++p;
    return p;
}

} // namespace

std::wstring FolderArgument(const wchar_t* commandLine) {
    if (!commandLine)
        return {};
    std::wstring argument;
    const wchar_t* rest = NextArgument(commandLine, argument); // the program itself
    NextArgument(rest, argument);
    return argument;
}

ProgramCommand ParseCommandLine(const wchar_t* commandLine) {
    ProgramCommand command;
    if (!commandLine)
        return command;
    std::wstring argument;
    const wchar_t* rest = NextArgument(commandLine, argument); // the program itself
    while (*rest) {
        rest = NextArgument(rest, argument);
        if (_wcsicmp(argument.c_str(), L"/restore-all") == 0)
            command.mode = ProgramMode::RestoreAll;
        else if (_wcsicmp(argument.c_str(), L"/count-customized") == 0 &&
                 command.mode == ProgramMode::Window)
            command.mode = ProgramMode::CountCustomized;
        else if (_wcsicmp(argument.c_str(), L"/quiet") == 0)
            command.quiet = true;
    }
    return command;
}

std::wstring NormalizeFolderArgument(const std::wstring& argument) {
    std::wstring path = argument;
    // "C:" alone would mean the drive's current folder, not its root.
    if (path.size() == 2 && path[1] == L':')
        path += L'\\';
    if (path.empty())
        return {};
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return {};
    std::vector<wchar_t> full(size + 1);
    const DWORD length = GetFullPathNameW(path.c_str(), size + 1, full.data(), nullptr);
    if (length == 0 || length > size)
        return {};
    path.assign(full.data(), length);
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return path;
}

} // namespace ui
