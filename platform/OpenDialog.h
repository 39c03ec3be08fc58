#pragma once
// The system's open dialog with events: while it is open it reports its
// initialisation, every change of selection and its closing to the owner.
#include "platform/WindowPart.h"

#include <windows.h>
#include <string>

namespace platform {

class OpenDialogEvents {
  public:
    // hDlg is the dialog's hook window; its parent is the dialog itself and
    // answers CDM_GETFILEPATH.
    virtual void InitDialog(HWND hDlg) = 0;
    virtual void FileChange(HWND hDlg) = 0;
    // The dialog window still exists.
    virtual void DialogClose() = 0;

  protected:
    ~OpenDialogEvents() = default;
};

class OpenDialog {
  public:
    OpenDialog() = default;
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    void SetInitDir(std::wstring folder) { initDir_ = std::move(folder); }
    // Description and pattern pairs separated by "|".
    void SetFilter(const std::wstring& filter);
    const std::wstring& Filter() const { return filter_; }
    void SetFlags(DWORD flags) { flags_ = flags; }
    DWORD Flags() const { return flags_; }
    void SetFilterIndex(DWORD index) { filterIndex_ = index; }
    DWORD FilterIndex() const { return filterIndex_; }
    void SetDefaultExt(std::wstring extension) { defaultExt_ = std::move(extension); }
    // Events reach the sink only while this is true.
    void SetRaiseEvents(bool raise) { raiseEvents_ = raise; }
    void SetEvents(OpenDialogEvents* sink) { sink_ = sink; }
    void SetOwner(HWND owner) { owner_ = owner; }

    // Modal; true when the user chose a file. The chosen name is then in FileName().
    bool ShowOpen();
    // Full path of the chosen file; empty after a cancel.
    const std::wstring& FileName() const { return fileName_; }

    // Centres the dialog whose hook window is hDlg over the owner's window, or
    // over the screen's work area when owner is null, keeping it on screen.
    static void PlaceDialog(HWND hDlg, HWND owner);

  private:
    static UINT_PTR CALLBACK HookProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    void Raise(void (OpenDialogEvents::*event)(HWND), HWND hDlg);

    std::wstring initDir_;
    std::wstring filter_;
    std::wstring nulFilter_;
    DWORD flags_ = 0;
    DWORD filterIndex_ = 1;
    std::wstring defaultExt_;
    bool raiseEvents_ = false;
    OpenDialogEvents* sink_ = nullptr;
    HWND owner_ = nullptr;
    std::wstring fileName_;
};

} // namespace platform
