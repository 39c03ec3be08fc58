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

// The program's own name, as the system reads it: up to the next quote when
// it starts with one, else up to a blank; a backslash is only a backslash.
const wchar_t* ProgramName(const wchar_t* p) {
    p = SkipBlanks(p);
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        return *p ? p + 1 : p;
    }
    while (*p && *p != L' ' && *p != L'\t')
        ++p;
    return p;
}

bool EndsArgument(wchar_t c) {
    return c == 0 || c == L' ' || c == L'\t';
}

// One argument by the rules of CommandLineToArgvW and the C runtime: a
// blank outside quotes ends it; 2n backslashes before a quote are n and the
// quote opens or closes; 2n+1 are n and a literal quote; inside quotes two
// quotes are one literal quote; other backslashes are themselves.
// A folder never holds a quote, so for a folder (asFolder) backslashes before
// a quote that ends the argument stay whole and the quote closes it:
// Explorer's "%1" on a drive root passes "C:\", which the rules above would
// read as C:" and the rest of the line.
const wchar_t* NextArgument(const wchar_t* p, std::wstring& argument, bool asFolder = false) {
    p = SkipBlanks(p);
    argument.clear();
    bool quoted = false;
    while (*p && (quoted || !EndsArgument(*p))) {
        if (*p == L'\\') {
            size_t backslashes = 0;
            while (p[backslashes] == L'\\')
                ++backslashes;
            if (p[backslashes] != L'"') {
                argument.append(backslashes, L'\\');
                p += backslashes;
                continue;
            }
            if (asFolder && backslashes % 2 == 1 && EndsArgument(p[backslashes + 1])) {
                argument.append(backslashes, L'\\');
                p += backslashes + 1;
                break;
            }
            argument.append(backslashes / 2, L'\\');
            p += backslashes;
            if (backslashes % 2 == 1) {
                argument += L'"';
                ++p;
            }
            continue;
        }
        if (*p == L'"') {
            if (quoted && p[1] == L'"') {
                argument += L'"';
                p += 2;
            } else {
                quoted = !quoted;
                ++p;
            }
            continue;
        }
        argument += *p++;
    }
    return p;
}

bool Is(const std::wstring& argument, const wchar_t* name) {
    return _wcsicmp(argument.c_str(), name) == 0;
}

// One of the switches this program takes: never the value of another.
bool IsSwitch(const std::wstring& argument) {
    for (const wchar_t* name :
         {L"/apply", L"/subfolders", L"/root", L"/icon", L"/colour", L"/mark", L"/tip",
          L"/textcolour", L"/textbackground", L"/picture", L"/restore-all", L"/count-customized",
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
                  {L"/mark", &ApplyArguments::mark},
                  {L"/tip", &ApplyArguments::tip},
                  {L"/textcolour", &ApplyArguments::textColour},
                  {L"/textbackground", &ApplyArguments::textBackground},
                  {L"/picture", &ApplyArguments::picture}};
    std::wstring argument;
    const wchar_t* rest = ProgramName(commandLine);
    while (*SkipBlanks(rest)) {
        // A switch holds no quote: only a folder is read by the folder rule.
        rest = NextArgument(rest, argument, true);
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
           L"/apply FOLDER... [/subfolders] [/icon FILE[,INDEX] | /colour NAME|RRGGBB] [/mark "
           L"NAME|none] "
           L"[/tip TEXT] "
           L"[/textcolour RRGGBB] [/textbackground RRGGBB] [/picture FILE] [/root] [/quiet]";
}

namespace {

// Forward slashes as backslashes, and an exact path as its plain form, which
// is what the list and the screen keep.
std::wstring PlainForm(const std::wstring& argument) {
    std::wstring path = argument;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        path = L"\\\\" + path.substr(8);
    else if (path.rfind(L"\\\\?\\", 0) == 0)
        path = path.substr(4);
    return path;
}

} // namespace

std::wstring FullFolderPath(const std::wstring& argument) {
    const std::wstring path = PlainForm(argument);
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

std::wstring NormalizeFullFolderName(const std::wstring& text) {
    // Nothing of the name is completed from a current folder.
    const std::wstring path = PlainForm(text);
    const std::wstring root = platform::RootOf(path);
    const bool full = IsDrivePath(path) ? path.size() > 2 && path[2] == L'\\' : !root.empty();
    return full ? NormalizeFolderArgument(path) : std::wstring();
}

} // namespace ui
