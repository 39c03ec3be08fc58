#pragma once
// The per-folder settings file: its text, the vendor marker, the backup rule
// and the attributes that go with it.
#include "platform/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

inline constexpr wchar_t kVendorId[] = L"Pelwick";
inline constexpr wchar_t kSettingsFileName[] = L"Desktop.ini";
inline constexpr wchar_t kBackupFileName[] = L"BUDesktop.ini";

// The user's choices that Apply writes. Empty text means not chosen.
struct FolderOptions {
    std::wstring iconFile;
    std::int16_t iconIndex = 0;
    std::wstring tooltip;
    std::wstring textColor;      // ColorToHex text
    std::wstring textBackground; // ColorToHex text
    std::wstring picturePath;

    // The icon index alone is no choice.
    bool AnyChosen() const;
    bool operator==(const FolderOptions& other) const = default;
};

// "0x00" followed by at least six upper-case hex digits of the 0x00BBGGRR value.
std::wstring ColorToHex(std::int32_t color);

// The settings file's text, every line ended by CR LF.
std::wstring ComposeSettingsFile(const FolderOptions& options);

// The options a text of ComposeSettingsFile's was composed from: the program's
// own layout, line for line, and nothing else (a CR or LF it turned into a
// blank stays a blank). False for any other text.
bool ParseOwnSettingsText(const std::wstring& text, FolderOptions& options);

// How much of the program's own settings file is read back: far more than any
// it writes, whose longest value (a tooltip from a command line) stays under
// 32,767 characters.
inline constexpr size_t kOwnSettingsMaxBytes = size_t{1024} * 1024;
// The options of the folder's settings file when it is the program's own
// (IsOwnSettingsFile) and in its layout; an empty file of ours holds none.
// Never reads through a link, nor more than kOwnSettingsMaxBytes. False for
// anything else: no file, someone else's, a link, one that cannot be read.
bool ReadOwnSettings(const std::wstring& folder, FolderOptions& options);

// folder + "\Desktop.ini", without doubling the backslash of a drive root.
std::wstring SettingsFilePath(const std::wstring& folder);
std::wstring BackupFilePath(const std::wstring& settingsFile);

// How much of a settings file is read for its marker: the marker sits in the
// first lines of ours, and a file the program did not write is never read whole.
inline constexpr size_t kMarkerPrefixBytes = size_t{64} * 1024;

// The one rule for deleting or overwriting a settings file: it is ours when
// its [Vendor] ID is ours, or when it is empty (nothing of the user's is in
// it; a kill between creating and writing leaves one). Attributes play no part.
// wholeFile false: the bytes are the start of a longer file, which is never
// empty and whose cut last line counts for nothing.
bool IsOwnSettingsText(const std::vector<std::uint8_t>& bytes, bool wholeFile = true);
// The same for a file, whatever its attributes; false as well when it cannot
// be read or is a link.
bool IsOwnSettingsFile(const std::wstring& settingsFile);

enum class SettingsFileKind { Ours, Foreign, Link };
// What an open settings file is, read from its start (at most
// kMarkerPrefixBytes); a link is never read. False when it cannot be read.
bool InspectSettingsFile(const platform::FileHandle& file, SettingsFileKind& kind);

// True when the folder holds a file set aside as BUDesktop.ini: a file, not a
// folder and not a link.
bool HoldsBackup(const std::wstring& folder);

} // namespace engine
