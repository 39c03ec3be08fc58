#include "tests/ui/options/OptionsTestSupport.h"

#include "tests/support/DialogResponder.h"

#include <commctrl.h>
#include <colordlg.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

namespace options_test {

void CopyInto(const std::wstring& from, const std::wstring& to) {
    ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE))
        << "copy failed, error " << GetLastError();
}

void CopyBundledFiles(const std::wstring& appFolder) {
    for (const wchar_t* folder : {L"Icons", L"Backgrounds"})
        CreateDirectoryW((appFolder + L"\\" + folder).c_str(), nullptr);
    CopyInto(BuiltIconsDir() + L"\\QuillaneIcons.dll", appFolder + L"\\Icons\\QuillaneIcons.dll");
    CopyInto(BuiltBackgroundsDir() + L"\\Meadow.jpg", appFolder + L"\\Backgrounds\\Meadow.jpg");
}

void WriteText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

void TypeColourAndOk(HWND dialog, int red, int green, int blue) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(COLOR_MIX, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, COLOR_MIX)));
    // Colour components, 0 to 255.
    SetDlgItemInt(dialog, COLOR_RED, static_cast<UINT>(red), FALSE);
    SetDlgItemInt(dialog, COLOR_GREEN, static_cast<UINT>(green), FALSE);
    SetDlgItemInt(dialog, COLOR_BLUE, static_cast<UINT>(blue), FALSE);
    testing_support::PressButton(dialog, IDOK);
}

HWND FileNameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    return box ? box : GetDlgItem(dialog, edt1);
}

void TypeFileNameAndOk(HWND dialog, const std::wstring& name) {
    SetWindowTextW(FileNameBox(dialog), name.c_str());
    testing_support::PressButton(dialog, IDOK);
}

std::wstring DialogFolder(HWND dialog) {
    wchar_t folder[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    return folder;
}

HWND FilterCombo(HWND dialog) {
    return GetDlgItem(dialog, cmb1);
}

std::wstring ComboText(HWND combo, int index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return L"<none>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

void SelectFilter(HWND dialog, int index) {
    HWND combo = FilterCombo(dialog);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // What the combo box sends when the user picks an entry.
    for (int code : {CBN_SELENDOK, CBN_SELCHANGE})
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, code), reinterpret_cast<LPARAM>(combo));
}

bool SelectListItem(HWND dialog, const std::wstring& name) {
    HWND view = FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr);
    HWND list = view ? FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    if (!list)
        return false;
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = name.c_str();
    const int item = static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>(&find)));
    if (item < 0)
        return false;
    LVITEMW clear{};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&state));
    return true;
}

} // namespace options_test
