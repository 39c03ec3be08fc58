// The icon picker on a real window with the real icon-file dialog.
#include "ui/options/IconPicker.h"

#include "platform/Gdi.h"
#include "platform/WindowBase.h"
#include "tests/support/DialogResponder.h"
#include "tests/support/TempDir.h"
#include "tests/ui/options/OptionsTestSupport.h"
#include "ui/options/IconBox.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <vector>

using namespace testing_support;
using namespace options_test;

namespace {

// A DLL with code but no icon resources.
std::wstring NoIconsDll() {
    return WinePath(QUILLANE_NOICONS_DLL);
}

// What make_icons.py paints into library icon `index`.
COLORREF LibraryColour(int index) {
    return RGB(40 + (index % 10) * 20, 40 + (index / 10 % 10) * 20, 60 + (index / 100) * 120);
}
constexpr COLORREF kFeather = RGB(230, 120, 30);
constexpr COLORREF kFolder = RGB(62, 150, 214);

// A window with the picker's controls.
class PickerHost : public platform::WindowBase {
  public:
    bool Create() {
        if (!CreateWindowOfClass(L"IconPickerHost", nullptr, 0, WS_OVERLAPPEDWINDOW, L"Host", 0, 0,
                                 500, 300, nullptr))
            return false;
        auto make = [&](const wchar_t* cls, DWORD style, int x, int y, int w, int h) {
            return CreateWindowExW(0, cls, L"", WS_CHILD | style, x, y, w, h, hwnd(), nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        };
        c.owner = hwnd();
        c.txtIconFile = make(L"EDIT", WS_VISIBLE | ES_READONLY, 80, 10, 350, 20);
        c.lblIcoCount = make(L"STATIC", 0, 80, 40, 60, 14);
        c.scrollIconNo = make(L"SCROLLBAR", SBS_HORZ, 170, 40, 260, 17);
        c.picIcon = ui::CreateIconBox(hwnd(), 0, 250, 70, 32, 32);
        c.lblIconNo = make(L"STATIC", 0, 10, 400, 50, 14);
        c.lblIcoNum = make(L"STATIC", 0, 70, 400, 100, 14);
        c.command1 = make(L"BUTTON", WS_VISIBLE | WS_DISABLED, 10, 200, 80, 24);
        txtChanging = make(L"EDIT", WS_VISIBLE, 10, 170, 400, 20);
        c.setStatus = [this](const std::wstring& text) {
            SetWindowTextW(txtChanging, text.c_str());
        };
        c.lblCreating = make(L"STATIC", WS_VISIBLE, 10, 150, 200, 14);
        SetWindowTextW(c.lblIconNo, L"&Icon No. :");
        SetWindowTextW(c.lblIcoCount, L"Icon Scroll");
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        return c.picIcon != nullptr;
    }
    ui::IconPickerControls c;
    HWND txtChanging = nullptr; // the status line
};

int ScrollMax(HWND bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    GetScrollInfo(bar, SB_CTL, &info);
    return info.nMax;
}

// The highest handle slot that 300 fresh icons take. Icons are user objects
// and freed slots are reused first, so this only grows while icons leak.
int HighestFreshIconSlot() {
    BYTE andMask[128];
    BYTE xorMask[128] = {};
    memset(andMask, 0xFF, sizeof andMask);
    std::vector<HICON> icons;
    int highest = 0;
    for (int i = 0; i < 300; ++i) {
        HICON icon = CreateIcon(GetModuleHandleW(nullptr), 32, 32, 1, 1, andMask, xorMask);
        highest = std::max(highest, static_cast<int>(LOWORD(reinterpret_cast<UINT_PTR>(icon))));
        icons.push_back(icon);
    }
    for (HICON icon : icons)
        DestroyIcon(icon);
    return highest;
}

class IconPickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        icons_ = app_.MakeFolder(L"Icons");
        for (const wchar_t* name : {L"QuillaneIcons.dll", L"Feather.ico", L"Folder.ico"})
            CopyInto(BuiltIconsDir() + L"\\" + name, icons_ + L"\\" + name);
        CopyInto(NoIconsDll(), icons_ + L"\\NoIcons.dll");
        ASSERT_TRUE(host_.Create());
        picker_ = std::make_unique<ui::IconPicker>(host_.c, app_.path(), L"Quillane 1.0");
        picker_->AddCommands(host_.Commands());
    }

    // Presses the browse button; the dialog picks `name` from the Icons folder.
    void Browse(const std::wstring& name) {
        DialogResponder responder;
        responder.Expect(L"Select an Icon File", [name](HWND d) { TypeFileNameAndOk(d, name); });
        picker_->CmdBrowseIconFile_Click();
    }
    void BrowseAndCancel() {
        DialogResponder responder;
        responder.ExpectButton(L"Select an Icon File", IDCANCEL);
        picker_->CmdBrowseIconFile_Click();
    }
    std::wstring Text(HWND w) { return WindowText(w); }
    bool Visible(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Enabled(HWND w) { return IsWindowEnabled(w) != FALSE; }

    TempDir app_;
    std::wstring icons_;
    PickerHost host_;
    std::unique_ptr<ui::IconPicker> picker_;
};

} // namespace

