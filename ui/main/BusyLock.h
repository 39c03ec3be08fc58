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
// off and the Close command with them (the title bar is drawn on the next
// turn, by the window's timer). The last release turns them on again
// a part at a time, each part on a turn of the message loop of its own (the
// window's timer paces them, so that input and drawing come first), and the
// window counts as busy until the last part: a command that arrives meanwhile
// is dropped as while the lock holds. The shares come on from the last added
// to the second, then the Close command, and the first share (the window's
// own command row) last, with the end of the release: a program that waits
// for Apply's button finds the window ready for its commands.
class WindowBusyLock final : public BusyLock {
  public:
    // timerId names the window's timer that paces the release; the window
    // hands that timer's WM_TIMER to ReleaseStep.
    WindowBusyLock(HWND window, UINT_PTR timerId) : window_(window), timer_(timerId) {}
    // Shares go off in the order they were added, the Close command last.
    void AddShare(BusyShare& share);
    // Held, or not yet wholly released.
    bool Busy() const { return holders_ > 0 || on_ < Parts(); }
    // Held by an operation (the release is not counted).
    bool Held() const { return holders_ > 0; }
    // A share holds the control.
    bool Holds(int id) const;
    // Whether a command from its control may run now, whoever sent it and to
    // whichever container: while the window is busy, none of a control a
    // share holds, of a hidden control, or without its control's handle
    // (Escape stands for Back, which the restore view's share holds).
    bool Allows(int id, HWND control) const;
    void HoldBusy() override;
    void ReleaseBusy() override;
    // On the window's timer: a hold's title bar, or the next part of a
    // release; the last part ends it.
    void ReleaseStep();
    // Runs then once the lock is wholly released (at once when it is).
    void WhenIdle(std::function<void()> then);

    // The first holder takes the lock, before the shares go off (not again
    // when a new hold comes during a release).
    std::function<void()> onHold;
    // The last holder is about to let go: what must happen before anything
    // else can start (the lock holds through it).
    std::function<void()> beforeRelease;
    // The shares are on again.
    std::function<void()> onIdle;

  private:
    // The parts in the order they come on: a share, or the Close command (nullptr).
    size_t Parts() const { return shares_.size() + 1; }
    size_t ClosePart() const { return shares_.empty() ? 0 : shares_.size() - 1; }
    BusyShare* Part(size_t index) const;
    void Switch(size_t part, bool on);
    bool NextPartSoon();

    HWND window_;
    UINT_PTR timer_;
    std::vector<BusyShare*> shares_;
    int holders_ = 0;
    // A hold's change of the Close command still to be drawn in the title bar.
    bool frameDue_ = false;
    // Parts on, in the order of Part(); all of them while the lock is free.
    size_t on_ = 1;
    std::vector<std::function<void()>> whenIdle_;
};

} // namespace ui
