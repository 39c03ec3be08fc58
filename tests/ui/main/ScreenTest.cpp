// The main window moving to a screen of another DPI, and what a screen
// reader is told about its controls.
#include "tests/ui/main/Form1Fixture.h"

#include "platform/SystemApi.h"
#include "tests/support/Accessibility.h"
#include "tests/ui/options/OptionsTestSupport.h"
#include "ui/options/ColorChooser.h"
#include "ui/options/IconBox.h"

#include <cmath>

using namespace testing_support;
using namespace ui;
using platform::TwipsToPixels;

namespace {

// What make_icons.py paints into library icon `index`.
COLORREF LibraryColour(int index) {
    return RGB(40 + (index % 10) * 20, 40 + (index / 10 % 10) * 20, 60 + (index / 100) * 120);
}

LONG FontHeightOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font.lfHeight;
}

// The frame the system draws around the main window's client area at the
// DPI, asked of user32 itself where it knows per-DPI frames.
SIZE FrameFor(HWND window, UINT dpi) {
    RECT r{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    using ForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    const auto forDpi = reinterpret_cast<ForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    if (forDpi)
        forDpi(&r, style, FALSE, exStyle, dpi);
    else
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

class ScreenTest : public Form1Fixture {
  protected:
    void ChangeDpi(UINT dpi, RECT suggested) {
        SendMessageW(form().hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        PumpFor(20);
    }
    RECT Placed(int id) {
        RECT r{};
        HWND control = form().Control(id);
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    RECT Expected(int id, UINT dpi) {
        for (size_t i = 0; i < kControlCount; ++i)
            if (kControls[i].id == id) {
                const ControlRow& s = kControls[i];
                const int left = TwipsToPixels(s.left, dpi), top = TwipsToPixels(s.top, dpi);
                return {left, top, left + TwipsToPixels(s.width, dpi),
                        top + TwipsToPixels(s.height, dpi)};
            }
        return {};
    }
};

} // namespace

TEST_F(ScreenTest, ADpiChangeRemakesSizeFontsAndRowsAndKeepsThePreview) {
    ASSERT_TRUE(Start());
    const UINT start = platform::WindowDpi(form().hwnd());
    form().iconPicker().ChooseFile(options_test::BuiltIconsDir() + L"\\QuillaneIcons.dll");
    form().iconPicker().OnScroll(SB_THUMBPOSITION, 2);
    HWND icon = form().Control(picIcon), list = form().Control(lstRestore);
    ASSERT_EQ(IconBoxPixel(icon, 16, 4), LibraryColour(2));
    const LRESULT rows = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    const LONG formFont = FontHeightOf(form().Control(Command1));

    ChangeDpi(2 * start, {40, 30, 1000, 800});
    RECT window{}, client{};
    GetWindowRect(form().hwnd(), &window);
    GetClientRect(form().hwnd(), &client);
    const SIZE frame = FrameFor(form().hwnd(), 2 * start);
    EXPECT_EQ(window.left, 40);
    EXPECT_EQ(window.top, 30);
    EXPECT_EQ(window.right - window.left, frame.cx);
    EXPECT_EQ(window.bottom - window.top, frame.cy);
    // Nothing of the command row is cut off.
    EXPECT_GE(client.bottom, Placed(Command4).bottom);
    EXPECT_GE(client.right, Placed(Command4).right);
    for (int id : {Command1, Command4, TxtToolTip, picIcon, lstRestore, cmdDummy}) {
        const RECT placed = Placed(id), expected = Expected(id, 2 * start);
        EXPECT_TRUE(EqualRect(&placed, &expected)) << id;
    }
    EXPECT_EQ(FontHeightOf(form().Control(Command1)), -std::lround(8.25 * 2 * start / 72.0));
    EXPECT_EQ(FontHeightOf(form().Control(lblSampleText)), -std::lround(8.25 * 2 * start / 72.0));
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 2 * rows);
    // The icon, drawn again for the larger box.
    EXPECT_EQ(IconBoxPixel(icon, 32, 8), LibraryColour(2));

    ChangeDpi(start, {0, 0, 600, 500});
    EXPECT_EQ(FontHeightOf(form().Control(Command1)), formFont);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), rows);
    EXPECT_EQ(IconBoxPixel(icon, 16, 4), LibraryColour(2));
    GetClientRect(form().hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, start));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips, start));
}

