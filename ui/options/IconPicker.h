#pragma once
// The icon picker: chooses an icon file, previews one of its icons at 32 x 32
// and steps through them with a horizontal scroll bar. Its result is the text
// of txtIconFile and the value of scrollIconNo.
#include "platform/CommandTable.h"

#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>

namespace ui {

struct IconPickerControls {
    HWND owner = nullptr;        // the main window, owner of the file dialog
    HWND txtIconFile = nullptr;  // EDIT
    HWND lblIcoCount = nullptr;  // STATIC, the visible counter
    HWND scrollIconNo = nullptr; // SCROLLBAR, SBS_HORZ
    HWND picIcon = nullptr;      // QuillaneIconBox
    HWND lblIconNo = nullptr;    // STATIC, hidden
    HWND lblIcoNum = nullptr;    // STATIC, hidden, carries the counter too
    HWND command1 = nullptr;     // the Apply button
    // The window's status line, written through its owner.
    std::function<void(const std::wstring&)> setStatus;
    HWND lblCreating = nullptr; // STATIC, the folder-list notice
    // BUTTON, opens the dialog
    HWND cmdBrowseIconFile = nullptr;
};

// The icon-file dialog's filter.
inline constexpr wchar_t kIconFileFilter[] =
    L"All Icon Files|*.ico;*.exe;*.dll;*.icl;*.ocx;|Icon Files(*.ico)|*.ico|Icon Libraries "
    L"(*.icl)|*.icl|Executables (*.exe)|*.exe|Dynamic Link Libraries (*.dll)|*.dll|ActiveX "
    L"controls (*.ocx)|*.ocx";
inline constexpr wchar_t kIconDialogTitle[] = L"Select an Icon File";

class IconPicker {
  public:
    IconPicker(const IconPickerControls& controls, std::wstring appFolder, std::wstring idleStatus);

    // The browse button's click and the scroll bar's notifications.
    void AddCommands(platform::CommandTable& commands);

    void CmdBrowseIconFile_Click();
    void LoadIconFile();
    void ShowIcon(std::int16_t index);
    // ScrollIconNo_Change and ScrollIconNo_Scroll: a notification of the scroll
    // bar (SB_LINELEFT ...) with its thumb position.
    void OnScroll(int code, int position);

    // As if the dialog had returned path: fills the file box and loads it.
    void ChooseFile(const std::wstring& path);
    // Clear All: empties the file box and the preview, keeps the rest.
    void ClearPreview();
    // Draws the icon shown again, as the preview box got a new size (a new DPI).
    void RedrawPreview();

    std::int16_t IconIndex() const;
    const std::wstring& IconFilePath() const { return iconFilePath_; }

  private:
    std::int16_t IconCount() const;
    void DrawPreview(std::int16_t index);

    IconPickerControls c_;
    std::wstring appFolder_;
    std::wstring idleStatus_;
    std::wstring iconFilePath_;
    bool previewShown_ = false;
};

} // namespace ui
