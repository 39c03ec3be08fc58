#include "platform/SystemApi.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace platform {

namespace {

std::atomic<unsigned> g_legacy{0};
// One counter per LegacyApi bit.
constexpr unsigned kLegacyBits = 8;
std::atomic<unsigned> g_legacyRuns[kLegacyBits];

bool Pretended(LegacyApi api) {
    return (g_legacy.load(std::memory_order_relaxed) & api) != 0;
}

void CountLegacyRun(LegacyApi api) {
    for (unsigned bit = 0; bit < kLegacyBits; ++bit)
        if (api == (1u << bit))
            g_legacyRuns[bit].fetch_add(1, std::memory_order_relaxed);
}

template <typename Fn> Fn Lookup(const wchar_t* dll, const char* name) {
    HMODULE module = GetModuleHandleW(dll);
    if (!module)
        return nullptr;
    // Through void* so that compilers accept the cast between function types.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// NtSetInformationFile does on XP what SetFileInformationByHandle does later;
// the two records below have the same layout in both.
struct IoStatusBlock {
    union {
        LONG Status;
        PVOID Pointer;
    };
    ULONG_PTR Information;
};
struct BasicInformation {
    LARGE_INTEGER CreationTime;
    LARGE_INTEGER LastAccessTime;
    LARGE_INTEGER LastWriteTime;
    LARGE_INTEGER ChangeTime;
    DWORD FileAttributes;
};
struct DispositionInformation {
    BOOLEAN DeleteFile;
};
// FILE_INFO_BY_HANDLE_CLASS and FILE_INFORMATION_CLASS values.
constexpr int kFileBasicInfo = 0;
constexpr int kFileDispositionInfo = 4;
constexpr ULONG kFileBasicInformation = 4;
constexpr ULONG kFileDispositionInformation = 13;
constexpr ULONG kFileNameInformation = 9;

// NtSetInformationFile and NtQueryInformationFile, which XP has.
using NtFileInformationFn = LONG(WINAPI*)(HANDLE, IoStatusBlock*, PVOID, ULONG, ULONG);

// False with the status as a Win32 error when the call fails or is missing.
bool CallNtFileInformation(NtFileInformationFn call, HANDLE file, void* info, ULONG size,
                           ULONG infoClass) {
    using RtlNtStatusToDosErrorFn = ULONG(WINAPI*)(LONG);
    static const auto toDosError =
        Lookup<RtlNtStatusToDosErrorFn>(L"ntdll.dll", "RtlNtStatusToDosError");
    if (!call || !toDosError) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    IoStatusBlock status{};
    const LONG result = call(file, &status, info, size, infoClass);
    if (result < 0) {
        SetLastError(toDosError(result));
        return false;
    }
    return true;
}

bool SetFileInformation(HANDLE file, int byHandleClass, ULONG ntClass, void* info, DWORD size) {
    using SetByHandleFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    static const auto setByHandle =
        Lookup<SetByHandleFn>(L"kernel32.dll", "SetFileInformationByHandle");
    if (setByHandle && !Pretended(NoSetFileInformationByHandle))
        return setByHandle(file, byHandleClass, info, size) != FALSE;
    CountLegacyRun(NoSetFileInformationByHandle);
    static const auto ntSet = Lookup<NtFileInformationFn>(L"ntdll.dll", "NtSetInformationFile");
    return CallNtFileInformation(ntSet, file, info, size, ntClass);
}

using GetTickCount64Fn = ULONGLONG(WINAPI*)();
// Looked up before main rather than on first use: the thread runtime reads the
// counter too (see below), and a guarded first-use lookup would wait on that runtime.
const GetTickCount64Fn g_getTickCount64 =
    Lookup<GetTickCount64Fn>(L"kernel32.dll", "GetTickCount64");

} // namespace

ULONGLONG TickExtender::Extend(DWORD ticks) {
    const DWORD previous = static_cast<DWORD>(last_);
    ULONGLONG wraps = last_ >> 32;
    if (ticks < previous) {
        if (previous - ticks < 0x80000000u)
            return last_;
        ++wraps;
    }
    last_ = (wraps << 32) | ticks;
    return last_;
}

ULONGLONG TickCount64() {
    if (g_getTickCount64 && !Pretended(NoTickCount64))
        return g_getTickCount64();
    CountLegacyRun(NoTickCount64);
    // Several threads read the counter: the extended count is shared and
    // replaced in one step.
    static std::atomic<ULONGLONG> shared{0};
    ULONGLONG seen = shared.load();
    for (;;) {
        const ULONGLONG now = TickExtender(seen).Extend(GetTickCount());
        if (now == seen || shared.compare_exchange_weak(seen, now))
            return now;
    }
}

bool SetFileAttributesByHandle(HANDLE file, DWORD attributes) {
    BasicInformation info{}; // zero times stay as they are
    info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return SetFileInformation(file, kFileBasicInfo, kFileBasicInformation, &info, sizeof info);
}

bool GetFileAttributesByHandle(HANDLE file, DWORD& attributes) {
    static const auto ntQuery = Lookup<NtFileInformationFn>(L"ntdll.dll", "NtQueryInformationFile");
    BasicInformation info{};
    if (!CallNtFileInformation(ntQuery, file, &info, sizeof info, kFileBasicInformation))
        return false;
    attributes = info.FileAttributes;
    return true;
}

bool SetDeleteOnClose(HANDLE file) {
    DispositionInformation info{TRUE};
    return SetFileInformation(file, kFileDispositionInfo, kFileDispositionInformation, &info,
                              sizeof info);
}

bool NameOfOpenFile(HANDLE file, std::wstring& name) {
    static const auto ntQuery = Lookup<NtFileInformationFn>(L"ntdll.dll", "NtQueryInformationFile");
    // FILE_NAME_INFORMATION: the name's length in bytes, then its characters.
    std::vector<ULONG> buffer(2 + (32768 * sizeof(wchar_t)) / sizeof(ULONG));
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
    if (!CallNtFileInformation(ntQuery, file, buffer.data(), size, kFileNameInformation))
        return false;
    const ULONG bytes = std::min<ULONG>(buffer[0], size - ULONG{sizeof(ULONG)});
    name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + 1), bytes / sizeof(wchar_t));
    return true;
}

