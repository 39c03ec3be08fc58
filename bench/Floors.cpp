#include "bench/Floors.h"

#include "platform/SystemApi.h"

#include <windows.h>

namespace bench {

namespace {
std::wstring IniOf(const std::wstring& folder) {
    return folder + L"\\Desktop.ini";
}
} // namespace

size_t FloorWalk(const std::wstring& root) {
    size_t found = 0;
    std::vector<std::wstring> stack{root};
    while (!stack.empty()) {
        const std::wstring folder = std::move(stack.back());
        stack.pop_back();
        WIN32_FIND_DATAW data;
        HANDLE find = platform::FindFirstEntry((folder + L"\\*").c_str(), &data, true);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            const wchar_t* name = data.cFileName;
            if (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])))
                continue;
            ++found;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                stack.push_back(folder + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return found;
}

void FloorApply(const std::vector<std::wstring>& folders, const std::vector<std::uint8_t>& ini) {
    for (const auto& folder : folders) {
        const std::wstring path = IniOf(folder);
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD wrote = 0;
            WriteFile(file, ini.data(), static_cast<DWORD>(ini.size()), &wrote, nullptr);
            CloseHandle(file);
        }
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_SYSTEM);
    }
}

void FloorStartup(const std::vector<std::wstring>& folders) {
    for (const auto& folder : folders) {
        HANDLE file = CreateFileW(IniOf(folder).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
}

void FloorRestore(const std::vector<std::wstring>& folders) {
    // From the last folder to the first, as the window restores them.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        const std::wstring& folder = *it;
        const std::wstring path = IniOf(folder);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

} // namespace bench
