#include "ui/main/CommandLine.h"

#include "platform/Files.h"
#include "platform/SystemApi.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <string_view>
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
          L"/textcolour", L"/textbackground", L"/picture", L"/restore-all", L"/restore",
          L"/count-customized", L"/count-accounts", L"/list", L"/quiet", L"/all-users"})
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
    bool restoreSome = false, prepareIcons = false, removeIcons = false;
    // A switch of /apply given without /apply; the first of them that /restore
    // does not take either.
    std::wstring applyOnly, notRestoring;
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
            if (notRestoring.empty())
                notRestoring = argument;
        }
        if (isValued)
            continue;
        if (argument[0] != L'/') {
            command.folders.push_back(argument);
        } else if (Is(argument, L"/apply")) {
            apply = true;
        } else if (Is(argument, L"/subfolders")) {
            applied.subfolders = command.subfolders = true;
            if (applyOnly.empty())
                applyOnly = argument;
        } else if (Is(argument, L"/root")) {
            applied.root = true;
            if (applyOnly.empty())
                applyOnly = argument;
            if (notRestoring.empty())
                notRestoring = argument;
        } else if (Is(argument, L"/restore-all")) {
            restore = true;
        } else if (Is(argument, L"/restore")) {
            restoreSome = true;
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
            (command.mode != ProgramMode::Window || apply || restoreSome ||
             (prepareIcons && removeIcons) || command.allUsers || command.quiet ||
             !command.folders.empty() || !applyOnly.empty()))
            command.refused = prepareIcons ? L"/prepare-shared-icons" : L"/remove-shared-icons";
        command.mode =
            prepareIcons ? ProgramMode::PrepareSharedIcons : ProgramMode::RemoveSharedIcons;
        return command;
    }
    applied.folders = command.folders;
    if (apply) {
        // One thing at a time: customizing is never mistaken for restoring.
        if (command.refused.empty() && (command.mode != ProgramMode::Window || restoreSome))
            command.refused = L"/apply";
        else if (command.refused.empty() && command.allUsers)
            command.refused = L"/all-users";
        command.mode = ProgramMode::Apply;
        return command;
    }
    if (restoreSome) {
        // A folder missing is said by the run: a response file may hold none.
        if (command.refused.empty() && command.mode != ProgramMode::Window)
            command.refused = L"/restore";
        else if (command.refused.empty() && command.allUsers)
            command.refused = L"/all-users";
        else if (command.refused.empty() && !notRestoring.empty())
            command.refused = notRestoring;
        command.mode = ProgramMode::Restore;
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
    } else if (!command.folders.empty()) {
        command.refused = command.folders.front();
    }
    return command;
}

std::wstring RefusedCommandText(const ProgramCommand& command) {
    const std::wstring why = command.refusedWhy.empty() ? L"." : L": " + command.refusedWhy;
    return L"Quillane cannot take \"" + command.refused + L"\" here" + why +
           L"\r\n\r\n"
           L"Start it with folders to customize, or with one of these switches:\r\n"
           L"/restore-all [/all-users] [/quiet]\r\n"
           L"/restore FOLDER... [/subfolders] [/quiet]\r\n"
           L"/count-customized [/all-users]\r\n"
           L"/list [/all-users] [/quiet]\r\n"
           L"/count-accounts\r\n"
           L"/apply FOLDER... [/subfolders] [/icon FILE[,INDEX] | /colour NAME|RRGGBB] "
           L"[/mark NAME|none] [/tip TEXT] [/textcolour RRGGBB] [/textbackground RRGGBB] "
           L"[/picture FILE] [/root] [/quiet]\r\n"
           L"@FILE in place of folders names a file that lists them, one a line.";
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

std::vector<std::wstring> ResponseFileFolders(const std::vector<std::uint8_t>& bytes) {
    size_t mark = 0;
    const platform::TextEncoding encoding =
        platform::GuessEncoding(bytes.data(), bytes.size(), mark);
    const std::wstring text =
        platform::DecodeText(bytes.data() + mark, bytes.size() - mark, encoding);
    std::vector<std::wstring> folders;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        size_t last = end;
        if (last > start && text[last - 1] == L'\r')
            --last;
        // A line of blanks names no full path.
        if (text.find_first_not_of(L" \t", start) < last)
            folders.push_back(text.substr(start, last - start));
        start = end + 1;
    }
    return folders;
}

