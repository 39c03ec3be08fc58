#include "platform/Shell.h"

#include "platform/Files.h"
#include "platform/TextCompare.h"

#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>

namespace platform {

void NotifyShellOfChanges() {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void NotifyFolderChanged(const std::wstring& folder) {
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, folder.c_str(), nullptr);
}

void NotifyFolderContentsChanged(const std::wstring& folder) {
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, folder.c_str(), nullptr);
}

std::wstring ParentFolder(const std::wstring& folder) {
    const std::wstring root = RootOf(folder);
    const size_t slash = folder.find_last_of(L'\\');
    if (root.empty() || slash == std::wstring::npos || slash < root.size() ||
        slash + 1 == folder.size())
        return {};
    // A drive's root keeps its backslash; a share's root has none.
    if (slash == root.size())
        return root.size() == 2 ? root + L"\\" : root;
    return folder.substr(0, slash);
}

namespace {
FolderNoticeTotals g_noticeTotals;
} // namespace

FolderNotices FolderNotices::ForRun(size_t folders) {
    FolderNotices notices;
    notices.few_ = folders <= kFewFoldersRun;
    return notices;
}

FolderNotices::FolderNotices(double share, double allowanceSeconds)
    : share_(share), allowance_(allowanceSeconds) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond_ = static_cast<double>(frequency.QuadPart);
    start_ = Now();
}

double FolderNotices::Now() const {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return ticksPerSecond_ > 0 ? static_cast<double>(now.QuadPart) / ticksPerSecond_ : 0;
}

void FolderNotices::Changed(const std::wstring& folder) {
    const double before = Now();
    if (!few_ && spent_ > allowance_ + share_ * (before - start_)) {
        ++g_noticeTotals.skipped;
        return;
    }
    NotifyFolderChanged(folder);
    if (few_) {
        const std::wstring parent = ParentFolder(folder);
        const bool told =
            std::any_of(parents_.begin(), parents_.end(), [&parent](const std::wstring& done) {
                return CompareNoCase(done, parent) == 0;
            });
        if (!parent.empty() && !told) {
            NotifyFolderContentsChanged(parent);
            parents_.push_back(parent);
        }
    }
    const double took = Now() - before;
    spent_ += took;
    g_noticeTotals.seconds += took;
    if (took > g_noticeTotals.longestSeconds)
        g_noticeTotals.longestSeconds = took;
    ++g_noticeTotals.sent;
}

FolderNoticeTotals FolderNoticesSoFar() {
    return g_noticeTotals;
}

std::wstring BrowseForFolder(HWND owner, const std::wstring& title, UINT flags) {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = flags;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item)
        return {};
    wchar_t path[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    return ok ? std::wstring(path) : std::wstring();
}

bool ShellOpen(HWND owner, const std::wstring& target) {
    HINSTANCE result = ShellExecuteW(owner, L"open", target.c_str(), L"", nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::wstring LocalAppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

std::wstring CommonAppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

std::wstring ProfileFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

} // namespace platform
