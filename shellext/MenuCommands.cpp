// The table of the menu's commands, made from the engine's colour presets and
// marks so that the menu follows them.
#include "shellext/MenuCommands.h"

#include "engine/FolderMark.h"
#include "platform/TextCompare.h"

namespace shellext {

namespace {

size_t Presets() { return engine::ColourPresets().size(); }
size_t Marks() { return engine::FolderMarks().size(); }

// Offsets: presets, other colour, marks, no mark, restore, customize.
unsigned OtherColourOffset() { return static_cast<unsigned>(Presets()); }
unsigned FirstMarkOffset() { return OtherColourOffset() + 1; }
unsigned NoMarkOffset() { return FirstMarkOffset() + static_cast<unsigned>(Marks()); }
unsigned RestoreOffset() { return NoMarkOffset() + 1; }
unsigned CustomizeOffset() { return RestoreOffset() + 1; }

} // namespace

unsigned MenuCommandCount() { return CustomizeOffset() + 1; }

std::optional<MenuCommand> CommandAt(unsigned offset) {
    MenuCommand command;
    if (offset < OtherColourOffset()) {
        const engine::ColourPreset& preset = engine::ColourPresets()[offset];
        command = {Action::Colour, offset, preset.name,
                   std::wstring(L"Quillane.Colour.") + preset.name,
                   std::wstring(L"Gives the folders' icons the colour ") + preset.name + L"."};
    } else if (offset == OtherColourOffset()) {
        command = {Action::OtherColour, 0, L"Other colour...", L"Quillane.Colour.Other",
                   L"Chooses another colour for the folders' icons."};
    } else if (offset < NoMarkOffset()) {
        const size_t index = offset - FirstMarkOffset();
        const engine::MarkInfo& mark = engine::FolderMarks()[index];
        command = {Action::Mark, index, mark.label, std::wstring(L"Quillane.Mark.") + mark.name,
                   std::wstring(L"Marks the folders' icons: ") + mark.label + L"."};
    } else if (offset == NoMarkOffset()) {
        command = {Action::NoMark, 0, L"No mark", L"Quillane.Mark.None",
                   L"Takes the mark off the folders' icons."};
    } else if (offset == RestoreOffset()) {
        command = {Action::Restore, 0, L"Restore original look", L"Quillane.Restore",
                   L"Puts the folders back as they were before Quillane changed them."};
    } else if (offset == CustomizeOffset()) {
        command = {Action::Customize, 0, L"Customize with Quillane...", L"Quillane.Customize",
                   L"Opens Quillane with the folders chosen."};
    } else {
        return std::nullopt;
    }
    return command;
}

std::optional<unsigned> OffsetOfVerb(const std::wstring& verb) {
    for (unsigned offset = 0; offset < MenuCommandCount(); ++offset)
        if (platform::CompareNoCase(CommandAt(offset)->verb, verb) == 0)
            return offset;
    return std::nullopt;
}

std::wstring ColourSwitches(const std::wstring& colour) { return L"/colour " + colour + L" /quiet"; }
std::wstring MarkSwitches(const std::wstring& markName) { return L"/mark " + markName + L" /quiet"; }

} // namespace shellext
