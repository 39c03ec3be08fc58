#pragma once
// Where every account of the machine may keep its restore list, for a
// restore or an uninstall run by one account on behalf of all: the
// per-user lists live in each profile's local application data folder.
// Needs no window.
#include <string>
#include <vector>

namespace engine {

inline constexpr wchar_t kProfileListKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
inline constexpr wchar_t kUserShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// One profile of the registry's profile list.
struct AccountProfile {
    std::wstring sid;
    std::wstring profile; // ProfileImagePath, expanded
    // Where its local application data may be, best first: the
    // "Local AppData" of its loaded hive with %USERPROFILE% taken as this
    // profile; without a loaded hive, the runner's own place relative to its
    // profile, then the English layouts of Vista (AppData\Local) and XP
    // (Local Settings\Application Data).
    std::vector<std::wstring> localAppData;
};

// Every user profile of the registry's profile list (the system's service
// accounts left out). runnerLocalAppData and runnerProfile are the running
// account's own folders, whose relation is tried for profiles whose hive
// is not loaded.
std::vector<AccountProfile> AccountProfiles(const std::wstring& runnerLocalAppData,
                                            const std::wstring& runnerProfile);

// True when the folder, taken from another account's list, is on a drive
// letter that need not mean the same to the runner: every letter but a
// local device's. A network drive or a substituted one may be the other
// account's own mapping (drive letters of a logon are its own), and a
// letter the runner does not have at all proves nothing. Shares named in
// full (\\server\share) mean the same to everyone.
bool OnAnotherAccountsDrive(const std::wstring& folder);

} // namespace engine
