#include "engine/SharedIcon.h"

#include "engine/IconTrust.h"
#include "platform/FileSecurity.h"
#include "platform/Files.h"
#include "platform/SystemApi.h"

namespace engine {

namespace {

// Far more than any folder gathers by accident.
constexpr unsigned kNames = 100;

enum class NameHolds { Nothing, TheseBytes, SomethingElse, Unknown };

// Under Wine a link to nowhere opens as a missing file, and the rename that
// places a new file would replace it: the name is free only where a new file
// can take it (made and at once removed). Another refusal is left for the
// write itself to report.
NameHolds Unopened(const std::wstring& path) {
    const platform::FileHandle probe(
        CreateFileW(platform::ExactPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    const DWORD error = probe ? 0 : GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NameHolds::SomethingElse
                                                                       : NameHolds::Nothing;
}

NameHolds Examine(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
                  bool checkOwner) {
    const platform::FileHandle file = platform::OpenForReading(path);
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return Unopened(path);
        // A folder, a file held without sharing: taken by someone.
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return NameHolds::SomethingElse;
        return NameHolds::Unknown;
    }
    bool link = false;
    std::uint64_t size = 0;
    if (!platform::IsLink(file, link) || !platform::FileSize(file, size))
        return NameHolds::Unknown;
    if (link || size != bytes.size())
        return NameHolds::SomethingElse;
    // No more than the file should hold (and one byte to see that it ends).
    std::vector<std::uint8_t> held;
    bool whole = false;
    if (!platform::ReadPrefix(file, bytes.size(), held, whole))
        return NameHolds::Unknown;
    if (!whole || held != bytes)
        return NameHolds::SomethingElse;
    // The right bytes today, but whoever may change them could change every
    // folder that names the file.
    return !checkOwner || TrustedFile(file.get()) ? NameHolds::TheseBytes
                                                  : NameHolds::SomethingElse;
}

// The folder, made where missing; never a link to somewhere else.
bool MakeFolder(const std::wstring& folder) {
    if (!platform::CreateFolder(folder))
        return false;
    const DWORD attributes = platform::GetAttributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    return true;
}

bool MakeFolderAndParent(const std::wstring& folder) {
    const size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 3 && !MakeFolder(folder.substr(0, slash)))
        return false;
    return MakeFolder(folder);
}

// Every account reads; only Administrators and SYSTEM change the folder.
constexpr wchar_t kParentAccess[] =
    L"O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
// Users list the folder and add files (0x1200AB: read, traverse, add file),
// read the files others made, and own what they made (CREATOR OWNER).
constexpr wchar_t kIconsAccess[] =
    L"O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OIIO;FRFX;;;BU)"
    L"(A;OICIIO;FA;;;CO)";

// The folder opened as itself, sharing no deletion so that it cannot be
// renamed or replaced while the handle is held; invalid with
// ERROR_CANT_ACCESS_FILE where it is a link or no folder.
platform::FileHandle HoldFolder(const std::wstring& folder, DWORD access) {
    // Under Wine a handle on a link to a folder does not show it as a link;
    // the name's attributes do.
    const DWORD named = platform::GetAttributes(folder);
    if (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return platform::FileHandle();
    }
    platform::FileHandle handle(
        CreateFileW(platform::ExactPath(folder).c_str(), access | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle)
        return handle;
    DWORD attributes = 0;
    if (!platform::GetFileAttributesByHandle(handle.get(), attributes))
        return platform::FileHandle();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return platform::FileHandle();
    }
    return handle;
}

platform::FileHandle PrepareFolder(const std::wstring& folder, const wchar_t* sddl) {
    platform::SecurityDescriptor sd;
    if (!platform::SecurityFromText(sddl, sd))
        return platform::FileHandle();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, sd.get(), FALSE};
    if (!CreateDirectoryW(platform::ExactPath(folder).c_str(), &attributes) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return platform::FileHandle();
    // Made now or long before (perhaps by an account that meant harm): the
    // same owner and entries either way.
    platform::FileHandle handle = HoldFolder(folder, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
    if (!handle || !platform::SetOwnerAndProtectedAccess(handle.get(), sd.get()))
        return platform::FileHandle();
    return handle;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           _wcsicmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

// "Folder *.ico" and "Folder *.ico.new*", as the program names them.
bool IsIconFileName(const std::wstring& name) {
    if (_wcsnicmp(name.c_str(), L"Folder ", 7) != 0)
        return false;
    const std::wstring rest = name.substr(7);
    if (EndsWith(rest, L".ico"))
        return true;
    for (size_t at = 0; (at = rest.find(L'.', at)) != std::wstring::npos; ++at)
        if (_wcsnicmp(rest.c_str() + at, L".ico.new", 8) == 0)
            return true;
    return false;
}

// Deleted where it is empty, as itself.
void RemoveEmptyFolder(const std::wstring& folder) {
    const platform::FileHandle handle = HoldFolder(folder, DELETE);
    if (handle)
        platform::MarkForDeletion(handle);
}

} // namespace

std::wstring NumberedIconName(const std::wstring& base, unsigned attempt) {
    if (attempt <= 1)
        return base + L".ico";
    return base + L" (" + std::to_wstring(attempt) + L").ico";
}

bool PlaceIconFile(const std::wstring& folder, const std::wstring& base,
                   const std::vector<std::uint8_t>& bytes, std::wstring& path, bool& written,
                   bool checkOwner) {
    written = false;
    if (!MakeFolder(folder))
        return false;
    DWORD unknown = 0; // the first name that could not be told
    for (unsigned attempt = 1; attempt <= kNames; ++attempt) {
        const std::wstring name = folder + L"\\" + NumberedIconName(base, attempt);
        // Twice where another copy takes the name between the look and the write.
        for (int look = 0; look < 2; ++look) {
            const NameHolds holds = Examine(name, bytes, checkOwner);
            if (holds == NameHolds::TheseBytes) {
                path = name;
                return true;
            }
            if (holds == NameHolds::Unknown && unknown == 0)
                unknown = GetLastError();
            if (holds != NameHolds::Nothing)
                break;
            if (platform::CreateFileContents(name, bytes)) {
                path = name;
                written = true;
                return true;
            }
            if (GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        }
    }
    SetLastError(unknown != 0 ? unknown : DWORD(ERROR_FILE_EXISTS));
    return false;
}

bool PlaceSharedIcon(const std::wstring& sharedFolder, const std::wstring& perUserFolder,
                     const std::wstring& base, const std::vector<std::uint8_t>& bytes,
                     SharedIcon& result) {
    result = SharedIcon();
    if (!sharedFolder.empty() && MakeFolderAndParent(sharedFolder) &&
        PlaceIconFile(sharedFolder, base, bytes, result.path, result.written, true))
        return true;
    result.sharedError = sharedFolder.empty() ? DWORD(ERROR_PATH_NOT_FOUND) : GetLastError();
    result.perUser = true;
    if (perUserFolder.empty()) {
        SetLastError(result.sharedError);
        return false;
    }
    return MakeFolderAndParent(perUserFolder) &&
           PlaceIconFile(perUserFolder, base, bytes, result.path, result.written);
}

bool PrepareSharedIconFolder(const std::wstring& folder) {
    const size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash <= 3) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    const platform::FileHandle parent = PrepareFolder(folder.substr(0, slash), kParentAccess);
    return parent && PrepareFolder(folder, kIconsAccess);
}

bool RemoveSharedIconFiles(const std::wstring& folder, unsigned& left) {
    left = 0;
    const size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash <= 3) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    const std::wstring parent = folder.substr(0, slash);
    {
        // Held while the names go: neither can become a link meanwhile.
        const platform::FileHandle heldParent = HoldFolder(parent, 0);
        if (!heldParent)
            return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
        const platform::FileHandle held = HoldFolder(folder, 0);
        if (!held) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
                return false;
        } else {
            WIN32_FIND_DATAW data;
            const platform::FindHandle find(
                FindFirstFileW(platform::ExactPath(folder + L"\\Folder *").c_str(), &data));
            DWORD failure = 0;
            for (bool more = find.valid(); more; more = platform::FindNextEntry(find, data)) {
                const std::wstring name = data.cFileName;
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                    !IsIconFileName(name))
                    continue;
                // A new empty file moved over the name, then deleted: under
                // Wine a link to a file shows as the file, and deleting its
                // name would delete its target.
                std::wstring path = folder;
                path += L'\\';
                path += name;
                if (!platform::RemoveName(path, folder + L"\\Removing.tmp")) {
                    ++left;
                    if (failure == 0)
                        failure = GetLastError();
                }
            }
            if (left != 0) {
                SetLastError(failure);
                return false;
            }
        }
    }
    RemoveEmptyFolder(folder);
    RemoveEmptyFolder(parent);
    return true;
}

} // namespace engine
