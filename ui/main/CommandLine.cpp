#include "ui/main/CommandLine.h"

#include "platform/Files.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace ui {

namespace {

const wchar_t* SkipBlanks(const wchar_t* p) {
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

// One argument: quoted up to the next quote, else up to a blank. A path holds
// no quote, so a backslash never escapes one: Explorer passes a drive root as
// "C:\", which the C runtime's rules would read as C:". A tooltip may hold
// quotes: inside quotes, two stand for one.
const wchar_t* NextArgument(const wchar_t* p, std::wstring& argument) {
    p = SkipBlanks(p);
    argument.clear();
    const bool quoted = *p == L'"';
    if (quoted)
        ++p;
    for (;;) {
        if (quoted && p[0] == L'"' && p[1] == L'"') {
            argument += L'"';
            p += 2;
            continue;
        }
        if (!*p || (quoted ? *p == L'"' : (*p == L' ' || *p == L'\t')))
            break;
        argument += *p++;
    }
    if (quoted && *p == L'"')
        ++p;
    return p;
}

bool Is(const std::wstring& argument, const wchar_t* name) {
    return _wcsicmp(argument.c_str(), name) == 0;
}

// One of the switches this program takes: never the value of another.
bool IsSwitch(const std::wstring& argument) {
    for (const wchar_t* name :
         {L"/apply", L"/subfolders", L"/root", L"/icon", L"/colour", L"/tip", L"/textcolour",
          L"/textbackground", L"/picture", L"/restore-all", L"/count-customized",
          L"/count-accounts", L"/list", L"/quiet", L"/all-users"})
        if (Is(argument, name))
            return true;
    return Is(argument, L"/prepare-shared-icons") || Is(argument, L"/remove-shared-icons");
}

// "X:" and what follows it, relative to that drive's current folder unless a
// backslash follows.
bool IsDrivePath(const std::wstring& path) {
    return platform::RootOf(path).size() == 2;
}

std::wstring CurrentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return {};
    std::vector<wchar_t> buffer(size + 1);
    const DWORD length = GetCurrentDirectoryW(size + 1, buffer.data());
    return length == 0 || length > size ? std::wstring() : std::wstring(buffer.data(), length);
}

// The current folder of a drive ("X:"), as the system keeps it per drive.
std::wstring CurrentFolderOf(wchar_t drive) {
    const wchar_t name[3] = {drive, L':', 0};
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameW(name, MAX_PATH * 4, buffer, nullptr);
    return length == 0 || length >= MAX_PATH * 4 ? std::wstring() : std::wstring(buffer, length);
}

// The root and the names after it, "." and ".." resolved, every other name
// kept as it is.
std::wstring Joined(const std::wstring& root, const std::wstring& rest) {
    std::vector<std::wstring> names;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find(L'\\', start);
        if (end == std::wstring::npos)
            end = rest.size();
        std::wstring name = rest.substr(start, end - start);
        if (name == L"..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != L".") {
            names.push_back(std::move(name));
        }
        start = end + 1;
    }
    std::wstring path = root;
    for (const auto& name : names)
        path += L"\\" + name;
    // A drive's root keeps its backslash; a share's root has none.
    if (names.empty() && IsDrivePath(root))
        path += L'\\';
    return path;
}

} // namespace

