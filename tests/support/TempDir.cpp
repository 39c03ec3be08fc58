#include "tests/support/TempDir.h"

#include <windows.h>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, base);
    std::wstring root(base, n);
    if (!root.empty() && root.back() == L'\\')
        root.pop_back();
    static unsigned counter = 0;
    for (;;) {
        path_ = root + L"\\qtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(path_.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a temporary folder");
    }
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

std::wstring TempDir::operator/(const std::wstring& relative) const {
    return path_ + L"\\" + relative;
}

std::wstring TempDir::MakeFolder(const std::wstring& relative) const {
    std::wstring full = path_;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find(L'\\', start);
        if (slash == std::wstring::npos)
            slash = relative.size();
        full += L"\\" + relative.substr(start, slash - start);
        CreateDirectoryW(full.c_str(), nullptr);
        start = slash + 1;
    }
    return full;
}

// NOLINTNEXTLINE(misc-no-recursion): a test's temporary tree is a few levels deep
void RemoveTree(const std::wstring& given) {
    // The exact form, so that a name ending in a dot or a blank goes too.
    const std::wstring path = given.rfind(L"\\\\?\\", 0) == 0 ? given : L"\\\\?\\" + given;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(child);
            else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(child.c_str());
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace testing_support
