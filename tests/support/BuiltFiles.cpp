#include "tests/support/BuiltFiles.h"

namespace testing_support {

std::wstring WinePath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
    return path;
}

std::wstring BuiltIconsDir() {
    return WinePath(QUILLANE_ICONS_DIR);
}

std::wstring BuiltBackgroundsDir() {
    return WinePath(QUILLANE_BACKGROUNDS_DIR);
}

} // namespace testing_support