TEST_F(IconPickerTest, DialogOpensInIconsWithAllIconFilesAndItsTitle) {
    std::wstring folder, selected, title;
    std::vector<std::wstring> filters;
    {
        DialogResponder responder;
        responder.Expect(L"Select an Icon File", [&](HWND d) {
            folder = DialogFolder(d);
            title = WindowText(d);
            HWND combo = FilterCombo(d);
            selected = ComboText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
            for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i)
                filters.push_back(ComboText(combo, i));
            PressButton(d, IDCANCEL);
        });
        SetWindowTextW(host_.txtChanging, L"Busy");
        ShowWindow(host_.c.lblCreating, SW_SHOW);
        picker_->CmdBrowseIconFile_Click();
    }
    EXPECT_EQ(folder, icons_);
    EXPECT_EQ(title, L"Select an Icon File");
    EXPECT_EQ(selected, L"All Icon Files");
    EXPECT_EQ(filters, (std::vector<std::wstring>{L"All Icon Files", L"Icon Files(*.ico)",
                                                  L"Icon Libraries (*.icl)", L"Executables (*.exe)",
                                                  L"Dynamic Link Libraries (*.dll)",
                                                  L"ActiveX controls (*.ocx)"}));
    EXPECT_EQ(Text(host_.txtChanging), L"Quillane 1.0");
    EXPECT_FALSE(Visible(host_.c.lblCreating));
}

TEST_F(IconPickerTest, LibraryOfTwoHundredIconsCountsAndScrollsToTheLast) {
    Browse(L"QuillaneIcons.dll");
    EXPECT_EQ(Text(host_.c.txtIconFile), icons_ + L"\\QuillaneIcons.dll");
    EXPECT_EQ(picker_->IconFilePath(), icons_ + L"\\QuillaneIcons.dll");
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 1 of 200");
    EXPECT_EQ(Text(host_.c.lblIcoNum), L"Icon 1 of 200");
    EXPECT_TRUE(Visible(host_.c.lblIcoCount));
    EXPECT_TRUE(Visible(host_.c.scrollIconNo));
    EXPECT_TRUE(Enabled(host_.c.scrollIconNo));
    EXPECT_TRUE(Enabled(host_.c.command1));
    EXPECT_EQ(ScrollMax(host_.c.scrollIconNo), 199);
    EXPECT_EQ(picker_->IconIndex(), 0);
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 16, 4), LibraryColour(0));

    // Dragging the thumb to the right end.
    SendMessageW(host_.hwnd(), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 199),
                 reinterpret_cast<LPARAM>(host_.c.scrollIconNo));
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 200 of 200");
    EXPECT_EQ(Text(host_.c.lblIcoNum), L"Icon 200 of 200");
    EXPECT_EQ(picker_->IconIndex(), 199);
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 16, 4), LibraryColour(199));
}

TEST_F(IconPickerTest, KeysOnTheScrollBarStepThroughTheIcons) {
    Browse(L"QuillaneIcons.dll");
    // The scroll bar itself turns keys into scroll messages to its owner.
    SendMessageW(host_.c.scrollIconNo, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(host_.c.scrollIconNo, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(picker_->IconIndex(), 2);
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 3 of 200");
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 16, 4), LibraryColour(2));
    SendMessageW(host_.c.scrollIconNo, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(picker_->IconIndex(), 199);
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 200 of 200");
    SendMessageW(host_.c.scrollIconNo, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(picker_->IconIndex(), 199);
    SendMessageW(host_.c.scrollIconNo, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 1 of 200");
}

TEST_F(IconPickerTest, PreviewStaysVisibleAfterTheIconIsGone) {
    Browse(L"QuillaneIcons.dll");
    picker_->ShowIcon(41);
    // Covering and uncovering repaints from the kept bitmap.
    RedrawWindow(host_.hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const COLORREF shown = GetPixel(platform::WindowDC(host_.c.picIcon).get(), 16, 4);
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 16, 4), LibraryColour(41));
    if (shown != CLR_INVALID) {
        EXPECT_EQ(shown, LibraryColour(41));
    }
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 42 of 200");
}

TEST_F(IconPickerTest, SingleIconFileHidesScrollingButEnablesApply) {
    Browse(L"Feather.ico");
    EXPECT_EQ(Text(host_.c.txtIconFile), icons_ + L"\\Feather.ico");
    EXPECT_FALSE(Visible(host_.c.scrollIconNo));
    EXPECT_FALSE(Visible(host_.c.lblIcoCount));
    EXPECT_TRUE(Enabled(host_.c.scrollIconNo));
    EXPECT_TRUE(Enabled(host_.c.command1));
    EXPECT_EQ(ScrollMax(host_.c.scrollIconNo), 0);
    EXPECT_EQ(picker_->IconIndex(), 0);
    EXPECT_EQ(Text(host_.c.lblIcoNum), L"Icon 1 of 1");
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 18, 14), kFeather);
}

