#pragma once
// Whether a file found in a folder every account can write may be taken as
// made by the program: only when no other account could have made or changed
// it.
#include <windows.h>

namespace engine {

// True when sd's owner is runner, SYSTEM or the Administrators group, and no
// access entry that applies to the object itself lets any account but those
// (or CREATOR OWNER) write, append, delete, or change its owner or access
// list. No access list at all (everyone may do anything), no owner, or an
// allowing entry of a kind that is not read answers false.
bool TrustedOwnerAndAccess(PSECURITY_DESCRIPTOR sd, PSID runner);

// TrustedOwnerAndAccess of an open file (READ_CONTROL) for the account this
// process runs as; false also when its security cannot be read.
bool TrustedFile(HANDLE file);

} // namespace engine
