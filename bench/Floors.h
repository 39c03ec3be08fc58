#pragma once
// The least work each operation must do: the fewest file-system calls that
// take a folder from where the window finds it to where the window leaves
// it, knowing only what the program may know, with no window, list or status
// line around them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// The longest single folder (the walk: directory) of the floors since the
// last call, in milliseconds, and a fresh count from here.
double TakeLongestFloorStepMs();

// Depth-first walk of every folder below root; returns the number found.
size_t FloorWalk(const std::wstring& root);

// Per folder: Desktop.ini created hidden + system where none is (one open),
// its bytes written, its handle closed, the folder made system unless the
// walk saw it so already. folderAttributes holds what the walk read, one per
// folder.
void FloorApply(const std::vector<std::wstring>& folders,
                const std::vector<std::uint32_t>& folderAttributes,
                const std::vector<std::uint8_t>& ini);

// Per folder: Desktop.ini opened for reading, read once and closed again.
// Only a file read and found foreign may leave the list; the handle must go.
void FloorStartup(const std::vector<std::wstring>& folders);

// Per folder, from the last to the first: Desktop.ini opened for reading and
// deletion, read (only the program's own file may go), marked for deletion,
// the folder reset, the handle closed, one look for a backup.
void FloorRestore(const std::vector<std::wstring>& folders);

// The first floors, kept to compare against: the walk as above; Apply with a
// folder reset, a plain create and a separate attribute write; Restore with
// an attribute reset and a delete by name, no marker read, no backup look;
// start-up opening and closing each settings file, without reading it.
void LooseFloorApply(const std::vector<std::wstring>& folders,
                     const std::vector<std::uint8_t>& ini);
void LooseFloorRestore(const std::vector<std::wstring>& folders);
void LooseFloorStartup(const std::vector<std::wstring>& folders);

// The attributes of each folder, as a walk reads them.
std::vector<std::uint32_t> FolderAttributes(const std::vector<std::wstring>& folders);

// Times other ways to make each floor's calls on the same tree, one line
// each, so that the cheapest can be chosen. The tree is clean at the end.
void CompareFloorVariants(const std::wstring& root, const std::vector<std::wstring>& folders,
                          const std::vector<std::uint8_t>& ini);

} // namespace bench
