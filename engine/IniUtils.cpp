#include "engine/IniUtils.h"

#include "platform/Files.h"
#include "platform/Profile.h"

namespace engine {

std::wstring ReadIniValue(const std::wstring& section, const std::wstring& key,
                          const std::wstring& defaultValue, const std::wstring& path) {
    if (!platform::PlainFileExists(path))
        return {};
    return platform::ReadProfileString(section, key, defaultValue, path, 1024, 1023);
}

std::wstring GetFolderPart(std::wstring& path, bool keepDrive) {
    if (!keepDrive)
        path.erase(0, path.size() < 3 ? path.size() : 3);
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return path;
    return path.substr(0, slash) + L"\\";
}

} // namespace engine
