#pragma once
// Marks: a small emblem in the bottom-right corner of a generated folder
// icon, and the names that tie a generated icon file to its colour and mark.
#include "engine/TintedIcon.h"

#include <optional>
#include <string>
#include <vector>

namespace engine {

enum class FolderMark {
    None,
    Done,
    Important,
    InProgress,
    Favourite,
    Question,
    Cancelled,
    Locked,
    Heart
};

struct MarkInfo {
    FolderMark mark = FolderMark::None;
    const wchar_t* name = nullptr;  // in file names and after /mark: "InProgress"
    const wchar_t* label = nullptr; // as menus show it: "In progress"
};
// Every mark but None, in the order menus offer them.
const std::vector<MarkInfo>& FolderMarks();
// The mark of that name or label (ordinal, case-insensitive); "none" is
// FolderMark::None. False for anything else.
bool FindFolderMark(const std::wstring& nameOrLabel, FolderMark& mark);
// The mark's name ("Done"); empty for None.
std::wstring FolderMarkName(FolderMark mark);

// What a generated folder icon shows: the system's folder icon, perhaps in a
// colour, perhaps with a mark.
struct IconLook {
    std::optional<Colour> colour; // none: the system's own colours
    FolderMark mark = FolderMark::None;
    // Nothing to generate: the system's folder icon as it is.
    bool Plain() const { return !colour && mark == FolderMark::None; }
    bool operator==(const IconLook& other) const = default;
};

// The icon file's name without its extension: the colour's name with the
// mark's added, "Folder Red D32F2F Done", or "Folder Done" on the plain
// folder; FolderIconBaseName(colour) without a mark.
std::wstring FolderIconBaseName(const IconLook& look);

// The look a generated icon file's name tells, read from a path or a name
// ("...\Folder Red D32F2F Done (2).ico"; NumberedIconName's suffix allowed).
// False for a name the program does not give its icons.
bool LookFromIconFileName(const std::wstring& pathOrName, IconLook& look);

// Draws the mark into the frame's bottom-right corner, made for the frame's
// own size (never a copy of another size's), with an outline that stands out
// from the folder's body under it. None draws nothing.
void DrawMark(IconFrame& frame, FolderMark mark);

} // namespace engine
