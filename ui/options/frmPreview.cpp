#include "ui/options/frmPreview.h"

#include "platform/Picture.h"
#include "platform/Window.h"
#include "ui/options/PictureBox.h"

#include <commdlg.h>
#include <cwctype>

namespace ui {

namespace {

constexpr int kPicScrollWidth = 2715;
constexpr int kPicScrollHeight = 3855;
constexpr int kPreviewWidth = 2660;
constexpr int kPreviewHeight = 1995;
constexpr int kLabelLeft = 600;
constexpr int kLabelWidth = 2055;
constexpr int kLabelHeight = 255;
constexpr int kSizeTop = 2400;
constexpr int kWidthTop = 2760;
constexpr int kHeightTop = 3120;

constexpr wchar_t kSizeCaption[] = L"Size: ";
constexpr wchar_t kWidthCaption[] = L"Width: ";
constexpr wchar_t kHeightCaption[] = L"Height: ";

// The panel is measured in the screen's pixels, as the picture loader is.
int ToPixelsX(int twips) {
    return platform::TwipsToPixels(twips, platform::ScreenDpi(LOGPIXELSX));
}

int ToPixelsY(int twips) {
    return platform::TwipsToPixels(twips, platform::ScreenDpi(LOGPIXELSY));
}

HWND MakeLabel(HWND parent, const wchar_t* caption, int top) {
    HWND label = CreateWindowExW(0, L"STATIC", caption, WS_CHILD | WS_VISIBLE | SS_LEFT,
                                 ToPixelsX(kLabelLeft), ToPixelsY(top), ToPixelsX(kLabelWidth),
                                 ToPixelsY(kLabelHeight), parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return label;
}

// Pattern "####": whole number, no separators, nothing for zero.
std::wstring FormatWhole(long value) {
    return value == 0 ? std::wstring() : std::to_wstring(value);
}

std::wstring LastThreeUpper(const std::wstring& path) {
    std::wstring tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
    for (wchar_t& c : tail)
        c = static_cast<wchar_t>(std::towupper(c));
    return tail;
}

} // namespace

std::wstring GetDialogFilePath(HWND hDlg) {
    std::wstring buffer(260, L'\0');
    SendMessageW(GetParent(hDlg), CDM_GETFILEPATH, 260, reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.substr(0, buffer.find(L'\0'));
}

frmPreview::~frmPreview() {
    // The panel may still sit in a dialog that outlives us; take it back first.
    if (picScroll_ && hwnd() && GetParent(picScroll_) != hwnd())
        SetParent(picScroll_, hwnd());
}

bool frmPreview::Load() {
    if (!CreateWindowOfClass(L"QuillanePreviewForm", nullptr, WS_EX_TOOLWINDOW, WS_POPUP, L"", 0, 0,
                             ToPixelsX(kPicScrollWidth), ToPixelsY(kPicScrollHeight), nullptr))
        return false;
    picScroll_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 ToPixelsX(kPicScrollWidth), ToPixelsY(kPicScrollHeight), hwnd(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!picScroll_)
        return false;
    imgPreview_ =
        CreatePictureBox(picScroll_, 0, 0, 0, ToPixelsX(kPreviewWidth), ToPixelsY(kPreviewHeight));
    lblSize_ = MakeLabel(picScroll_, kSizeCaption, kSizeTop);
    lblWidth_ = MakeLabel(picScroll_, kWidthCaption, kWidthTop);
    lblHeight_ = MakeLabel(picScroll_, kHeightCaption, kHeightTop);
    return imgPreview_ && lblSize_ && lblWidth_ && lblHeight_;
}

void frmPreview::cD(platform::OpenDialog* dialog) {
    if (dialog_)
        dialog_->SetEvents(nullptr);
    dialog_ = dialog;
    if (dialog_)
        dialog_->SetEvents(this);
}

int frmPreview::PanelWidth() const {
    return ToPixelsX(kPicScrollWidth);
}

void frmPreview::cD_InitDialog(HWND hDlg) {
    HWND dialog = GetParent(hDlg);
    dialogWindow_ = dialog;
    RECT r{};
    GetWindowRect(dialog, &r);
    const int frame = GetSystemMetrics(SM_CXDLGFRAME);
    const int panel = PanelWidth();
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    MoveWindow(dialog, 0, 0, width + panel + 2 * frame, height, TRUE);
    platform::OpenDialog::PlaceDialog(hDlg, ownerForm_);
    SetParent(picScroll_, dialog);
    MoveWindow(picScroll_, width - frame, 4, panel,
               height - GetSystemMetrics(SM_CYCAPTION) - 2 * GetSystemMetrics(SM_CYDLGFRAME) - 6,
               TRUE);
}

void frmPreview::cD_FileChange(HWND hDlg) {
    const std::wstring path = GetDialogFilePath(hDlg);
    const std::wstring extension = LastThreeUpper(path);
    if (extension == L"BMP" || extension == L"GIF" || extension == L"JPG" || extension == L"ICO") {
        PictureBoxSetPicture(imgPreview_, path);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
            const ULONGLONG bytes =
                (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            platform::SetText(lblSize_, kSizeCaption + std::to_wstring(bytes / 1024) + L" KB");
        }
        if (const platform::Picture* picture = PictureBoxPicture(imgPreview_)) {
            const long width = platform::HimetricToPixels(picture->WidthHimetric(),
                                                          platform::ScreenDpi(LOGPIXELSX));
            const long height = platform::HimetricToPixels(picture->HeightHimetric(),
                                                           platform::ScreenDpi(LOGPIXELSY));
            platform::SetText(lblWidth_, kWidthCaption + FormatWhole(width) + L" pixels");
            platform::SetText(lblHeight_, kHeightCaption + FormatWhole(height) + L" pixels");
        }
        return;
    }
    PictureBoxClear(imgPreview_);
    platform::SetText(lblSize_, kSizeCaption);
    platform::SetText(lblWidth_, kWidthCaption);
    platform::SetText(lblHeight_, kHeightCaption);
}

void frmPreview::cD_DialogClose() {
    // The panel must survive the dialog window's destruction.
    SetParent(picScroll_, hwnd());
    dialogWindow_ = nullptr;
}

} // namespace ui
