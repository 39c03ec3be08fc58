#include "ui/main/Form1.h"

#include "platform/Window.h"
#include "resources/resource.h"

namespace ui {

namespace {
constexpr int kClientWidthTwips = 7455;
constexpr int kClientHeightTwips = 5715;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
} // namespace

int TwipsToPixels(int twips, unsigned dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 15 * 96);
}

std::wstring ExecutableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

Form1::Form1(std::wstring appFolder) : appFolder_(std::move(appFolder)) {}

bool Form1::Create() {
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUILLANE));
    if (!CreateWindowOfClass(L"QuillaneForm1", icon, 0, kStyle, kAppTitle, CW_USEDEFAULT,
                             CW_USEDEFAULT, 100, 100, nullptr))
        return false;
    const UINT dpi = platform::WindowDpi(hwnd());
    RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    SetWindowPos(hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefaultProc(message, wParam, lParam);
    }
}

} // namespace ui
