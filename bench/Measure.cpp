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
    start_ = last_ = longestEnd_ = Now();
    longest_ = firstYield_ = 0;
    yields_ = longestAfter_ = 0;
}

void GapMeter::Mark(double now) {
    if (now - last_ > longest_) {
        longest_ = now - last_;
        longestAfter_ = yields_;
        longestEnd_ = now;
    }
    last_ = now;
}

void GapMeter::OnYield() {
    const double now = Now();
    if (yields_ == 0) {
        firstYield_ = now - start_;
        if (fromFirstYield_)
            last_ = now;
    }
    Mark(now);
    ++yields_;
}

void GapMeter::Stop() {
    Mark(Now());
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
