#pragma once
// Path comparisons without regard to case, character by character.
#include <string>

namespace platform {

// <0, 0 or >0.
int CompareNoCase(const std::wstring& a, const std::wstring& b);
bool ContainsNoCase(const std::wstring& text, const std::wstring& part);

} // namespace platform
