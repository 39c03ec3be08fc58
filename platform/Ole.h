#pragma once
// OLE on this thread for as long as the object lives.
#include "platform/WindowPart.h"

#include <ole2.h>

namespace platform {

class ScopedOleInitialize {
  public:
    ScopedOleInitialize() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
    // Only a call that succeeded is paired (S_FALSE, already on, counts too).
    ~ScopedOleInitialize() {
        if (initialized_)
            OleUninitialize();
    }
    ScopedOleInitialize(const ScopedOleInitialize&) = delete;
    ScopedOleInitialize& operator=(const ScopedOleInitialize&) = delete;

    bool initialized() const { return initialized_; }

  private:
    bool initialized_;
};

} // namespace platform
