#pragma once
// Helpers for tests that look at real files.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
std::string ReadAnsi(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool Exists(const std::wstring& path);
// The names in a folder, "." and ".." among them, sorted; empty when it cannot be listed.
std::vector<std::wstring> NamesIn(const std::wstring& folder);

// Wine reports the archive bit whatever was set: compare only these bits.
constexpr DWORD kComparedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The hidden, system and read-only bits of the path, or 0xFFFFFFFF when missing.
DWORD Attributes(const std::wstring& path);

std::string Narrow(const std::wstring& text); // UTF-8, for test messages

} // namespace testing_support
