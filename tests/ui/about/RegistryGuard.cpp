#include "RegistryGuard.h"

#include "platform/SystemApi.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

namespace testing_support {

namespace {

bool WriteValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                const void* data, DWORD size) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG status =
        RegSetValueExW(opened, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

bool KeyIsEmpty(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return subkeys == 0 && values == 0;
}

} // namespace

RegistryValueGuard::RegistryValueGuard(HKEY root, std::wstring key, std::wstring name)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    // The keys that writing the value would create, deepest first.
    for (std::wstring path = key_; !path.empty() && !KeyExists(root_, path);) {
        missingKeys_.push_back(path);
        size_t slash = path.rfind(L'\\');
        path = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    }
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened) !=
        ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExW(opened, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        valueExisted_ = RegQueryValueExW(opened, name_.c_str(), nullptr, &type_, data_.data(),
                                         &size) == ERROR_SUCCESS;
        if (valueExisted_ && RegDeleteValueW(opened, name_.c_str()) != ERROR_SUCCESS)
            ADD_FAILURE() << "cannot clear a registry value for the test";
    }
    RegCloseKey(opened);
}

RegistryValueGuard::~RegistryValueGuard() {
    if (valueExisted_) {
        WriteValue(root_, key_, name_, type_, data_.data(), static_cast<DWORD>(data_.size()));
        return;
    }
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
        RegDeleteValueW(opened, name_.c_str());
        RegCloseKey(opened);
    }
    for (const std::wstring& path : missingKeys_)
        if (KeyIsEmpty(root_, path))
            RegDeleteKeyW(root_, path.c_str());
}

bool RegistryValueGuard::SetString(const std::wstring& text) {
    return Set(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool RegistryValueGuard::Set(DWORD type, const void* data, DWORD size) {
    return WriteValue(root_, key_, name_, type, data, size);
}

ScratchKey::ScratchKey()
    : path_(L"SOFTWARE\\QuillaneTests\\Key" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(platform::TickCount64())) {}

ScratchKey::~ScratchKey() {
    // Our own key: its owner may always give it back the inherited access.
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, WRITE_DAC, &opened) == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR open{};
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, &open);
        RegCloseKey(opened);
    }
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str()); // RegDeleteTreeW is newer than XP
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QuillaneTests");
}

bool ScratchKey::Set(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    return WriteValue(HKEY_LOCAL_MACHINE, path_, name, type, data, size);
}

bool ScratchKey::AllowOnlyReading() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    bool done = false;
    if (AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        alignas(DWORD) BYTE aclBuffer[256] = {};
        ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
        SECURITY_DESCRIPTOR descriptor{};
        done = InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
               AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
               InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
               RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        FreeSid(everyone);
    }
    RegCloseKey(opened);
    return done;
}

} // namespace testing_support
