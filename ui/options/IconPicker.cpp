#include "ui/options/IconPicker.h"

#include "platform/Gdi.h"
#include "platform/Window.h"
#include "ui/options/IconBox.h"
#include "ui/options/cFileDialog.h"

#include <shellapi.h>
#include <shlobj.h>

namespace ui {

namespace {

// The large icon at the given size. ExtractIconEx gives the system's icon
// size; on a screen of another DPI the file's own image of the size is taken
// where it has one, rather than the usual one stretched.
platform::IconHandle ExtractLargeIcon(const std::wstring& file, int index, int size) {
    HICON large = nullptr;
    if (size == GetSystemMetrics(SM_CXICON)) {
        HICON small = nullptr;
        ExtractIconExW(file.c_str(), index, &large, &small, 1);
        const platform::IconHandle smallIcon(small);
    } else if (FAILED(SHDefExtractIconW(file.c_str(), index, 0, &large, nullptr,
                                        static_cast<UINT>(size)))) {
        large = nullptr;
    }
    return platform::IconHandle(large);
}

void SetScrollRange(HWND bar, int minimum, int maximum) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    info.nMin = minimum;
    info.nMax = maximum;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
}

void SetScrollValue(HWND bar, int value) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = value;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
}

} // namespace

IconPicker::IconPicker(const IconPickerControls& controls, std::wstring appFolder,
                       std::wstring idleStatus)
    : c_(controls), appFolder_(std::move(appFolder)), idleStatus_(std::move(idleStatus)) {}

void IconPicker::AddCommands(platform::CommandTable& commands) {
    if (c_.cmdBrowseIconFile)
        commands.Add(*this, {{GetDlgCtrlID(c_.cmdBrowseIconFile), BN_CLICKED,
                              &IconPicker::CmdBrowseIconFile_Click}});
    commands.AddScroll(GetDlgCtrlID(c_.scrollIconNo),
                       [this](int code, int position) { OnScroll(code, position); });
}

void IconPicker::CmdBrowseIconFile_Click() {
    // The previous choice goes whether or not a file is picked.
    platform::Show(c_.lblIcoCount, false);
    platform::Show(c_.scrollIconNo, false);
    platform::SetText(c_.txtIconFile, L"");
    IconBoxClear(c_.picIcon);
    previewShown_ = false;
    if (c_.setStatus)
        c_.setStatus(idleStatus_);
    platform::Show(c_.lblCreating, false);

    cFileDialog dialog;
    dialog.Filename(L"");
    dialog.flags(OFN_FILEMUSTEXIST);
    dialog.hwnd(c_.owner);
    dialog.CancelError(false);
    dialog.InitDir(appFolder_ + L"\\Icons");
    dialog.DialogTitle(kIconDialogTitle);
    dialog.Filter(kIconFileFilter);
    dialog.ShowOpen();
    if (!dialog.Filename().empty())
        ChooseFile(dialog.Filename());
}

void IconPicker::ChooseFile(const std::wstring& path) {
    platform::SetText(c_.txtIconFile, path);
    iconFilePath_ = path;
    LoadIconFile();
}

void IconPicker::LoadIconFile() {
    SetScrollRange(c_.scrollIconNo, 0, 0);
    const std::int16_t count = IconCount();
    SetScrollValue(c_.scrollIconNo, 0);
    platform::SetText(c_.lblIcoCount, L"");
    if (count <= 0) {
        platform::Enable(c_.scrollIconNo, false);
        platform::Enable(c_.lblIconNo, false);
        platform::SetText(c_.lblIcoNum, L"");
        platform::Enable(c_.lblIcoNum, false);
    } else {
        SetScrollRange(c_.scrollIconNo, 0, count - 1);
        platform::Enable(c_.scrollIconNo, true);
        platform::Enable(c_.lblIconNo, true);
        platform::Enable(c_.lblIcoNum, true);
        platform::Enable(c_.command1, true);
        // A single icon needs no scrolling; it is still previewed.
        platform::Show(c_.lblIcoCount, count > 1);
        platform::Show(c_.scrollIconNo, count > 1);
    }
    // A file without icons leaves the preview clear but still writes the counter.
    ShowIcon(0);
}

void IconPicker::ShowIcon(std::int16_t index) {
    const std::int16_t count = IconCount();
    DrawPreview(index);
    const std::wstring counter =
        L"Icon " + std::to_wstring(index + 1) + L" of " + std::to_wstring(count);
    platform::SetText(c_.lblIcoNum, counter);
    platform::SetText(c_.lblIcoCount, counter);
}

void IconPicker::DrawPreview(std::int16_t index) {
    IconBoxClear(c_.picIcon);
    // The icon fills the box: 32 x 32 pixels at 96 DPI, more on a denser screen.
    RECT box{};
    GetClientRect(c_.picIcon, &box);
    const platform::IconHandle largeIcon = ExtractLargeIcon(iconFilePath_, index, box.right);
    previewShown_ = largeIcon && IconBoxDrawIcon(c_.picIcon, largeIcon.get(), 0, 0, box.right,
                                                 box.bottom, DI_NORMAL);
}

void IconPicker::RedrawPreview() {
    if (previewShown_)
        DrawPreview(IconIndex());
}

void IconPicker::OnScroll(int code, int position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(c_.scrollIconNo, SB_CTL, &info))
        return;
    int value = info.nPos;
    switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
        --value;
        break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
        ++value;
        break;
    case SB_LEFT:
        value = info.nMin;
        break;
    case SB_RIGHT:
        value = info.nMax;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        // The range is 16-bit, so the message's own position is enough.
        value = position;
        break;
    default:
        return;
    }
    if (value < info.nMin)
        value = info.nMin;
    if (value > info.nMax)
        value = info.nMax;
    const bool tracking = code == SB_THUMBTRACK;
    if (value == info.nPos && !tracking)
        return;
    SetScrollValue(c_.scrollIconNo, value);
    ShowIcon(static_cast<std::int16_t>(value));
}

void IconPicker::ClearPreview() {
    platform::SetText(c_.txtIconFile, L"");
    IconBoxClear(c_.picIcon);
    previewShown_ = false;
}

std::int16_t IconPicker::IconIndex() const {
    return static_cast<std::int16_t>(GetScrollPos(c_.scrollIconNo, SB_CTL));
}

std::int16_t IconPicker::IconCount() const {
    if (iconFilePath_.empty())
        return 0;
    return static_cast<std::int16_t>(
        ExtractIconExW(iconFilePath_.c_str(), -1, nullptr, nullptr, 0));
}

} // namespace ui
