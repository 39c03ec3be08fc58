// Stands in for quillane.exe beside the menu DLL in some tests: writes the
// command line it was given to probe-command.txt in its own folder and the
// bytes of an @FILE argument's file to probe-response.bin, then writes
// QUILLANE_PROBE_ERROR to standard error and ends with QUILLANE_PROBE_EXIT.
#include "platform/Files.h"

#include <windows.h>

#include <cstdint>
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

void Write(const std::wstring& path, const void* bytes, size_t size) {
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    platform::DeleteFileAt(path);
    platform::CreateFileContents(path, std::vector<std::uint8_t>(first, first + size));
}

std::wstring Variable(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = OwnFolder();
    const std::wstring line = GetCommandLineW();
    Write(folder + L"\\probe-command.txt", line.data(),
          line.size() * sizeof(wchar_t));
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(line.c_str(), &count);
    for (int i = 1; arguments && i < count; ++i)
        if (arguments[i][0] == L'@') {
            std::vector<std::uint8_t> bytes;
            platform::ReadAllBytes(arguments[i] + 1, bytes, size_t{64} << 20);
            Write(folder + L"\\probe-response.bin", bytes.data(), bytes.size());
        }
    LocalFree(arguments);
    const std::wstring error = Variable(L"QUILLANE_PROBE_ERROR");
    if (!error.empty()) {
        char utf8[4096] = {};
        const int size = WideCharToMultiByte(CP_UTF8, 0, error.c_str(),
                                             static_cast<int>(error.size()), utf8, 4096, nullptr,
                                             nullptr);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), utf8, static_cast<DWORD>(size), &written, nullptr);
    }
    return _wtoi(Variable(L"QUILLANE_PROBE_EXIT").c_str());
}