UINT DpiForWindow(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow && !Pretended(NoDpiForWindow))
        return window ? getDpiForWindow(window) : 0;
    CountLegacyRun(NoDpiForWindow);
    return 0;
}

bool AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi) {
    using ForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    using SystemDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD);
    static const auto forDpi = Lookup<ForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    if (forDpi && !Pretended(NoAdjustWindowRectForDpi))
        return forDpi(rect, style, FALSE, exStyle, dpi) != FALSE;
    CountLegacyRun(NoAdjustWindowRectForDpi);
    // Looked up as well: the file part of the platform links no window library.
    static const auto systemDpi = Lookup<SystemDpiFn>(L"user32.dll", "AdjustWindowRectEx");
    if (!systemDpi) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    return systemDpi(rect, style, FALSE, exStyle) != FALSE;
}

bool CreateShutdownReason(HWND window, const wchar_t* reason) {
    using CreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
    static const auto create = Lookup<CreateFn>(L"user32.dll", "ShutdownBlockReasonCreate");
    if (create && !Pretended(NoShutdownBlockReason))
        return create(window, reason) != FALSE;
    CountLegacyRun(NoShutdownBlockReason);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
}

bool DestroyShutdownReason(HWND window) {
    using DestroyFn = BOOL(WINAPI*)(HWND);
    static const auto destroy = Lookup<DestroyFn>(L"user32.dll", "ShutdownBlockReasonDestroy");
    if (destroy && !Pretended(NoShutdownBlockReason))
        return destroy(window) != FALSE;
    CountLegacyRun(NoShutdownBlockReason);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
}

