#include "bench/Floors.h"

#include "bench/Measure.h"
#include "platform/SystemApi.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace bench {

namespace {

double g_longestStep = 0;

// Times one folder's calls: the floors have no window, so their longest
// folder is a stall of the machine's own (the scheduler, the Wine server).
class StepClock {
  public:
    StepClock() : start_(Now()) {}
    ~StepClock() { g_longestStep = std::max(g_longestStep, Now() - start_); }
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

  private:
    double start_;
};

std::wstring IniOf(const std::wstring& folder) {
    return folder + L"\\Desktop.ini";
}
std::wstring BackupOf(const std::wstring& folder) {
    return folder + L"\\BUDesktop.ini";
}

struct WalkWay {
    FINDEX_INFO_LEVELS level;
    FINDEX_SEARCH_OPS search;
    DWORD flags;
};

// Basic information (no short names), directories asked for, large fetch:
// the cheapest way measured under Wine (see CompareFloorVariants).
constexpr WalkWay kWalk{FindExInfoBasic, FindExSearchLimitToDirectories, FIND_FIRST_EX_LARGE_FETCH};

size_t Walk(const std::wstring& root, const WalkWay& way) {
    size_t found = 0;
    std::vector<std::wstring> stack{root};
    while (!stack.empty()) {
        const StepClock step;
        const std::wstring folder = std::move(stack.back());
        stack.pop_back();
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), way.level, &data, way.search,
                                       nullptr, way.flags);
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

void Apply(const std::vector<std::wstring>& folders, const std::vector<std::uint32_t>& attributes,
           const std::vector<std::uint8_t>& ini, DWORD disposition) {
    for (size_t i = 0; i < folders.size(); ++i) {
        const StepClock step;
        const std::wstring& folder = folders[i];
        HANDLE file =
            CreateFileW(IniOf(folder).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        DWORD wrote = 0;
        WriteFile(file, ini.data(), static_cast<DWORD>(ini.size()), &wrote, nullptr);
        CloseHandle(file);
        // SetFileAttributes replaces the whole set, so a folder that is
        // system and nothing else needs no call.
        const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE;
        if (i >= attributes.size() || (attributes[i] & kept) != FILE_ATTRIBUTE_SYSTEM)
            SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_SYSTEM);
    }
}

// How a start-up looks at each settings file: opened and closed only; read
// once; or as the engine reads it, opened as itself (a link is not followed)
// and read up to the marker's limit until the end.
enum class Look { OpenOnly, ReadMarker, ReadLikeEngine };

void Startup(const std::vector<std::wstring>& folders, DWORD access, Look look) {
    std::vector<char> buffer(look == Look::OpenOnly         ? 0
                             : look == Look::ReadLikeEngine ? 64 * 1024 + 1
                                                            : 4096);
    const DWORD flags =
        look == Look::ReadLikeEngine ? FILE_FLAG_OPEN_REPARSE_POINT : FILE_ATTRIBUTE_NORMAL;
    for (const auto& folder : folders) {
        const StepClock step;
        HANDLE file = CreateFileW(IniOf(folder).c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, flags, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        DWORD got = 0;
        if (look == Look::ReadMarker)
            ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
        if (look == Look::ReadLikeEngine)
            while (
                ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
                got)
                ;
        CloseHandle(file);
    }
}

enum class Removal {
    HandleResetBeforeClose, // open, read, dispose, folder, close
    HandleResetAfterClose,  // open, read, dispose, close, folder
    ReadThenDeleteByName,   // open, read, close, DeleteFile, folder
    AttributesThenDelete,   // SetFileAttributes, DeleteFile, folder (no read)
    DeleteByNameOnly,       // DeleteFile, folder (no read)
    HandleWithoutRead,      // open, dispose, folder, close (no read)
};
enum class BackupLook { None, Attributes, Rename, Open };

void Restore(const std::vector<std::wstring>& folders, Removal removal, BackupLook look) {
    char buffer[4096];
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        const StepClock step;
        const std::wstring& folder = *it;
        const std::wstring ini = IniOf(folder);
        const bool byHandle = removal == Removal::HandleResetBeforeClose ||
                              removal == Removal::HandleResetAfterClose ||
                              removal == Removal::HandleWithoutRead ||
                              removal == Removal::ReadThenDeleteByName;
        HANDLE file = INVALID_HANDLE_VALUE;
        if (byHandle) {
            const DWORD access =
                removal == Removal::ReadThenDeleteByName
                    ? GENERIC_READ
                    : (removal == Removal::HandleWithoutRead ? DELETE : GENERIC_READ | DELETE);
            file = CreateFileW(ini.c_str(), access,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                continue;
            if (removal != Removal::HandleWithoutRead) {
                DWORD got = 0;
                ReadFile(file, buffer, sizeof buffer, &got, nullptr);
            }
            if (removal == Removal::ReadThenDeleteByName) {
                CloseHandle(file);
                file = INVALID_HANDLE_VALUE;
                DeleteFileW(ini.c_str());
            } else {
                // Looked up at run time, as the program does, for Windows XP.
                platform::SetDeleteOnClose(file);
            }
        } else {
            if (removal == Removal::AttributesThenDelete)
                SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(ini.c_str());
        }
        if (removal == Removal::HandleResetAfterClose && file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            file = INVALID_HANDLE_VALUE;
        }
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (look == BackupLook::Attributes) {
            if (GetFileAttributesW(BackupOf(folder).c_str()) != INVALID_FILE_ATTRIBUTES)
                MoveFileExW(BackupOf(folder).c_str(), ini.c_str(), 0);
        } else if (look == BackupLook::Rename) {
            MoveFileExW(BackupOf(folder).c_str(), ini.c_str(), 0);
        } else if (look == BackupLook::Open) {
            HANDLE backup = CreateFileW(BackupOf(folder).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (backup != INVALID_HANDLE_VALUE) {
                CloseHandle(backup);
                MoveFileExW(BackupOf(folder).c_str(), ini.c_str(), 0);
            }
        }
    }
}

// Puts the tree back without being timed.
void Clean(const std::vector<std::wstring>& folders) {
    for (const auto& folder : folders) {
        DeleteFileW(IniOf(folder).c_str());
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

} // namespace

double TakeLongestFloorStepMs() {
    return std::exchange(g_longestStep, 0.0) * 1000.0;
}

size_t FloorWalk(const std::wstring& root) {
    return Walk(root, kWalk);
}

void FloorApply(const std::vector<std::wstring>& folders,
                const std::vector<std::uint32_t>& folderAttributes,
                const std::vector<std::uint8_t>& ini) {
    // CREATE_NEW both looks for a settings file and creates the new one.
    Apply(folders, folderAttributes, ini, CREATE_NEW);
}

void FloorStartup(const std::vector<std::wstring>& folders) {
    Startup(folders, GENERIC_READ, Look::ReadMarker);
}

void LooseFloorStartup(const std::vector<std::wstring>& folders) {
    Startup(folders, GENERIC_READ, Look::OpenOnly);
}

void FloorRestore(const std::vector<std::wstring>& folders) {
    Restore(folders, Removal::HandleResetBeforeClose, BackupLook::Attributes);
}

void LooseFloorApply(const std::vector<std::wstring>& folders,
                     const std::vector<std::uint8_t>& ini) {
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

void LooseFloorRestore(const std::vector<std::wstring>& folders) {
    Restore(folders, Removal::AttributesThenDelete, BackupLook::None);
}

std::vector<std::uint32_t> FolderAttributes(const std::vector<std::wstring>& folders) {
    std::vector<std::uint32_t> attributes;
    attributes.reserve(folders.size());
    for (const auto& folder : folders)
        attributes.push_back(GetFileAttributesW(folder.c_str()));
    return attributes;
}

void CompareFloorVariants(const std::wstring& root, const std::vector<std::wstring>& folders,
                          const std::vector<std::uint8_t>& ini) {
    const double n = folders.empty() ? 1.0 : static_cast<double>(folders.size());
    auto report = [n](const char* what, double seconds) {
        std::printf("  %-58s %8.3f s %8.1f us/folder\n", what, seconds, seconds * 1e6 / n);
        std::fflush(stdout);
    };
    auto timed = [](auto&& action) {
        const double start = Now();
        action();
        return Now() - start;
    };
    const std::vector<std::uint32_t> attributes = FolderAttributes(folders);
    const std::vector<std::uint32_t> unknown; // no walk's knowledge: always set

    const struct {
        const char* name;
        WalkWay way;
    } walks[] = {
        {"walk: basic, directories, large fetch", kWalk},
        {"walk: basic, directories", {FindExInfoBasic, FindExSearchLimitToDirectories, 0}},
        {"walk: basic, name match, large fetch",
         {FindExInfoBasic, FindExSearchNameMatch, FIND_FIRST_EX_LARGE_FETCH}},
        {"walk: standard, name match", {FindExInfoStandard, FindExSearchNameMatch, 0}},
    };
    for (const auto& w : walks)
        report(w.name, timed([&] { Walk(root, w.way); }));

    report("apply: CREATE_NEW hidden+system, write, close, folder",
           timed([&] { Apply(folders, attributes, ini, CREATE_NEW); }));
    report("startup: open GENERIC_READ, read, close",
           timed([&] { Startup(folders, GENERIC_READ, Look::ReadMarker); }));
    report("startup: open FILE_READ_DATA, read, close",
           timed([&] { Startup(folders, FILE_READ_DATA, Look::ReadMarker); }));
    report("startup: open GENERIC_READ, close (no proof)",
           timed([&] { Startup(folders, GENERIC_READ, Look::OpenOnly); }));
    report("startup: open, read, close, from the last to the first", timed([&] {
               const std::vector<std::wstring> backwards(folders.rbegin(), folders.rend());
               Startup(backwards, GENERIC_READ, Look::ReadMarker);
           }));
    report("startup: open as itself, read 64 KiB to the end, close",
           timed([&] { Startup(folders, GENERIC_READ, Look::ReadLikeEngine); }));
    report("startup: GetFileAttributes (existence only)", timed([&] {
               for (const auto& folder : folders)
                   GetFileAttributesW(IniOf(folder).c_str());
           }));
    Clean(folders);
    report("apply: CREATE_ALWAYS hidden+system, write, close, folder",
           timed([&] { Apply(folders, unknown, ini, CREATE_ALWAYS); }));
    Clean(folders);
    // The calls the engine makes today, with and without its folder reset.
    report("apply: look, reset, create, write, close, folder", timed([&] {
               for (const auto& folder : folders) {
                   Startup({folder}, GENERIC_READ, Look::OpenOnly);
                   SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
                   Apply({folder}, unknown, ini, CREATE_ALWAYS);
               }
           }));
    Clean(folders);
    report("apply: look, create, write, close, folder", timed([&] {
               for (const auto& folder : folders) {
                   Startup({folder}, GENERIC_READ, Look::OpenOnly);
                   Apply({folder}, unknown, ini, CREATE_ALWAYS);
               }
           }));
    Clean(folders);
    report("apply: loose (reset, create, write, close, file, folder)",
           timed([&] { LooseFloorApply(folders, ini); }));

    const struct {
        const char* name;
        Removal removal;
        BackupLook look;
    } restores[] = {
        {"restore: open, read, dispose, folder, close, attr look", Removal::HandleResetBeforeClose,
         BackupLook::Attributes},
        {"restore: open, read, dispose, folder, close, rename try", Removal::HandleResetBeforeClose,
         BackupLook::Rename},
        {"restore: open, read, dispose, close, folder, attr look", Removal::HandleResetAfterClose,
         BackupLook::Attributes},
        {"restore: open, read, close, DeleteFile, folder, attr look", Removal::ReadThenDeleteByName,
         BackupLook::Attributes},
        {"restore: open, dispose, folder, close (no read, no look)", Removal::HandleWithoutRead,
         BackupLook::None},
        {"restore: open, dispose, folder, close, open look (no read)", Removal::HandleWithoutRead,
         BackupLook::Open},
        {"restore: open, dispose, folder, close, attr look (no read)", Removal::HandleWithoutRead,
         BackupLook::Attributes},
        {"restore: DeleteFile, folder (no read, no look)", Removal::DeleteByNameOnly,
         BackupLook::None},
        {"restore: attributes, DeleteFile, folder (loose)", Removal::AttributesThenDelete,
         BackupLook::None},
    };
    for (const auto& r : restores) {
        Clean(folders);
        Apply(folders, attributes, ini, CREATE_NEW);
        report(r.name, timed([&] { Restore(folders, r.removal, r.look); }));
    }
    Clean(folders);
}

} // namespace bench
