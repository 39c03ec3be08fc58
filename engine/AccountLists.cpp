#include "engine/AccountLists.h"

#include "platform/Files.h"
#include "platform/TextCompare.h"

#include <windows.h>

namespace engine {

namespace {

// The registry's own view on 64-bit Windows, for the 32-bit build too.
constexpr REGSAM kRead = KEY_READ | KEY_WOW64_64KEY;

class Key {
  public:
    Key(HKEY parent, const std::wstring& path, REGSAM access = kRead) {
        if (RegOpenKeyExW(parent, path.c_str(), 0, access, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

  private:
    HKEY key_ = nullptr;
};

// A string value, REG_SZ or REG_EXPAND_SZ, unexpanded; empty when absent.
std::wstring StringValue(const Key& key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (!key ||
        RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || size > 64 * 1024)
        return {};
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return value;
}

std::wstring Expanded(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos)
        return text;
    const DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0)
        return text;
    std::wstring expanded(size, L'\0');
    const DWORD length = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size);
    if (length == 0 || length > size)
        return text;
    expanded.resize(length - 1);
    return expanded;
}

// %USERPROFILE% is the profile's own, not the runner's.
std::wstring ExpandedFor(std::wstring text, const std::wstring& profile) {
    constexpr wchar_t kVariable[] = L"%USERPROFILE%";
    constexpr size_t kLength = sizeof kVariable / sizeof kVariable[0] - 1;
    for (size_t at = 0; at + kLength <= text.size();) {
        if (platform::CompareNoCase(std::wstring_view(text).substr(at, kLength), kVariable) == 0) {
            text.replace(at, kLength, profile);
            at += profile.size();
        } else {
            ++at;
        }
    }
    return Expanded(text);
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

void AddOnce(std::vector<std::wstring>& paths, const std::wstring& path) {
    if (path.empty())
        return;
    for (const auto& known : paths)
        if (platform::CompareNoCase(known, path) == 0)
            return;
    paths.push_back(path);
}

// The system's own accounts: no one logs on as them.
bool IsServiceAccount(const std::wstring& sid) {
    return sid == L"S-1-5-18" || sid == L"S-1-5-19" || sid == L"S-1-5-20";
}

} // namespace

std::vector<AccountProfile> AccountProfiles(const std::wstring& runnerLocalAppData,
                                            const std::wstring& runnerProfile) {
    std::vector<AccountProfile> profiles;
    const Key list(HKEY_LOCAL_MACHINE, kProfileListKey);
    if (!list)
        return profiles;
    // The runner's place below its profile, in its own language.
    std::wstring relative;
    const std::wstring ownProfile = WithoutTrailingBackslash(runnerProfile);
    const std::wstring ownLocal = WithoutTrailingBackslash(runnerLocalAppData);
    if (!ownProfile.empty() && ownLocal.size() > ownProfile.size() + 1 &&
        ownLocal[ownProfile.size()] == L'\\' &&
        platform::CompareNoCase(std::wstring_view(ownLocal).substr(0, ownProfile.size()),
                                ownProfile) == 0)
        relative = ownLocal.substr(ownProfile.size() + 1);
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        const LONG result =
            RegEnumKeyExW(list.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            continue;
        AccountProfile account;
        account.sid.assign(name, length);
        if (IsServiceAccount(account.sid))
            continue;
        const Key entry(list.get(), account.sid);
        account.profile =
            WithoutTrailingBackslash(Expanded(StringValue(entry, L"ProfileImagePath")));
        if (account.profile.empty())
            continue;
        // Where the account's hive is loaded (it is logged on, or its
        // programs run), its own setting names the folder in its language.
        const Key folders(HKEY_USERS, account.sid + L"\\" + kUserShellFoldersKey);
        const std::wstring own = StringValue(folders, L"Local AppData");
        if (!own.empty()) {
            AddOnce(account.localAppData,
                    WithoutTrailingBackslash(ExpandedFor(own, account.profile)));
        } else {
            if (!relative.empty())
                AddOnce(account.localAppData, account.profile + L"\\" + relative);
            AddOnce(account.localAppData, account.profile + L"\\AppData\\Local");
            AddOnce(account.localAppData, account.profile + L"\\Local Settings\\Application Data");
        }
        profiles.push_back(std::move(account));
    }
    return profiles;
}

bool OnAnotherAccountsDrive(const std::wstring& folder) {
    const std::wstring drive = platform::RootOf(folder);
    if (drive.size() != 2)
        return false;
    switch (GetDriveTypeW((drive + L"\\").c_str())) {
    case DRIVE_FIXED:
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
        break;
    default:
        return true;
    }
    // A substituted drive reads as the drive it stands on: its device name
    // is a path ("\??\C:\..."), a local disk's a device ("\Device\...").
    wchar_t target[MAX_PATH * 2] = {};
    if (QueryDosDeviceW(drive.c_str(), target, MAX_PATH * 2) == 0)
        return true;
    return wcsncmp(target, L"\\??\\", 4) == 0;
}

} // namespace engine
