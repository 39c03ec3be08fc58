#include "ui/options/PictureBox.h"

#include "platform/ControlState.h"
#include "platform/CustomControl.h"
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

struct PictureBoxTraits {
    using State = PictureBoxState;
    static std::unique_ptr<State> Make(const CREATESTRUCTW&) { return std::make_unique<State>(); }
    static void Paint(HWND hwnd, HDC dc, State& state) {
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        state.picture.Render(dc, client);
    }
    static bool Handle(HWND, UINT, WPARAM, LPARAM, State*, LRESULT&) { return false; }
};

} // namespace

bool RegisterPictureBoxClass() {
    return platform::RegisterCustomControl<PictureBoxTraits>(kPictureBoxClass);
}

HWND CreatePictureBox(HWND parent, int id, int x, int y, int width, int height, DWORD extraStyle) {
    return platform::CreateCustomControl<PictureBoxTraits>(kPictureBoxClass, L"", extraStyle, x, y,
                                                           width, height, parent, id);
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
