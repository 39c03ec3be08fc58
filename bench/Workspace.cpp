#include "bench/Workspace.h"

#include "bench/Measure.h"
#include "bench/Tree.h"
#include "platform/TextCodec.h"

#include <cstdio>

namespace bench {

namespace {
std::wstring MarkerPath(size_t size) {
    return TreeRoot(size) + L".ready";
}
} // namespace

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buffer);
    std::wstring path = buffer;
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path + L"\\quillane-bench";
}

std::wstring TreeRoot(size_t size) {
    return TempFolder() + L"\\tree-" + std::to_wstring(size);
}
std::wstring AppFolder(size_t size) {
    return TempFolder() + L"\\app-" + std::to_wstring(size);
}

std::string Narrow(const std::wstring& text) {
    return platform::ToAnsi(text);
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD wrote = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
    CloseHandle(file);
    return ok;
}

std::string ReadFileText(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    char buffer[256] = {};
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

// A tree is reused when a finished run left it clean and marked.
size_t PrepareTree(size_t size, bool fresh) {
    const std::wstring root = TreeRoot(size);
    if (!fresh) {
        size_t made = 0;
        if (std::sscanf(ReadFileText(MarkerPath(size)).c_str(), "%zu", &made) == 1 && made > 0) {
            DeleteFileW(MarkerPath(size).c_str());
            return made;
        }
    }
    std::printf("  making a tree of %zu folders...\n", size);
    std::fflush(stdout);
    const double start = Now();
    RemoveTree(root);
    const size_t made = MakeTree(root, size, static_cast<unsigned>(size));
    std::printf("  made %zu folders in %.1f s\n", made, Now() - start);
    std::fflush(stdout);
    return made;
}

void MarkTreeClean(size_t size, size_t made) {
    WriteFileText(MarkerPath(size), std::to_string(made));
}

void ResetListFile(const std::wstring& app) {
    CreateDirectoryW(app.c_str(), nullptr);
    WriteFileText(app + L"\\Fldr.dll", "\r\n");
}

std::wstring ProgramFolder() {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder = exe;
    folder.resize(folder.find_last_of(L'\\')); // bench\quillane-bench.exe
    folder.resize(folder.find_last_of(L'\\'));
    return folder;
}

DWORD RunAndWait(const std::wstring& program, std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

} // namespace bench
