#include "bench/Measure.h"

#include <psapi.h>

#include <algorithm>

namespace bench {

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

void GapMeter::Start() {
    last_ = Now();
    longest_ = 0;
    yields_ = 0;
}

void GapMeter::OnYield() {
    const double now = Now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
    ++yields_;
}

void GapMeter::Stop() {
    const double now = Now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
}

namespace {
PROCESS_MEMORY_COUNTERS Counters() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}
} // namespace

size_t PeakWorkingSet() {
    return Counters().PeakWorkingSetSize;
}
size_t WorkingSet() {
    return Counters().WorkingSetSize;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace bench
