#include "tests/support/PlatformChecks.h"

#include <string>

namespace testing_support {

bool HasCloseCommand(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    return menu && GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

bool FitsAnsiCodePage(const std::wstring& text) {
    if (text.empty())
        return true;
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0,
                                      nullptr, &usedDefault);
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, narrow.data(), n, nullptr,
                        &usedDefault);
    // A round trip also catches characters that map to something else.
    std::wstring back(text.size() * 2, L'\0');
    const int m = MultiByteToWideChar(CP_ACP, 0, narrow.data(), n, back.data(),
                                      static_cast<int>(back.size()));
    back.resize(static_cast<size_t>(m > 0 ? m : 0));
    return !usedDefault && back == text;
}

} // namespace testing_support
