#pragma once
// The folder-colour button's menu: the named colours, each with its swatch,
// and a colour of the user's own through the colour dialog.
#include "engine/TintedIcon.h"

#include <windows.h>

namespace ui {

struct FolderColourChoice {
    enum class Kind { None, Preset, Own };
    Kind kind = Kind::None;
    engine::Colour colour; // a preset's
};

// Drops the menu below the button and waits for the user's choice.
FolderColourChoice ShowFolderColourMenu(HWND owner, HWND button);

// The caption of the menu's last item, which opens the colour dialog.
inline constexpr wchar_t kOwnColourItem[] = L"&Other colour...";

// A 0x00BBGGRR colour as the tinted icons take it.
engine::Colour ColourOf(COLORREF colour);

} // namespace ui
