// The picture dialog with its preview panel, and the chooser behind the
// main window's button, against the real open dialog.
#include "ui/options/BackgroundPicture.h"

#include "platform/OpenDialog.h"
#include "platform/Picture.h"
#include "tests/support/DialogResponder.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/ui/options/OptionsTestSupport.h"
#include "ui/options/PictureBox.h"
#include "ui/options/frmPreview.h"

#include <commdlg.h>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace testing_support;
using namespace options_test;

namespace {

// Passes the events on to the preview and notes the dialog's size before it grew.
class RecordingEvents final : public platform::OpenDialogEvents {
  public:
    explicit RecordingEvents(ui::frmPreview& preview) : preview_(preview) {}
    void InitDialog(HWND hDlg) override {
        ++inits;
        hookWindow = hDlg;
        GetWindowRect(GetParent(hDlg), &before);
        preview_.cD_InitDialog(hDlg);
        GetWindowRect(GetParent(hDlg), &placed);
    }
    void FileChange(HWND hDlg) override {
        ++changes;
        preview_.cD_FileChange(hDlg);
    }
    void DialogClose() override {
        ++closes;
        panelParentAtClose = GetParent(preview_.picScroll());
        dialogAliveAtClose = IsWindow(preview_.DialogWindow()) != FALSE;
        preview_.cD_DialogClose();
    }
    int inits = 0, changes = 0, closes = 0;
    HWND hookWindow = nullptr;
    RECT before{};
    RECT placed{};
    HWND panelParentAtClose = nullptr;
    bool dialogAliveAtClose = false;

  private:
    ui::frmPreview& preview_;
};

class PictureDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pictures_ = app_.MakeFolder(L"Backgrounds");
        const std::wstring built = BuiltBackgroundsDir();
        for (const wchar_t* name : {L"Meadow.jpg", L"Dusk.gif", L"Tiles.bmp"})
            CopyInto(built + L"\\" + name, pictures_ + L"\\" + name);
        CopyInto(built + L"\\Meadow.jpg", pictures_ + L"\\photo.jpg");
        CopyInto(built + L"\\Meadow.jpg", pictures_ + L"\\photo.jpeg");
        CopyInto(built + L"\\Dusk.gif", pictures_ + L"\\notes.PNG");
        CopyInto(BuiltIconsDir() + L"\\Feather.ico", pictures_ + L"\\Feather.ico");
        WriteText(pictures_ + L"\\bad.jpg", "not a picture, only text that says so");
        app_.MakeFolder(L"Backgrounds\\Album");
        // Wider than the dialog, so that centring over it needs no clamping.
        owner_ = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                 900, 600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        image1_ = ui::CreatePictureBox(owner_, 1, 10, 10, 125, 81, WS_BORDER);
    }
    void TearDown() override { DestroyWindow(owner_); }

    std::wstring Text(HWND w) { return WindowText(w); }

    // The dialog's panel: its child that holds a picture box.
    static HWND FindPanel(HWND dialog) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (FindWindowExW(child, nullptr, ui::kPictureBoxClass, nullptr))
                return child;
        return nullptr;
    }

    TempDir app_;
    std::wstring pictures_;
    HWND owner_ = nullptr;
    HWND image1_ = nullptr;
};

bool Select(HWND dialog, const std::wstring& name) {
    if (SelectListItem(dialog, name))
        return true;
    // Where the dialog hides known extensions.
    const size_t dot = name.rfind(L'.');
    return dot != std::wstring::npos && SelectListItem(dialog, name.substr(0, dot));
}

void ShowEveryFile(HWND dialog) {
    SetWindowTextW(FileNameBox(dialog), L"*.*");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    PumpFor(200);
}

} // namespace

