#pragma once
// One operation that changes folders at a time, across copies, accounts and
// sessions: the second byte of the record's lock file (the first is the save's).
#include "platform/Files.h"

#include <string>

namespace engine {

// How long an operation waits for another copy's to end.
inline constexpr unsigned long kOperationLockWaitMs = 30000;

class OperationLock {
  public:
    OperationLock() = default;
    OperationLock(const OperationLock&) = delete;
    OperationLock& operator=(const OperationLock&) = delete;

    // Waits up to waitMs for the lock in the record's lock file (see
    // RestoreRecord::LockFile), calling yield between short waits. False with
    // ERROR_LOCK_VIOLATION when another copy still runs an operation,
    // ERROR_CANCELLED when the yield stopped, or the error that kept the lock
    // file from opening.
    bool Take(const std::wstring& lockFile, unsigned long waitMs = kOperationLockWaitMs,
              const platform::YieldFn& yield = {});
    bool Held() const { return lock_.Held(); }
    void Release() { lock_.Release(); }

  private:
    platform::ByteLock lock_;
};

} // namespace engine
