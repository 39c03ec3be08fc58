#pragma once
// The folder that Explorer's "Customize with Quillane" passes on the command
// line, and the switches the uninstaller uses.
#include <string>

namespace ui {

enum class ProgramMode {
    Window,          // the main window, on the folder argument if any
    RestoreAll,      // /restore-all: every listed folder put back, no main window
    CountCustomized, // /count-customized: the exit code is the record's size
};

struct ProgramCommand {
    ProgramMode mode = ProgramMode::Window;
    bool quiet = false; // /quiet: nothing shown at all
};

// Switches are taken wherever they stand, in any letter case.
ProgramCommand ParseCommandLine(const wchar_t* commandLine);

// The first argument after the program's name, quotes removed; empty if none.
std::wstring FolderArgument(const wchar_t* commandLine);

// The full path of the folder the argument names, without a trailing
// backslash except for a drive root; empty when it names no existing folder.
std::wstring NormalizeFolderArgument(const std::wstring& argument);

} // namespace ui
