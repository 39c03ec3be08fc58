#include "ui/options/BackgroundPicture.h"

#include "platform/OpenDialog.h"
#include "ui/common/MessageBox.h"
#include "ui/options/PictureBox.h"
#include "ui/options/frmPreview.h"

#include <commdlg.h>

namespace ui {

std::wstring ChooseBackgroundPicture(HWND owner, const std::wstring& appFolder,
                                     HWND image1PictureBox) {
    frmPreview preview;
    preview.Load();
    preview.OwnerForm(owner);

    platform::OpenDialog dialog;
    preview.cD(&dialog);
    dialog.SetInitDir(appFolder + L"\\Backgrounds");
    dialog.SetFilter(kPictureFilter);
    dialog.SetFlags(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY);
    dialog.SetFilterIndex(1);
    dialog.SetDefaultExt(L"BMP");
    dialog.SetRaiseEvents(true);
    dialog.SetOwner(owner);
    dialog.ShowOpen();
    preview.cD(nullptr);

    std::wstring path = dialog.FileName();
    if (path.empty()) {
        PictureBoxClear(image1PictureBox);
        return path;
    }
    if (!PictureBoxSetPicture(image1PictureBox, path)) {
        // Never keep the path of a file that Apply would hand the shell as a picture.
        PictureBoxClear(image1PictureBox);
        ShowMessage(owner, kPictureUnreadable, MB_ICONINFORMATION);
        return std::wstring();
    }
    return path;
}

} // namespace ui
