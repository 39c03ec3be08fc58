#pragma once
// The folder that Explorer's "Customize with Quillane" passes on the command line.
#include <string>

namespace ui {

// The first argument after the program's name, quotes removed; empty if none.
std::wstring FolderArgument(const wchar_t* commandLine);

// The full path of the folder the argument names, without a trailing
// backslash except for a drive root; empty when it names no existing folder.
std::wstring NormalizeFolderArgument(const std::wstring& argument);

} // namespace ui
