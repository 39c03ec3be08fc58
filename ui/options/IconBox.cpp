#include "ui/options/IconBox.h"

#include "platform/ControlState.h"
#include "platform/CustomControl.h"
#include "platform/Gdi.h"
#include "platform/Window.h"

#include <cstdint>
#include <memory>

namespace ui {

namespace {

struct IconBoxState {
    platform::BitmapHandle bitmap;
    const std::uint32_t* bits = nullptr; // top-down BGRA rows of the bitmap
    int width = 0;
    int height = 0;
};

IconBoxState* StateOf(HWND box) {
    return platform::ControlStateOf<IconBoxState>(box, kIconBoxClass);
}

// Runs fn with a memory DC that has the box's bitmap selected.
template <typename Fn> bool WithBitmapDC(IconBoxState& state, Fn fn) {
    if (!state.bitmap)
        return false;
    const platform::MemoryDC memory(platform::WindowDC().get());
    if (!memory)
        return false;
    const platform::SelectScope selected(memory.get(), state.bitmap.get());
    return fn(memory.get());
}

void Fill(IconBoxState& state) {
    WithBitmapDC(state, [&](HDC dc) {
        RECT all{0, 0, state.width, state.height};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        return true;
    });
}

void Resize(IconBoxState& state, int width, int height) {
    state.width = width > 0 ? width : 1;
    state.height = height > 0 ? height : 1;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = state.width;
    info.bmiHeader.biHeight = -state.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    state.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    state.bits = state.bitmap ? static_cast<const std::uint32_t*>(bits) : nullptr;
    Fill(state);
}

struct IconBoxTraits {
    using State = IconBoxState;
    static std::unique_ptr<State> Make(const CREATESTRUCTW& create) {
        auto state = std::make_unique<State>();
        Resize(*state, create.cx, create.cy);
        return state;
    }
    static void Paint(HWND, HDC dc, State& state) {
        WithBitmapDC(state, [&](HDC memory) {
            return BitBlt(dc, 0, 0, state.width, state.height, memory, 0, 0, SRCCOPY) != FALSE;
        });
    }
    static bool Handle(HWND, UINT message, WPARAM, LPARAM lParam, State* state, LRESULT& result) {
        if (message != WM_SIZE)
            return false;
        if (state && (LOWORD(lParam) != state->width || HIWORD(lParam) != state->height))
            Resize(*state, LOWORD(lParam), HIWORD(lParam));
        result = 0;
        return true;
    }
};

} // namespace

bool RegisterIconBoxClass() {
    return platform::RegisterCustomControl<IconBoxTraits>(kIconBoxClass);
}

HWND CreateIconBox(HWND parent, int id, int x, int y, int width, int height) {
    return platform::CreateCustomControl<IconBoxTraits>(kIconBoxClass, L"", 0, x, y, width, height,
                                                        parent, id);
}

void IconBoxClear(HWND box) {
    if (IconBoxState* state = StateOf(box)) {
        Fill(*state);
        InvalidateRect(box, nullptr, FALSE);
    }
}

bool IconBoxDrawIcon(HWND box, HICON icon, int x, int y, int width, int height, UINT flags) {
    IconBoxState* state = StateOf(box);
    if (!state)
        return false;
    const bool drawn = WithBitmapDC(*state, [&](HDC dc) {
        return DrawIconEx(dc, x, y, icon, width, height, 0, nullptr, flags) != FALSE;
    });
    InvalidateRect(box, nullptr, FALSE);
    return drawn;
}

COLORREF IconBoxPixel(HWND box, int x, int y) {
    IconBoxState* state = StateOf(box);
    if (!state || !state->bits || x < 0 || y < 0 || x >= state->width || y >= state->height)
        return CLR_INVALID;
    GdiFlush();
    const std::uint32_t bgra = state->bits[static_cast<size_t>(y * state->width + x)];
    return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
}

bool IconBoxIsClear(HWND box) {
    IconBoxState* state = StateOf(box);
    if (!state)
        return false;
    const COLORREF clear = GetSysColor(COLOR_BTNFACE);
    for (int y = 0; y < state->height; ++y)
        for (int x = 0; x < state->width; ++x)
            if (IconBoxPixel(box, x, y) != clear)
                return false;
    return true;
}

} // namespace ui
