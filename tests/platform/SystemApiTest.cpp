#include "platform/SystemApi.h"

#include "platform/Files.h"
#include "platform/Window.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace platform;
using namespace testing_support;

namespace {

// The names a folder search finds, with the kind of each entry.
std::set<std::wstring> Entries(const std::wstring& folder, bool foldersOnly) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstEntry((folder + L"\\*").c_str(), &data, foldersOnly));
    if (!find)
        return names;
    do {
        const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        names.insert(std::wstring(isFolder ? L"d:" : L"f:") + data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

} // namespace

TEST(TickExtender, CountsTheWrapsOfTheShortCounter) {
    TickExtender ticks;
    EXPECT_EQ(ticks.Extend(0xFFFFFF00u), 0xFFFFFF00ull);
    EXPECT_EQ(ticks.Extend(0x00000010u), 0x100000010ull);
    EXPECT_EQ(ticks.Extend(0x7FFFFFFFu), 0x17FFFFFFFull);
    EXPECT_EQ(ticks.Extend(0xFFFFFFF0u), 0x1FFFFFFF0ull);
    EXPECT_EQ(ticks.Extend(5u), 0x200000005ull);
}

TEST(TickExtender, AReadingJustBehindTheLastIsNoWrap) {
    // Another thread's reading, taken before the last one, arrives late.
    TickExtender ticks(0x100000500ull);
    EXPECT_EQ(ticks.Extend(0x400u), 0x100000500ull);
    EXPECT_EQ(ticks.last(), 0x100000500ull);
    EXPECT_EQ(ticks.Extend(0x600u), 0x100000600ull);
}

TEST(SystemApi, TickCountWithoutGetTickCount64FollowsGetTickCount) {
    ScopedLegacyApis xp(NoTickCount64);
    const unsigned runs = LegacyPathRuns(NoTickCount64);
    const DWORD before = GetTickCount();
    const ULONGLONG first = TickCount64();
    Sleep(60); // Wine's tick counter moves in steps of up to 16 ms
    const ULONGLONG second = TickCount64();
    const DWORD after = GetTickCount();
    // The low half is a GetTickCount reading taken between the two around it.
    EXPECT_LE(static_cast<DWORD>(first) - before, after - before);
    EXPECT_LE(static_cast<DWORD>(second) - before, after - before);
    EXPECT_GE(second - first, 40u);
    EXPECT_EQ(LegacyPathRuns(NoTickCount64), runs + 2);
}

TEST(SystemApi, HandleCallsWithoutSetFileInformationByHandle) {
    ScopedLegacyApis xp(NoSetFileInformationByHandle);
    const unsigned runs = LegacyPathRuns(NoSetFileInformationByHandle);
    TempDir dir;
    const std::wstring file = dir / L"Desktop.ini";
    WriteBytes(file, "x");
    ASSERT_TRUE(SetAttributes(file, AttrHidden | AttrSystem | AttrReadOnly));
    {
        FileHandle handle = OpenForRemoval(file);
        ASSERT_TRUE(handle.valid());
        ASSERT_TRUE(SetAttributes(handle, AttrHidden));
        EXPECT_EQ(Attributes(file), DWORD(AttrHidden));
        DWORD read = 0;
        ASSERT_TRUE(GetFileAttributesByHandle(handle.get(), read));
        EXPECT_EQ(read & kComparedAttributes, DWORD(AttrHidden));
        ASSERT_TRUE(MarkForDeletion(handle));
        EXPECT_TRUE(Exists(file)); // until the handle closes
    }
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(LegacyPathRuns(NoSetFileInformationByHandle), runs + 2);
}

TEST(SystemApi, RefusedHandleCallsReportTheSameErrorBothWays) {
    TempDir dir;
    const std::wstring file = dir / L"f.ini";
    WriteBytes(file, "x");
    // Opened for reading only: the deletion may not go through it. (Wine lets
    // the attributes through such a handle, so those are tried on no handle.)
    FileHandle handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(handle.valid());
    for (unsigned legacy : {0u, unsigned(NoSetFileInformationByHandle)}) {
        ScopedLegacyApis mode(legacy);
        SetLastError(0);
        EXPECT_FALSE(SetDeleteOnClose(handle.get())) << legacy;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << legacy;
        SetLastError(0);
        EXPECT_FALSE(SetFileAttributesByHandle(nullptr, AttrHidden)) << legacy;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << legacy;
    }
    DWORD read = 0;
    EXPECT_FALSE(GetFileAttributesByHandle(nullptr, read));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    handle.reset();
    EXPECT_TRUE(Exists(file));
}

TEST(SystemApi, EveryFindLevelListsTheSameEntries) {
    TempDir dir;
    CreateDirectoryW((dir / L"One").c_str(), nullptr);
    CreateDirectoryW((dir / L"Two words").c_str(), nullptr);
    WriteBytes(dir / L"file.txt", "x");
    const std::set<std::wstring> all{L"d:.", L"d:..", L"d:One", L"d:Two words", L"f:file.txt"};

    const std::set<std::wstring> asIs = Entries(dir.path(), true);
    // Limiting to folders is a hint the file system may ignore: files may come too.
    for (const auto& name : asIs)
        EXPECT_TRUE(all.contains(name)) << name.c_str();
    EXPECT_TRUE(asIs.contains(L"d:One") && asIs.contains(L"d:Two words"));

    const unsigned runs = LegacyPathRuns(OlderThanWindows7);
    {
        ScopedLegacyApis xp(OlderThanWindows7);
        EXPECT_EQ(Entries(dir.path(), true), asIs);
        EXPECT_EQ(Entries(dir.path(), false), all);
    }
    EXPECT_EQ(LegacyPathRuns(OlderThanWindows7), runs + 2);
    {
        ScopedLegacyApis refused(BasicFindRefused);
        EXPECT_EQ(Entries(dir.path(), true), asIs);
    }
    EXPECT_EQ(LegacyPathRuns(OlderThanWindows7), runs + 3);
}

TEST(SystemApi, AFailedFindKeepsItsErrorOnEveryLevel) {
    TempDir dir;
    for (unsigned legacy : {0u, unsigned(OlderThanWindows7), unsigned(BasicFindRefused)}) {
        ScopedLegacyApis mode(legacy);
        WIN32_FIND_DATAW data{};
        SetLastError(0);
        EXPECT_EQ(FindFirstEntry((dir / L"missing\\*").c_str(), &data, true), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND)) << legacy;
    }
}

