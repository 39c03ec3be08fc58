#include "platform/Files.h"

#include "platform/SystemApi.h"

#include "platform/Handles.h"

#include <algorithm>

namespace platform {

bool SetAttributes(const std::wstring& path, DWORD attributes) {
    return SetFileAttributesW(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) !=
           FALSE;
}

DWORD GetAttributes(const std::wstring& path) {
    return GetFileAttributesW(path.c_str());
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlainFileExists(const std::wstring& path) {
    if (path.empty())
        return false;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(path.c_str(), &data));
    if (!find)
        return false;
    const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if (!(data.dwFileAttributes & excluded))
            return true;
    } while (FindNextFileW(find.get(), &data));
    return false;
}

bool FileExists(const std::wstring& path) {
    if (path.empty())
        return false;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

bool DeleteFileAt(const std::wstring& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

bool CreateFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

bool CopyToNewFile(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

FileHandle OpenForRemoval(const std::wstring& path) {
    return FileHandle(CreateFileW(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES | DELETE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool SetAttributes(const FileHandle& file, DWORD attributes) {
    return SetFileAttributesByHandle(file.get(), attributes);
}

bool MarkForDeletion(const FileHandle& file) {
    return SetDeleteOnClose(file.get());
}

bool RenameFile(const std::wstring& from, const std::wstring& to) {
    // No replace flag: a rename onto an existing name must fail.
    return MoveFileExW(from.c_str(), to.c_str(), 0) != FALSE;
}

bool FileSize(const FileHandle& file, std::uint64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(file.get(), &value))
        return false;
    size = static_cast<std::uint64_t>(value.QuadPart);
    return true;
}

bool FindNextEntry(const FindHandle& find, WIN32_FIND_DATAW& data) {
    return FindNextFileW(find.get(), &data) != FALSE;
}

bool ReadAllBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    return ReadAllBytes(file, bytes);
}

bool ReadAllBytes(const FileHandle& file, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::uint64_t size = 0;
    if (!FileSize(file, size))
        return false;
    if (size > 0x7FFFFFFF) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &got, nullptr))
            return false;
        if (got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

// Writes in pieces of a megabyte, calling yield between them: a whole drive's
// list takes longer to write than a window may stay unanswered.
static bool WriteAll(HANDLE file, const std::vector<std::uint8_t>& bytes,
                     const YieldFn& yield = {}) {
    constexpr size_t kPiece = 1 << 20;
    size_t done = 0;
    while (done < bytes.size()) {
        if (done && !KeepGoing(yield)) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        DWORD wrote = 0;
        const size_t piece = std::min(kPiece, bytes.size() - done);
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(piece), &wrote, nullptr))
            return false;
        done += wrote;
    }
    return true;
}

bool WriteAllBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                   DWORD attributes) {
    const DWORD wanted = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, wanted, nullptr));
    if (!file)
        return false;
    // Wine keeps the old attributes of a file it overwrites; Windows does not.
    if (GetLastError() == ERROR_ALREADY_EXISTS && !SetAttributes(file, attributes))
        return false;
    return WriteAll(file.get(), bytes);
}

FileHandle CreateNewFile(const std::wstring& path, DWORD attributes) {
    return FileHandle(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes,
                                  nullptr));
}

bool WriteBytes(const FileHandle& file, const std::vector<std::uint8_t>& bytes) {
    return WriteAll(file.get(), bytes);
}

FileHandle OpenForAppending(const std::wstring& path) {
    return FileHandle(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool AppendBytes(const FileHandle& file, const std::vector<std::uint8_t>& bytes) {
    return WriteAll(file.get(), bytes);
}

bool FolderAcceptsWrites(const std::wstring& folder) {
    // Trying is the only sure test: access lists, read-only media and
    // immutable folders all refuse in their own way. (GetTempFileNameW
    // reports success even where its file could not be made.)
    const std::wstring probe = folder + L"\\~qln" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(platform::TickCount64()) + L".tmp";
    FileHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.valid();
}

bool ReplaceFileContents(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                         const YieldFn& yield) {
    DWORD existing = GetFileAttributesW(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if (existing & FILE_ATTRIBUTE_DIRECTORY) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (existing & FILE_ATTRIBUTE_READONLY) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    const std::wstring temp = path + L".new";
    {
        FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        if (!WriteAll(file.get(), bytes, yield) || !FlushFileBuffers(file.get())) {
            file.reset();
            KeepingLastError([&temp] { DeleteFileW(temp.c_str()); });
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        KeepingLastError([&temp] { DeleteFileW(temp.c_str()); });
        return false;
    }
    return true;
}

std::wstring ErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length && buffer)
        text.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        text = L"Error " + std::to_wstring(error);
    return text;
}

} // namespace platform