ProgramCommand ParseCommandLine(const wchar_t* commandLine) {
    ProgramCommand command;
    if (!commandLine)
        return command;
    bool restore = false, count = false, accounts = false, list = false, apply = false;
    bool prepareIcons = false, removeIcons = false;
    // A switch of /apply given without /apply.
    std::wstring applyOnly;
    ApplyArguments& applied = command.apply;
    const struct {
        const wchar_t* name;
        std::wstring ApplyArguments::*value;
    } valued[] = {{L"/icon", &ApplyArguments::icon},
                  {L"/colour", &ApplyArguments::colour},
                  {L"/tip", &ApplyArguments::tip},
                  {L"/textcolour", &ApplyArguments::textColour},
                  {L"/textbackground", &ApplyArguments::textBackground},
                  {L"/picture", &ApplyArguments::picture}};
    std::wstring argument;
    const wchar_t* rest = NextArgument(commandLine, argument); // the program itself
    while (*SkipBlanks(rest)) {
        rest = NextArgument(rest, argument);
        if (argument.empty())
            continue;
        bool isValued = false;
        for (const auto& option : valued) {
            if (!Is(argument, option.name))
                continue;
            isValued = true;
            std::wstring value;
            const wchar_t* after = NextArgument(rest, value);
            if (!*SkipBlanks(rest) || IsSwitch(value)) {
                // Nothing after it, or another switch: the value is missing.
                if (command.refused.empty())
                    command.refused = argument;
            } else {
                applied.*option.value = value;
                rest = after;
            }
            if (applyOnly.empty())
                applyOnly = argument;
        }
        if (isValued)
            continue;
        if (argument[0] != L'/') {
            if (command.folder.empty())
                command.folder = argument;
            applied.folders.push_back(argument);
        } else if (Is(argument, L"/apply")) {
            apply = true;
        } else if (Is(argument, L"/subfolders") || Is(argument, L"/root")) {
            (Is(argument, L"/root") ? applied.root : applied.subfolders) = true;
            if (applyOnly.empty())
                applyOnly = argument;
        } else if (Is(argument, L"/restore-all")) {
            restore = true;
        } else if (Is(argument, L"/count-customized")) {
            count = true;
        } else if (Is(argument, L"/count-accounts")) {
            accounts = true;
        } else if (Is(argument, L"/list")) {
            list = true;
        } else if (Is(argument, L"/prepare-shared-icons")) {
            prepareIcons = true;
        } else if (Is(argument, L"/remove-shared-icons")) {
            removeIcons = true;
        } else if (Is(argument, L"/quiet")) {
            command.quiet = true;
        } else if (Is(argument, L"/all-users")) {
            command.allUsers = true;
        } else if (command.refused.empty()) {
            command.refused = argument;
        }
    }
    // Restoring is never mistaken for counting.
    if (restore)
        command.mode = ProgramMode::RestoreAll;
    else if (count)
        command.mode = ProgramMode::CountCustomized;
    else if (accounts)
        command.mode = ProgramMode::CountAccounts;
    else if (list)
        command.mode = ProgramMode::List;
    // Alone or not at all: setup runs them with nothing else.
    if (prepareIcons || removeIcons) {
        if (command.refused.empty() &&
            (command.mode != ProgramMode::Window || apply || (prepareIcons && removeIcons) ||
             command.allUsers || command.quiet || !command.folder.empty() || !applyOnly.empty()))
            command.refused = prepareIcons ? L"/prepare-shared-icons" : L"/remove-shared-icons";
        command.mode =
            prepareIcons ? ProgramMode::PrepareSharedIcons : ProgramMode::RemoveSharedIcons;
        return command;
    }
    if (apply) {
        // One thing at a time: customizing is never mistaken for restoring.
        if (command.refused.empty() && command.mode != ProgramMode::Window)
            command.refused = L"/apply";
        else if (command.refused.empty() && command.allUsers)
            command.refused = L"/all-users";
        command.mode = ProgramMode::Apply;
        return command;
    }
    if (!command.refused.empty())
        return command;
    if (!applyOnly.empty()) {
        command.refused = applyOnly;
        return command;
    }
    if (command.mode == ProgramMode::Window) {
        // Nothing to be quiet about: the window is all questions.
        if (command.quiet)
            command.refused = L"/quiet";
        else if (command.allUsers)
            command.refused = L"/all-users";
    } else if (!command.folder.empty()) {
        command.refused = command.folder;
    }
    return command;
}

std::wstring RefusedCommandText(const ProgramCommand& command) {
    return L"Quillane cannot take \"" + command.refused +
           L"\" here.\r\n\r\n"
           L"Start it with a folder to customize, or with one of these switches:\r\n"
           L"/restore-all [/all-users] [/quiet]\r\n"
           L"/count-customized [/all-users]\r\n"
           L"/list [/all-users] [/quiet]\r\n"
           L"/count-accounts\r\n"
           L"/apply FOLDER... [/subfolders] [/icon FILE[,INDEX] | /colour NAME|RRGGBB] [/tip TEXT] "
           L"[/textcolour RRGGBB] [/textbackground RRGGBB] [/picture FILE] [/root] [/quiet]";
}

std::wstring FullFolderPath(const std::wstring& argument) {
    std::wstring path = argument;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    // Already exact: the plain form is what the list and the screen keep.
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        path = L"\\\\" + path.substr(8);
    else if (path.rfind(L"\\\\?\\", 0) == 0)
        path = path.substr(4);
    if (path.empty())
        return {};
    // GetFullPathNameW would trim a final dot or blank from every name, and
    // so name a sibling: only the start is taken from the system.
    if (IsDrivePath(path)) {
        if (path.size() == 2 || path[2] == L'\\')
            return Joined(path.substr(0, 2), path.substr(2));
        // "X:name" is relative to that drive's current folder.
        const std::wstring base = CurrentFolderOf(path[0]);
        return base.empty()
                   ? std::wstring()
                   : Joined(platform::RootOf(base), base.substr(2) + L"\\" + path.substr(2));
    }
    if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
        const std::wstring root = platform::RootOf(path);
        return root.empty() ? std::wstring() : Joined(root, path.substr(root.size()));
    }
    const std::wstring current = CurrentFolder();
    const std::wstring root = platform::RootOf(current);
    if (root.empty())
        return {};
    if (path[0] == L'\\')
        return Joined(root, path);
    return Joined(root, current.substr(root.size()) + L"\\" + path);
}

std::wstring NormalizeFolderArgument(const std::wstring& argument) {
    std::wstring path = FullFolderPath(argument);
    if (path.empty() || !platform::IsDirectory(path))
        return {};
    return path;
}

} // namespace ui