HANDLE FindFirstEntry(const wchar_t* pattern, WIN32_FIND_DATAW* data, bool foldersOnly) {
    // FindExInfoBasic and FIND_FIRST_EX_LARGE_FETCH, which XP's headers lack.
    constexpr auto kInfoBasic = static_cast<FINDEX_INFO_LEVELS>(1);
    constexpr DWORD kLargeFetch = 2;
    const FINDEX_SEARCH_OPS search =
        foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch;
    static const bool windows7 = [] {
        OSVERSIONINFOEXW version{};
        version.dwOSVersionInfoSize = sizeof version;
        version.dwMajorVersion = 6;
        version.dwMinorVersion = 1;
        ULONGLONG mask = 0;
        mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
        mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
        return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
    }();
    // A system that refuses the basic level for a pattern that the standard
    // level takes is not asked again.
    static std::atomic<bool> basicRefused{false};
    const bool pretendRefusal = Pretended(BasicFindRefused);
    bool triedBasic = false;
    if ((windows7 && !basicRefused.load() && !Pretended(OlderThanWindows7)) || pretendRefusal) {
        HANDLE find = INVALID_HANDLE_VALUE;
        if (pretendRefusal)
            SetLastError(ERROR_INVALID_PARAMETER);
        else
            find = FindFirstFileExW(pattern, kInfoBasic, data, search, nullptr, kLargeFetch);
        if (find != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_PARAMETER)
            return find;
        triedBasic = !pretendRefusal;
    }
    CountLegacyRun(OlderThanWindows7);
    HANDLE find = FindFirstFileExW(pattern, FindExInfoStandard, data, search, nullptr, 0);
    if (triedBasic && find != INVALID_HANDLE_VALUE)
        basicRefused.store(true);
    return find;
}

bool StockIconLocation(unsigned id, std::wstring& module, int& index) {
    // SHSTOCKICONINFO, which XP's headers lack.
    struct StockIconInfo {
        DWORD size;
        void* icon;
        int systemImageIndex;
        int iconIndex;
        wchar_t path[MAX_PATH];
    };
    constexpr UINT kIconLocation = 0; // SHGSI_ICONLOCATION
    using GetStockIconInfoFn = HRESULT(WINAPI*)(unsigned, UINT, StockIconInfo*);
    // Looked up as well: the file part of the platform links no shell library.
    static const auto getInfo = Lookup<GetStockIconInfoFn>(L"shell32.dll", "SHGetStockIconInfo");
    if (!getInfo || Pretended(NoStockIconInfo)) {
        CountLegacyRun(NoStockIconInfo);
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    StockIconInfo info{};
    info.size = sizeof info;
    const HRESULT result = getInfo(id, kIconLocation, &info);
    if (FAILED(result) || info.path[0] == 0) {
        SetLastError(FAILED(result) ? DWORD(result) : DWORD(ERROR_NOT_FOUND));
        return false;
    }
    module = info.path;
    index = info.iconIndex;
    return true;
}

ScopedLegacyApis::ScopedLegacyApis(unsigned legacy) : previous_(g_legacy.exchange(legacy)) {}

ScopedLegacyApis::~ScopedLegacyApis() {
    g_legacy.store(previous_);
}

unsigned LegacyPathRuns(LegacyApi api) {
    for (unsigned bit = 0; bit < kLegacyBits; ++bit)
        if (api == (1u << bit))
            return g_legacyRuns[bit].load(std::memory_order_relaxed);
    return 0;
}

} // namespace platform

#if defined(__MINGW32__)
// MinGW's posix-thread runtime, linked in statically, imports GetTickCount64,
// which XP lacks, so the loader would refuse the program. Its import slot is
// defined here instead, holding the counter above; the import library's slot
// is then never linked in.
namespace {
ULONGLONG WINAPI RuntimeTickCount64() {
    return platform::TickCount64();
}
} // namespace
#if defined(_WIN64)
#define QUILLANE_TICK_SLOT "__imp_GetTickCount64"
#else
#define QUILLANE_TICK_SLOT "__imp__GetTickCount64@0"
#endif
extern "C" {
extern ULONGLONG(WINAPI* const runtimeTickCount64Slot)() __asm__(QUILLANE_TICK_SLOT);
ULONGLONG(WINAPI* const runtimeTickCount64Slot)() = RuntimeTickCount64;
}
#endif
