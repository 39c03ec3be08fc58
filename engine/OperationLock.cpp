#include "engine/OperationLock.h"

namespace engine {

namespace {
// Byte 0 of the lock file is the save's (see RestoreRecord::Save): a save
// inside an operation must not wait for the operation itself.
constexpr unsigned long kOperationByte = 1;
} // namespace

bool OperationLock::Take(const std::wstring& lockFile, unsigned long waitMs,
                         const platform::YieldFn& yield) {
    return lock_.Take(lockFile, waitMs, yield, kOperationByte);
}

} // namespace engine
