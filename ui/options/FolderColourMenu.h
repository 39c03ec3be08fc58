#pragma once
// The folder-colour button's menu: the named colours, each with its swatch,
// a colour of the user's own through the colour dialog, and the marks.
#include "engine/FolderMark.h"
#include "engine/TintedIcon.h"

#include <windows.h>

namespace ui {

struct FolderColourChoice {
    enum class Kind { None, Preset, Own, Mark };
    Kind kind = Kind::None;
    engine::Colour colour;                              // a preset's
    engine::FolderMark mark = engine::FolderMark::None; // Mark: None for "No mark"
};

// Drops the menu below the button and waits for the user's choice; the mark
// shown now is ticked.
FolderColourChoice ShowFolderColourMenu(HWND owner, HWND button, engine::FolderMark shown);

// The caption of the item after the colours, which opens the colour dialog.
inline constexpr wchar_t kOwnColourItem[] = L"&Other colour...";
// The menu's last item, the marks' submenu, and its last item.
inline constexpr wchar_t kMarkItem[] = L"&Mark";
inline constexpr wchar_t kNoMarkItem[] = L"&No mark";

// A 0x00BBGGRR colour as the tinted icons take it.
engine::Colour ColourOf(COLORREF colour);

} // namespace ui
