// Every option chosen through the window's own buttons and dialogs, then
// written by Apply; and the About window as the main window opens and closes it.
#include "tests/ui/main/Form1Fixture.h"

#include "engine/SettingsFile.h"
#include "tests/ui/options/OptionsTestSupport.h"
#include "ui/about/frmAbout.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/IconBox.h"
#include "ui/options/PictureBox.h"

#include <colordlg.h>

using namespace testing_support;
using namespace ui;

namespace {

DialogResponder::Action TypeColour(int red, int green, int blue) {
    return [=](HWND d) { options_test::TypeColourAndOk(d, red, green, blue); };
}

class OptionsThroughWindowTest : public Form1Fixture {
  protected:
    void SetUp() override { options_test::CopyBundledFiles(appDir.path()); }
    void Click(int id) {
        SendMessageW(form().Control(id), BM_CLICK, 0, 0);
        Settle();
    }
};

} // namespace

TEST_F(OptionsThroughWindowTest, ApplyWritesEveryChosenOption) {
    const std::wstring folder = data.MakeFolder(L"Data");
    ASSERT_TRUE(Start(7));
    const std::wstring iconFile = appDir / L"Icons\\QuillaneIcons.dll";
    const std::wstring picture = appDir / L"Backgrounds\\Meadow.jpg";
    {
        DialogResponder responder;
        responder.Expect(L"Select an Icon File",
                         [](HWND d) { options_test::TypeFileNameAndOk(d, L"QuillaneIcons.dll"); });
        responder.Expect(L"", TypeColour(255, 0, 0));
        responder.Expect(L"", TypeColour(255, 255, 255));
        responder.Expect(L"", [](HWND d) { PressButton(d, IDCANCEL); });
        responder.Expect(L"", [](HWND d) { options_test::TypeFileNameAndOk(d, L"Meadow.jpg"); });
        Click(CmdBrowseIconFile);
        // The third icon, by the scroll bar as the user drags it.
        SendMessageW(form().Control(Picture1), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 2),
                     reinterpret_cast<LPARAM>(form().Control(ScrollIconNo)));
        SendMessageW(form().Control(Picture1), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2),
                     reinterpret_cast<LPARAM>(form().Control(ScrollIconNo)));
        Click(cmdBrwstxtColor);
        Click(cmdBrwsBgtxtColor);
        Click(cmdBrwsBgtxtColor); // cancelled: the earlier choice stays
        Click(Command5);
        EXPECT_EQ(responder.Pending(), 0u);
    }
    EXPECT_EQ(Text(TxtIconFile), iconFile);
    EXPECT_EQ(Text(LblIcoCount), L"Icon 3 of 200");
    EXPECT_FALSE(IconBoxIsClear(form().Control(picIcon)));
    EXPECT_EQ(form().options().lblColor, L"0x000000FF");
    EXPECT_EQ(form().options().lblBgColor, L"0x00FFFFFF");
    EXPECT_EQ(SampleTextForeColor(form().Control(lblSampleText)), 0x0000FF);
    EXPECT_EQ(SampleTextBackColor(form().Control(lblSampleText)), 0xFFFFFF);
    EXPECT_EQ(form().options().Path, picture);
    EXPECT_NE(PictureBoxPicture(form().Control(Image1)), nullptr);

    form().SetText(TxtFolder, folder);
    form().SetText(TxtToolTip, L"Project papers");
    Click(Command1);
    engine::FolderOptions expected;
    expected.iconFile = iconFile;
    expected.iconIndex = 2;
    expected.tooltip = L"Project papers";
    expected.textColor = L"0x000000FF";
    expected.textBackground = L"0x00FFFFFF";
    expected.picturePath = picture;
    const std::wstring text = engine::ComposeSettingsFile(expected);
    EXPECT_EQ(ReadAnsi(folder + L"\\Desktop.ini"), Narrow(text));

    // Clear All empties every choice but the icon index.
    Click(cmdClearBgnd);
    EXPECT_EQ(Text(TxtIconFile), L"");
    EXPECT_TRUE(IconBoxIsClear(form().Control(picIcon)));
    EXPECT_EQ(PictureBoxPicture(form().Control(Image1)), nullptr);
    EXPECT_TRUE(form().options().Path.empty());
    EXPECT_TRUE(form().options().lblColor.empty());
    EXPECT_EQ(form().iconPicker().IconIndex(), 2);
}

TEST_F(OptionsThroughWindowTest, PictureButtonIsOffWithoutTheFeature) {
    ASSERT_TRUE(Start(6));
    EXPECT_FALSE(Enabled(Command5));
    EXPECT_TRUE(Visible(lblCompat));
}

TEST_F(OptionsThroughWindowTest, AboutOpensOnceAndClosesWithTheMainWindow) {
    ASSERT_TRUE(Start());
    Click(Command3);
    HWND about = AboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowText(about), L"About Quillane");
    EXPECT_EQ(GetWindow(about, GW_OWNER), form().hwnd());
    Click(Command3);
    EXPECT_EQ(AboutWindow(), about);
    // The list file is written before the windows go.
    ASSERT_TRUE(DeleteFileW((appDir / L"Fldr.dll").c_str()));
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(AboutWindow(), nullptr);
    EXPECT_FALSE(IsWindow(about));
    EXPECT_TRUE(Exists(appDir / L"Fldr.dll"));
    EXPECT_EQ(ReadBytes(appDir / L"Fldr.dll").size(), 0u);
}
