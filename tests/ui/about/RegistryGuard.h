#pragma once
// Test helpers over real registry values in the test prefix. Each guard puts
// back what it found (or removes what it made) when it goes, also after a
// failed assertion.
#include <windows.h>
#include <string>
#include <vector>

namespace testing_support {

class RegistryValueGuard {
  public:
    // Remembers the value (and whether its key existed), then deletes the value.
    RegistryValueGuard(HKEY root, std::wstring key, std::wstring name);
    ~RegistryValueGuard();
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;

    bool SetString(const std::wstring& text);
    bool Set(DWORD type, const void* data, DWORD size);

  private:
    HKEY root_;
    std::wstring key_;
    std::wstring name_;
    std::vector<std::wstring> missingKeys_;
    bool valueExisted_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

// A key of its own under HKLM\SOFTWARE, removed with everything below it.
class ScratchKey {
  public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const std::wstring& path() const { return path_; }
    bool Set(const std::wstring& name, DWORD type, const void* data, DWORD size);
    // Gives the key an access list that grants everyone reading and nothing else.
    bool AllowOnlyReading();

  private:
    std::wstring path_;
};

} // namespace testing_support
