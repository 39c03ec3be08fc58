#include "platform/OpenDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <algorithm>
#include <vector>

namespace platform {

namespace {
constexpr wchar_t kOwnerProp[] = L"Quillane.OpenDialog";
constexpr DWORD kBufferChars = 1024;
constexpr UINT_PTR kSubclassId = 0x5155;

// The one folder selected in the dialog's file list, or empty.
std::wstring SelectedFolder(HWND dialog) {
    HWND view = FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr);
    HWND list = view ? FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    if (!list || SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) != 1)
        return {};
    const int item = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    wchar_t name[MAX_PATH] = {};
    LVITEMW text{};
    text.iSubItem = 0;
    text.pszText = name;
    text.cchTextMax = MAX_PATH;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&text));
    wchar_t folder[MAX_PATH] = {};
    if (!name[0] ||
        SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) <= 0)
        return {};
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    path += name;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return path;
}

// Wine leaves the file-name box, and so CDM_GETFILEPATH, at the last file when
// a folder is selected; Windows reports the folder. Answer as Windows does.
LRESULT CALLBACK DialogSubclass(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    if (message == CDM_GETFILEPATH) {
        const std::wstring folder = SelectedFolder(dialog);
        if (!folder.empty()) {
            const size_t needed = folder.size() + 1;
            if (wParam >= needed && lParam)
                std::copy(folder.c_str(), folder.c_str() + needed,
                          reinterpret_cast<wchar_t*>(lParam));
            return static_cast<LRESULT>(needed);
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(dialog, DialogSubclass, kSubclassId);
    }
    return DefSubclassProc(dialog, message, wParam, lParam);
}
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
    ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
    ofn.Flags = flags_ | OFN_EXPLORER;
    if (raiseEvents_) {
        // Without a template the dialog still makes an empty child for the hook.
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = HookProc;
        ofn.lCustData = reinterpret_cast<LPARAM>(this);
    }
    const BOOL chosen = GetOpenFileNameW(&ofn);
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
            if (notify->hdr.code == CDN_INITDONE) {
                SetWindowSubclass(GetParent(hDlg), DialogSubclass, kSubclassId, 0);
                self->Raise(&OpenDialogEvents::InitDialog, hDlg);
            } else if (notify->hdr.code == CDN_SELCHANGE)
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