TEST(SystemApi, WithoutPerWindowDpiTheScreenDpiIsUsed) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HDC screen = GetDC(nullptr);
    const UINT screenDpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    {
        ScopedLegacyApis xp(NoDpiForWindow);
        EXPECT_EQ(DpiForWindow(window), 0u);
        EXPECT_EQ(WindowDpi(window), screenDpi);
    }
    DestroyWindow(window);
}

TEST(SystemApi, FramesForADpiFallBackToTheSystemDpis) {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT at96{0, 0, 400, 300}, at192{0, 0, 800, 600};
    ASSERT_TRUE(AdjustWindowRectForDpi(&at96, style, 0, 96));
    ASSERT_TRUE(AdjustWindowRectForDpi(&at192, style, 0, 192));
    // The caption of a denser screen is no lower than that of the usual one.
    EXPECT_GE(-at192.top, -at96.top);
    RECT system{0, 0, 800, 600};
    ASSERT_TRUE(AdjustWindowRectEx(&system, style, FALSE, 0));
    const unsigned runs = LegacyPathRuns(NoAdjustWindowRectForDpi);
    {
        ScopedLegacyApis xp(NoAdjustWindowRectForDpi);
        RECT legacy{0, 0, 800, 600};
        ASSERT_TRUE(AdjustWindowRectForDpi(&legacy, style, 0, 192));
        EXPECT_TRUE(EqualRect(&legacy, &system));
    }
    EXPECT_EQ(LegacyPathRuns(NoAdjustWindowRectForDpi), runs + 1);
}

TEST(SystemApi, ShutdownReasonsAreRefusedWhereTheSystemHasNone) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    {
        ScopedLegacyApis xp(NoShutdownBlockReason);
        SetLastError(0);
        EXPECT_FALSE(CreateShutdownReason(window, L"Busy"));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_CALL_NOT_IMPLEMENTED));
        EXPECT_FALSE(DestroyShutdownReason(window));
    }
    DestroyWindow(window);
}

TEST(SystemApi, PretendedAbsencesEndWithTheirScope) {
    {
        ScopedLegacyApis outer(NoTickCount64);
        { ScopedLegacyApis inner(AsOnWindowsXp); }
        const unsigned runs = LegacyPathRuns(NoTickCount64);
        TickCount64();
        EXPECT_EQ(LegacyPathRuns(NoTickCount64), runs + 1);
    }
    const unsigned runs = LegacyPathRuns(NoTickCount64);
    TickCount64();
    EXPECT_EQ(LegacyPathRuns(NoTickCount64), runs);
}
