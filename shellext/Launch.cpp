// Runs quillane.exe for the menu: builds its command line, writes a response
// file for many folders, and waits on a worker thread for /apply and
// /restore so that a run that failed says so in one message box.
#include "shellext/Launch.h"

#include "platform/Handles.h"
#include "shellext/Module.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

namespace shellext {

namespace {

constexpr wchar_t kTitle[] = L"Quillane";
// What of the program's standard error is kept for the message.
constexpr size_t kErrorBytesKept = 4096;

// A new file in the temporary folder: UTF-16 LE with a byte-order mark, one
// folder a line, CR LF.
bool WriteResponseFile(const std::vector<std::wstring>& folders, std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return false;
    std::wstring text(1, L'\xFEFF');
    for (const std::wstring& folder : folders)
        text += folder + L"\r\n";
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t unique[64] = {};
        wsprintfW(unique, L"Quillane-%lu-%lu-%u.txt", GetCurrentProcessId(), GetTickCount(),
                  ++counter);
        const std::wstring candidate = std::wstring(temp) + unique;
        platform::FileHandle file(CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return false;
        }
        const auto bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), bytes, &written, nullptr) || written != bytes) {
            file.reset();
            DeleteFileW(candidate.c_str());
            return false;
        }
        name = candidate;
        return true;
    }
    return false;
}

std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, text.data(), length);
    return text;
}

struct Waiter {
    platform::KernelHandle process;
    platform::FileHandle errorPipe;
    HMODULE module = nullptr;
};

// Reads the pipe to its end (so the program never blocks on a full one),
// keeping the first kErrorBytesKept bytes.
std::string ReadStandardError(HANDLE pipe) {
    std::string kept;
    char buffer[1024];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        if (kept.size() < kErrorBytesKept)
            kept.append(buffer, std::min<size_t>(read, kErrorBytesKept - kept.size()));
    return kept;
}

void Wait(Waiter& waiter) {
    const std::string error = ReadStandardError(waiter.errorPipe.get());
    WaitForSingleObject(waiter.process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(waiter.process.get(), &code) || code == 0)
        return;
    const std::wstring message = FailureMessage(code, FromUtf8(error));
    MessageBoxW(nullptr, message.c_str(), kTitle, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

DWORD WINAPI WaiterThread(void* parameter) {
    std::unique_ptr<Waiter> waiter(static_cast<Waiter*>(parameter));
    const HMODULE module = waiter->module;
    try {
        Wait(*waiter);
    } catch (...) {
    }
    waiter.reset();
    ReleaseModuleRef();
    // Our own reference keeps the code of this thread loaded to its last step.
    FreeLibraryAndExitThread(module, 0);
}

} // namespace

std::wstring QuotedFolders(const std::vector<std::wstring>& folders) {
    std::wstring text;
    for (const std::wstring& folder : folders) {
        if (!text.empty())
            text += L' ';
        text += L'"' + folder + L'"';
    }
    return text;
}

bool BuildCommandLine(const std::wstring& program, const Command& command,
                      const std::vector<std::wstring>& folders, std::wstring& line,
                      std::wstring& responseFile) {
    responseFile.clear();
    const std::wstring head = L"\"" + program + L"\"" +
                              (command.before.empty() ? L"" : L" " + command.before) + L" ";
    const std::wstring tail = command.after.empty() ? L"" : L" " + command.after;
    std::wstring middle = QuotedFolders(folders);
    if (head.size() + middle.size() + tail.size() > kLongestCommandLine) {
        if (!WriteResponseFile(folders, responseFile))
            return false;
        middle = L"\"@" + responseFile + L"\"";
    }
    line = head + middle + tail;
    return true;
}

std::wstring FailureMessage(DWORD exitCode, const std::wstring& standardError) {
    if (exitCode == 3)
        return L"Another copy of Quillane is busy changing folders. Try again when it has "
               L"finished.";
    std::wstring text = L"Quillane could not change every folder:";
    std::wstring details = standardError;
    while (!details.empty() && (details.back() == L'\r' || details.back() == L'\n'))
        details.pop_back();
    if (!details.empty())
        text += L"\r\n\r\n" + details;
    return text;
}

HRESULT StartProgram(const Command& command, const std::vector<std::wstring>& folders) {
    const std::wstring folder = ModuleFolder();
    if (folder.empty())
        return E_FAIL;
    const std::wstring program = folder + L"\\quillane.exe";
    std::wstring line, responseFile;
    if (!BuildCommandLine(program, command, folders, line, responseFile))
        return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
    auto dropResponseFile = [&responseFile] {
        if (!responseFile.empty())
            DeleteFileW(responseFile.c_str());
    };

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    platform::FileHandle readEnd, writeEnd;
    if (command.waited) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inherit, 0)) {
            const DWORD error = GetLastError();
            dropResponseFile();
            return HRESULT_FROM_WIN32(error);
        }
        readEnd.reset(read);
        writeEnd.reset(write);
        // Only the write end goes to the program.
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = write;
    }
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, command.waited ? TRUE : FALSE,
                        0, nullptr, folder.c_str(), &startup, &started)) {
        const DWORD error = GetLastError();
        dropResponseFile();
        return HRESULT_FROM_WIN32(error);
    }
    CloseHandle(started.hThread);
    platform::KernelHandle process(started.hProcess);
    // The program holds its own copy now; ours would keep the pipe open.
    writeEnd.reset();
    if (!command.waited)
        return S_OK;

    auto* waiter = new (std::nothrow) Waiter{std::move(process), std::move(readEnd), nullptr};
    if (!waiter)
        return S_OK; // the program runs; only its report is lost
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&WaiterThread), &waiter->module)) {
        delete waiter;
        return S_OK;
    }
    AddModuleRef();
    const HANDLE thread = CreateThread(nullptr, 0, &WaiterThread, waiter, 0, nullptr);
    if (!thread) {
        const HMODULE module = waiter->module;
        delete waiter;
        ReleaseModuleRef();
        FreeLibrary(module);
        return S_OK;
    }
    CloseHandle(thread);
    return S_OK;
}

} // namespace shellext
