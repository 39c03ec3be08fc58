#include "engine/SharedIcon.h"

#include "platform/Files.h"

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

NameHolds Examine(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
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
    return whole && held == bytes ? NameHolds::TheseBytes : NameHolds::SomethingElse;
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

} // namespace

std::wstring NumberedIconName(const std::wstring& base, unsigned attempt) {
    if (attempt <= 1)
        return base + L".ico";
    return base + L" (" + std::to_wstring(attempt) + L").ico";
}

bool PlaceIconFile(const std::wstring& folder, const std::wstring& base,
                   const std::vector<std::uint8_t>& bytes, std::wstring& path, bool& written) {
    written = false;
    if (!MakeFolder(folder))
        return false;
    DWORD unknown = 0; // the first name that could not be told
    for (unsigned attempt = 1; attempt <= kNames; ++attempt) {
        const std::wstring name = folder + L"\\" + NumberedIconName(base, attempt);
        // Twice where another copy takes the name between the look and the write.
        for (int look = 0; look < 2; ++look) {
            const NameHolds holds = Examine(name, bytes);
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
        PlaceIconFile(sharedFolder, base, bytes, result.path, result.written))
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

} // namespace engine
