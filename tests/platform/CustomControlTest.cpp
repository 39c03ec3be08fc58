#include "platform/CustomControl.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

int liveStates = 0;

struct ProbeState {
    ProbeState() { ++liveStates; }
    ~ProbeState() { --liveStates; }
    ProbeState(const ProbeState&) = delete;
    ProbeState& operator=(const ProbeState&) = delete;
    int createdWidth = 0;
    int painted = 0;
};

constexpr COLORREF kProbeColour = RGB(10, 200, 30);
constexpr UINT kAskWidth = WM_APP + 7;

struct ProbeTraits {
    using State = ProbeState;
    static std::unique_ptr<State> Make(const CREATESTRUCTW& create) {
        auto state = std::make_unique<State>();
        state->createdWidth = create.cx;
        return state;
    }
    static void Paint(HWND hwnd, HDC dc, State& state) {
        RECT client{};
        GetClientRect(hwnd, &client);
        const platform::BrushHandle brush(CreateSolidBrush(kProbeColour));
        FillRect(dc, &client, brush.get());
        ++state.painted;
    }
    static bool Handle(HWND, UINT message, WPARAM, LPARAM, State* state, LRESULT& result) {
        if (message != kAskWidth)
            return false;
        result = state ? state->createdWidth : -1;
        return true;
    }
};

constexpr wchar_t kProbeClass[] = L"QuillaneProbeControl";

HWND CreateProbe(const wchar_t* text) {
    if (!platform::RegisterCustomControl<ProbeTraits>(kProbeClass))
        return nullptr;
    return CreateWindowExW(0, kProbeClass, text, WS_POPUP, 0, 0, 120, 40, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

} // namespace

TEST(CustomControl, StateIsMadeAtCreationAndFreedWithTheWindow) {
    liveStates = 0;
    HWND probe = CreateProbe(L"");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(liveStates, 1);
    EXPECT_EQ(SendMessageW(probe, kAskWidth, 0, 0), 120);
    DestroyWindow(probe);
    EXPECT_EQ(liveStates, 0);
}

TEST(CustomControl, PrintClientPaintsAndTheBackgroundIsNeverErased) {
    HWND probe = CreateProbe(L"");
    ASSERT_NE(probe, nullptr);
    const platform::MemoryDC memory;
    const platform::BitmapHandle bitmap(
        CreateCompatibleBitmap(platform::WindowDC().get(), 120, 40));
    const platform::SelectScope selected(memory.get(), bitmap.get());
    EXPECT_EQ(SendMessageW(probe, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0), 1);
    SendMessageW(probe, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
    EXPECT_EQ(GetPixel(memory.get(), 60, 20), kProbeColour);
    EXPECT_EQ(platform::ControlState<ProbeState>(probe)->painted, 1);
    DestroyWindow(probe);
}

TEST(CustomControl, OtherMessagesGetTheDefaultAnswer) {
    HWND probe = CreateProbe(L"caption");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(GetWindowTextLengthW(probe), 7);
    DestroyWindow(probe);
}
