#include "platform/Files.h"

#include "platform/SystemApi.h"
#include "platform/TextCompare.h"

#include "platform/Handles.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace platform {

namespace {

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// True when every part after the first `from` characters is a plain name:
// no empty part (a doubled backslash), no "." or "..", no forward slash.
bool PlainNamesFrom(const std::wstring& path, size_t from) {
    size_t start = from;
    while (start < path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        const std::wstring_view part(path.data() + start, end - start);
        if ((part.empty() && end < path.size()) || part == L"." || part == L".." ||
            part.find(L'/') != std::wstring_view::npos)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

std::wstring RootOf(std::wstring_view path) {
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == L':')
        return std::wstring(path.substr(0, 2));
    if (path.size() < 2 || path[0] != L'\\' || path[1] != L'\\')
        return {};
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring_view::npos || server == 2 || server + 1 == path.size() ||
        path[server + 1] == L'\\')
        return {};
    return std::wstring(path.substr(0, path.find(L'\\', server + 1)));
}

std::wstring ExactPath(const std::wstring& path) {
    const std::wstring root = RootOf(path);
    if (root.size() == 2) {
        if (path.size() >= 3 && path[2] == L'\\' && PlainNamesFrom(path, 3))
            return L"\\\\?\\" + path;
        return path;
    }
    // \\server\share...: not \\?\ or \\.\, which are already exact.
    if (!root.empty() && path[2] != L'?' && path[2] != L'.' && PlainNamesFrom(path, 2))
        return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

bool SetAttributes(const std::wstring& path, DWORD attributes) {
    return SetFileAttributesW(ExactPath(path).c_str(),
                              attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != FALSE;
}

DWORD GetAttributes(const std::wstring& path) {
    return GetFileAttributesW(ExactPath(path).c_str());
}

bool PathExists(const std::wstring& path) {
    return GetAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
    DWORD a = GetAttributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlainFileExists(const std::wstring& path) {
    if (path.empty())
        return false;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(ExactPath(path).c_str(), &data));
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
    FileHandle file(CreateFileW(ExactPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

bool DeleteFileAt(const std::wstring& path) {
    return DeleteFileW(ExactPath(path).c_str()) != FALSE;
}

namespace {
FileHandle OpenAsItself(const std::wstring& path, DWORD access) {
    return FileHandle(CreateFileW(ExactPath(path).c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}
} // namespace

FileHandle OpenForRemoval(const std::wstring& path) {
    return OpenAsItself(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES | DELETE);
}

FileHandle OpenForReading(const std::wstring& path) {
    return OpenAsItself(path, GENERIC_READ);
}

bool IsLink(const FileHandle& file, bool& link) {
    DWORD attributes = 0;
    if (!GetFileAttributesByHandle(file.get(), attributes))
        return false;
    link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return true;
}

bool SetAttributes(const FileHandle& file, DWORD attributes) {
    return SetFileAttributesByHandle(file.get(), attributes);
}

bool MarkForDeletion(const FileHandle& file) {
    return SetDeleteOnClose(file.get());
}

bool RenameFile(const std::wstring& from, const std::wstring& to) {
    // No replace flag: a rename onto an existing name must fail.
    return MoveFileExW(ExactPath(from).c_str(), ExactPath(to).c_str(), 0) != FALSE;
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

namespace {
// Another copy may be saving the file meanwhile: a reader never stands in
// the way of its replacing move.
FileHandle OpenSharedForReading(const std::wstring& path) {
    return FileHandle(CreateFileW(ExactPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}
} // namespace

bool ReadAllBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes, size_t maxBytes) {
    bytes.clear();
    FileHandle file = OpenSharedForReading(path);
    if (!file)
        return false;
    return ReadAllBytes(file, bytes, maxBytes);
}

namespace {
// Reads until the buffer is full or the file ends; the buffer keeps what came.
bool ReadInto(HANDLE file, std::vector<std::uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, want, &got, nullptr))
            return false;
        if (got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return true;
}
} // namespace

bool ReadInPieces(const std::wstring& path, size_t maxBytes, size_t pieceBytes,
                  const PieceReader& take) {
    FileHandle file = OpenSharedForReading(path);
    std::uint64_t size = 0;
    if (!file || !FileSize(file, size))
        return false;
    if (size > maxBytes) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    std::vector<std::uint8_t> piece;
    std::uint64_t done = 0;
    try {
        for (;;) {
            piece.resize(pieceBytes);
            if (!ReadInto(file.get(), piece))
                return false;
            done += piece.size();
            // Only what the file held when it was opened: it may grow meanwhile.
            const bool last = piece.size() < pieceBytes || done >= size;
            if (!take(piece.data(), piece.size(), last))
                return false;
            if (last)
                return true;
        }
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

bool ReadAllBytes(const FileHandle& file, std::vector<std::uint8_t>& bytes, size_t maxBytes) {
    bytes.clear();
    std::uint64_t size = 0;
    if (!FileSize(file, size))
        return false;
    if (size > maxBytes) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return ReadInto(file.get(), bytes);
}

bool ReadPrefix(const FileHandle& file, size_t maxBytes, std::vector<std::uint8_t>& bytes,
                bool& whole) {
    // One byte more than asked tells whether anything follows.
    bytes.assign(maxBytes + 1, 0);
    if (!ReadInto(file.get(), bytes))
        return false;
    whole = bytes.size() <= maxBytes;
    if (!whole)
        bytes.resize(maxBytes);
    return true;
}

static bool WriteRange(HANDLE file, const std::uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        DWORD wrote = 0;
        const size_t piece = std::min<size_t>(size - done, 1u << 30);
        if (!WriteFile(file, data + done, static_cast<DWORD>(piece), &wrote, nullptr))
            return false;
        done += wrote;
    }
    return true;
}

// Writes in pieces of a megabyte, calling yield between them: a whole drive's
// list takes longer to write than a window may stay unanswered.
static bool WriteAll(const std::vector<std::uint8_t>& bytes, const YieldFn& yield,
                     const PieceWriter& write) {
    constexpr size_t kPiece = 1 << 20;
    for (size_t done = 0; done < bytes.size(); done += kPiece) {
        if (done && !KeepGoing(yield)) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        if (!write(bytes.data() + done, std::min(kPiece, bytes.size() - done)))
            return false;
    }
    return true;
}

static bool WriteAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
    return WriteRange(file, bytes.data(), bytes.size());
}

FileHandle CreateNewFile(const std::wstring& path, DWORD attributes) {
    return FileHandle(CreateFileW(ExactPath(path).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                  nullptr, CREATE_NEW,
                                  attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes, nullptr));
}

bool WriteBytes(const FileHandle& file, const std::vector<std::uint8_t>& bytes) {
    return WriteAll(file.get(), bytes);
}

bool AppendBytes(const FileHandle& file, const std::vector<std::uint8_t>& bytes) {
    return WriteAll(file.get(), bytes);
}

bool FlushFile(const FileHandle& file) {
    return FlushFileBuffers(file.get()) != FALSE;
}

namespace {
DWORD WINAPI FlushOnThread(void* file) {
    return FlushFileBuffers(static_cast<HANDLE>(file)) ? ERROR_SUCCESS : GetLastError();
}
} // namespace

bool FlushFile(const FileHandle& file, const YieldFn& yield) {
    if (!yield)
        return FlushFile(file);
    const KernelHandle thread(CreateThread(nullptr, 0, FlushOnThread, file.get(), 0, nullptr));
    if (!thread)
        return FlushFile(file);
    bool going = true;
    // The thread uses the handle: it must end before this returns.
    while (WaitForSingleObject(thread.get(), 10) == WAIT_TIMEOUT)
        going = going && yield();
    DWORD result = ERROR_SUCCESS;
    if (!GetExitCodeThread(thread.get(), &result))
        result = GetLastError();
    if (result == ERROR_SUCCESS && !going)
        result = ERROR_CANCELLED;
    SetLastError(result);
    return result == ERROR_SUCCESS;
}

bool CreateFolder(const std::wstring& path) {
    if (CreateDirectoryW(ExactPath(path).c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS && IsDirectory(path))
        return true;
    SetLastError(error);
    return false;
}

bool FolderAcceptsWrites(const std::wstring& folder) {
    // Trying is the only sure test: access lists, read-only media and
    // immutable folders all refuse in their own way. (GetTempFileNameW
    // reports success even where its file could not be made.)
    const std::wstring probe = folder + L"\\~qln" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(platform::TickCount64()) + L".tmp";
    FileHandle file(CreateFileW(ExactPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.valid();
}

namespace {
// A name some file or link has; an unknown answer counts as taken.
bool NameTaken(const std::wstring& name) {
    if (PathExists(name))
        return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool AllDigits(std::wstring_view text) {
    if (text.empty())
        return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9')
            return false;
    return true;
}
} // namespace

FileHandle CreateUnusedFile(const std::wstring& base, DWORD share, std::wstring& created) {
    // Enough for every save a full disk or a held file ever left behind.
    constexpr unsigned kNames = 1000;
    for (unsigned n = 0; n < kNames; ++n) {
        const std::wstring name = n == 0 ? base : base + std::to_wstring(n);
        FileHandle file(CreateFileW(ExactPath(name).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                    share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            created = name;
            return file;
        }
        const DWORD error = GetLastError();
        // A folder of that name, or a file on its way out, refuses as well.
        const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                           error == ERROR_SHARING_VIOLATION ||
                           (error == ERROR_ACCESS_DENIED && NameTaken(name));
        if (!taken) {
            SetLastError(error);
            return file;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return FileHandle();
}

std::vector<std::wstring> NumberedFiles(const std::wstring& base) {
    std::vector<std::wstring> found;
    const size_t slash = base.find_last_of(L'\\');
    const std::wstring folder =
        slash == std::wstring::npos ? std::wstring() : base.substr(0, slash + 1);
    const std::wstring_view name =
        std::wstring_view(base).substr(slash == std::wstring::npos ? 0 : slash + 1);
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(ExactPath(base + L"*").c_str(), &data));
    if (!find)
        return found;
    do {
        const std::wstring_view entry(data.cFileName);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || entry.size() < name.size() ||
            CompareNoCase(entry.substr(0, name.size()), name) != 0)
            continue;
        const std::wstring_view number = entry.substr(name.size());
        if (number.empty() || AllDigits(number))
            found.push_back(folder + data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    return found;
}

bool FileStamp::operator==(const FileStamp& other) const {
    if (present != other.present)
        return false;
    return !present || (size == other.size && CompareFileTime(&created, &other.created) == 0 &&
                        CompareFileTime(&written, &other.written) == 0);
}

bool ReadStamp(const FileHandle& file, FileStamp& stamp) {
    stamp = FileStamp();
    if (!FileSize(file, stamp.size) ||
        !GetFileTime(file.get(), &stamp.created, nullptr, &stamp.written))
        return false;
    stamp.present = true;
    return true;
}

bool ReadStamp(const std::wstring& path, FileStamp& stamp) {
    stamp = FileStamp();
    // Attributes only: no holder's share mode stands in the way.
    const FileHandle file = OpenAsItself(path, FILE_READ_ATTRIBUTES);
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return ReadStamp(file, stamp);
}

namespace {
// The open file is still as stamped; ERROR_FILE_CHECKED_OUT when it changed.
bool StillAsStamped(const FileHandle& file, const FileStamp& stamp) {
    FileStamp now;
    if (!file || !ReadStamp(file, now))
        return false;
    if (now != stamp) {
        SetLastError(ERROR_FILE_CHECKED_OUT);
        return false;
    }
    return true;
}
} // namespace

bool DeleteIfUnchanged(const std::wstring& path, const FileStamp& stamp) {
    // Asking for deletion fails while a writer holds the file without sharing it.
    const FileHandle file = OpenAsItself(path, FILE_READ_ATTRIBUTES | DELETE);
    return StillAsStamped(file, stamp) && MarkForDeletion(file);
}

bool RemoveName(const std::wstring& path, const std::wstring& placeholderBase,
                const FileStamp* expected) {
    if (expected && !StillAsStamped(OpenAsItself(path, FILE_READ_ATTRIBUTES | DELETE), *expected))
        return false;
    // Under Wine a link to a file shows as the file, and deleting its name
    // deletes the target; moving a file over the name replaces the link.
    std::wstring placeholder;
    FileStamp stamp;
    {
        const FileHandle file = CreateUnusedFile(placeholderBase, FILE_SHARE_READ, placeholder);
        if (!file || !ReadStamp(file, stamp))
            return false;
    }
    if (!MoveFileExW(ExactPath(placeholder).c_str(), ExactPath(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING)) {
        KeepingLastError([&] { DeleteIfUnchanged(placeholder, stamp); });
        return false;
    }
    return DeleteIfUnchanged(path, stamp);
}

bool ByteLock::Take(const std::wstring& path, DWORD waitMs, const YieldFn& yield, DWORD byte) {
    Release();
    // Opened for reading only: a lock needs no more, and nothing is written.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    FileHandle file(CreateFileW(ExactPath(path).c_str(), GENERIC_READ, share, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() == ERROR_FILE_EXISTS)
        file = OpenAsItself(path, GENERIC_READ);
    if (!file)
        return false;
    const ULONGLONG start = TickCount64();
    for (;;) {
        OVERLAPPED at{};
        at.Offset = byte;
        if (LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &at)) {
            file_ = std::move(file);
            byte_ = byte;
            held_ = true;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
            return false;
        if (TickCount64() - start >= waitMs) {
            SetLastError(ERROR_LOCK_VIOLATION);
            return false;
        }
        if (!KeepGoing(yield)) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        Sleep(15);
    }
}

void ByteLock::Release() {
    if (held_) {
        OVERLAPPED at{};
        at.Offset = byte_;
        KeepingLastError([this, &at] { UnlockFileEx(file_.get(), 0, 1, 0, &at); });
        held_ = false;
    }
    file_.reset();
}

namespace {
// Writes the contents to a new temporary file beside path and flushes it;
// on failure nothing of it is left.
bool WriteTemporary(const std::wstring& path,
                    const std::function<bool(const PieceWriter& write)>& produce,
                    const YieldFn& yield, std::wstring& temp) {
    // Never an existing name, which could be a link to some other file.
    FileHandle file = CreateUnusedFile(path + L".new", 0, temp);
    if (!file)
        return false;
    const PieceWriter write = [&file](const std::uint8_t* data, size_t size) {
        return WriteRange(file.get(), data, size);
    };
    if (!produce(write) || !FlushFile(file, yield)) {
        file.reset();
        KeepingLastError([&temp] { DeleteFileAt(temp); });
        return false;
    }
    return true;
}
} // namespace

bool ReplaceFileFrom(const std::wstring& path,
                     const std::function<bool(const PieceWriter& write)>& produce,
                     const YieldFn& yield) {
    const std::wstring target = ExactPath(path);
    DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    std::wstring temp;
    if (!WriteTemporary(path, produce, yield, temp))
        return false;
    const ULONGLONG start = TickCount64();
    while (!MoveFileExW(ExactPath(temp).c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        // A reader has the file open: Windows refuses the move only when it
        // did not share deletion, Wine whatever it shared. Readers are quick.
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (held && TickCount64() - start < kReplaceRetryMs) {
            if (KeepGoing(yield)) {
                Sleep(kReplaceRetryStepMs);
                continue;
            }
            error = ERROR_CANCELLED;
        }
        DeleteFileAt(temp);
        SetLastError(error);
        return false;
    }
    return true;
}

bool CreateFileContents(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::wstring temp;
    const auto produce = [&bytes](const PieceWriter& write) {
        return write(bytes.data(), bytes.size());
    };
    if (!WriteTemporary(path, produce, {}, temp))
        return false;
    if (!MoveFileExW(ExactPath(temp).c_str(), ExactPath(path).c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileAt(temp);
        SetLastError(error == ERROR_FILE_EXISTS ? DWORD(ERROR_ALREADY_EXISTS) : error);
        return false;
    }
    return true;
}

void RemoveLeftoverTemporaryFiles(const std::wstring& path) {
    // One still being written is held without sharing and stays.
    for (const std::wstring& leftover : NumberedFiles(path + L".new"))
        RemoveName(leftover, path + L".new");
}

bool ReplaceFileContents(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                         const YieldFn& yield) {
    return ReplaceFileFrom(
        path, [&bytes, &yield](const PieceWriter& write) { return WriteAll(bytes, yield, write); },
        yield);
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
