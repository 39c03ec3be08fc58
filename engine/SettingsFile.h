#pragma once
// The per-folder settings file: its text, the vendor marker, the backup rule
// and the attributes that go with it.
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
};

// "0x00" followed by at least six upper-case hex digits of the 0x00BBGGRR value.
std::wstring ColorToHex(std::int32_t color);

// The settings file's text, every line ended by CR LF.
std::wstring ComposeSettingsFile(const FolderOptions& options);

// folder + "\Desktop.ini", without doubling the backslash of a drive root.
std::wstring SettingsFilePath(const std::wstring& folder);
std::wstring BackupFilePath(const std::wstring& settingsFile);

// The one rule for deleting or overwriting a settings file: it is ours when
// its [Vendor] ID is ours, or when it is empty (nothing of the user's is in
// it; a kill between creating and writing leaves one). Attributes play no part.
bool IsOwnSettingsText(const std::vector<std::uint8_t>& bytes);
// The same for a file, whatever its attributes; false when it cannot be read.
bool IsOwnSettingsFile(const std::wstring& settingsFile);

struct CustomizeResult {
    bool customized = false; // the new settings file was written
    unsigned long error = 0; // Win32 error of the step that failed
};

// Sets a foreign settings file aside, writes the new one and sets the
// attributes. A foreign file that cannot be backed up, or a foreign file
// beside an existing backup, is left as it was and the folder is not
// customized; a failed write puts the folder's attributes back.
CustomizeResult CustomizeFolder(const std::wstring& folder, const FolderOptions& options);
// The same with the settings file already composed and encoded, for a run of
// many folders with the same options.
CustomizeResult CustomizeFolder(const std::wstring& folder,
                                const std::vector<std::uint8_t>& settingsFile);

} // namespace engine
