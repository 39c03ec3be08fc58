#include "ui/main/Controls.h"

#include "platform/Dpi.h"

#include <cmath>

namespace ui {

namespace {
constexpr DWORD kMultiLine = SS_LEFT; // labels wrap within their width
}

// clang-format off
const ControlRow kControls[] = {
    // Banner
    {Label5, L"Label5", Kind::WhiteLabel, 0, L"", nullptr, 0, 0, 7545, 780, true, 0},
    {Image3, L"Image3", Kind::Image, 0, L"", nullptr, 240, 0, 720, 720, true, 0},
    {Image2, L"Image2", Kind::Image, 0, L"", nullptr, 1560, 0, 4500, 750, true, 0},
    {Image4, L"Image4", Kind::Image, 0, L"", L"Help", 6540, 20, 720, 720, true, SS_NOTIFY},

    // Options view
    {fraChange, L"fraChange", Kind::Frame, 0, L"", nullptr, 120, 840, 7215, 3855, true, 0},
    {Picture1, L"Picture1", Kind::Panel, fraChange, L"", nullptr, 80, 180, 7060, 3600, true, 0},
    {LblFolder, L"LblFolder", Kind::Label, Picture1, L"Folder :", nullptr, 200, 270, 735, 255, true, 0},
    {TxtFolder, L"TxtFolder", Kind::LockedTextBox, Picture1, L"", L"Select Folders to Customize", 1200, 240, 5295, 285, true, WS_TABSTOP},
    {cmdBrowseFolder, L"cmdBrowseFolder", Kind::Button, Picture1, L"...", L"Select Folders to Customize", 6600, 240, 350, 300, true, 0},
    {chkSubs, L"chkSubs", Kind::CheckBox, Picture1, L"Include Subdirectories", nullptr, 2460, 720, 2535, 195, true, 0},
    // Not in the original layout: the free end of the subfolders' row, so Tab reaches it in reading order.
    {cmdFolderColour, L"cmdFolderColour", Kind::Button, Picture1, L"Fo&lder colour...", L"Give the folders a coloured folder icon", 5160, 667, 1790, 300, true, 0},
    // Not in the original layout: under the folder label, how many folders a multiple choice holds.
    {lblChosen, L"lblChosen", Kind::Label, Picture1, L"", L"Select Folders to Customize", 200, 720, 2200, 195, true, SS_NOTIFY},
    {LblIconFile, L"LblIconFile", Kind::Label, Picture1, L"Icon File :", nullptr, 200, 1155, 855, 255, true, 0},
    {TxtIconFile, L"TxtIconFile", Kind::LockedTextBox, Picture1, L"", L"Select Icon file", 1200, 1140, 5295, 285, true, 0},
    {CmdBrowseIconFile, L"CmdBrowseIconFile", Kind::Button, Picture1, L"...", L"Select Icon file", 6600, 1125, 350, 300, true, 0},
    {LblToolTip, L"LblToolTip", Kind::Label, Picture1, L"ToolTip :", nullptr, 200, 1545, 855, 255, true, 0},
    {TxtToolTip, L"TxtToolTip", Kind::TextBox, Picture1, L"", L"Optional Folder Tooltip", 1200, 1530, 5295, 285, true, 0},
    {LblIcoCount, L"LblIcoCount", Kind::Label, Picture1, L"Icon Scroll", nullptr, 1200, 1935, 915, 195, false, 0},
    {ScrollIconNo, L"ScrollIconNo", Kind::ScrollBar, Picture1, L"", nullptr, 2575, 1935, 3920, 255, true, 0},
    {PicIconHolder, L"PicIconHolder", Kind::Panel, Picture1, L"", nullptr, 3800, 2400, 520, 520, true, WS_BORDER},
    {picIcon, L"picIcon", Kind::IconBox, PicIconHolder, L"", nullptr, 0, 0, 480, 480, true, 0},
    {Label2, L"Label2", Kind::Label, Picture1, L"Select text color ", nullptr, 720, 2333, 1455, 195, true, 0},
    {cmdBrwstxtColor, L"cmdBrwstxtColor", Kind::Button, Picture1, L"...", nullptr, 200, 2280, 350, 300, true, 0},
    {Label4, L"Label4", Kind::Label, Picture1, L"Select background color", nullptr, 720, 2790, 2070, 195, true, 0},
    {cmdBrwsBgtxtColor, L"cmdBrwsBgtxtColor", Kind::Button, Picture1, L"...", nullptr, 200, 2737, 350, 300, true, 0},
    {lblSampleText, L"lblSampleText", Kind::SampleText, Picture1, L"Sample IconText", nullptr, 3480, 3000, 1185, 450, true, WS_BORDER}, // Shape1 is its border
    {Label3, L"Label3", Kind::Label, Picture1, L"Select background picture", nullptr, 720, 3248, 2235, 195, true, 0},
    {Command5, L"Command5", Kind::Button, Picture1, L"...", L"Browse for pictures", 200, 3195, 350, 300, true, 0},
    {Image1, L"Image1", Kind::PictureBox, Picture1, L"", nullptr, 5070, 2280, 1875, 1215, true, WS_BORDER},
    {lblCompat, L"lblCompat", Kind::Label, Picture1, L"Background picture feature requires Windows XP", nullptr, 5160, 2520, 1695, 615, false, kMultiLine},

    // Restore view: same rectangle, behind the options view at start
    {fraRestore, L"fraRestore", Kind::Frame, 0, L"", nullptr, 120, 840, 7215, 3855, false, 0},
    {picRestore, L"picRestore", Kind::Panel, fraRestore, L"", nullptr, 80, 180, 7060, 3600, true, 0},
    {Label1, L"Label1", Kind::Label, picRestore, L"Folders to Restore:", nullptr, 240, 40, 1635, 195, true, 0},
    {lblRestoreCount, L"lblRestoreCount", Kind::Label, picRestore, L"0", nullptr, 1935, 40, 1005, 195, true, 0},
    {lstRestore, L"lstRestore", Kind::TickList, picRestore, L"", nullptr, 120, 360, 6855, 2535, true, 0},
    {chkSelect, L"chkSelect", Kind::CheckBox, picRestore, L"Select All Folders", nullptr, 120, 3178, 2055, 255, true, 0},
    {cmdRestore, L"cmdRestore", Kind::Button, picRestore, L"&Restore", L"Restore selected folders", 4410, 3130, 1215, 350, true, 0},
    {cmdOk, L"cmdOk", Kind::Button, picRestore, L"&Back", L"Back to main window", 5760, 3130, 1215, 350, true, 0},

    // Progress area and command row
    {lblCreating, L"lblCreating", Kind::Label, 0, L"Creating Folder list....Please Wait", nullptr, 120, 4680, 2850, 195, false, 0},
    {txtChanging, L"txtChanging", Kind::StatusBox, 0, L"", nullptr, 120, 4920, 7245, 285, true, 0},
    {Command1, L"Command1", Kind::Button, 0, L"&Apply", L"Apply Customization to selected folders", 120, 5310, 1215, 350, true, 0},
    {Command2, L"Command2", Kind::Button, 0, L"&Restore", L"Choose folders to restore", 1620, 5310, 1215, 350, true, 0},
    {cmdClearBgnd, L"cmdClearBgnd", Kind::Button, 0, L"Cl&ear All", L"Clear all choices", 3120, 5310, 1215, 350, true, 0},
    {Command3, L"Command3", Kind::Button, 0, L"Ab&out", L"About Quillane", 4620, 5310, 1215, 350, true, 0},
    {Command4, L"Command4", Kind::Button, 0, L"E&xit", L"Close program", 6120, 5310, 1215, 350, true, 0},

    // Parked below the visible client area
    {lblSubDirsCount, L"lblSubDirsCount", Kind::Label, 0, L"0", nullptr, 480, 7680, 105, 195, true, 0},
    {LblIconNo, L"LblIconNo", Kind::Label, 0, L"&Icon No. :", nullptr, 4200, 8040, 735, 255, true, 0},
    {LblIcoNum, L"LblIcoNum", Kind::Label, 0, L"", nullptr, 5040, 8040, 1575, 255, true, 0},
    {cmdDummy, L"cmdDummy", Kind::Button, 0, L"Command5", nullptr, 1200, 7680, 495, 255, true, 0},
};
// clang-format on
const size_t kControlCount = sizeof kControls / sizeof kControls[0];

// The sample caption's name follows the chosen colours (Form1); the rest say
// what a control chooses or shows where its caption does not.
const AccessibleNameSpec kAccessibleNames[] = {
    {Image3, L"Quillane logo"},
    {Image2, L"Quillane"},
    {Image4, L"Help"},
    {TxtFolder, L"Folder"},
    {cmdBrowseFolder, L"Choose folder"},
    {lblChosen, L"Folders chosen"},
    {TxtIconFile, L"Icon file"},
    {CmdBrowseIconFile, L"Choose icon file"},
    {cmdFolderColour, L"Choose folder colour"},
    {TxtToolTip, L"Tooltip"},
    {ScrollIconNo, L"Icon number"},
    {picIcon, L"Icon preview"},
    {cmdBrwstxtColor, L"Choose text colour"},
    {cmdBrwsBgtxtColor, L"Choose background colour"},
    {Command5, L"Choose background picture"},
    {Image1, L"Background picture preview"},
    {lstRestore, L"Folders to restore"},
    {txtChanging, L"Status"},
};
const size_t kAccessibleNameCount = sizeof kAccessibleNames / sizeof kAccessibleNames[0];

namespace {

int FontHeight(double points, UINT dpi) {
    return -static_cast<int>(std::lround(points * dpi / 72.0));
}
} // namespace

platform::FontHandle CreateFormFont(UINT dpi) {
    return platform::FontHandle(CreateFontW(FontHeight(8.25, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                            FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                            DEFAULT_PITCH | FF_SWISS, L"Verdana"));
}

void LayoutControls(HWND window, const ControlMap& controls, UINT dpi) {
    const SIZE size = WindowSizeFor(window, kClientWidthTwips, kClientHeightTwips, dpi);
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls(MainControls(), controls, dpi);
    // Long paths scroll into view: three list widths of horizontal range.
    const int extent = platform::TwipsToPixels(6855 * 3, dpi);
    SendMessageW(FindControl(controls, lstRestore), LB_SETHORIZONTALEXTENT,
                 static_cast<WPARAM>(extent), 0);
}

} // namespace ui
