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

CustomizeResult CustomizeFolder(const std::wstring& folder, const FolderOptions& options) {
    return CustomizeFolder(folder, platform::EncodeTextFile(ComposeSettingsFile(options)));
}

CustomizeResult CustomizeFolder(const std::wstring& folder,
                                const std::vector<std::uint8_t>& settingsFile) {
    using namespace platform;
    const std::wstring ini = SettingsFilePath(folder);
    const std::wstring backup = BackupFilePath(ini);

    const bool iniFound = FileExists(ini);
    const DWORD iniAttributes = iniFound ? GetAttributes(ini) : INVALID_FILE_ATTRIBUTES;
    if (iniFound)
        SetAttributes(ini, AttrNormal);

    // Without a settings file the backup plays no part.
    const bool backupFound = iniFound && FileExists(backup);
    if (iniFound && backupFound) {
        // An earlier customization; the backup already holds the foreign file.
        DeleteFileAt(ini);
    } else if (iniFound && !backupFound && !IsOwnSettingsFile(ini)) {
        if (!RenameFile(ini, backup)) {
            CustomizeResult failed{false, GetLastError()};
            // Never overwrite a file that could not be set aside.
            if (iniAttributes != INVALID_FILE_ATTRIBUTES)
                SetAttributes(ini, iniAttributes & (AttrReadOnly | AttrHidden | AttrSystem));
            return failed;
        }
        SetAttributes(backup, AttrHidden);
    }

    SetAttributes(folder, AttrNormal);
    CustomizeResult result;
    if (!WriteAllBytes(ini, settingsFile, AttrHidden | AttrSystem)) {
        result.error = GetLastError();
        SetAttributes(folder, AttrSystem);
        return result;
    }
    SetAttributes(folder, AttrSystem);
    result.customized = true;
    return result;
}

} // namespace engine
