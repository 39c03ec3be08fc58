#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "platform/WindowBase.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kButton = 10;
constexpr int kCheck = 11;
constexpr int kBar = 12;

// A window that records what its typed handlers were given.
class Probe : public platform::WindowBase {
  public:
    bool Create() {
        if (!CreateWindowOfClass(L"QuillaneWindowBaseProbe", nullptr, 0, WS_OVERLAPPEDWINDOW,
                                 L"probe", 0, 0, 300, 200, nullptr))
            return false;
        button = platform::CreateChild(L"BUTTON", L"press", BS_PUSHBUTTON, 0, 0, 80, 20, hwnd(),
                                       kButton);
        check = platform::CreateChild(L"BUTTON", L"tick", BS_AUTOCHECKBOX, 0, 30, 80, 20, hwnd(),
                                      kCheck);
        bar = platform::CreateChild(L"SCROLLBAR", L"", SBS_HORZ, 0, 60, 200, 16, hwnd(), kBar);
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        return button && check && bar;
    }

    HWND button = nullptr, check = nullptr, bar = nullptr;
    std::vector<std::wstring> calls;
    HBRUSH brush = nullptr;
    bool refuseClose = false;
    unsigned long exception = 0;
    UINT dpi = 0;
    RECT suggested{};

  protected:
    void OnCommand(int id, int code, HWND control) override {
        calls.push_back(L"command " + std::to_wstring(id) + L" " + std::to_wstring(code) +
                        (control == button ? L" button" : L""));
        WindowBase::OnCommand(id, code, control);
    }
    HBRUSH OnColorStatic(HDC, HWND control) override {
        calls.emplace_back(control == check ? L"colour check" : L"colour");
        return brush;
    }
    void OnClose() override {
        calls.emplace_back(L"close");
        if (!refuseClose)
            WindowBase::OnClose();
    }
    bool OnDpiChanged(UINT newDpi, const RECT& rect) override {
        dpi = newDpi;
        suggested = rect;
        return true;
    }
    void OnException(unsigned long error) override { exception = error; }
};

// Some other object that handles one of the window's controls.
struct Handler {
    int clicks = 0;
    void Clicked() { ++clicks; }
};

class WindowBaseTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(probe.Create()); }
    Probe probe;
};

} // namespace

TEST_F(WindowBaseTest, CommandsReachTheirRowByIdAndNotification) {
    Handler other;
    int ownClicks = 0;
    probe.Commands().Add(kButton, BN_CLICKED, [&] { ++ownClicks; });
    probe.Commands().Add(other, {{kCheck, BN_CLICKED, &Handler::Clicked}});

    SendMessageW(probe.button, BM_CLICK, 0, 0);
    SendMessageW(probe.check, BM_CLICK, 0, 0);
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kButton, BN_SETFOCUS),
                 reinterpret_cast<LPARAM>(probe.button));
    EXPECT_EQ(ownClicks, 1);
    EXPECT_EQ(other.clicks, 1);
    ASSERT_FALSE(probe.calls.empty());
    EXPECT_EQ(probe.calls.front(), L"command 10 0 button");
    EXPECT_FALSE(probe.Commands().Run(kButton, BN_DOUBLECLICKED));
}

TEST_F(WindowBaseTest, AScrollBarsRowGetsItsCodeAndPosition) {
    int code = -1, position = -1;
    probe.Commands().AddScroll(kBar, [&](int c, int p) {
        code = c;
        position = p;
    });
    SendMessageW(probe.hwnd(), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 1234),
                 reinterpret_cast<LPARAM>(probe.bar));
    EXPECT_EQ(code, SB_THUMBTRACK);
    EXPECT_EQ(position, 1234);
}

TEST_F(WindowBaseTest, ColourOfAStaticComesFromTheHandlerOrTheDefault) {
    const platform::WindowDC dc(probe.check);
    const LPARAM check = reinterpret_cast<LPARAM>(probe.check);
    const WPARAM hdc = reinterpret_cast<WPARAM>(dc.get());
    probe.brush = GetSysColorBrush(COLOR_HIGHLIGHT);
    EXPECT_EQ(SendMessageW(probe.hwnd(), WM_CTLCOLORSTATIC, hdc, check),
              reinterpret_cast<LRESULT>(probe.brush));
    probe.brush = nullptr;
    const LRESULT fallback = SendMessageW(probe.hwnd(), WM_CTLCOLORSTATIC, hdc, check);
    EXPECT_EQ(fallback, DefWindowProcW(probe.hwnd(), WM_CTLCOLORSTATIC, hdc, check));
    EXPECT_EQ(probe.calls, (std::vector<std::wstring>{L"colour check", L"colour check"}));
}