TEST_F(ScreenTest, WithoutPerDpiFramesTheSystemFrameIsUsed) {
    ASSERT_TRUE(Start());
    platform::ScopedLegacyApis xp(platform::AsOnWindowsXp);
    const unsigned runs = platform::LegacyPathRuns(platform::NoAdjustWindowRectForDpi);
    ChangeDpi(144, {0, 0, 900, 700});
    EXPECT_GT(platform::LegacyPathRuns(platform::NoAdjustWindowRectForDpi), runs);
    RECT expected{0, 0, TwipsToPixels(kClientWidthTwips, 144),
                  TwipsToPixels(kClientHeightTwips, 144)};
    AdjustWindowRectEx(&expected, static_cast<DWORD>(GetWindowLongW(form().hwnd(), GWL_STYLE)),
                       FALSE, static_cast<DWORD>(GetWindowLongW(form().hwnd(), GWL_EXSTYLE)));
    RECT window{};
    GetWindowRect(form().hwnd(), &window);
    EXPECT_EQ(window.right - window.left, expected.right - expected.left);
    EXPECT_EQ(window.bottom - window.top, expected.bottom - expected.top);
}

TEST_F(ScreenTest, EveryControlTheUserSeesHasAName) {
    ASSERT_TRUE(Start());
    RECT client{};
    GetClientRect(form().hwnd(), &client);
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlRow& s = kControls[i];
        // Containers and the banner's white ground hold or frame the others.
        if (s.kind == Kind::Frame || s.kind == Kind::Panel || s.kind == Kind::WhiteLabel ||
            s.top >= 5715)
            continue;
        EXPECT_NE(AccessibleName(form().Control(s.id)), L"") << Narrow(s.name);
    }
    const std::pair<int, const wchar_t*> names[] = {
        {picIcon, L"Icon preview"},
        {Image1, L"Background picture preview"},
        {cmdBrowseFolder, L"Choose folder"},
        {CmdBrowseIconFile, L"Choose icon file"},
        {cmdBrwstxtColor, L"Choose text colour"},
        {cmdBrwsBgtxtColor, L"Choose background colour"},
        {Command5, L"Choose background picture"},
        {TxtFolder, L"Folder"},
        {lstRestore, L"Folders to restore"},
        {Command1, L"Apply"},
        {chkSubs, L"Include Subdirectories"},
    };
    for (const auto& [id, name] : names)
        EXPECT_EQ(AccessibleName(form().Control(id)), name) << id;
    // On screen the buttons still read "...".
    EXPECT_EQ(WindowText(form().Control(cmdBrwstxtColor)), L"...");
}

TEST_F(ScreenTest, TheSampleAndThePictureTellWhatIsChosen) {
    appDir.MakeFolder(L"Backgrounds");
    options_test::CopyInto(options_test::BuiltBackgroundsDir() + L"\\Meadow.jpg",
                           appDir / L"Backgrounds\\Meadow.jpg");
    ASSERT_TRUE(Start(7));
    HWND sample = form().Control(lblSampleText), picture = form().Control(Image1);
    EXPECT_EQ(AccessibleName(sample),
              L"Sample IconText, text colour not chosen, background colour not chosen");
    EXPECT_EQ(AccessibleDescription(picture), L"No picture chosen");
    {
        DialogResponder responder;
        responder.Expect(L"", [](HWND d) { options_test::TypeColourAndOk(d, 255, 0, 0); });
        responder.Expect(L"", [](HWND d) { options_test::TypeFileNameAndOk(d, L"Meadow.jpg"); });
        form().options().cmdBrwstxtColor_Click();
        form().options().Command5_Click();
    }
    EXPECT_EQ(AccessibleName(sample),
              L"Sample IconText, text colour 0x000000FF, background colour not chosen");
    EXPECT_EQ(AccessibleName(picture), L"Background picture preview");
    EXPECT_EQ(AccessibleDescription(picture), appDir / L"Backgrounds\\Meadow.jpg");
    form().options().cmdClearBgnd_Click();
    EXPECT_EQ(AccessibleName(sample),
              L"Sample IconText, text colour not chosen, background colour not chosen");
    EXPECT_EQ(AccessibleDescription(picture), L"No picture chosen");
}
