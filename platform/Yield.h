#pragma once
// A long operation's turn to the message loop. It answers whether the
// operation goes on: false when it must stop (the window it works for went
// away); the operation then ends at once, its cleanup done.
#include <functional>

namespace platform {

using YieldFn = std::function<bool()>;

// True when the work goes on: there is no yield, or it says so.
inline bool KeepGoing(const YieldFn& yield) {
    return !yield || yield();
}

} // namespace platform
