#pragma once
// Clocks and the process's memory figures.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace bench {

double Now(); // seconds on the performance counter

// The longest stretch without a turn of the message loop: from the start of
// an operation to its first yield, between yields, and from the last to its end.
class GapMeter {
  public:
    // fromFirstYield: the stretch before the first yield is not a gap (a
    // window's creation, before there is a window to answer); it is kept
    // apart as FirstYieldMs.
    explicit GapMeter(bool fromFirstYield = false) : fromFirstYield_(fromFirstYield) {}
    void Start();
    double FirstYieldMs() const { return firstYield_ * 1000.0; }
    void OnYield();
    void Stop();
    double LongestMs() const { return longest_ * 1000.0; }
    size_t Yields() const { return yields_; }
    // Where the longest stretch lay: the yields before it (0: it began the
    // operation; Yields(): it ended it) and its end, seconds from the start.
    size_t LongestAfterYields() const { return longestAfter_; }
    double LongestEndSeconds() const { return longestEnd_ - start_; }

  private:
    void Mark(double now);
    bool fromFirstYield_;
    double start_ = 0, last_ = 0, longest_ = 0, longestEnd_ = 0, firstYield_ = 0;
    size_t yields_ = 0, longestAfter_ = 0;
};

size_t PeakWorkingSet();
size_t WorkingSet();

double Median(std::vector<double> values);

// Seconds the action takes.
template <typename Action> double Timed(Action&& action) {
    const double start = Now();
    action();
    return Now() - start;
}

} // namespace bench
