#pragma once
#include <string>
#include <vector>

namespace engine {

// The value of key in section of an INI file, or empty. A missing file, or one
// that is hidden or system, reads as empty whatever the default.
std::wstring ReadIniValue(const std::wstring& section, const std::wstring& key,
                          const std::wstring& defaultValue, const std::wstring& path);

// The path up to and including its last backslash (the path itself when it has
// none). Without keepDrive the first three characters are first removed from
// the caller's path itself.
std::wstring GetFolderPart(std::wstring& path, bool keepDrive);

// The lines of a text, split at CR LF, CR or LF; no entry after a final break.
std::vector<std::wstring> SplitLines(const std::wstring& text);

} // namespace engine
