#include "ui/main/Banner.h"

#include "platform/Dpi.h"
#include "resources/resource.h"
#include "ui/main/Controls.h"

namespace ui {

using platform::TwipsToPixels;

namespace {

void DrawBitmap(HDC dc, const RECT& r, HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info))
        return;
    const platform::MemoryDC memory(dc);
    const platform::SelectScope selected(memory.get(), bitmap);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
}

} // namespace

void Banner::Load() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    logo_.reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    help_.reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_HELP), IMAGE_BITMAP, 0, 0, 0)));
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_TITLE_JPEG), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    if (loaded)
        title_ =
            platform::Picture::FromMemory(LockResource(loaded), SizeofResource(instance, found));
}

void Banner::DrawImage(const DRAWITEMSTRUCT& draw, UINT dpi, HBRUSH white) const {
    HDC dc = draw.hDC;
    RECT r = draw.rcItem;
    FillRect(dc, &r, white);
    // The pictures keep their own size, as image controls without stretching do.
    const RECT picture{r.left, r.top, r.left + TwipsToPixels(720, dpi),
                       r.top + TwipsToPixels(720, dpi)};
    if (draw.CtlID == Image3)
        DrawBitmap(dc, picture, logo_.get());
    else if (draw.CtlID == Image2)
        title_.Render(dc, r);
    else if (draw.CtlID == Image4)
        DrawBitmap(dc, picture, help_.get());
}

void Banner::PaintSeparators(HWND window, UINT dpi, HBRUSH white) {
    const platform::PaintScope paint(window);
    const HDC dc = paint.get();
    const int y1 = TwipsToPixels(780, dpi), y2 = TwipsToPixels(795, dpi);
    const int right = TwipsToPixels(7440, dpi);
    RECT grey{0, y1, right, y1 + 1};
    RECT whiteLine{0, y2, right, y2 + 1};
    const platform::BrushHandle greyBrush(CreateSolidBrush(RGB(128, 128, 128)));
    FillRect(dc, &grey, greyBrush.get());
    FillRect(dc, &whiteLine, white);
}

} // namespace ui
