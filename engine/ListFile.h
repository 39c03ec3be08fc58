#pragma once
// The list file (Fldr.dll) and its journals on the disk: which lines are
// folders, reading a piece at a time whatever the encoding and line ends, and
// writing in one step. Needs no window.
#include "engine/FolderList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// The most a list file or journal may hold to be read: a million folders of
// 125 characters take 258 MB in UTF-16, so this leaves room for four times as
// many; it is read a piece at a time, and a list too large for the memory
// fails to load rather than ending the program.
inline constexpr size_t kListFileLimit = size_t{1024} * 1024 * 1024;
// A list file or journal is read, decoded and written this much at a time: a
// whole drive's list is neither held twice as text nor decoded in one step.
inline constexpr size_t kListPieceBytes = size_t{256} * 1024;

// An absolute folder path: "X:\..." or "\\server\share...", without control
// characters or characters that no path may hold.
bool IsWellFormedListEntry(const std::wstring& line);

// The well-formed lines of a list file or journal (see IsWellFormedListEntry).
// False with GetLastError() set when the file cannot be read, is larger than
// kListFileLimit (ERROR_FILE_TOO_LARGE) or does not fit in memory; a missing
// file fails with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND.
bool ReadListLines(const std::wstring& path, std::vector<std::wstring>& lines);
// The same into a compact list, calling yield between short steps (a stop
// fails with ERROR_CANCELLED).
bool ReadListLines(const std::wstring& path, FolderLines& lines, const YieldFn& yield = {});

// Adds each well-formed line of the file as an entry (see
// IsWellFormedListEntry), keeping what the list holds. Reads ANSI and UTF-16
// files. Calls yield between short steps, and stops when it says so. False,
// with the list unchanged, as ReadListLines.
bool LoadListFromFile(ListItems& list, const std::wstring& path, const YieldFn& yield = {});

// One line per item, replacing the file in one step: when anything fails the
// old file stays as it was. Returns false with GetLastError() set on failure.
// Calls yield once per item; when it says stop, nothing is written and the
// call fails with ERROR_CANCELLED. hashes, where given, gets each written
// line's platform::HashNoCase, in the list's order.
bool SaveListToFile(const ListItems& list, const std::wstring& path, const YieldFn& yield = {},
                    std::vector<std::uint64_t>* hashes = nullptr);

} // namespace engine
