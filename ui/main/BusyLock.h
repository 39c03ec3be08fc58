#pragma once
// The main window's busy lock (EnableMainControls): while any holder has it,
// the commands that could start another operation, and the window's Close,
// are off.
namespace ui {

class BusyLock {
  public:
    virtual void HoldBusy() = 0;
    virtual void ReleaseBusy() = 0;

  protected:
    ~BusyLock() = default;
};

// Holds the busy lock for a scope, whichever way the scope is left.
class BusyHold {
  public:
    explicit BusyHold(BusyLock& lock) : lock_(lock) { lock_.HoldBusy(); }
    ~BusyHold() { lock_.ReleaseBusy(); }
    BusyHold(const BusyHold&) = delete;
    BusyHold& operator=(const BusyHold&) = delete;

  private:
    BusyLock& lock_;
};

} // namespace ui
