#pragma once
// Path comparisons without regard to case, character by character.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// <0, 0 or >0.
int CompareNoCase(std::wstring_view a, std::wstring_view b);
// A hash of the text that equal texts without regard to case share (FNV-1a
// over the characters as CompareNoCase folds them).
std::uint64_t HashNoCase(std::wstring_view text);
bool ContainsNoCase(const std::wstring& text, const std::wstring& part);

} // namespace platform
