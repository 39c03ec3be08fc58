#pragma once
// The restore view inside the main window and the operation that puts
// customized folders back.
#include "platform/Handles.h"

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
    // Removes (true) or gives back (false) the window's Close command.
    virtual void LockClose(bool locked) = 0;
};

struct RestoreControls {
    HWND form, fraChange, fraRestore, lstRestore, chkSelect, cmdRestore, cmdOk;
};

class RestoreView {
  public:
    RestoreView(RestoreHost& host, const RestoreControls& controls, std::wstring appTitle,
                std::wstring idleText);

    void Command2_Click();
    void cmdOk_Click();
    void chkSelect_Click();
    void cmdRestore_Click();

  private:
    struct Stopped {
        std::wstring folder;
        DWORD error;
    };
    void RestoreFolder(const std::wstring& folder, platform::FileHandle settings);
    void Check(bool ok, const std::wstring& folder);
    void LockView(bool locked);
    void ShowMessage(const wchar_t* text);

    RestoreHost& host_;
    RestoreControls c_;
    std::wstring appTitle_, idleText_;
};

} // namespace ui
