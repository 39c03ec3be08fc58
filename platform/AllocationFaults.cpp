#include "platform/AllocationFaults.h"

#include <windows.h>

#include <atomic>
#include <new>

namespace platform {

#ifdef QUILLANE_ALLOCATION_FAULTS

namespace {
// How many points are left until the failure; 0 when none is armed.
std::atomic<unsigned long> countdown{0};
} // namespace

bool AllocationFaultsBuiltIn() {
    return true;
}

void FailAllocationAt(unsigned long n) {
    countdown.store(n, std::memory_order_relaxed);
}

bool AllocationFailurePending() {
    return countdown.load(std::memory_order_relaxed) != 0;
}

void AllocationPoint() {
    if (countdown.load(std::memory_order_relaxed) == 0)
        return;
    if (countdown.fetch_sub(1, std::memory_order_relaxed) == 1)
        throw std::bad_alloc();
}

void FailAllocationFromEnvironment() {
    wchar_t value[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"QUILLANE_FAIL_ALLOCATION", value, 16);
    if (length == 0 || length >= 16)
        return;
    FailAllocationAt(wcstoul(value, nullptr, 10));
}

#else

bool AllocationFaultsBuiltIn() {
    return false;
}

void FailAllocationAt(unsigned long) {}

bool AllocationFailurePending() {
    return false;
}

void AllocationPoint() {}

void FailAllocationFromEnvironment() {}

#endif

} // namespace platform
