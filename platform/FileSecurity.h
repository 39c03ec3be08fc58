#pragma once
// The owner and access list of files and folders: read from an open handle,
// written to one, and spelled as SDDL text (what tests and notes read).
#include <windows.h>

#include <string>
#include <vector>

namespace platform {

// A security descriptor the system allocated; freed with LocalFree.
class SecurityDescriptor {
  public:
    SecurityDescriptor() = default;
    ~SecurityDescriptor() { reset(); }
    SecurityDescriptor(const SecurityDescriptor&) = delete;
    SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;
    PSECURITY_DESCRIPTOR get() const { return sd_; }
    explicit operator bool() const { return sd_ != nullptr; }
    void reset(PSECURITY_DESCRIPTOR sd = nullptr);

  private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
};

using SidBytes = std::vector<BYTE>;

// The account this process runs as (its token's user); empty where unknown.
SidBytes ProcessUserSid();
// A well-known SID such as WinLocalSystemSid; empty where unknown.
SidBytes WellKnown(WELL_KNOWN_SID_TYPE type);

// The owner and access list (not the audit list) of an open file or folder;
// the handle needs READ_CONTROL.
bool ReadOwnerAndAccess(HANDLE object, SecurityDescriptor& sd);

// SDDL in either direction (owner, group and access list).
bool SecurityFromText(const std::wstring& sddl, SecurityDescriptor& sd);
std::wstring SecurityAsText(PSECURITY_DESCRIPTOR sd);

// Gives the open object the owner and access list of sd, which must be
// protected from what a parent passes on (SE_DACL_PROTECTED, "D:P"); what
// the object holds keeps its own lists. The handle needs WRITE_DAC and
// WRITE_OWNER.
bool SetOwnerAndProtectedAccess(HANDLE object, PSECURITY_DESCRIPTOR sd);

} // namespace platform
