#pragma once
#include <string>

namespace platform {

// GetPrivateProfileString into a buffer of bufferChars characters, passing
// sizeArgument as its size; returns the characters the call reported.
std::wstring ReadProfileString(const std::wstring& section, const std::wstring& key,
                               const std::wstring& defaultValue, const std::wstring& path,
                               unsigned bufferChars, unsigned sizeArgument);

} // namespace platform
