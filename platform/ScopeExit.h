#pragma once
// Undoes a step whichever way its scope is left: an early return, a stop or
// an exception. What it runs must not throw out of a destructor, so a
// failure there is swallowed.
#include <utility>

namespace platform {

template <typename Undo> class ScopeExit {
  public:
    explicit ScopeExit(Undo undo) : undo_(std::move(undo)) {}
    ~ScopeExit() {
        if (!armed_)
            return;
        try {
            undo_();
        } catch (...) {
        }
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    // The step stays done.
    void Dismiss() { armed_ = false; }

  private:
    Undo undo_;
    bool armed_ = true;
};

} // namespace platform
