#pragma once
// Where the main window's focus goes: it leaves with the activation and comes
// back with it, and at the end of an operation it goes back to the control
// that started it unless the user has put it somewhere since.
#include <windows.h>

namespace ui {

struct FocusControls {
    HWND window;
    HWND sink;          // cmdDummy, below the visible area: holds the focus while work runs
    HWND restoreView;   // fraRestore
    HWND restoreOpener; // Command2, the button that opens the restore view
};

class FocusKeeper {
  public:
    explicit FocusKeeper(const FocusControls& controls) : c_(controls) {}

    // Keeps the focused control for the next activation. A dialog that a
    // command opens disables the window, which takes the focus away before
    // the window hears of its deactivation: each command and message box
    // remembers it first.
    void Remember();
    // The focus sink has the focus and keeps it for the next activation.
    void GiveToSink();
    // The control whose command runs now starts whatever the command starts.
    HWND CommandSource() const { return commandSource_; }
    void SetCommandSource(HWND control) { commandSource_ = control; }
    // An operation takes the busy lock: the control that started it, or the
    // focus, gets the focus back when it ends.
    void OperationStarts();
    void OperationEnds();
    // The window's activation (busy: while work runs the sink keeps the focus).
    void Activate(bool active, bool busy);

  private:
    // The control given if it can take the focus, else the next sensible one.
    bool CanTakeFocus(HWND control) const;
    HWND SensibleFocus(HWND wanted) const;

    FocusControls c_;
    // The control whose command runs now; the control that started the
    // operation under the busy lock; the focus when the window was last active.
    HWND commandSource_ = nullptr;
    HWND starter_ = nullptr;
    HWND last_ = nullptr;
};

} // namespace ui
