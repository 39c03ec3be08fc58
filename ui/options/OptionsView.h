#pragma once
// The options view: what a folder gets (icon, tooltip, text colours, background
// picture) with its choosers, Clear All, and its share of the busy lock.
#include "engine/FolderMark.h"
#include "engine/SettingsFile.h"
#include "engine/TintedIcon.h"
#include "platform/CommandTable.h"
#include "ui/common/ControlTable.h"
#include "ui/main/BusyLock.h"

#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class IconPicker;

// What the status line says of a coloured folder icon, before the reason.
inline constexpr wchar_t kColourNotMade[] = L"The coloured folder icon could not be made: ";
inline constexpr wchar_t kColourPerUser[] =
    L"Coloured folder icons are kept for this account only, in ";

// What the view needs of the window.
class OptionsHost {
  public:
    virtual void SetStatus(const std::wstring& text) = 0;
    // Clear All: no folder chosen, "Include Subdirectories" unticked and no
    // target list.
    virtual void ClearFolderChoice() = 0;

  protected:
    ~OptionsHost() = default;
};

class OptionsView final : public BusyShare {
  public:
    // The view's controls are the window's (see Controls.h); appFolder holds
    // the Icons and Backgrounds the choosers open in; the status line shows
    // idleText after a choice is cleared.
    OptionsView(OptionsHost& host, HWND form, const ControlMap& controls, std::wstring appFolder,
                std::wstring idleText);
    ~OptionsView();
    OptionsView(const OptionsView&) = delete;
    OptionsView& operator=(const OptionsView&) = delete;
    // The rows of the view's buttons and boxes, the icon picker's with them.
    void AddCommands(platform::CommandTable& commands);

    void cmdClearBgnd_Click();
    void cmdBrwstxtColor_Click();
    void cmdBrwsBgtxtColor_Click();
    void Command5_Click(); // background picture
    void TxtToolTip_GotFocus();
    // The folder-colour button: its menu, then the colour dialog for "Other".
    void cmdFolderColour_Click();
    // A coloured folder as the icon, with the mark the icon chosen now has:
    // its file found or made, then chosen as an icon file is. False, with the
    // status saying why, when it could not be made; nothing else changes then.
    bool ChooseFolderColour(engine::Colour colour);
    // The same for a mark, on the colour the icon chosen now has. No colour
    // and no mark leaves no icon chosen in place of a generated one.
    bool ChooseFolderMark(engine::FolderMark mark);

    // The background picture works on Windows XP and Server 2003 only; else
    // its button stays off and a note says why.
    void AllowPicture(bool allowed);
    // The FolderOptions that the controls and the values hold now.
    engine::FolderOptions ReadOptions() const;
    // What the sample caption and the picture preview tell a screen reader:
    // the chosen colours and the chosen picture.
    void DescribeChoices();
    // The window moved to a screen of another DPI.
    void SetDpi(UINT dpi);

    // BusyShare: the view's buttons and boxes.
    void EnableWhileIdle(bool enabled) override;
    bool HoldsControl(int id) const override;

    // The hidden option values.
    std::wstring lblColor, lblBgColor, Path;
    // Where the coloured folder icons are kept: the folder every account
    // reads, else the user's own.
    std::wstring sharedIcons, perUserIcons;
    IconPicker& iconPicker() { return *iconPicker_; }

  private:
    // The view's buttons and boxes that the busy lock turns off, in its order.
    std::vector<HWND> BusyControls() const;
    // The colour dialog for the sample caption: the choice goes to hex and show.
    void ChooseSampleColor(std::wstring& hex, void (*show)(HWND, std::int32_t));
    // The colour and mark of the icon file chosen now, where it is one the
    // program makes; else neither.
    engine::IconLook ChosenLook() const;
    bool ChooseFolderLook(const engine::IconLook& look);

    OptionsHost& host_;
    struct Controls {
        HWND form, TxtFolder, cmdBrowseFolder, chkSubs, TxtIconFile, CmdBrowseIconFile, TxtToolTip;
        HWND cmdBrwstxtColor, cmdBrwsBgtxtColor, lblSampleText, Label3, Command5, Image1;
        HWND lblCompat, cmdClearBgnd, cmdFolderColour;
    } c_{};
    std::unique_ptr<IconPicker> iconPicker_;
    std::wstring appFolder_, idleText_;
    bool pictureAllowed_ = false;
    bool toldPerUser_ = false; // said once a run
};

} // namespace ui
