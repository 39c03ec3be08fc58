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
// file is new. With checkOwner a file of the right bytes is taken only when
// no other account may have written it (TrustedFile), else passed over too.
// False with the Win32 error when no name could be used.
bool PlaceIconFile(const std::wstring& folder, const std::wstring& base,
                   const std::vector<std::uint8_t>& bytes, std::wstring& path, bool& written,
                   bool checkOwner = false);

struct SharedIcon {
    std::wstring path;
    bool written = false;  // a new file, not one found
    bool perUser = false;  // the shared folder could not be used
    DWORD sharedError = 0; // why not, where perUser
};

// PlaceIconFile in sharedFolder, checking owners, or where that fails, in
// perUserFolder, the account's own (reported in the result). Each folder's
// parent is made as well; a folder or parent that is a link is not used.
bool PlaceSharedIcon(const std::wstring& sharedFolder, const std::wstring& perUserFolder,
                     const std::wstring& base, const std::vector<std::uint8_t>& bytes,
                     SharedIcon& result);

// Setup's part, run elevated: the shared folder (…\Quillane\Icons) and its
// parent made where missing and given an owner (Administrators) and access
// lists of their own, not passed on from above: every account may read both
// and create files in Icons, each account changes only what it made there,
// Administrators and SYSTEM do anything. A folder that is a link is given
// nothing and fails with ERROR_CANT_ACCESS_FILE; neither folder can be moved
// away while this runs.
bool PrepareSharedIconFolder(const std::wstring& folder);

// The uninstaller's part: the program's icon files in the shared folder
// ("Folder *.ico" and what a cut-off write left, "Folder *.ico.new*") removed,
// each name as itself (a link goes, never its target), then the folder and
// its parent where they are empty. Nothing is removed where either folder is
// a link (false with ERROR_CANT_ACCESS_FILE). left counts the files that
// stay. True when nothing of the program's stays but what could not be told.
bool RemoveSharedIconFiles(const std::wstring& folder, unsigned& left);

} // namespace engine
