#include "ui/options/PictureBox.h"

#include "platform/ControlState.h"
#include "platform/Window.h"

#include <memory>

namespace ui {

namespace {

struct PictureBoxState {
    platform::Picture picture;
};

PictureBoxState* StateOf(HWND box) {
    return platform::ControlStateOf<PictureBoxState>(box, kPictureBoxClass);
}

void Paint(HWND hwnd, HDC dc, const PictureBoxState& state) {
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    state.picture.Render(dc, client);
}

LRESULT CALLBACK PictureBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = platform::ControlState<PictureBoxState>(hwnd);
    switch (message) {
    case WM_NCCREATE:
        platform::AttachControlState(hwnd, std::make_unique<PictureBoxState>());
        break;
    case WM_NCDESTROY:
        platform::ReleaseControlState<PictureBoxState>(hwnd);
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        platform::PaintClient(hwnd, message, wParam, [&](HDC dc) {
            if (state)
                Paint(hwnd, dc, *state);
        });
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

bool RegisterPictureBoxClass() {
    return platform::RegisterClassOnce(kPictureBoxClass, PictureBoxProc);
}

HWND CreatePictureBox(HWND parent, int id, int x, int y, int width, int height, DWORD extraStyle) {
    if (!RegisterPictureBoxClass())
        return nullptr;
    return platform::CreateChild(kPictureBoxClass, L"", extraStyle, x, y, width, height, parent,
                                 id);
}

bool PictureBoxSetPicture(HWND box, const std::wstring& path) {
    PictureBoxState* state = StateOf(box);
    if (!state)
        return false;
    platform::Picture picture = platform::Picture::Load(path);
    if (!picture.valid())
        return false;
    state->picture = std::move(picture);
    InvalidateRect(box, nullptr, FALSE);
    return true;
}

void PictureBoxClear(HWND box) {
    if (PictureBoxState* state = StateOf(box)) {
        state->picture = platform::Picture();
        InvalidateRect(box, nullptr, FALSE);
    }
}

const platform::Picture* PictureBoxPicture(HWND box) {
    PictureBoxState* state = StateOf(box);
    return state && state->picture.valid() ? &state->picture : nullptr;
}

} // namespace ui