TEST_F(PictureDialogTest, PanelWidensTheDialogAndReturnsWhenItCloses) {
    ui::frmPreview preview;
    ASSERT_TRUE(preview.Load());
    preview.OwnerForm(owner_);
    platform::OpenDialog dialog;
    RecordingEvents events(preview);
    dialog.SetInitDir(pictures_);
    dialog.SetFilter(ui::kPictureFilter);
    dialog.SetFlags(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY);
    dialog.SetRaiseEvents(true);
    dialog.SetOwner(owner_);
    dialog.SetEvents(&events);

    RECT after{}, panel{}, ownerRect{};
    HWND panelParent = nullptr, top = nullptr;
    std::wstring pathOfHook;
    DialogResponder responder;
    responder.Expect(L"", [&](HWND d) {
        top = d;
        GetWindowRect(d, &after);
        panelParent = GetParent(preview.picScroll());
        GetWindowRect(preview.picScroll(), &panel);
        MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&panel), 2);
        GetWindowRect(owner_, &ownerRect);
        Select(d, L"Tiles.bmp");
        pathOfHook = ui::GetDialogFilePath(events.hookWindow);
        PressButton(d, IDCANCEL);
    });
    EXPECT_FALSE(dialog.ShowOpen());
    EXPECT_TRUE(dialog.FileName().empty());

    EXPECT_EQ(events.inits, 1);
    EXPECT_EQ(events.closes, 1);
    EXPECT_GE(events.changes, 1);
    EXPECT_EQ(GetParent(events.hookWindow), nullptr); // gone with the dialog
    const int f = GetSystemMetrics(SM_CXDLGFRAME);
    const int width = events.before.right - events.before.left;
    const int height = events.before.bottom - events.before.top;
    EXPECT_EQ(preview.PanelWidth(), 181);
    EXPECT_EQ(after.right - after.left, width + 181 + 2 * f);
    EXPECT_EQ(after.bottom - after.top, height);
    EXPECT_EQ(panelParent, top);
    // Placed against the owner: centred over it.
    // Whole pixels, as the dialog was placed.
    const int centreX = (events.placed.left + events.placed.right) / 2;
    const int centreY = (events.placed.top + events.placed.bottom) / 2;
    const int ownerCentreX = (ownerRect.left + ownerRect.right) / 2;
    const int ownerCentreY = (ownerRect.top + ownerRect.bottom) / 2;
    EXPECT_NEAR(centreX, ownerCentreX, 1);
    EXPECT_NEAR(centreY, ownerCentreY, 1);
    EXPECT_EQ(after.left, events.placed.left);
    EXPECT_EQ(after.top, events.placed.top);

    // The panel's rectangle in the dialog's client coordinates.
    EXPECT_EQ(panel.left, width - f);
    EXPECT_EQ(panel.top, 4);
    EXPECT_EQ(panel.right - panel.left, 181);
    EXPECT_EQ(panel.bottom - panel.top,
              height - GetSystemMetrics(SM_CYCAPTION) - 2 * GetSystemMetrics(SM_CYDLGFRAME) - 6);

    EXPECT_EQ(pathOfHook, pictures_ + L"\\Tiles.bmp");
    // The panel came back before the dialog window went.
    EXPECT_EQ(events.panelParentAtClose, top);
    EXPECT_TRUE(events.dialogAliveAtClose);
    EXPECT_EQ(GetParent(preview.picScroll()), preview.hwnd());
    EXPECT_EQ(preview.DialogWindow(), nullptr);
}

TEST_F(PictureDialogTest, PreviewShowsSizeWidthAndHeightOfPicturesOnly) {
    ui::frmPreview preview;
    ASSERT_TRUE(preview.Load());
    EXPECT_EQ(Text(preview.lblSize()), L"Size: ");
    EXPECT_EQ(Text(preview.lblWidth()), L"Width: ");
    EXPECT_EQ(Text(preview.lblHeight()), L"Height: ");
    platform::OpenDialog dialog;
    preview.cD(&dialog);
    dialog.SetInitDir(pictures_);
    dialog.SetFilter(ui::kPictureFilter);
    dialog.SetRaiseEvents(true);

    struct Seen {
        std::wstring size, width, height;
        bool picture;
    };
    auto seen = [&] {
        return Seen{Text(preview.lblSize()), Text(preview.lblWidth()), Text(preview.lblHeight()),
                    ui::PictureBoxPicture(preview.imgPreview()) != nullptr};
    };
    Seen meadow{}, png{}, photo{}, jpeg{}, icon{}, folder{}, afterFolder{};
    bool found[7] = {};
    DialogResponder responder;
    responder.Expect(L"", [&](HWND d) {
        ShowEveryFile(d);
        found[0] = Select(d, L"Meadow.jpg");
        meadow = seen();
        if (const char* hold = std::getenv("QUILLANE_HOLD_DIALOG_MS"))
            PumpFor(static_cast<UINT>(std::atoi(hold))); // to look at it by hand
        found[1] = Select(d, L"notes.PNG");
        png = seen();
        found[2] = Select(d, L"photo.jpg");
        photo = seen();
        found[3] = Select(d, L"photo.jpeg");
        jpeg = seen();
        found[4] = Select(d, L"Feather.ico");
        icon = seen();
        found[5] = Select(d, L"Album");
        folder = seen();
        found[6] = Select(d, L"Dusk.gif");
        afterFolder = seen();
        PressButton(d, IDCANCEL);
    });
    dialog.ShowOpen();
    for (bool f : found)
        EXPECT_TRUE(f);

    EXPECT_EQ(meadow.size, L"Size: 6 KB");
    EXPECT_EQ(meadow.width, L"Width: 1024 pixels");
    EXPECT_EQ(meadow.height, L"Height: 768 pixels");
    EXPECT_TRUE(meadow.picture);

    EXPECT_EQ(png.size, L"Size: ");
    EXPECT_EQ(png.width, L"Width: ");
    EXPECT_EQ(png.height, L"Height: ");
    EXPECT_FALSE(png.picture);

    EXPECT_EQ(photo.width, L"Width: 1024 pixels");
    EXPECT_TRUE(photo.picture);

    EXPECT_EQ(jpeg.size, L"Size: ");
    EXPECT_EQ(jpeg.width, L"Width: ");
    EXPECT_FALSE(jpeg.picture);

    EXPECT_EQ(icon.size, L"Size: 4 KB");
    EXPECT_EQ(icon.width, L"Width: 32 pixels");
    EXPECT_EQ(icon.height, L"Height: 32 pixels");
    EXPECT_TRUE(icon.picture);

    EXPECT_EQ(folder.size, L"Size: ");
    EXPECT_EQ(folder.width, L"Width: ");
    EXPECT_EQ(folder.height, L"Height: ");
    EXPECT_FALSE(folder.picture);

    EXPECT_EQ(afterFolder.size, L"Size: 10 KB");
    EXPECT_EQ(afterFolder.width, L"Width: 320 pixels");
    EXPECT_EQ(afterFolder.height, L"Height: 240 pixels");
}

