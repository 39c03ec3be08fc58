#pragma once
// The picture preview that is lent to the open dialog while it is open: a
// hidden helper window whose panel picScroll becomes a child of the dialog.
#include "platform/OpenDialog.h"
#include "platform/WindowBase.h"

#include <string>

namespace ui {

// Full path of the item selected in the open dialog whose hook window is hDlg.
std::wstring GetDialogFilePath(HWND hDlg);

class frmPreview : public platform::WindowBase, public platform::OpenDialogEvents {
  public:
    frmPreview() = default;
    ~frmPreview() override;

    // Form_Load: creates the hidden window and its panel.
    bool Load();
    // The window the dialog is placed against; null places it on the screen.
    void OwnerForm(HWND frmThis) { ownerForm_ = frmThis; }
    // Connects the dialog's events to this form.
    void cD(platform::OpenDialog* dialog);

    void cD_InitDialog(HWND hDlg);
    void cD_FileChange(HWND hDlg);
    void cD_DialogClose();

    HWND picScroll() const { return picScroll_; }
    HWND imgPreview() const { return imgPreview_; }
    HWND lblSize() const { return lblSize_; }
    HWND lblWidth() const { return lblWidth_; }
    HWND lblHeight() const { return lblHeight_; }
    // The dialog's top-level window while it is open, else null.
    HWND DialogWindow() const { return dialogWindow_; }
    // Width of picScroll in pixels, as lent to the dialog.
    int PanelWidth() const;

  protected:
    void InitDialog(HWND hDlg) override { cD_InitDialog(hDlg); }
    void FileChange(HWND hDlg) override { cD_FileChange(hDlg); }
    void DialogClose() override { cD_DialogClose(); }

  private:
    HWND picScroll_ = nullptr;
    HWND imgPreview_ = nullptr;
    HWND lblSize_ = nullptr;
    HWND lblWidth_ = nullptr;
    HWND lblHeight_ = nullptr;
    HWND ownerForm_ = nullptr;
    HWND dialogWindow_ = nullptr;
    platform::OpenDialog* dialog_ = nullptr;
};

} // namespace ui
