#include "platform/FileSecurity.h"

#include "platform/Handles.h"

#include <sddl.h>

namespace platform {

void SecurityDescriptor::reset(PSECURITY_DESCRIPTOR sd) {
    if (sd_)
        LocalFree(sd_);
    sd_ = sd;
}

SidBytes ProcessUserSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return {};
    const KernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    if (!IsValidSid(sid))
        return {};
    const BYTE* start = static_cast<const BYTE*>(sid);
    return SidBytes(start, start + GetLengthSid(sid));
}

SidBytes WellKnown(WELL_KNOWN_SID_TYPE type) {
    SidBytes sid(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size))
        return {};
    sid.resize(size);
    return sid;
}

bool ReadOwnerAndAccess(HANDLE object, SecurityDescriptor& sd) {
    // The kernel's call, not GetSecurityInfo's: its header needs the window part.
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    GetKernelObjectSecurity(object, wanted, nullptr, 0, &needed);
    if (needed == 0)
        return false;
    PSECURITY_DESCRIPTOR read = LocalAlloc(LMEM_FIXED, needed);
    if (!read)
        return false;
    sd.reset(read);
    if (!GetKernelObjectSecurity(object, wanted, read, needed, &needed)) {
        sd.reset();
        return false;
    }
    return true;
}

bool SecurityFromText(const std::wstring& sddl, SecurityDescriptor& sd) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &made,
                                                              nullptr))
        return false;
    sd.reset(made);
    return true;
}

std::wstring SecurityAsText(PSECURITY_DESCRIPTOR sd) {
    wchar_t* text = nullptr;
    if (!sd ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(
            sd, SDDL_REVISION_1,
            OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
            &text, nullptr))
        return {};
    std::wstring result(text);
    LocalFree(text);
    return result;
}

bool SetOwnerAndProtectedAccess(HANDLE object, PSECURITY_DESCRIPTOR sd) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorControl(sd, &control, &revision) ||
        !GetSecurityDescriptorOwner(sd, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted))
        return false;
    if (!owner || !present || !dacl || (control & SE_DACL_PROTECTED) == 0) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return false;
    }
    // Set on this object alone, passed on to nothing that is there already.
    return SetKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                   sd) != FALSE;
}

} // namespace platform
