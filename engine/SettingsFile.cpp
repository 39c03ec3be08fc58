#include "engine/SettingsFile.h"

#include "engine/FolderList.h"
#include "engine/IniUtils.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <cstdio>

namespace engine {

namespace {

// A CR or LF in a value would start a new line, and so a new key.
std::wstring OneLine(std::wstring value) {
    for (wchar_t& c : value)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    return value;
}

constexpr wchar_t kViewClass[] = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";

} // namespace

bool FolderOptions::AnyChosen() const {
    return !iconFile.empty() || !tooltip.empty() || !textColor.empty() || !textBackground.empty() ||
           !picturePath.empty();
}

std::wstring ColorToHex(std::int32_t color) {
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%X", static_cast<unsigned>(color));
    std::wstring hex = digits;
    while (hex.size() < 6)
        hex.insert(hex.begin(), L'0');
    return L"0x00" + hex;
}

std::wstring ComposeSettingsFile(const FolderOptions& o) {
    std::wstring text;
    auto line = [&text](const std::wstring& s) { text += s + L"\r\n"; };
    line(L"[Vendor]");
    line(std::wstring(L"ID=") + kVendorId);
    line(L"");
    line(L"[.ShellClassInfo]");
    line(L"IconFile=\"" + OneLine(o.iconFile) + L"\"");
    line(L"IconIndex=" + std::to_wstring(o.iconIndex));
    if (!o.tooltip.empty())
        line(L"InfoTip=\"" + OneLine(o.tooltip) + L"\"");
    line(L"ConfirmFileOp=0");
    line(L"");
    line(L"[ExtShellFolderViews]");
    line(std::wstring(kViewClass) + L"=" + kViewClass);
    line(L"");
    line(std::wstring(L"[") + kViewClass + L"]");
    line(L"Attributes=1");
    line(L"IconArea_Image=" + OneLine(o.picturePath));
    line(L"IconArea_Text=" + OneLine(o.textColor));
    line(L"IconArea_TextBackground=" + OneLine(o.textBackground));
    return text;
}

std::wstring SettingsFilePath(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder + kSettingsFileName;
    return folder + L"\\" + kSettingsFileName;
}

std::wstring BackupFilePath(const std::wstring& settingsFile) {
    std::wstring path = settingsFile;
    return GetFolderPart(path, true) + kBackupFileName;
}

bool IsOwnSettingsFile(const std::wstring& settingsFile) {
    return ReadIniValue(L"Vendor", L"ID", L"", settingsFile) == kVendorId;
}

namespace {
std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return {};
    const size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}
bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                          b, -1) == CSTR_EQUAL;
}
} // namespace

bool IsOwnSettingsText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty())
        return true;
    // Read as the profile reader does: first [Vendor] section, first ID key,
    // blanks and one pair of double quotes around the value dropped.
    bool inVendor = false;
    for (const std::wstring& raw : SplitLines(platform::DecodeTextFile(bytes))) {
        const std::wstring line = Trimmed(raw);
        if (!line.empty() && line.front() == L'[') {
            const size_t close = line.find(L']');
            if (inVendor)
                return false;
            inVendor = close != std::wstring::npos &&
                       EqualNoCase(Trimmed(line.substr(1, close - 1)), L"Vendor");
            continue;
        }
        const size_t equals = line.find(L'=');
        if (!inVendor || equals == std::wstring::npos ||
            !EqualNoCase(Trimmed(line.substr(0, equals)), L"ID"))
            continue;
        std::wstring value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
            value = value.substr(1, value.size() - 2);
        return value == kVendorId;
    }
    return false;
}

bool IsOwnSettingsFileAnyAttributes(const std::wstring& settingsFile) {
    std::vector<std::uint8_t> bytes;
    return platform::ReadAllBytes(settingsFile, bytes) && IsOwnSettingsText(bytes);
}

CustomizeResult CustomizeFolder(const std::wstring& folder, const FolderOptions& options) {
    return CustomizeFolder(folder, platform::EncodeTextFile(ComposeSettingsFile(options)));
}

namespace {

// SetFileAttributes replaces the whole set, so a folder that is system and
// nothing else needs no call.
void MakeSystemFolder(const std::wstring& folder, DWORD folderAttributes) {
    using namespace platform;
    if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
        (folderAttributes & (AttrReadOnly | AttrHidden | AttrSystem)) != AttrSystem)
        SetAttributes(folder, AttrSystem);
}

// A folder that already holds something named like the settings file: the
// backup rule decides, and only a file of ours (or an empty one) is replaced.
CustomizeResult CustomizeOverExisting(const std::wstring& folder, const std::wstring& ini,
                                      const std::vector<std::uint8_t>& settingsFile) {
    using namespace platform;
    const std::wstring backup = BackupFilePath(ini);

    const bool iniFound = FileExists(ini);
    const DWORD iniAttributes = iniFound ? GetAttributes(ini) : INVALID_FILE_ATTRIBUTES;
    const DWORD folderAttributes = GetAttributes(folder);
    const bool iniOurs = iniFound && IsOwnSettingsFileAnyAttributes(ini);
    // Without a settings file the backup plays no part.
    const bool backupFound = iniFound && FileExists(backup);
    if (iniFound && backupFound && !iniOurs) {
        // The backup already holds the user's earlier file; this one has come
        // since and has no other copy.
        return CustomizeResult{false, ERROR_FILE_EXISTS};
    }
    auto putIniAttributesBack = [&] {
        if (iniAttributes != INVALID_FILE_ATTRIBUTES)
            SetAttributes(ini, iniAttributes & (AttrReadOnly | AttrHidden | AttrSystem));
    };
    if (iniFound)
        SetAttributes(ini, AttrNormal);
    bool setAside = false;
    if (iniFound && !backupFound && !iniOurs) {
        if (!RenameFile(ini, backup)) {
            CustomizeResult failed{false, GetLastError()};
            // Never overwrite a file that could not be set aside.
            putIniAttributesBack();
            return failed;
        }
        setAside = true;
        SetAttributes(backup, AttrHidden);
    }

    // The folder's attributes are changed only after the write: a failed
    // write leaves them as they were found.
    CustomizeResult result;
    if (!WriteAllBytes(ini, settingsFile, AttrHidden | AttrSystem)) {
        result.error = GetLastError();
        // The folder counts as not changed, so it is left as it was found.
        if (!setAside || RenameFile(backup, ini))
            putIniAttributesBack();
        return result;
    }
    MakeSystemFolder(folder, folderAttributes);
    result.customized = true;
    return result;
}

} // namespace

CustomizeResult CustomizeFolder(const std::wstring& folder,
                                const std::vector<std::uint8_t>& settingsFile) {
    using namespace platform;
    const std::wstring ini = SettingsFilePath(folder);
    // Most folders hold no settings file: creating it new, hidden and system
    // at once, looks for one and writes the new one in one call.
    FileHandle created = CreateNewFile(ini, AttrHidden | AttrSystem);
    if (!created) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS)
            return CustomizeOverExisting(folder, ini, settingsFile);
        return CustomizeResult{false, error};
    }
    if (!WriteBytes(created, settingsFile)) {
        const CustomizeResult failed{false, GetLastError()};
        // The file is the one just made: it goes, and the folder was not touched.
        MarkForDeletion(created);
        return failed;
    }
    created.reset();
    SetAttributes(folder, AttrSystem);
    return CustomizeResult{true, 0};
}

} // namespace engine