TEST_F(WindowBaseTest, ADpiChangeBringsTheNewDpiAndTheSuggestedRectangle) {
    RECT rect{10, 20, 310, 220};
    EXPECT_EQ(SendMessageW(probe.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                           reinterpret_cast<LPARAM>(&rect)),
              0);
    EXPECT_EQ(probe.dpi, 144u);
    EXPECT_TRUE(EqualRect(&probe.suggested, &rect));
}

TEST_F(WindowBaseTest, CloseDestroysUnlessTheHandlerRefuses) {
    probe.refuseClose = true;
    SendMessageW(probe.hwnd(), WM_CLOSE, 0, 0);
    ASSERT_NE(probe.hwnd(), nullptr);
    EXPECT_TRUE(IsWindow(probe.hwnd()));
    probe.refuseClose = false;
    HWND window = probe.hwnd();
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(probe.hwnd(), nullptr);
}

TEST_F(WindowBaseTest, AnExceptionStopsAtTheWindowProcedure) {
    probe.Commands().Add(kButton, BN_CLICKED, [] { throw std::runtime_error("click failed"); });
    EXPECT_EQ(SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kButton, BN_CLICKED),
                           reinterpret_cast<LPARAM>(probe.button)),
              0);
    EXPECT_EQ(probe.exception, static_cast<unsigned long>(ERROR_INTERNAL_ERROR));
    probe.Commands().Add(kButton, BN_DOUBLECLICKED, [] { throw std::bad_alloc(); });
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kButton, BN_DOUBLECLICKED),
                 reinterpret_cast<LPARAM>(probe.button));
    EXPECT_EQ(probe.exception, static_cast<unsigned long>(ERROR_NOT_ENOUGH_MEMORY));
}

TEST_F(WindowBaseTest, ControlHelpers) {
    EXPECT_FALSE(platform::Checked(probe.check));
    platform::SetChecked(probe.check, true);
    EXPECT_TRUE(platform::Checked(probe.check));
    EXPECT_EQ(SendMessageW(probe.check, BM_GETCHECK, 0, 0), BST_CHECKED);
    platform::SetChecked(probe.check, false);
    EXPECT_FALSE(platform::Checked(probe.check));

    platform::Enable(probe.button, false);
    EXPECT_FALSE(IsWindowEnabled(probe.button));
    platform::Enable(probe.button, true);
    EXPECT_TRUE(IsWindowEnabled(probe.button));
    platform::Show(probe.button, false);
    EXPECT_FALSE(GetWindowLongW(probe.button, GWL_STYLE) & WS_VISIBLE);
    platform::Show(probe.button, true);
    EXPECT_TRUE(GetWindowLongW(probe.button, GWL_STYLE) & WS_VISIBLE);

    const std::wstring longText(600, L'x');
    platform::SetText(probe.button, longText);
    EXPECT_EQ(platform::Text(probe.button), longText);
    platform::SetText(probe.button, L"");
    EXPECT_EQ(platform::Text(probe.button), L"");
}

TEST_F(WindowBaseTest, AControlTurnedOnOrOffDrawsOnTheNextTurnAndKeepsItsVisibility) {
    platform::DoEvents();
    platform::EnableAndDrawLater(probe.button, false);
    EXPECT_FALSE(IsWindowEnabled(probe.button));
    EXPECT_TRUE(IsWindowVisible(probe.button));
    EXPECT_TRUE(GetUpdateRect(probe.button, nullptr, FALSE)); // its drawing waits
    size_t turns = 0;
    platform::DoEvents([&] { ++turns; });
    EXPECT_FALSE(GetUpdateRect(probe.button, nullptr, FALSE));
    EXPECT_GE(turns, 2u); // the paint, and the end of the messages

    // A hidden control is not shown by it.
    platform::Show(probe.check, false);
    platform::EnableAndDrawLater(probe.check, false);
    platform::EnableAndDrawLater(probe.check, true);
    EXPECT_TRUE(IsWindowEnabled(probe.check));
    EXPECT_FALSE(GetWindowLongW(probe.check, GWL_STYLE) & WS_VISIBLE);
}
