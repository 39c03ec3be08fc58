// The selection of a context menu as paths, the fixed-disk rule and the look
// at a folder's Desktop.ini that enables "Restore original look".
#include "shellext/Selection.h"

#include "engine/SettingsFile.h"
#include "platform/Files.h"
#include "platform/Handles.h"

#include <cstdint>
#include <memory>
#include <shellapi.h>

namespace shellext {

namespace {

// How much of a Desktop.ini is read for the marker, which ours holds in its
// first lines.
constexpr DWORD kMarkerReadBytes = 4096;

struct MediumRelease {
    void operator()(STGMEDIUM* medium) const { ReleaseStgMedium(medium); }
};
struct GlobalUnlock_ {
    void operator()(void* memory) const { GlobalUnlock(memory); }
};
struct PidlFree {
    void operator()(ITEMIDLIST* pidl) const { ILFree(pidl); }
};

bool PathOfPidl(PCIDLIST_ABSOLUTE pidl, std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    if (!pidl || !SHGetPathFromIDListW(pidl, buffer) || buffer[0] == L'\0')
        return false;
    path = buffer;
    return true;
}

// An answer that no other format may change: the selection holds an item
// without a file-system path, or its list cannot be read.
bool Refused(std::vector<std::wstring>& paths) {
    paths.clear();
    return true;
}

// False when the data object has no item list; true once it has one, with
// no paths where any item has none.
bool FromShellIdList(IDataObject* data, std::vector<std::wstring>& paths) {
    FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_SHELLIDLIST)),
                        nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (format.cfFormat == 0 || FAILED(data->GetData(&format, &medium)))
        return false;
    std::unique_ptr<STGMEDIUM, MediumRelease> release(&medium);
    if (medium.tymed != TYMED_HGLOBAL)
        return Refused(paths);
    const SIZE_T size = GlobalSize(medium.hGlobal);
    auto* ida = static_cast<const CIDA*>(GlobalLock(medium.hGlobal));
    if (!ida)
        return Refused(paths);
    std::unique_ptr<void, GlobalUnlock_> unlock(medium.hGlobal);
    if (size < sizeof(CIDA) || ida->cidl == 0 || size < sizeof(UINT) * (size_t{ida->cidl} + 2))
        return Refused(paths);
    const auto* base = reinterpret_cast<const BYTE*>(ida);
    auto item = [&](UINT index) -> LPCITEMIDLIST {
        const UINT offset = ida->aoffset[index];
        return offset < size ? reinterpret_cast<LPCITEMIDLIST>(base + offset) : nullptr;
    };
    const LPCITEMIDLIST parent = item(0);
    if (!parent)
        return Refused(paths);
    std::vector<std::wstring> found;
    found.reserve(ida->cidl);
    for (UINT i = 1; i <= ida->cidl; ++i) {
        const LPCITEMIDLIST child = item(i);
        if (!child)
            return Refused(paths);
        std::unique_ptr<ITEMIDLIST, PidlFree> full(ILCombine(parent, child));
        std::wstring path;
        if (!full || !PathOfPidl(full.get(), path))
            return Refused(paths);
        found.push_back(std::move(path));
    }
    paths = std::move(found);
    return true;
}

bool FromDrop(IDataObject* data, std::vector<std::wstring>& paths) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium)))
        return false;
    std::unique_ptr<STGMEDIUM, MediumRelease> release(&medium);
    if (medium.tymed != TYMED_HGLOBAL)
        return false;
    auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (!drop)
        return false;
    std::unique_ptr<void, GlobalUnlock_> unlock(medium.hGlobal);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0)
        return false;
    std::vector<std::wstring> found;
    found.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0)
            return false;
        std::wstring path(length + 1, L'\0');
        if (DragQueryFileW(drop, i, path.data(), length + 1) != length)
            return false;
        path.resize(length);
        found.push_back(std::move(path));
    }
    paths = std::move(found);
    return true;
}

} // namespace

bool SelectedPaths(IDataObject* data, std::vector<std::wstring>& paths) {
    return data && (FromShellIdList(data, paths) || FromDrop(data, paths));
}

std::wstring FolderPath(PCIDLIST_ABSOLUTE folder) {
    std::wstring path;
    return PathOfPidl(folder, path) ? path : std::wstring();
}

bool AllFoldersOnFixedDisks(const std::vector<std::wstring>& paths) {
    // Each drive's type is asked once: a selection may hold thousands of folders.
    UINT driveTypes[26] = {};
    for (const std::wstring& path : paths) {
        // "\\server\share", "\\?\..." and "\\.\...": never looked at further.
        if (path.size() < 3 || path[0] == L'\\' || path[0] == L'/')
            return false;
        const wchar_t letter = path[0];
        const bool upper = letter >= L'A' && letter <= L'Z';
        const bool lower = letter >= L'a' && letter <= L'z';
        if (!(upper || lower) || path[1] != L':' || path[2] != L'\\')
            return false;
        UINT& type = driveTypes[upper ? letter - L'A' : letter - L'a'];
        if (type == 0) {
            const wchar_t root[] = {letter, L':', L'\\', L'\0'};
            type = GetDriveTypeW(root);
        }
        if (type != DRIVE_FIXED)
            return false;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return false;
    }
    return !paths.empty();
}

bool HoldsOwnSettingsFile(const std::wstring& folder) {
    const platform::FileHandle file = platform::OpenForReading(engine::SettingsFilePath(folder));
    bool link = true, whole = false;
    std::vector<std::uint8_t> bytes;
    return file && platform::IsLink(file, link) && !link &&
           platform::ReadPrefix(file, kMarkerReadBytes, bytes, whole) &&
           engine::IsOwnSettingsText(bytes, false);
}

} // namespace shellext
