// Coloured folder icons chosen through the window: the button's menu and the
// colour dialog, Apply to a tree, Restore, Clear All, and the button at two DPIs.
#include "tests/ui/main/Form1Fixture.h"

#include "engine/SettingsFile.h"
#include "engine/TintedIcon.h"
#include "platform/Dpi.h"
#include "platform/SystemApi.h"
#include "tests/support/Accessibility.h"
#include "tests/support/UnixSide.h"
#include "tests/ui/options/OptionsTestSupport.h"
#include "ui/common/FolderColour.h"
#include "ui/options/IconBox.h"

#include <shellapi.h>
#include <cmath>
#include <vector>

using namespace testing_support;
using namespace ui;

namespace {

// The keys the menu of the next click gets once it is up, from a thread
// timer that the menu's own loop runs.
std::vector<MSG> g_menuKeys;

void CALLBACK PressMenuKeys(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    KillTimer(nullptr, id);
    for (const MSG& key : g_menuKeys)
        PostMessageW(menu, key.message, key.wParam, 0);
    g_menuKeys.clear();
}

// Down n times from no selection (the n-th item), or up n times (the n-th
// from the end), then Enter.
void MenuWillChoose(int downs, int ups = 0) {
    g_menuKeys.clear();
    for (int i = 0; i < downs; ++i)
        g_menuKeys.push_back({nullptr, WM_KEYDOWN, VK_DOWN, 0, 0, {}});
    for (int i = 0; i < ups; ++i)
        g_menuKeys.push_back({nullptr, WM_KEYDOWN, VK_UP, 0, 0, {}});
    g_menuKeys.push_back({nullptr, WM_CHAR, L'\r', 0, 0, {}});
    SetTimer(nullptr, 0, 30, PressMenuKeys);
}

// The marks' submenu, the menu's last item, as the next click shows it:
// each caption, "*" after a ticked one; then the menu is closed.
std::vector<std::wstring> g_markItems;

void CALLBACK ReadMarkMenu(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    KillTimer(nullptr, id);
    HMENU shown = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
    HMENU marks = GetSubMenu(shown, GetMenuItemCount(shown) - 1);
    for (int i = 0; marks && i < GetMenuItemCount(marks); ++i) {
        wchar_t text[64]{};
        GetMenuStringW(marks, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        const bool ticked = GetMenuState(marks, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED;
        g_markItems.push_back(std::wstring(text) + (ticked ? L"*" : L""));
    }
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

void MenuWillClose() {
    g_menuKeys = {{nullptr, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}}};
    SetTimer(nullptr, 0, 30, PressMenuKeys);
}

// Where the shell takes the folder's icon from: the file and the index.
std::pair<std::wstring, int> ShellIconLocation(const std::wstring& folder) {
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(folder.c_str(), 0, &info, sizeof info, SHGFI_ICONLOCATION))
        return {L"(failed)", 0};
    return {info.szDisplayName, info.iIcon};
}

int PresetIndex(const wchar_t* name) {
    const auto& presets = engine::ColourPresets();
    for (size_t i = 0; i < presets.size(); ++i)
        if (std::wstring(presets[i].name) == name)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// Pixels of the preview whose hue lies within 12 degrees of the colour's.
int PixelsOfHue(HWND box, engine::Colour colour) {
    const double hue = engine::ToHsl(colour.red, colour.green, colour.blue).hue;
    RECT r{};
    GetClientRect(box, &r);
    int count = 0;
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x) {
            const COLORREF c = IconBoxPixel(box, x, y);
            const engine::Hsl hsl = engine::ToHsl(GetRValue(c), GetGValue(c), GetBValue(c));
            const double apart = std::fabs(hsl.hue - hue);
            if (hsl.saturation > 0.2 && std::fmin(apart, 360 - apart) <= 12)
                ++count;
        }
    return count;
}

// The preview is the file's own frame of the box's size, not another one scaled.
int PixelsUnlikeFrame(HWND box, const std::wstring& file) {
    RECT r{};
    GetClientRect(box, &r);
    const int size = r.right;
    HICON icon = static_cast<HICON>(
        LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
    if (!icon)
        return -1;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH face = CreateSolidBrush(IconBoxPixel(box, 0, 0));
    const RECT all{0, 0, size, size};
    FillRect(dc, &all, face);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    int unlike = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (GetPixel(dc, x, y) != IconBoxPixel(box, x, y))
                ++unlike;
    SelectObject(dc, old);
    DeleteObject(face);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    return unlike;
}

class FolderColourTest : public Form1Fixture {
  protected:
    void SetUp() override { options_test::CopyBundledFiles(appDir.path()); }
    // The application data folders, as the system has them.
    bool StartWithIconFolders() {
        for (const wchar_t* folder : {L"Common", L"Local"})
            if (!Exists(appDir / folder))
                appDir.MakeFolder(folder);
        if (!Start(7))
            return false;
        form().options().sharedIcons = shared;
        form().options().perUserIcons = perUser;
        return true;
    }
    void Click(int id) {
        ASSERT_TRUE(Settle()); // as a user waits for the button to come on
        SendMessageW(form().Control(id), BM_CLICK, 0, 0);
        PumpFor(20);
    }
    void ChoosePreset(const wchar_t* name) {
        MenuWillChoose(PresetIndex(name) + 1);
        Click(cmdFolderColour);
    }
    std::wstring PresetFile(const wchar_t* name) {
        const engine::ColourPreset* preset = engine::FindColourPreset(name);
        return shared + L"\\" + engine::FolderIconBaseName(preset->colour) + L".ico";
    }
    void ChooseMark(engine::FolderMark mark) {
        ASSERT_TRUE(Settle());
        ASSERT_TRUE(form().options().ChooseFolderMark(mark));
    }
    std::wstring MarkedFile(const wchar_t* preset, engine::FolderMark mark) {
        engine::IconLook look{std::nullopt, mark};
        if (preset)
            look.colour = engine::FindColourPreset(preset)->colour;
        return shared + L"\\" + engine::FolderIconBaseName(look) + L".ico";
    }

    std::wstring shared = appDir / L"Common\\Quillane\\Icons";
    std::wstring perUser = appDir / L"Local\\Quillane\\Icons";
};

} // namespace

TEST_F(FolderColourTest, APresetColoursATreeAndRestoreLeavesTheIconFile) {
    const std::wstring root = data.MakeFolder(L"Tree");
    const std::vector<std::wstring> folders{root, data.MakeFolder(L"Tree\\A"),
                                            data.MakeFolder(L"Tree\\A\\Deep"),
                                            data.MakeFolder(L"Tree\\B")};
    // The shell's own folder icon, for a folder that is not customized.
    const std::pair<std::wstring, int> plain = ShellIconLocation(data.MakeFolder(L"Plain"));
    ASSERT_FALSE(plain.first.empty());
    ASSERT_NE(plain.second, 0);
    ASSERT_TRUE(StartWithIconFolders());
    MenuWillClose();
    Click(cmdFolderColour);
    EXPECT_EQ(Text(TxtIconFile), L"");
    EXPECT_EQ(FilesIn(shared).size(), 0u);

    ChoosePreset(L"Green");
    const std::wstring icon = PresetFile(L"Green");
    ASSERT_EQ(Text(TxtIconFile), icon) << Narrow(Text(txtChanging));
    EXPECT_EQ(form().iconPicker().IconIndex(), 0);
    EXPECT_EQ(Text(txtChanging), form().IdleText());
    EXPECT_GT(PixelsOfHue(form().Control(picIcon), engine::FindColourPreset(L"Green")->colour),
              100);
    EXPECT_EQ(PixelsOfHue(form().Control(picIcon), engine::FindColourPreset(L"Red")->colour), 0);
    const std::vector<std::uint8_t> bytes = ReadBytes(icon);

    form().SetText(TxtFolder, root);
    form().SetText(TxtToolTip, L"Green papers");
    form().folderSelection().SetIncludeSubdirectories(true);
    ASSERT_EQ(TargetItems().size(), folders.size());
    Click(Command1);
    ASSERT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    engine::FolderOptions expected;
    expected.iconFile = icon;
    expected.iconIndex = 0;
    expected.tooltip = L"Green papers";
    const std::string text = Narrow(engine::ComposeSettingsFile(expected));
    for (const std::wstring& folder : folders) {
        EXPECT_EQ(ReadAnsi(folder + L"\\Desktop.ini"), text) << Narrow(folder);
        // What the shell itself takes for the folder's icon: the file, index 0.
        // Wine reads the index but loses the file's name (docs/wine.md).
        const auto [file, index] = ShellIconLocation(folder);
        if (file.size() > 3 && file[1] == L':') {
            EXPECT_EQ(file, icon);
        }
        EXPECT_EQ(index, 0) << Narrow(folder);
    }
    EXPECT_EQ(ShellIconLocation(data / L"Plain"), plain);
    EXPECT_EQ(FilesIn(shared), std::vector<std::wstring>{icon.substr(shared.size() + 1)});
    EXPECT_FALSE(Exists(perUser));

    form().restoreView().Command2_Click();
    SendMessageW(form().Control(chkSelect), BM_SETCHECK, BST_CHECKED, 0);
    form().restoreView().chkSelect_Click();
    form().restoreView().cmdRestore_Click();
    ASSERT_EQ(Text(txtChanging), L"Folders Successfully Restored");
    for (const std::wstring& folder : folders) {
        EXPECT_FALSE(Exists(folder + L"\\Desktop.ini")) << Narrow(folder);
        EXPECT_EQ(ShellIconLocation(folder), plain) << Narrow(folder);
    }
    EXPECT_EQ(ReadBytes(icon), bytes);
}

TEST_F(FolderColourTest, AnOwnColourThenClearAllThenAnIconFileReplacesIt) {
    ASSERT_TRUE(StartWithIconFolders());
    {
        DialogResponder responder;
        responder.Expect(L"", [](HWND d) { options_test::TypeColourAndOk(d, 0x1E, 0x90, 0xFF); });
        responder.Expect(L"", [](HWND d) { PressButton(d, IDCANCEL); });
        MenuWillChoose(0, 2); // "Other colour...", above the marks
        Click(cmdFolderColour);
        EXPECT_EQ(Text(TxtIconFile), shared + L"\\Folder 1E90FF.ico");
        EXPECT_GT(PixelsOfHue(form().Control(picIcon), {0x1E, 0x90, 0xFF}), 100);
        // A cancelled dialog keeps the colour.
        MenuWillChoose(0, 2); // "Other colour...", above the marks
        Click(cmdFolderColour);
        EXPECT_EQ(responder.Pending(), 0u);
    }
    EXPECT_EQ(Text(TxtIconFile), shared + L"\\Folder 1E90FF.ico");
    EXPECT_EQ(GetFocus(), form().Control(cmdFolderColour));

    Click(cmdClearBgnd);
    EXPECT_EQ(Text(TxtIconFile), L"");
    EXPECT_TRUE(IconBoxIsClear(form().Control(picIcon)));

    ChoosePreset(L"Black");
    EXPECT_EQ(Text(TxtIconFile), PresetFile(L"Black"));
    {
        DialogResponder responder;
        responder.Expect(L"Select an Icon File",
                         [](HWND d) { options_test::TypeFileNameAndOk(d, L"QuillaneIcons.dll"); });
        Click(CmdBrowseIconFile);
    }
    EXPECT_EQ(Text(TxtIconFile), appDir / L"Icons\\QuillaneIcons.dll");
    EXPECT_EQ(Text(LblIcoCount), L"Icon 1 of 200");
    // Two colours chosen, two files.
    EXPECT_EQ(FilesIn(shared).size(), 2u);
}

TEST_F(FolderColourTest, ThePerUserPlaceIsSaidOnceAndAFailureChangesNothing) {
    appDir.MakeFolder(L"Common");
    appDir.MakeFolder(L"Common\\Quillane");
    Immutable lockedShared(appDir / L"Common\\Quillane");
    ASSERT_TRUE(lockedShared.ok());
    ASSERT_TRUE(StartWithIconFolders());
    ASSERT_TRUE(form().options().ChooseFolderColour({0xD3, 0x2F, 0x2F}));
    EXPECT_EQ(Text(TxtIconFile),
              perUser + L"\\" + engine::FolderIconBaseName({0xD3, 0x2F, 0x2F}) + L".ico");
    EXPECT_EQ(Text(txtChanging).rfind(kColourPerUser + perUser + L": ", 0), 0u)
        << Narrow(Text(txtChanging));
    ASSERT_TRUE(form().options().ChooseFolderColour({0x12, 0x34, 0x56}));
    EXPECT_EQ(Text(TxtIconFile), perUser + L"\\Folder 123456.ico");
    EXPECT_EQ(Text(txtChanging), form().IdleText());

    // Neither place can be written: the earlier choice stays.
    appDir.MakeFolder(L"Elsewhere");
    Immutable lockedPerUser(appDir / L"Elsewhere");
    ASSERT_TRUE(lockedPerUser.ok());
    form().options().perUserIcons = appDir / L"Elsewhere\\Icons";
    EXPECT_FALSE(form().options().ChooseFolderColour({0x65, 0x43, 0x21}));
    EXPECT_EQ(Text(TxtIconFile), perUser + L"\\Folder 123456.ico");
    EXPECT_FALSE(IconBoxIsClear(form().Control(picIcon)));
    EXPECT_EQ(Text(txtChanging).rfind(kColourNotMade, 0), 0u) << Narrow(Text(txtChanging));
}

TEST_F(FolderColourTest, TheButtonFitsItsPlaceAndThePreviewIsSharpAtTwoDpis) {
    ASSERT_TRUE(StartWithIconFolders());
    ChoosePreset(L"Purple");
    HWND button = form().Control(cmdFolderColour), box = form().Control(picIcon);
    EXPECT_EQ(AccessibleName(button), L"Choose folder colour");
    EXPECT_EQ(WindowText(button), L"Fo&lder colour...");
    // Tab reaches it in reading order, after the subfolders' box of its row.
    SetFocus(form().Control(chkSubs));
    MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {}};
    EXPECT_TRUE(form().PreTranslate(tab));
    EXPECT_EQ(GetFocus(), button);
    const UINT start = platform::WindowDpi(form().hwnd());
    for (UINT dpi : {start, 2 * start}) {
        if (dpi != platform::WindowDpi(form().hwnd())) {
            RECT suggested{0, 0, 1200, 900};
            SendMessageW(form().hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                         reinterpret_cast<LPARAM>(&suggested));
            PumpFor(20);
        }
        RECT placed{};
        GetWindowRect(button, &placed);
        // No other control of the view that shows overlaps it.
        for (HWND other = GetWindow(GetParent(button), GW_CHILD); other;
             other = GetWindow(other, GW_HWNDNEXT)) {
            RECT r{}, both{};
            GetWindowRect(other, &r);
            if (other != button && IsWindowVisible(other)) {
                EXPECT_FALSE(IntersectRect(&both, &placed, &r))
                    << GetDlgCtrlID(other) << " " << dpi;
            }
        }
        // Its caption fits with room for the button's edges.
        HDC dc = GetDC(button);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
        RECT text{};
        DrawTextW(dc, L"Folder colour...", -1, &text, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(button, dc);
        EXPECT_LT(text.right + MulDiv(8, static_cast<int>(dpi), 96), placed.right - placed.left)
            << dpi;
        EXPECT_LE(text.bottom, placed.bottom - placed.top) << dpi;
        EXPECT_EQ(PixelsUnlikeFrame(box, PresetFile(L"Purple")), 0) << dpi;
    }
}

TEST_F(FolderColourTest, AMarkJoinsTheColourAndAColourKeepsTheMark) {
    ASSERT_TRUE(StartWithIconFolders());
    ChoosePreset(L"Red");
    ChooseMark(engine::FolderMark::Done);
    // The menu's marks, the one shown ticked.
    g_markItems.clear();
    SetTimer(nullptr, 0, 30, ReadMarkMenu);
    Click(cmdFolderColour);
    std::vector<std::wstring> expected;
    for (const engine::MarkInfo& info : engine::FolderMarks())
        expected.push_back(std::wstring(info.label) +
                           (info.mark == engine::FolderMark::Done ? L"*" : L""));
    expected.insert(expected.end(), {L"", L"&No mark"});
    EXPECT_EQ(g_markItems, expected);
    const std::wstring redDone = MarkedFile(L"Red", engine::FolderMark::Done);
    ASSERT_EQ(Text(TxtIconFile), redDone) << Narrow(Text(txtChanging));
    EXPECT_EQ(Text(txtChanging), form().IdleText());
    EXPECT_GT(PixelsOfHue(form().Control(picIcon), engine::FindColourPreset(L"Red")->colour), 100);
    std::vector<std::uint8_t> made;
    ASSERT_TRUE(FolderIconBytes(
        engine::IconLook{engine::FindColourPreset(L"Red")->colour, engine::FolderMark::Done},
        made));
    EXPECT_EQ(ReadBytes(redDone), made);

    ChoosePreset(L"Green");
    EXPECT_EQ(Text(TxtIconFile), MarkedFile(L"Green", engine::FolderMark::Done));
    ChooseMark(engine::FolderMark::Heart);
    EXPECT_EQ(Text(TxtIconFile), MarkedFile(L"Green", engine::FolderMark::Heart));
    ChooseMark(engine::FolderMark::None);
    EXPECT_EQ(Text(TxtIconFile), PresetFile(L"Green"));

    // Without a colour, the system's folder with the mark; no mark then, no icon.
    Click(cmdClearBgnd);
    ChooseMark(engine::FolderMark::InProgress);
    EXPECT_EQ(Text(TxtIconFile), MarkedFile(nullptr, engine::FolderMark::InProgress));
    EXPECT_EQ(Text(TxtIconFile), shared + L"\\Folder InProgress.ico");
    EXPECT_FALSE(IconBoxIsClear(form().Control(picIcon)));
    ChooseMark(engine::FolderMark::None);
    EXPECT_EQ(Text(TxtIconFile), L"");
    EXPECT_TRUE(IconBoxIsClear(form().Control(picIcon)));
    // An icon file of the user's is not a generated one: no mark leaves it.
    form().iconPicker().ChooseFile(appDir / L"Icons\\QuillaneIcons.dll");
    ASSERT_TRUE(form().options().ChooseFolderMark(engine::FolderMark::None));
    EXPECT_EQ(Text(TxtIconFile), appDir / L"Icons\\QuillaneIcons.dll");
    EXPECT_EQ(FilesIn(shared).size(), 6u);
}
