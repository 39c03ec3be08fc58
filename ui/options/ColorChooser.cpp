#include "ui/options/ColorChooser.h"

#include "platform/ControlState.h"
#include "platform/CustomControl.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/Window.h"

#include <commdlg.h>
#include <array>
#include <cmath>
#include <memory>

namespace ui {

std::int32_t ShowColor(HWND owner) {
    // Built afresh for every call, so that custom colours are not offered again.
    std::array<COLORREF, 16> custom{};
    CHOOSECOLORW record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.hInstance = reinterpret_cast<HWND>(GetModuleHandleW(nullptr));
    record.rgbResult = 0;
    record.lpCustColors = custom.data();
    record.Flags = 0;
    if (!ChooseColorW(&record))
        return -1;
    return static_cast<std::int32_t>(record.rgbResult);
}

COLORREF ResolveColor(std::int32_t colour) {
    const auto value = static_cast<std::uint32_t>(colour);
    if (value & 0x80000000u)
        return GetSysColor(static_cast<int>(value & 0xFFu));
    return value & 0x00FFFFFFu;
}

namespace {

struct SampleState {
    std::int32_t fore = kSystemButtonText;
    std::int32_t back = kSystemButtonFace;
    platform::FontHandle font;
};

SampleState* StateOf(HWND sample) {
    return platform::ControlStateOf<SampleState>(sample, kSampleTextClass);
}

platform::FontHandle MakeFont(UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(8.25 * dpi / 72.0));
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    return platform::FontHandle(CreateFontIndirectW(&font));
}

struct SampleTextTraits {
    using State = SampleState;
    static std::unique_ptr<State> Make(const CREATESTRUCTW& create) {
        auto state = std::make_unique<State>();
        state->font = MakeFont(platform::WindowDpi(create.hwndParent));
        return state;
    }
    static void Paint(HWND hwnd, HDC dc, State& state) {
        RECT client{};
        GetClientRect(hwnd, &client);
        platform::BrushHandle back(CreateSolidBrush(ResolveColor(state.back)));
        FillRect(dc, &client, back.get());
        const platform::SelectScope font(dc, state.font.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ResolveColor(state.fore));
        DrawTextW(dc, kSampleText, -1, &client, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    }
    static bool Handle(HWND, UINT message, WPARAM, LPARAM, State* state, LRESULT& result) {
        if (message != WM_GETFONT)
            return false;
        result = state ? reinterpret_cast<LRESULT>(state->font.get()) : 0;
        return true;
    }
};

} // namespace

bool RegisterSampleTextClass() {
    return platform::RegisterCustomControl<SampleTextTraits>(kSampleTextClass);
}

HWND CreateSampleText(HWND parent, int id, int x, int y, int width, int height) {
    return platform::CreateCustomControl<SampleTextTraits>(kSampleTextClass, kSampleText, 0, x, y,
                                                           width, height, parent, id);
}

void SampleTextSetForeColor(HWND sample, std::int32_t colour) {
    if (SampleState* state = StateOf(sample)) {
        state->fore = colour;
        InvalidateRect(sample, nullptr, TRUE);
    }
}

void SampleTextSetBackColor(HWND sample, std::int32_t colour) {
    if (SampleState* state = StateOf(sample)) {
        state->back = colour;
        InvalidateRect(sample, nullptr, TRUE);
    }
}

void SampleTextSetDpi(HWND sample, UINT dpi) {
    if (SampleState* state = StateOf(sample)) {
        state->font = MakeFont(dpi);
        InvalidateRect(sample, nullptr, TRUE);
    }
}

std::int32_t SampleTextForeColor(HWND sample) {
    SampleState* state = StateOf(sample);
    return state ? state->fore : -1;
}

std::int32_t SampleTextBackColor(HWND sample) {
    SampleState* state = StateOf(sample);
    return state ? state->back : -1;
}

} // namespace ui
