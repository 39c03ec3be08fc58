#pragma once
// Functions that Windows XP lacks, looked up at run time, each with the way it
// is done on XP behind it. The program is built against XP, so nothing newer
// may be called directly.
#include <windows.h>
#include <string>

// Sent from Windows 8.1 on when the window moves to a screen of another DPI.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace platform {

// Milliseconds since the system started, without GetTickCount's wrap after 49.7 days.
ULONGLONG TickCount64();

// Extends 32-bit tick readings into a 64-bit count. Readings must come at least
// once every 24.8 days; a reading shortly behind the last one (another thread's,
// taken earlier) is no wrap and yields the last count.
class TickExtender {
  public:
    explicit TickExtender(ULONGLONG last = 0) : last_(last) {}
    ULONGLONG Extend(DWORD ticks);
    ULONGLONG last() const { return last_; }

  private:
    ULONGLONG last_; // wraps in the high half, the last reading in the low half
};

// The attributes of an open file, replaced as a whole (0 becomes normal). The
// handle needs FILE_WRITE_ATTRIBUTES.
bool SetFileAttributesByHandle(HANDLE file, DWORD attributes);
// The attributes of an open file. GetFileInformationByHandle would do on
// every system, but it asks for the file's name as well, which costs Wine
// about 2 ms a call; this asks for the attributes alone (NtQueryInformationFile,
// there since NT 4).
bool GetFileAttributesByHandle(HANDLE file, DWORD& attributes);
// The file goes when its last handle closes. The handle needs DELETE.
bool SetDeleteOnClose(HANDLE file);
// The path of an open file on its volume, without the drive, as the system
// found it ("\Users\me\file.txt"; NtQueryInformationFile, there since NT
// 4). Under Wine a handle opened on a link to a file is the target's, and so
// is this name.
bool NameOfOpenFile(HANDLE file, std::wstring& name);

// The DPI a window is drawn for, or 0 where the system has no per-window DPI.
UINT DpiForWindow(HWND window);

// AdjustWindowRectEx with the frame and caption of the given DPI (Windows 10
// 1607 on); elsewhere the system DPI's, which is all the system draws there.
bool AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi);

// The reason shown while the window blocks a shutdown. False where the system
// shows none (XP); there the answer to WM_QUERYENDSESSION is all there is.
bool CreateShutdownReason(HWND window, const wchar_t* reason);
bool DestroyShutdownReason(HWND window);

// FindFirstFileExW for the entries of a folder, with the basic information
// level and the large fetch where the system takes them (Windows 7 on).
// cAlternateFileName is left empty there.
HANDLE FindFirstEntry(const wchar_t* pattern, WIN32_FIND_DATAW* data, bool foldersOnly);

// Where the shell's stock icon of that SHSTOCKICONID lives (Vista on): the
// module's path and its icon index (negative: a resource id). False where the
// system has no stock icons.
bool StockIconLocation(unsigned id, std::wstring& module, int& index);

// Test seam: makes the system look older than it is, so that the XP ways run.
enum LegacyApi : unsigned {
    NoTickCount64 = 1u << 0,
    NoSetFileInformationByHandle = 1u << 1,
    NoDpiForWindow = 1u << 2,
    NoShutdownBlockReason = 1u << 3,
    // The basic find level is not tried, as before Windows 7.
    OlderThanWindows7 = 1u << 4,
    // The basic find level is tried whatever the version, and refused with
    // ERROR_INVALID_PARAMETER as by systems that lack it.
    BasicFindRefused = 1u << 5,
    NoAdjustWindowRectForDpi = 1u << 6,
    NoStockIconInfo = 1u << 7,
    AsOnWindowsXp = NoTickCount64 | NoSetFileInformationByHandle | NoDpiForWindow |
                    NoShutdownBlockReason | OlderThanWindows7 | NoAdjustWindowRectForDpi |
                    NoStockIconInfo,
};

// Sets the pretended absences for as long as it lives, then restores the earlier ones.
class ScopedLegacyApis {
  public:
    explicit ScopedLegacyApis(unsigned legacy);
    ~ScopedLegacyApis();
    ScopedLegacyApis(const ScopedLegacyApis&) = delete;
    ScopedLegacyApis& operator=(const ScopedLegacyApis&) = delete;

  private:
    unsigned previous_;
};

// The number of times a fallback of the given kind has run (tests read it).
unsigned LegacyPathRuns(LegacyApi api);

} // namespace platform
