#include "ui/options/OptionsView.h"

#include "platform/Accessible.h"
#include "platform/Files.h"
#include "platform/Window.h"
#include "ui/common/FolderColour.h"
#include "ui/main/Controls.h"
#include "ui/options/BackgroundPicture.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/FolderColourMenu.h"
#include "ui/options/IconPicker.h"
#include "ui/options/PictureBox.h"

namespace ui {

OptionsView::OptionsView(OptionsHost& host, HWND form, const ControlMap& controls,
                         std::wstring appFolder, std::wstring idleText)
    : sharedIcons(SharedIconFolder()), perUserIcons(PerUserIconFolder()), host_(host),
      appFolder_(std::move(appFolder)), idleText_(std::move(idleText)) {
    const auto control = [&controls](int id) { return FindControl(controls, id); };
    c_ = {form,
          control(TxtFolder),
          control(cmdBrowseFolder),
          control(chkSubs),
          control(TxtIconFile),
          control(CmdBrowseIconFile),
          control(TxtToolTip),
          control(cmdBrwstxtColor),
          control(cmdBrwsBgtxtColor),
          control(lblSampleText),
          control(Label3),
          control(Command5),
          control(Image1),
          control(lblCompat),
          control(cmdClearBgnd),
          control(cmdFolderColour)};
    IconPickerControls picker{form,
                              control(TxtIconFile),
                              control(LblIcoCount),
                              control(ScrollIconNo),
                              control(picIcon),
                              control(LblIconNo),
                              control(LblIcoNum),
                              control(Command1),
                              [this](const std::wstring& text) { host_.SetStatus(text); },
                              control(lblCreating),
                              control(CmdBrowseIconFile)};
    iconPicker_ = std::make_unique<IconPicker>(picker, appFolder_, idleText_);
}

OptionsView::~OptionsView() = default;

// Which handler answers which notification of which control.
void OptionsView::AddCommands(platform::CommandTable& commands) {
    commands.Add(
        *this,
        {{GetDlgCtrlID(c_.cmdClearBgnd), BN_CLICKED, &OptionsView::cmdClearBgnd_Click},
         {GetDlgCtrlID(c_.cmdBrwstxtColor), BN_CLICKED, &OptionsView::cmdBrwstxtColor_Click},
         {GetDlgCtrlID(c_.cmdBrwsBgtxtColor), BN_CLICKED, &OptionsView::cmdBrwsBgtxtColor_Click},
         {GetDlgCtrlID(c_.Command5), BN_CLICKED, &OptionsView::Command5_Click},
         {GetDlgCtrlID(c_.TxtToolTip), EN_SETFOCUS, &OptionsView::TxtToolTip_GotFocus},
         {GetDlgCtrlID(c_.cmdFolderColour), BN_CLICKED, &OptionsView::cmdFolderColour_Click}});
    iconPicker_->AddCommands(commands);
}

void OptionsView::AllowPicture(bool allowed) {
    pictureAllowed_ = allowed;
    platform::Enable(c_.Command5, allowed);
    platform::Enable(c_.Label3, allowed);
    platform::Show(c_.lblCompat, !allowed);
}

engine::FolderOptions OptionsView::ReadOptions() const {
    engine::FolderOptions options;
    options.iconFile = platform::Text(c_.TxtIconFile);
    options.iconIndex = iconPicker_->IconIndex();
    options.tooltip = platform::Text(c_.TxtToolTip);
    options.textColor = lblColor;
    options.textBackground = lblBgColor;
    options.picturePath = Path;
    return options;
}

void OptionsView::DescribeChoices() {
    const auto chosen = [](const std::wstring& value) {
        return value.empty() ? std::wstring(L"not chosen") : value;
    };
    platform::SetAccessibleName(c_.lblSampleText, std::wstring(kSampleText) + L", text colour " +
                                                      chosen(lblColor) + L", background colour " +
                                                      chosen(lblBgColor));
    platform::SetAccessibleDescription(c_.Image1,
                                       Path.empty() ? std::wstring(L"No picture chosen") : Path);
}

void OptionsView::SetDpi(UINT dpi) {
    SampleTextSetDpi(c_.lblSampleText, dpi);
    // The preview box has its new size, which cleared it.
    iconPicker_->RedrawPreview();
}

void OptionsView::cmdClearBgnd_Click() {
    // Only an untick of a ticked box brings the idle text back.
    const bool wasTicked = platform::Checked(c_.chkSubs);
    PictureBoxClear(c_.Image1);
    SampleTextSetForeColor(c_.lblSampleText, 0);
    SampleTextSetBackColor(c_.lblSampleText, kSystemButtonFace);
    lblColor.clear();
    lblBgColor.clear();
    Path.clear();
    platform::SetText(c_.TxtFolder, L"");
    platform::SetText(c_.TxtIconFile, L"");
    platform::SetText(c_.TxtToolTip, L"");
    iconPicker_->ClearPreview();
    // The folder box is already empty, so the untick alone would not reset the targets.
    host_.ClearFolderChoice();
    if (wasTicked)
        host_.SetStatus(idleText_);
    DescribeChoices();
}

void OptionsView::ChooseSampleColor(std::wstring& hex, void (*show)(HWND, std::int32_t)) {
    const std::int32_t colour = ShowColor(c_.form);
    if (colour == -1)
        return;
    hex = engine::ColorToHex(colour);
    show(c_.lblSampleText, colour);
    DescribeChoices();
}

void OptionsView::cmdBrwstxtColor_Click() {
    ChooseSampleColor(lblColor, SampleTextSetForeColor);
}

void OptionsView::cmdBrwsBgtxtColor_Click() {
    ChooseSampleColor(lblBgColor, SampleTextSetBackColor);
}

void OptionsView::Command5_Click() {
    Path = ChooseBackgroundPicture(c_.form, appFolder_, c_.Image1);
    DescribeChoices();
}

void OptionsView::TxtToolTip_GotFocus() {
    SendMessageW(c_.TxtToolTip, EM_SETSEL, 0, -1);
}

void OptionsView::cmdFolderColour_Click() {
    const FolderColourChoice choice =
        ShowFolderColourMenu(c_.form, c_.cmdFolderColour, ChosenLook().mark);
    if (choice.kind == FolderColourChoice::Kind::Preset) {
        ChooseFolderColour(choice.colour);
    } else if (choice.kind == FolderColourChoice::Kind::Own) {
        const std::int32_t colour = ShowColor(c_.form);
        if (colour != -1)
            ChooseFolderColour(ColourOf(static_cast<COLORREF>(colour)));
    } else if (choice.kind == FolderColourChoice::Kind::Mark) {
        ChooseFolderMark(choice.mark);
    }
}

engine::IconLook OptionsView::ChosenLook() const {
    engine::IconLook look;
    if (!engine::LookFromIconFileName(platform::Text(c_.TxtIconFile), look))
        return {};
    return look;
}

bool OptionsView::ChooseFolderColour(engine::Colour colour) {
    return ChooseFolderLook({colour, ChosenLook().mark});
}

bool OptionsView::ChooseFolderMark(engine::FolderMark mark) {
    return ChooseFolderLook({ChosenLook().colour, mark});
}

bool OptionsView::ChooseFolderLook(const engine::IconLook& look) {
    if (look.Plain()) {
        // The system's own folder icon: no icon file, where the one chosen is
        // a generated one; an icon file of the user's stays.
        engine::IconLook chosen;
        if (engine::LookFromIconFileName(platform::Text(c_.TxtIconFile), chosen)) {
            host_.SetStatus(idleText_);
            iconPicker_->ChooseFile(L"");
            iconPicker_->ClearPreview();
        }
        return true;
    }
    engine::SharedIcon icon;
    if (!FolderIconFile(look, sharedIcons, perUserIcons, icon)) {
        host_.SetStatus(kColourNotMade + platform::ErrorText(GetLastError()));
        return false;
    }
    host_.SetStatus(idleText_);
    iconPicker_->ChooseFile(icon.path);
    if (icon.perUser && !toldPerUser_) {
        toldPerUser_ = true;
        host_.SetStatus(kColourPerUser + perUserIcons + L": " +
                        platform::ErrorText(icon.sharedError));
    }
    return true;
}

std::vector<HWND> OptionsView::BusyControls() const {
    return {c_.cmdClearBgnd, c_.cmdBrwstxtColor, c_.cmdBrwsBgtxtColor, c_.Command5,
            c_.chkSubs,      c_.cmdBrowseFolder, c_.CmdBrowseIconFile, c_.cmdFolderColour};
}

void OptionsView::EnableWhileIdle(bool enabled) {
    // The picture's button only where the picture works.
    for (HWND control : BusyControls())
        platform::EnableAndDrawLater(control,
                                     enabled && (control != c_.Command5 || pictureAllowed_));
}

bool OptionsView::HoldsControl(int id) const {
    for (HWND control : BusyControls())
        if (GetDlgCtrlID(control) == id)
            return true;
    return false;
}

} // namespace ui
