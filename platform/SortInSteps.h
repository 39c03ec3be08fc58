#pragma once
// A sort of a long array that does not hold the caller's window: sorted runs,
// then merge passes into a second array a slice at a time, with a yield
// between steps.
#include "platform/Yield.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace platform {

// Stable. False when the yield stopped it; values then hold what they held,
// in some order, to be sorted again.
template <typename T, typename Less>
bool SortInSteps(std::vector<T>& values, Less less, const YieldFn& yield) {
    constexpr size_t kRun = 4096, kSlice = 16384;
    const size_t n = values.size();
    const auto at = [&values](size_t i) { return values.begin() + static_cast<std::ptrdiff_t>(i); };
    for (size_t start = 0; start < n; start += kRun) {
        std::stable_sort(at(start), at(std::min(kRun, n - start) + start), less);
        if (!KeepGoing(yield))
            return false;
    }
    // Even the last pass, which merges the whole array, yields between slices.
    std::vector<T> merged(n);
    for (size_t width = kRun; width < n; width *= 2) {
        size_t out = 0;
        for (size_t start = 0; start < n; start += 2 * width) {
            size_t left = start, right = std::min(start + width, n);
            const size_t leftEnd = right, rightEnd = std::min(start + 2 * width, n);
            while (left < leftEnd || right < rightEnd) {
                // Equal values keep their order: the left run's first.
                const bool fromLeft =
                    right == rightEnd || (left < leftEnd && !less(values[right], values[left]));
                merged[out++] = fromLeft ? values[left++] : values[right++];
                if (out % kSlice == 0 && !KeepGoing(yield))
                    return false;
            }
        }
        values.swap(merged);
    }
    return true;
}

} // namespace platform
