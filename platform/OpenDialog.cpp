#include "platform/OpenDialog.h"

#include <commdlg.h>
#include <algorithm>
#include <vector>

namespace platform {

namespace {
constexpr wchar_t kOwnerProp[] = L"Quillane.OpenDialog";
constexpr DWORD kBufferChars = 1024;
} // namespace

void OpenDialog::SetFilter(const std::wstring& filter) {
    filter_ = filter;
    nulFilter_ = filter;
    std::replace(nulFilter_.begin(), nulFilter_.end(), L'|', L'\0');
    nulFilter_.append(2, L'\0');
}

bool OpenDialog::ShowOpen() {
    std::vector<wchar_t> file(kBufferChars, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner_;
    ofn.lpstrFilter = nulFilter_.empty() ? nullptr : nulFilter_.c_str();
    ofn.nFilterIndex = filterIndex_;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kBufferChars;
    ofn.lpstrInitialDir = initDir_.empty() ? nullptr : initDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
    ofn.Flags = flags_ | OFN_EXPLORER;
    if (raiseEvents_) {
        // Without a template the dialog still makes an empty child for the hook.
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = HookProc;
        ofn.lCustData = reinterpret_cast<LPARAM>(this);
    }
    const BOOL chosen = GetOpenFileNameW(&ofn);
    lastError_ = chosen ? 0 : CommDlgExtendedError();
    if (chosen) {
        fileName_.assign(file.data());
        filterIndex_ = ofn.nFilterIndex;
    } else {
        fileName_.clear();
    }
    return chosen != FALSE;
}

void OpenDialog::Raise(void (OpenDialogEvents::*event)(HWND), HWND hDlg) {
    if (raiseEvents_ && sink_)
        (sink_->*event)(hDlg);
}

UINT_PTR CALLBACK OpenDialog::HookProc(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    // No exception may cross back into the dialog's code.
    try {
        if (message == WM_INITDIALOG) {
            auto* ofn = reinterpret_cast<OPENFILENAMEW*>(lParam);
            SetPropW(hDlg, kOwnerProp, reinterpret_cast<HANDLE>(ofn->lCustData));
            return 0;
        }
        auto* self = static_cast<OpenDialog*>(GetPropW(hDlg, kOwnerProp));
        if (!self)
            return 0;
        if (message == WM_NOTIFY) {
            const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
            if (notify->hdr.code == CDN_INITDONE)
                self->Raise(&OpenDialogEvents::InitDialog, hDlg);
            else if (notify->hdr.code == CDN_SELCHANGE)
                self->Raise(&OpenDialogEvents::FileChange, hDlg);
        } else if (message == WM_DESTROY) {
            RemovePropW(hDlg, kOwnerProp);
            if (self->raiseEvents_ && self->sink_)
                self->sink_->DialogClose();
        }
    } catch (...) {
    }
    return 0;
}

void OpenDialog::PlaceDialog(HWND hDlg, HWND owner) {
    HWND dialog = GetParent(hDlg);
    if (!dialog)
        return;
    RECT own{};
    if (!owner || !GetWindowRect(owner, &own))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &own, 0);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rect{};
    if (!GetWindowRect(dialog, &rect))
        return;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = own.left + ((own.right - own.left) - width) / 2;
    int y = own.top + ((own.bottom - own.top) - height) / 2;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace platform
