#include "platform/Profile.h"

#include <windows.h>
#include <vector>

namespace platform {

std::wstring ReadProfileString(const std::wstring& section, const std::wstring& key,
                               const std::wstring& defaultValue, const std::wstring& path,
                               unsigned bufferChars, unsigned sizeArgument) {
    std::vector<wchar_t> buffer(bufferChars, L'\0');
    DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                       buffer.data(), sizeArgument, path.c_str());
    if (n > bufferChars)
        n = bufferChars;
    return std::wstring(buffer.data(), n);
}

} // namespace platform
