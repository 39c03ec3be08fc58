#pragma once
// Path comparisons without regard to case, character by character.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace platform {

// <0, 0 or >0.
int CompareNoCase(std::wstring_view a, std::wstring_view b);
// A hash of the text that equal texts without regard to case share (FNV-1a
// over the characters as CompareNoCase folds them).
std::uint64_t HashNoCase(std::wstring_view text);
bool ContainsNoCase(const std::wstring& text, const std::wstring& part);

// The order of CompareNoCase, for sorted containers of folders.
struct LessNoCase {
    bool operator()(std::wstring_view a, std::wstring_view b) const {
        return CompareNoCase(a, b) < 0;
    }
};
// Folders, each once whatever its letter case.
using FolderSet = std::set<std::wstring, LessNoCase>;

} // namespace platform
