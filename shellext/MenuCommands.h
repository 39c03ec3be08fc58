#pragma once
// The menu's commands in the order of their offsets from idCmdFirst: the
// colour presets, "Other colour...", the marks, "No mark", "Restore original
// look" and "Customize with Quillane...", each with its verb and help text.
#include "engine/TintedIcon.h"

#include <optional>
#include <string>

namespace shellext {

enum class Action { Colour, OtherColour, Mark, NoMark, Restore, Customize };

struct MenuCommand {
    Action action = Action::Customize;
    size_t index = 0; // the preset's or the mark's place in its list
    std::wstring label;
    std::wstring verb; // "Quillane.Colour.Red"
    std::wstring help;
};

// How many offsets the menu takes.
unsigned MenuCommandCount();
// The command at that offset, if there is one.
std::optional<MenuCommand> CommandAt(unsigned offset);
// The offset of a verb (ordinal, case-insensitive), if it is one of ours.
std::optional<unsigned> OffsetOfVerb(const std::wstring& verb);

// The program's switches after the folders: "/colour Red /quiet".
std::wstring ColourSwitches(const std::wstring& colour);
std::wstring MarkSwitches(const std::wstring& markName);

} // namespace shellext