TEST_F(PictureDialogTest, UnreadablePictureKeepsTheLabelsOfTheLastOne) {
    ui::frmPreview preview;
    ASSERT_TRUE(preview.Load());
    platform::OpenDialog dialog;
    preview.cD(&dialog);
    dialog.SetInitDir(pictures_);
    dialog.SetFilter(ui::kPictureFilter);
    dialog.SetRaiseEvents(true);
    std::wstring size, width;
    bool picture = false;
    DialogResponder responder;
    responder.Expect(L"", [&](HWND d) {
        Select(d, L"Tiles.bmp");
        Select(d, L"bad.jpg");
        size = Text(preview.lblSize());
        width = Text(preview.lblWidth());
        picture = ui::PictureBoxPicture(preview.imgPreview()) != nullptr;
        PressButton(d, IDCANCEL);
    });
    dialog.ShowOpen();
    EXPECT_EQ(size, L"Size: 0 KB");
    EXPECT_EQ(width, L"Width: 96 pixels");
    EXPECT_TRUE(picture);
}

TEST_F(PictureDialogTest, ChooserReturnsThePictureAndShowsItInImage1) {
    std::wstring folder, selectedFilter, title;
    int filters = 0;
    bool panelInDialog = false;
    DialogResponder responder;
    responder.Expect(L"", [&](HWND d) {
        folder = DialogFolder(d);
        title = WindowText(d);
        HWND combo = FilterCombo(d);
        filters = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        selectedFilter =
            ComboText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
        panelInDialog = FindPanel(d) != nullptr;
        TypeFileNameAndOk(d, L"Meadow.jpg");
    });
    const std::wstring path = ui::ChooseBackgroundPicture(owner_, app_.path(), image1_);
    EXPECT_EQ(path, pictures_ + L"\\Meadow.jpg");
    EXPECT_EQ(folder, pictures_);
    EXPECT_EQ(title, L"Open");
    EXPECT_EQ(filters, 4);
    EXPECT_EQ(selectedFilter, L"Picture Files (*.JPG;*.GIF;*.BMP)");
    EXPECT_TRUE(panelInDialog);
    const platform::Picture* shown = ui::PictureBoxPicture(image1_);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->WidthHimetric(), 27093);
}

TEST_F(PictureDialogTest, CancelGivesNoPictureAndClearsImage1) {
    ASSERT_TRUE(ui::PictureBoxSetPicture(image1_, pictures_ + L"\\Tiles.bmp"));
    DialogResponder responder;
    responder.ExpectButton(L"", IDCANCEL);
    EXPECT_EQ(ui::ChooseBackgroundPicture(owner_, app_.path(), image1_), L"");
    EXPECT_EQ(ui::PictureBoxPicture(image1_), nullptr);
}

TEST_F(PictureDialogTest, UndecodablePictureIsReportedAndNotKept) {
    ASSERT_TRUE(ui::PictureBoxSetPicture(image1_, pictures_ + L"\\Tiles.bmp"));
    LPCWSTR icon = nullptr;
    DialogResponder responder;
    responder.Expect(L"", [](HWND d) { TypeFileNameAndOk(d, L"bad.jpg"); });
    responder.Expect(L"Quillane", [&](HWND d) {
        icon = MessageBoxIcon(d);
        PressButton(d, IDOK);
    });
    EXPECT_EQ(ui::ChooseBackgroundPicture(owner_, app_.path(), image1_), L"");
    ASSERT_EQ(responder.Seen().size(), 2u);
    EXPECT_EQ(responder.Seen()[1].text, L"The picture could not be read");
    EXPECT_EQ(icon, IDI_INFORMATION);
    EXPECT_EQ(ui::PictureBoxPicture(image1_), nullptr);
}
