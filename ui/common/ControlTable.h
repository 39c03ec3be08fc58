#pragma once
// A window's controls as a table: reading the table is reading the window.
// Each window keeps its own table; these functions make the controls from it,
// place them for the window's DPI and give them their fonts and tooltips.
// Positions are in twips relative to the container.
#include <windows.h>

#include <map>
#include <span>

namespace ui {

enum class Kind {
    Frame,    // container with an etched border, no caption
    Panel,    // container without border
    GroupBox, // etched border drawn by a button, holding nothing itself
    Label,
    TitleLabel, // a label in the window's title font
    WhiteLabel,
    Image,  // owner-drawn picture
    Bitmap, // a static showing a bitmap
    TextBox,
    LockedTextBox,
    StatusBox,
    Button,
    CheckBox,
    ScrollBar,
    TickList,
    IconBox,
    SampleText,
    PictureBox,
};

struct ControlRow {
    int id;
    const wchar_t* name;
    Kind kind;
    int container; // 0: the window itself, else a container's id
    const wchar_t* caption;
    const wchar_t* tooltip;
    int left, top, width, height; // twips
    bool visible;
    DWORD extraStyle;
};

using ControlTable = std::span<const ControlRow>;
using ControlMap = std::map<int, HWND>;

// The name a screen reader announces for a control whose caption does not say
// what it is: a "..." button, a picture, a text box (whose text is its value).
struct AccessibleNameSpec {
    int id;
    const wchar_t* name;
};
using AccessibleNames = std::span<const AccessibleNameSpec>;

// The window's fonts: most controls take the form font, title labels the
// title font; the sample caption keeps its own.
struct ControlFonts {
    HFONT form = nullptr;
    HFONT title = nullptr;
};

// The window classes of the containers; they pass their children's
// notifications on to the window.
extern const wchar_t kFrameClass[];
extern const wchar_t kPanelClass[];

// The control of the id, or null.
HWND FindControl(const ControlMap& controls, int id);
// Every control of the table in the window, hidden ones too, in the table's
// order (containers stand before what they hold), except that the control
// first (if any) comes first in the tab order. Each goes into the map as it
// is made; PlaceControls puts them where they belong.
void CreateControls(HWND window, ControlTable table, const ControlFonts& fonts,
                    ControlMap& controls, int first = 0);
// Gives every control its font again, and redraws it.
void SetControlFonts(ControlTable table, const ControlMap& controls, const ControlFonts& fonts);
// Places every control for the DPI.
void PlaceControls(ControlTable table, const ControlMap& controls, UINT dpi);
// The tooltip window with the tips of the table; it goes with the window.
HWND AddTooltips(HWND window, ControlTable table, const ControlMap& controls);
// Gives the controls their accessible names.
void NameControls(AccessibleNames names, const ControlMap& controls);
// The window's outer size for a client area of the given twips at the DPI,
// with the frame and caption of that DPI where the system draws them so.
SIZE WindowSizeFor(HWND window, int clientWidthTwips, int clientHeightTwips, UINT dpi);

} // namespace ui