bool IsOwnResponseFileName(const std::wstring& path, const std::wstring& tempFolder) {
    constexpr wchar_t kStart[] = L"Quillane-";
    constexpr wchar_t kEnd[] = L".txt";
    constexpr size_t kStartChars = sizeof kStart / sizeof kStart[0] - 1;
    constexpr size_t kEndChars = sizeof kEnd / sizeof kEnd[0] - 1;
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return false;
    std::wstring temp = tempFolder;
    if (!temp.empty() && temp.back() == L'\\')
        temp.pop_back();
    const std::wstring_view folder(path.data(), slash);
    const std::wstring_view name(path.data() + slash + 1, path.size() - slash - 1);
    return !temp.empty() && platform::CompareNoCase(folder, temp) == 0 &&
           name.size() >= kStartChars + kEndChars &&
           platform::CompareNoCase(name.substr(0, kStartChars), kStart) == 0 &&
           platform::CompareNoCase(name.substr(name.size() - kEndChars), kEnd) == 0;
}

namespace {

std::wstring TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

// The path with every short (8.3) name spelled out; as given where that
// cannot be told.
std::wstring LongForm(const std::wstring& path) {
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return length == 0 || length >= buffer.size() ? path : std::wstring(buffer.data(), length);
}

// Deletes the file through one handle opened on the name itself, only where
// that is a plain file: on Windows a link opens as a reparse point, under
// Wine as its target, whose name the handle then tells.
bool RemoveOwnResponseFile(const std::wstring& path) {
    const platform::FileHandle file = platform::OpenForRemoval(path);
    DWORD attributes = 0;
    std::wstring opened;
    if (!file || !platform::GetFileAttributesByHandle(file.get(), attributes) ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        platform::RootOf(path).size() != 2 || !platform::NameOfOpenFile(file.get(), opened))
        return false;
    const std::wstring_view asked = std::wstring_view(path).substr(2);
    const std::wstring longer = LongForm(path);
    if (platform::CompareNoCase(opened, asked) != 0 &&
        (longer.size() < 2 || platform::CompareNoCase(opened, longer.substr(2)) != 0))
        return false;
    return platform::MarkForDeletion(file);
}

std::wstring UnreadableResponseFileText(DWORD error) {
    if (error == ERROR_FILE_TOO_LARGE)
        return L"a file of folders may hold at most " +
               std::to_wstring(kResponseFileMaxBytes / (size_t{1024} * 1024)) + L" MB";
    return platform::ErrorText(error);
}

} // namespace

void TakeResponseFiles(ProgramCommand& command) {
    const std::wstring temp = TemporaryFolder();
    std::vector<std::wstring> folders;
    bool any = false;
    for (const std::wstring& argument : command.folders) {
        if (argument[0] != L'@') {
            folders.push_back(argument);
            continue;
        }
        any = true;
        const std::wstring path = FullFolderPath(argument.substr(1));
        if (command.refused.empty()) {
            std::vector<std::uint8_t> bytes;
            if (path.empty() || !platform::ReadAllBytes(path, bytes, kResponseFileMaxBytes)) {
                const DWORD error = path.empty() ? DWORD(ERROR_FILE_NOT_FOUND) : GetLastError();
                command.refused = argument;
                command.refusedWhy = UnreadableResponseFileText(error);
            } else {
                std::vector<std::wstring> listed = ResponseFileFolders(bytes);
                folders.insert(folders.end(), std::make_move_iterator(listed.begin()),
                               std::make_move_iterator(listed.end()));
            }
        }
        if (!path.empty() && (IsOwnResponseFileName(path, temp) ||
                              IsOwnResponseFileName(LongForm(path), LongForm(temp))))
            RemoveOwnResponseFile(path);
    }
    if (!any)
        return;
    command.folders = std::move(folders);
    command.apply.folders = command.folders;
}

} // namespace ui
