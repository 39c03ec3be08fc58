#include "engine/IconTrust.h"

#include "platform/FileSecurity.h"

namespace engine {

namespace {

// Every right that changes the file or who may change it.
constexpr ACCESS_MASK kChanging = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                  FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER |
                                  GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

bool Same(PSID sid, const platform::SidBytes& known) {
    return !known.empty() && EqualSid(sid, const_cast<BYTE*>(known.data())) != FALSE;
}

struct Trusted {
    PSID runner;
    platform::SidBytes system = platform::WellKnown(WinLocalSystemSid);
    platform::SidBytes admins = platform::WellKnown(WinBuiltinAdministratorsSid);
    platform::SidBytes creatorOwner = platform::WellKnown(WinCreatorOwnerSid);

    bool Owner(PSID sid) const {
        return sid && IsValidSid(sid) &&
               ((runner && IsValidSid(runner) && EqualSid(sid, runner)) || Same(sid, system) ||
                Same(sid, admins));
    }
    // CREATOR OWNER stands for the owner, who is checked on its own.
    bool Writer(PSID sid) const { return Owner(sid) || Same(sid, creatorOwner); }
};

} // namespace

bool TrustedOwnerAndAccess(PSECURITY_DESCRIPTOR sd, PSID runner) {
    if (!sd)
        return false;
    const Trusted trusted{runner};
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(sd, &owner, &defaulted) || !trusted.Owner(owner))
        return false;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) || !present || !dacl)
        return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw))
            return false;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(raw);
        // Passed on to what is made inside only.
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        switch (header->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            // Both begin with the mask and the SID.
            const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
            const PSID sid = const_cast<DWORD*>(&ace->SidStart);
            if ((ace->Mask & kChanging) != 0 && !trusted.Writer(sid))
                return false;
            break;
        }
        case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
        case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
            // Not read here: whom they allow is not told.
            if ((static_cast<const ACCESS_ALLOWED_ACE*>(raw)->Mask & kChanging) != 0)
                return false;
            break;
        default: // denying, auditing and labels give no one any right
            break;
        }
    }
    return true;
}

bool TrustedFile(HANDLE file) {
    platform::SecurityDescriptor sd;
    if (!platform::ReadOwnerAndAccess(file, sd))
        return false;
    platform::SidBytes runner = platform::ProcessUserSid();
    return TrustedOwnerAndAccess(sd.get(), runner.empty() ? nullptr : runner.data());
}

} // namespace engine
