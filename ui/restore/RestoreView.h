#pragma once
// The restore view inside the main window and the operation that puts
// customized folders back.
#include "engine/RestoreFolder.h"

#include <windows.h>
#include <string>

namespace ui {

// What the restore view needs of the window that holds it.
class RestoreHost {
  public:
    virtual ~RestoreHost() = default;
    virtual void YieldToMessages() = 0;
    // The status line and the restore count. Progress shown per folder may
    // reach the screen a few milliseconds late; the rest shows at once.
    virtual void SetStatus(const std::wstring& text) = 0;
    virtual void ShowProgress(const std::wstring& text) = 0;
    virtual void UpdateRestoreCount(bool soon = false) = 0;
    virtual void RefreshShell() = 0;
    virtual void SetWaitCursor(bool wait) = 0;
    // The busy lock: while any holder has it, nothing that starts another
    // operation or closes the window can be used.
    virtual void HoldBusy() = 0;
    virtual void ReleaseBusy() = 0;
};

// Holds the busy lock for a scope, whichever way the scope is left.
class BusyHold {
  public:
    explicit BusyHold(RestoreHost& host) : host_(host) { host_.HoldBusy(); }
    ~BusyHold() { host_.ReleaseBusy(); }
    BusyHold(const BusyHold&) = delete;
    BusyHold& operator=(const BusyHold&) = delete;

  private:
    RestoreHost& host_;
};

struct RestoreControls {
    HWND form, fraChange, fraRestore, lstRestore, chkSelect, cmdRestore, cmdOk;
};

// The status line after a run over count folders: allDone when none failed,
// else "<someDone>: <done> of <count> (<failed> <failure>)".
std::wstring OutcomeText(const wchar_t* allDone, const wchar_t* someDone, size_t count,
                         size_t failed, const wchar_t* failure);

// Whether a restore with this outcome may have touched the folder, so that
// the shell must be told.
bool ChangedFolder(engine::RestoreOutcome outcome);

class RestoreView {
  public:
    RestoreView(RestoreHost& host, const RestoreControls& controls, std::wstring appTitle,
                std::wstring idleText);

    void Command2_Click();
    void cmdOk_Click();
    void chkSelect_Click();
    void cmdRestore_Click();

    // The view's own controls that the busy lock disables.
    void EnableViewControls(bool enabled);

  private:
    void ShowMessage(const wchar_t* text);

    RestoreHost& host_;
    RestoreControls c_;
    std::wstring appTitle_, idleText_;
};

} // namespace ui
