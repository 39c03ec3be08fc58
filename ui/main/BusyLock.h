#pragma once
// The main window's busy lock (EnableMainControls): while any holder has it,
// the commands that could start another operation, and the window's Close,
// are off.
#include <windows.h>
#include <functional>
#include <initializer_list>
#include <vector>

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

// A view's share of the lock: the controls it turns off while the window is
// busy, whose commands are dropped meanwhile whoever sends them.
class BusyShare {
  public:
    virtual void EnableWhileIdle(bool enabled) = 0;
    virtual bool HoldsControl(int id) const = 0;

  protected:
    ~BusyShare() = default;
};

// A share of a few controls that are simply off and on.
class ControlShare final : public BusyShare {
  public:
    ControlShare(std::initializer_list<HWND> controls) : controls_(controls) {}
    void EnableWhileIdle(bool enabled) override;
    bool HoldsControl(int id) const override;

  private:
    std::vector<HWND> controls_;
};

// The window's lock: counts its holders; the first hold turns every share
// off and the Close command with them, the last release turns them on again.
class WindowBusyLock final : public BusyLock {
  public:
    explicit WindowBusyLock(HWND window) : window_(window) {}
    // Shares go off and on in the order they were added.
    void AddShare(BusyShare& share) { shares_.push_back(&share); }
    bool Busy() const { return holders_ > 0; }
    // A share holds the control.
    bool Holds(int id) const;
    void HoldBusy() override;
    void ReleaseBusy() override;

    // The first holder takes the lock, before the shares go off.
    std::function<void()> onHold;
    // The last holder is about to let go: what must happen before anything
    // else can start (the lock holds through it).
    std::function<void()> beforeRelease;
    // The shares are on again.
    std::function<void()> onIdle;

  private:
    HWND window_;
    std::vector<BusyShare*> shares_;
    int holders_ = 0;
};

} // namespace ui
