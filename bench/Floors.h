#pragma once
// The least work each operation must do: the same file-system calls per
// folder, with no window, list or status line around them.
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Depth-first walk of every folder below root; returns the number found.
size_t FloorWalk(const std::wstring& root);

// Per folder: folder normal, write Desktop.ini, file hidden + system, folder system.
void FloorApply(const std::vector<std::wstring>& folders, const std::vector<std::uint8_t>& ini);

// Opens and closes each folder's Desktop.ini.
void FloorStartup(const std::vector<std::wstring>& folders);

// Per folder, from the last to the first: file normal, delete it, folder normal.
void FloorRestore(const std::vector<std::wstring>& folders);

} // namespace bench
