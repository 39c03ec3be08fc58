#pragma once
// The main window's controls as a table: reading the table is reading the
// window. Positions are in twips relative to the container, converted to
// pixels for the window's DPI.
#include "platform/Gdi.h"
#include "ui/common/ControlTable.h"

#include <windows.h>

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
    cmdFolderColour,
    lblChosen = 350,
    // Restore view
    Label1 = 400, lblRestoreCount, lstRestore, chkSelect, cmdRestore, cmdOk,
    // Progress area and commands
    lblCreating = 500, txtChanging, Command1, Command2, cmdClearBgnd, Command3, Command4,
    // Parked below the visible client area
    lblSubDirsCount = 600, LblIconNo, LblIcoNum, cmdDummy,
};
// clang-format on

extern const ControlRow kControls[];
extern const size_t kControlCount;
inline ControlTable MainControls() {
    return {kControls, kControlCount};
}
extern const AccessibleNameSpec kAccessibleNames[];
extern const size_t kAccessibleNameCount;
inline AccessibleNames MainAccessibleNames() {
    return {kAccessibleNames, kAccessibleNameCount};
}

// The main window's style; its client area is laid out in twips.
inline constexpr DWORD kMainWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
inline constexpr int kClientWidthTwips = 7455;
inline constexpr int kClientHeightTwips = 5715;

// Verdana 8.25 pt, the font of every control but the sample caption.
platform::FontHandle CreateFormFont(UINT dpi);
// Sizes the window and places every control for the DPI.
void LayoutControls(HWND window, const ControlMap& controls, UINT dpi);

} // namespace ui
