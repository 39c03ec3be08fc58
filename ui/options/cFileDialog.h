#pragma once
// A reusable open/save file dialog in the manner of a common-dialog control:
// set the properties, call ShowOpen or ShowSave, read Filename.
#include <windows.h>
#include <commdlg.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui {

// Raised for a cancelled or failed dialog when CancelError is set.
struct FileDialogError {
    long number = 32755;
    std::wstring source; // the executable's base name followed by ".cFileDialog"
    std::wstring description = L"User selected cancel.";
};

class cFileDialog {
  public:
    static constexpr DWORD kBufferChars = 1024;
    static constexpr DWORD kMultiSelectBufferChars = 8192;

    cFileDialog();
    cFileDialog(const cFileDialog&) = delete;
    cFileDialog& operator=(const cFileDialog&) = delete;

    bool CancelError() const { return cancelError_; }
    void CancelError(bool value) { cancelError_ = value; }
    const std::wstring& Filename() const { return filename_; }
    // Throws std::invalid_argument for a name longer than the buffer.
    void Filename(const std::wstring& value);
    const std::wstring& FileTitle() const { return fileTitle_; }
    void FileTitle(const std::wstring& value) { fileTitle_ = value; }
    const std::wstring& Filter() const { return filter_; }
    void Filter(const std::wstring& value);
    long FilterIndex() const { return static_cast<long>(ofn_.nFilterIndex); }
    void FilterIndex(long value) { ofn_.nFilterIndex = static_cast<DWORD>(value); }
    const std::wstring& DefaultExt() const { return defaultExt_; }
    void DefaultExt(const std::wstring& value);
    const std::wstring& DialogTitle() const { return dialogTitle_; }
    void DialogTitle(const std::wstring& value);
    long flags() const { return flags_; }
    void flags(long value) { flags_ = value; }
    HWND hwnd() const { return ofn_.hwndOwner; }
    void hwnd(HWND value) { ofn_.hwndOwner = value; }
    const std::wstring& InitDir() const { return initDir_; }
    void InitDir(const std::wstring& value);

    // Modal. Afterwards Filename holds the choice; after a cancel it keeps what
    // it held, or FileDialogError is thrown when CancelError is set.
    void ShowOpen();
    void ShowSave();

    // Splits Filename after a multi-select ShowOpen. Throws std::invalid_argument
    // when the name holds no double NUL.
    void ParseMultiFileName(std::wstring& sDir, std::vector<std::wstring>& sFiles,
                            long& lFileCount) const;

    static std::wstring TrimAtNull(const std::wstring& text);

    // The filter as handed to the dialog, NUL separated and ended by two NULs.
    const std::wstring& ConvertedFilter() const { return nulFilter_; }
    // The record as last handed to the dialog.
    const OPENFILENAMEW& Record() const { return ofn_; }

  private:
    void Show(bool open);

    OPENFILENAMEW ofn_{};
    bool cancelError_ = false;
    std::wstring filename_;
    std::wstring fileTitle_;
    std::wstring filter_;
    std::wstring nulFilter_;
    std::wstring defaultExt_;
    std::wstring defaultExtBuffer_;
    std::wstring dialogTitle_;
    std::wstring initDir_;
    std::wstring initDirBuffer_;
    long flags_ = 0;
    std::vector<wchar_t> fileBuffer_;
    std::vector<wchar_t> titleBuffer_;
};

} // namespace ui
