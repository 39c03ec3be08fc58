#pragma once
// What the main window's subsystems (Apply, the folder walk, the restore view)
// need of the window besides their controls and the busy lock.
#include <string>

namespace engine {
class OperationLock;
}

namespace ui {

// What a copy says when another copy's operation keeps it from starting one.
inline constexpr wchar_t kAnotherCopyBusyText[] =
    L"Another copy of Quillane is changing folders. Try again when it has finished.";

class OperationHost {
  public:
    // Lets the message loop run. False when the window went away meanwhile:
    // the operation then stops at once and touches no control again.
    virtual bool YieldToMessages() = 0;
    // The status line and the restore count. Progress shown per folder may
    // reach the screen a few milliseconds late; the rest shows at once.
    virtual void SetStatus(const std::wstring& text) = 0;
    virtual void ShowProgress(const std::wstring& text) = 0;
    virtual void UpdateRestoreCount() = 0;
    // The count a run's progress has reached, shown a few milliseconds late.
    virtual void ShowRestoreCountSoon(size_t count) = 0;
    virtual void RefreshShell() = 0;
    virtual void SetWaitCursor(bool wait) = 0;
    // Takes the operation lock that keeps another copy's operation (/apply)
    // from changing folders beside this one, or says why not: false when
    // the operation may not start. A host without a list of its own (a
    // test's) has nothing to share.
    virtual bool StartOperation(engine::OperationLock& lock) {
        static_cast<void>(lock);
        return true;
    }

  protected:
    ~OperationHost() = default;
};

} // namespace ui
