#include "ui/options/cFileDialog.h"

#include "platform/Window.h"

namespace ui {

namespace {

std::wstring ExecutableBaseName() {
    const std::wstring path = platform::ExecutablePath();
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    return name;
}

// The text followed by NULs up to size characters.
std::vector<wchar_t> PaddedBuffer(const std::wstring& text, DWORD size) {
    std::vector<wchar_t> buffer(size, L'\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

} // namespace

cFileDialog::cFileDialog() {
    ofn_.lStructSize = sizeof ofn_;
    ofn_.nFilterIndex = 1;
}

void cFileDialog::Filename(const std::wstring& value) {
    // One slot stays for the terminating NUL.
    if (value.size() >= kBufferChars)
        throw std::invalid_argument("file name longer than the dialog's buffer");
    filename_ = value;
}

void cFileDialog::Filter(const std::wstring& value) {
    filter_ = value;
    nulFilter_.clear();
    for (wchar_t c : value)
        nulFilter_.push_back(c == L'|' || c == L':' ? L'\0' : c);
    nulFilter_.append(2, L'\0');
    ofn_.lpstrFilter = nulFilter_.c_str();
}

void cFileDialog::DefaultExt(const std::wstring& value) {
    defaultExt_ = value;
    defaultExtBuffer_ = value + std::wstring(2, L'\0');
    ofn_.lpstrDefExt = defaultExtBuffer_.c_str();
}

void cFileDialog::DialogTitle(const std::wstring& value) {
    dialogTitle_ = value;
    ofn_.lpstrTitle = dialogTitle_.c_str();
}

void cFileDialog::InitDir(const std::wstring& value) {
    initDir_ = value;
    initDirBuffer_ = value + std::wstring(2, L'\0');
    ofn_.lpstrInitialDir = initDirBuffer_.c_str();
}

void cFileDialog::ShowOpen() {
    Show(true);
}

void cFileDialog::ShowSave() {
    Show(false);
}

void cFileDialog::Show(bool open) {
    const bool multiSelect = open && (flags_ & OFN_ALLOWMULTISELECT) != 0;
    const DWORD size = multiSelect ? kMultiSelectBufferChars : kBufferChars;
    if (filename_.size() >= size || fileTitle_.size() >= size)
        throw std::invalid_argument("file name or title longer than the dialog's buffer");

    ofn_.Flags = static_cast<DWORD>(flags_);
    if (multiSelect)
        ofn_.Flags |= OFN_EXPLORER;
    fileBuffer_ = PaddedBuffer(filename_, size);
    titleBuffer_ = PaddedBuffer(fileTitle_, size);
    ofn_.lpstrFile = fileBuffer_.data();
    ofn_.nMaxFile = size;
    ofn_.lpstrFileTitle = titleBuffer_.data();
    ofn_.nMaxFileTitle = size;

    const BOOL chosen = open ? GetOpenFileNameW(&ofn_) : GetSaveFileNameW(&ofn_);
    if (chosen) {
        const std::wstring returned(fileBuffer_.begin(), fileBuffer_.end());
        filename_ = multiSelect ? returned : TrimAtNull(returned);
        fileTitle_ = TrimAtNull(std::wstring(titleBuffer_.begin(), titleBuffer_.end()));
        return;
    }
    if (cancelError_) {
        throw FileDialogError{.source = ExecutableBaseName() + L".cFileDialog"};
    }
}

void cFileDialog::ParseMultiFileName(std::wstring& sDir, std::vector<std::wstring>& sFiles,
                                     long& lFileCount) const {
    const size_t end = filename_.find(std::wstring(2, L'\0'));
    if (end == std::wstring::npos)
        throw std::invalid_argument("no double NUL in the file name");
    const std::wstring list = filename_.substr(0, end);

    if (list.find(L'\0') == std::wstring::npos) {
        lFileCount = 1;
        sFiles.assign(1, std::wstring());
        const size_t slash = filename_.rfind(L'\\');
        if (slash == std::wstring::npos) {
            sDir.clear();
            sFiles[0] = filename_;
        } else {
            sDir = filename_.substr(0, slash + 1);
            sFiles[0] = TrimAtNull(filename_.substr(slash + 1));
        }
        return;
    }

    size_t start = list.find(L'\0');
    sDir = list.substr(0, start);
    while (start != std::wstring::npos) {
        const size_t next = list.find(L'\0', start + 1);
        std::wstring name = list.substr(start + 1, next == std::wstring::npos ? std::wstring::npos
                                                                              : next - start - 1);
        ++lFileCount;
        sFiles.resize(static_cast<size_t>(lFileCount));
        sFiles.back() = std::move(name);
        start = next;
    }
}

std::wstring cFileDialog::TrimAtNull(const std::wstring& text) {
    const size_t nul = text.find(L'\0');
    return nul == std::wstring::npos ? text : text.substr(0, nul);
}

} // namespace ui
