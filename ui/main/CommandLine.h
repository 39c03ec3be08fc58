#pragma once
// The folders that Explorer's "Customize with Quillane" passes on the command
// line, the switches the uninstaller uses, a scripted Apply and Restore, and
// the response files that carry folders too many for one command line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

enum class ProgramMode {
    Window,          // the main window, the folder arguments (if any) its choice
    RestoreAll,      // /restore-all: every listed folder put back, no main window
    CountCustomized, // /count-customized: the exit code is the record's size
    CountAccounts,   // /count-accounts: the exit code is how many accounts have folders listed
    List,            // /list: the record printed, one folder a line
    Apply,           // /apply: the given folders customized, no main window
    Restore,         // /restore: the given folders put back, no main window
    // Setup's and the uninstaller's, run elevated: the shared icon folder
    // made safe, or the program's icon files taken out of it.
    PrepareSharedIcons, // /prepare-shared-icons
    RemoveSharedIcons,  // /remove-shared-icons
};

// What /apply is given, as written; an empty value is not chosen. The values
// are checked where the run starts (see ScriptedApply).
struct ApplyArguments {
    std::vector<std::wstring> folders; // every argument that is not a switch
    bool subfolders = false;           // /subfolders
    bool root = false;                 // /root: a drive's root may be changed
    std::wstring icon;                 // /icon FILE[,INDEX]
    std::wstring colour;               // /colour NAME|RRGGBB: a tinted folder icon
    std::wstring mark;                 // /mark NAME|none: a mark on the folder icon
    std::wstring tip;                  // /tip TEXT
    std::wstring textColour;           // /textcolour RRGGBB
    std::wstring textBackground;       // /textbackground RRGGBB
    std::wstring picture;              // /picture FILE
};

struct ProgramCommand {
    ProgramMode mode = ProgramMode::Window;
    bool quiet = false;      // /quiet: nothing shown at all
    bool allUsers = false;   // /all-users: every account's list, not only the runner's
    bool subfolders = false; // /subfolders, of /apply and /restore
    // Every argument that is not a switch, quotes removed, in order; once
    // TakeResponseFiles ran, each @FILE's folders in its place.
    std::vector<std::wstring> folders;
    // The first argument that cannot be taken: an unknown switch, a switch
    // that goes with no mode given or with another mode, a folder beside a
    // mode that takes none, or a response file that cannot be read. Empty
    // when the command line is sound.
    std::wstring refused;
    std::wstring refusedWhy; // the reason, where more than the argument tells it
    ApplyArguments apply;    // with ProgramMode::Apply
};

// Every argument that starts with a slash is a switch, taken wherever it
// stands, in any letter case; a switch is never a folder. The switches of
// /apply that take a value take the next argument unless it is one of the
// program's switches. Arguments are split as CommandLineToArgvW and the C
// runtime split them (backslashes before a quote, two quotes inside quotes),
// except that a folder argument ending in a backslash and a quote keeps the
// backslash: Explorer passes a drive root as "C:\".
ProgramCommand ParseCommandLine(const wchar_t* commandLine);

// What the program says of a command line it refuses, naming the switches.
std::wstring RefusedCommandText(const ProgramCommand& command);

// An argument that starts with @ names a response file (a folder never starts
// with @): UTF-16 with a byte-order mark as Explorer's menu writes it, or any
// text file's encoding (see platform::GuessEncoding), one folder a line.
// Blank lines are skipped; a folder keeps every character of its line but
// the line end (LF or CR LF).
inline constexpr size_t kResponseFileMaxBytes = size_t{16} * 1024 * 1024;
std::vector<std::wstring> ResponseFileFolders(const std::vector<std::uint8_t>& bytes);

// Whether the full path names a response file of the program's own making:
// Quillane-*.txt directly in tempFolder (GetTempPathW's, with or without its
// final backslash), both compared without regard to case.
bool IsOwnResponseFileName(const std::wstring& path, const std::wstring& tempFolder);

// Puts each @FILE's folders in its place among the command's folders (and
// /apply's); a file that cannot be read, or holds more than
// kResponseFileMaxBytes, refuses the command. The program's own response
// files (IsOwnResponseFileName in this process's temporary folder) are then
// deleted, only where the name is a plain file and no link, also when the
// command is refused: nothing else would ever remove them. Any other @FILE
// is left as it is. Nothing is read for a command already refused.
void TakeResponseFiles(ProgramCommand& command);

// The full path of the argument as named, without a trailing backslash except
// for a drive root: a relative path is completed against the current folder,
// "." and ".." parts are resolved, and no name loses a final dot or blank.
// Empty for an empty argument.
std::wstring FullFolderPath(const std::wstring& argument);

// FullFolderPath of the argument; empty when it names no existing folder.
std::wstring NormalizeFolderArgument(const std::wstring& argument);

// The same for a name that must be whole by itself, as the folder box's: a
// drive and a backslash, or a share, either perhaps in the \\?\ form. Empty
// for a name relative to a current folder ("sub", "C:sub", "\sub"), a
// malformed one, or one naming no existing folder.
std::wstring NormalizeFullFolderName(const std::wstring& text);

} // namespace ui