TEST_F(IconPickerTest, IconWithSeveralSizesCountsOnceAndShowsItsLargeImage) {
    Browse(L"Folder.ico");
    EXPECT_EQ(Text(host_.c.lblIcoNum), L"Icon 1 of 1");
    EXPECT_FALSE(Visible(host_.c.scrollIconNo));
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 16, 16), kFolder);
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 28, 26), kFolder);
}

TEST_F(IconPickerTest, DllWithoutIconsKeepsThePathAndAClearPreview) {
    Browse(L"QuillaneIcons.dll");
    Browse(L"NoIcons.dll");
    EXPECT_EQ(Text(host_.c.txtIconFile), icons_ + L"\\NoIcons.dll");
    EXPECT_TRUE(ui::IconBoxIsClear(host_.c.picIcon));
    EXPECT_FALSE(Visible(host_.c.scrollIconNo));
    EXPECT_FALSE(Enabled(host_.c.scrollIconNo));
    EXPECT_FALSE(Visible(host_.c.lblIcoCount));
    EXPECT_FALSE(Enabled(host_.c.lblIconNo));
    EXPECT_FALSE(Enabled(host_.c.lblIcoNum));
    EXPECT_EQ(picker_->IconIndex(), 0);
}

TEST_F(IconPickerTest, FileThatIsNoModuleCountsNoIcons) {
    WriteText(icons_ + L"\\broken.dll", "not a library");
    Browse(L"broken.dll");
    EXPECT_EQ(Text(host_.c.txtIconFile), icons_ + L"\\broken.dll");
    EXPECT_TRUE(ui::IconBoxIsClear(host_.c.picIcon));
    EXPECT_FALSE(Enabled(host_.c.scrollIconNo));
    EXPECT_FALSE(Enabled(host_.c.command1));
}

TEST_F(IconPickerTest, SecondFileStartsAgainAtItsFirstIcon) {
    Browse(L"QuillaneIcons.dll");
    SendMessageW(host_.hwnd(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5),
                 reinterpret_cast<LPARAM>(host_.c.scrollIconNo));
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 6 of 200");
    Browse(L"Folder.ico");
    EXPECT_EQ(picker_->IconIndex(), 0);
    EXPECT_EQ(Text(host_.c.lblIcoNum), L"Icon 1 of 1");
    EXPECT_EQ(ScrollMax(host_.c.scrollIconNo), 0);
    Browse(L"QuillaneIcons.dll");
    EXPECT_EQ(picker_->IconIndex(), 0);
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 1 of 200");
}

TEST_F(IconPickerTest, CancelClearsFileAndPreviewButNotTheIndex) {
    Browse(L"QuillaneIcons.dll");
    SendMessageW(host_.hwnd(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7),
                 reinterpret_cast<LPARAM>(host_.c.scrollIconNo));
    BrowseAndCancel();
    EXPECT_EQ(Text(host_.c.txtIconFile), L"");
    EXPECT_TRUE(ui::IconBoxIsClear(host_.c.picIcon));
    EXPECT_FALSE(Visible(host_.c.scrollIconNo));
    EXPECT_FALSE(Visible(host_.c.lblIcoCount));
    EXPECT_EQ(picker_->IconIndex(), 7);
    EXPECT_EQ(ScrollMax(host_.c.scrollIconNo), 199);
    EXPECT_EQ(picker_->IconFilePath(), icons_ + L"\\QuillaneIcons.dll");
    EXPECT_TRUE(Enabled(host_.c.command1));
}

TEST_F(IconPickerTest, ClearPreviewEmptiesFileAndPreviewOnly) {
    Browse(L"QuillaneIcons.dll");
    picker_->ShowIcon(3);
    SendMessageW(host_.hwnd(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3),
                 reinterpret_cast<LPARAM>(host_.c.scrollIconNo));
    picker_->ClearPreview();
    EXPECT_EQ(Text(host_.c.txtIconFile), L"");
    EXPECT_TRUE(ui::IconBoxIsClear(host_.c.picIcon));
    EXPECT_EQ(picker_->IconIndex(), 3);
    EXPECT_EQ(Text(host_.c.lblIcoCount), L"Icon 4 of 200");
    EXPECT_TRUE(Visible(host_.c.scrollIconNo));
}

TEST_F(IconPickerTest, SteppingThroughAllIconsLeavesNoIconHandles) {
    picker_->ChooseFile(icons_ + L"\\QuillaneIcons.dll");
    picker_->ShowIcon(0);
    const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const int slotBefore = HighestFreshIconSlot();
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 200; ++i)
            SendMessageW(host_.hwnd(), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, i),
                         reinterpret_cast<LPARAM>(host_.c.scrollIconNo));
    const int slotAfter = HighestFreshIconSlot();
    const DWORD objectsAfter = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    // 1200 icons were made; had any survived, the next icon would need a new slot.
    EXPECT_LT(slotAfter - slotBefore, 40) << "before " << slotBefore << ", after " << slotAfter;
    if (objectsBefore != 0) {
        EXPECT_LE(objectsAfter, objectsBefore);
    }
    EXPECT_EQ(ui::IconBoxPixel(host_.c.picIcon, 16, 4), LibraryColour(199));
}
