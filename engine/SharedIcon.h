#pragma once
// Generated icon files, kept once per colour in a folder every account can
// write, so that no file there can be trusted by its name alone.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// The name an icon file of that base takes at the given try: "base.ico",
// "base (2).ico", "base (3).ico"...
std::wstring NumberedIconName(const std::wstring& base, unsigned attempt);

// The path in folder (made where missing) of a file holding exactly bytes:
// the first of the base's names that holds them already, or, where one is
// free before that, a new file written there through a temporary name and a
// rename. A name held by other bytes, a link or a folder is passed over and
// left alone; nothing is overwritten or deleted. written tells whether the
// file is new. False with the Win32 error when no name could be used.
bool PlaceIconFile(const std::wstring& folder, const std::wstring& base,
                   const std::vector<std::uint8_t>& bytes, std::wstring& path, bool& written);

struct SharedIcon {
    std::wstring path;
    bool written = false;  // a new file, not one found
    bool perUser = false;  // the shared folder could not be used
    DWORD sharedError = 0; // why not, where perUser
};

// PlaceIconFile in sharedFolder, or where that fails, in perUserFolder
// (reported in the result). Each folder's parent is made as well.
bool PlaceSharedIcon(const std::wstring& sharedFolder, const std::wstring& perUserFolder,
                     const std::wstring& base, const std::vector<std::uint8_t>& bytes,
                     SharedIcon& result);

} // namespace engine
