#include "ui/main/ProgressWindow.h"

#include "QuillaneVersion.h"
#include "platform/Dpi.h"
#include "platform/SystemApi.h"
#include "resources/resource.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Timing.h"

namespace ui {

bool ProgressWindow::Create() {
    const UINT dpi = platform::ScreenDpi();
    const int width = platform::TwipsToPixels(6600, dpi);
    const int height = platform::TwipsToPixels(1500, dpi);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUILLANE));
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (!CreateWindowOfClass(className_, icon, 0, WS_OVERLAPPED | WS_CAPTION, quillane::kAppTitle,
                             work.left + (work.right - work.left - width) / 2,
                             work.top + (work.bottom - work.top - height) / 2, width, height,
                             nullptr))
        return false;
    RECT client{};
    GetClientRect(hwnd(), &client);
    const int margin = platform::TwipsToPixels(180, dpi);
    HWND label = platform::CreateChild(L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS,
                                       margin, margin, client.right - 2 * margin,
                                       client.bottom - 2 * margin, hwnd(), kProgressTextId);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    text_.Attach(label);
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    return true;
}

void ProgressWindow::Progress(const std::wstring& text) {
    text_.ShowSoon(text);
    if (platform::TickCount64() - lastPump_ >= kPumpIntervalMs) {
        text_.ShowDue();
        platform::DoEvents();
        lastPump_ = platform::TickCount64();
    }
}

void ProgressWindow::Finish(const std::wstring& text, UINT icon) {
    if (hwnd())
        text_.Show(text);
    ShowMessage(hwnd(), text, icon);
}

} // namespace ui
