#pragma once
// The main window's controls as a table: reading the table is reading the
// window. Positions are in twips relative to the container, converted to
// pixels for the window's DPI.
#include "platform/Gdi.h"

#include <windows.h>

#include <map>

namespace ui {

// One line per container, as the window groups them.
// clang-format off
enum ControlId : int {
    // Containers
    fraChange = 100, Picture1, fraRestore, picRestore, PicIconHolder,
    // Banner
    Label5 = 200, Image3, Image2, Image4,
    // Options view
    LblFolder = 300, TxtFolder, cmdBrowseFolder, chkSubs, LblIconFile, TxtIconFile,
    CmdBrowseIconFile, LblToolTip, TxtToolTip, LblIcoCount, ScrollIconNo, picIcon, Label2,
    cmdBrwstxtColor, Label4, cmdBrwsBgtxtColor, lblSampleText, Label3, Command5, Image1, lblCompat,
    // Restore view
    Label1 = 400, lblRestoreCount, lstRestore, chkSelect, cmdRestore, cmdOk,
    // Progress area and commands
    lblCreating = 500, txtChanging, Command1, Command2, cmdClearBgnd, Command3, Command4,
    // Parked below the visible client area
    lblSubDirsCount = 600, LblIconNo, LblIcoNum, cmdDummy,
};
// clang-format on

enum class Kind {
    Frame, // container with an etched border, no caption
    Panel, // container without border
    Label,
    WhiteLabel,
    Image, // owner-drawn picture
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

struct ControlSpec {
    ControlId id;
    const wchar_t* name;
    Kind kind;
    int container; // 0: the window itself, else a container's ControlId
    const wchar_t* caption;
    const wchar_t* tooltip;
    int left, top, width, height; // twips
    bool visible;
    DWORD extraStyle;
};

extern const ControlSpec kControls[];
extern const size_t kControlCount;

const ControlSpec* FindSpec(int id);

// The window classes of the containers; they pass their children's
// notifications on to the main window.
void RegisterContainerClasses();
extern const wchar_t kFrameClass[];
extern const wchar_t kPanelClass[];

// The main window's style; its client area is laid out in twips.
inline constexpr DWORD kMainWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

using ControlMap = std::map<int, HWND>;

// Verdana 8.25 pt, the font of every control but the sample caption.
platform::FontHandle CreateFormFont(UINT dpi);
// Every control of the table in the window, hidden ones too; the focus sink
// comes first in the tab order. Each goes into the map as it is made.
void CreateControls(HWND window, HFONT font, ControlMap& controls);
// Gives every control but the sample caption the font, and redraws it.
void SetControlFonts(const ControlMap& controls, HFONT font);
// Sizes the window and places every control for the DPI.
void LayoutControls(HWND window, const ControlMap& controls, UINT dpi);
// The tooltip window with the tips of the table; it goes with the window.
HWND AddTooltips(HWND window, const ControlMap& controls);

} // namespace ui
