#include "platform/TextCompare.h"

#include <windows.h>

namespace platform {

namespace {

wchar_t UpperChar(wchar_t c) {
    if (c < 0x80)
        return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    // The user's language decides, as for the shell's own case folding; the
    // kernel's mapping keeps this part free of the window libraries.
    wchar_t upper = c;
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, &c, 1, &upper, 1);
    return upper;
}

} // namespace

int CompareNoCase(std::wstring_view a, std::wstring_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        wchar_t x = a[i], y = b[i];
        if (x == y)
            continue;
        x = UpperChar(x);
        y = UpperChar(y);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::uint64_t HashNoCase(std::wstring_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : text) {
        hash = (hash ^ static_cast<std::uint64_t>(UpperChar(c))) * 1099511628211ull;
    }
    return hash;
}

bool ContainsNoCase(const std::wstring& text, const std::wstring& part) {
    if (part.empty())
        return true;
    if (part.size() > text.size())
        return false;
    for (size_t start = 0; start + part.size() <= text.size(); ++start) {
        size_t i = 0;
        while (i < part.size() && UpperChar(text[start + i]) == UpperChar(part[i]))
            ++i;
        if (i == part.size())
            return true;
    }
    return false;
}

} // namespace platform
