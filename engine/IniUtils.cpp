#include "engine/IniUtils.h"

#include "platform/Files.h"
#include "platform/Profile.h"

#include <algorithm>
#include <utility>

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

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
        size_t end = start;
        while (end < n && text[end] != L'\r' && text[end] != L'\n')
            ++end;
        std::wstring line(text, start, end - start);
        // A NUL would cut the line short wherever it is taken as a C string.
        line.erase(std::remove(line.begin(), line.end(), L'\0'), line.end());
        lines.push_back(std::move(line));
        if (end < n && text[end] == L'\r' && end + 1 < n && text[end + 1] == L'\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

} // namespace engine
