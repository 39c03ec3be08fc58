#include "engine/CustomizeFolder.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <new>

namespace engine {

CustomizeResult CustomizeFolder(const std::wstring& folder, const FolderOptions& options) {
    return CustomizeFolder(folder, platform::EncodeTextFile(ComposeSettingsFile(options)));
}

namespace {

// What a link named like the settings file is reported as: the program does
// not follow it, so to the program the file cannot be reached.
constexpr DWORD kLinkError = ERROR_CANT_ACCESS_FILE;

// The bits SetFileAttributes can change. After Apply the folder has system
// and none of the others.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_TEMPORARY;

// SetFileAttributes replaces the whole set, so a folder that is system and
// nothing else needs no call.
void MakeSystemFolder(const std::wstring& folder, DWORD folderAttributes) {
    if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
        (folderAttributes & kSettableAttributes) != FILE_ATTRIBUTE_SYSTEM)
        platform::SetAttributes(folder, platform::AttrSystem);
}

CustomizeResult Failed(DWORD error) {
    return CustomizeResult{false, error};
}

// Creates the settings file where nothing has its name, writes it and makes it
// exactly hidden + system: set through the handle after the write, which
// clears the archive bit NTFS gives a new file. A file that cannot be
// completed is removed again.
bool WriteNewSettingsFile(const std::wstring& ini, const std::vector<std::uint8_t>& settingsFile) {
    using namespace platform;
    FileHandle created = CreateNewFile(ini, AttrHidden | AttrSystem);
    if (!created)
        return false;
    if (WriteBytes(created, settingsFile) && SetAttributes(created, AttrHidden | AttrSystem))
        return true;
    KeepingLastError([&created] { MarkForDeletion(created); });
    return false;
}

// Our own file goes through the handle that proved it ours. Only a read-only
// file refuses for its attributes, so the reset comes when it is refused.
bool RemoveOwnFile(const platform::FileHandle& file) {
    using namespace platform;
    return MarkForDeletion(file) || (SetAttributes(file, AttrNormal) && MarkForDeletion(file));
}

// The user's file was set aside; the new one is written in its place or the
// user's file goes back, byte for byte, with its attributes.
CustomizeResult WriteOverSetAside(const std::wstring& ini, const std::wstring& backup,
                                  DWORD iniAttributes,
                                  const std::vector<std::uint8_t>& settingsFile) {
    using namespace platform;
    SetAttributes(backup, AttrHidden);
    if (WriteNewSettingsFile(ini, settingsFile))
        return CustomizeResult{true, 0};
    CustomizeResult result = Failed(GetLastError());
    if (RenameFile(backup, ini))
        SetAttributes(ini, iniAttributes & kSettableAttributes);
    else
        result.backupLeft = true;
    return result;
}

// A folder that already holds something named like the settings file: the
// backup rule decides, and only a file of ours (or an empty one) is replaced.
CustomizeResult CustomizeOverExisting(const std::wstring& folder, const std::wstring& ini,
                                      const std::vector<std::uint8_t>& settingsFile,
                                      bool& setAside) {
    using namespace platform;
    // Opened as itself: a link is looked at, never followed. A name that
    // cannot be opened (a folder, a link to nowhere, a locked file) stays.
    FileHandle existing = OpenForRemoval(ini);
    SettingsFileKind kind = SettingsFileKind::Foreign;
    if (!existing || !InspectSettingsFile(existing, kind))
        return Failed(GetLastError());
    if (kind == SettingsFileKind::Link)
        return Failed(kLinkError);
    const std::wstring backup = BackupFilePath(ini);
    if (kind == SettingsFileKind::Foreign && PathExists(backup)) {
        // The backup already holds the user's earlier file; this one has come
        // since and has no other copy.
        return Failed(ERROR_FILE_EXISTS);
    }
    const DWORD folderAttributes = GetAttributes(folder);
    if (kind == SettingsFileKind::Ours) {
        if (!RemoveOwnFile(existing))
            return Failed(GetLastError());
        existing.reset();
        if (!WriteNewSettingsFile(ini, settingsFile))
            return Failed(GetLastError());
    } else {
        const DWORD iniAttributes = GetAttributes(ini);
        existing.reset();
        // Never overwrite a file that could not be set aside.
        if (!RenameFile(ini, backup))
            return Failed(GetLastError());
        setAside = true;
        const CustomizeResult written = WriteOverSetAside(ini, backup, iniAttributes, settingsFile);
        if (!written.customized)
            return written;
    }
    MakeSystemFolder(folder, folderAttributes);
    return CustomizeResult{true, 0};
}

CustomizeResult CustomizeSteps(const std::wstring& folder,
                               const std::vector<std::uint8_t>& settingsFile, bool& setAside) {
    const std::wstring ini = SettingsFilePath(folder);
    // Most folders hold no settings file: creating it new, hidden and system
    // at once, looks for one and writes the new one in one call.
    if (WriteNewSettingsFile(ini, settingsFile)) {
        platform::SetAttributes(folder, platform::AttrSystem);
        return CustomizeResult{true, 0};
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS)
        return CustomizeOverExisting(folder, ini, settingsFile, setAside);
    // A file that was made and could not be written is gone again, and the
    // folder was not touched.
    return Failed(error);
}

} // namespace

CustomizeResult CustomizeFolder(const std::wstring& folder,
                                const std::vector<std::uint8_t>& settingsFile) {
    bool setAside = false;
    try {
        return CustomizeSteps(folder, settingsFile, setAside);
    } catch (const std::bad_alloc&) {
        // Out of memory on this folder ends only this folder; a file set
        // aside before it keeps the folder on record.
        CustomizeResult result = Failed(ERROR_NOT_ENOUGH_MEMORY);
        result.backupLeft = setAside;
        return result;
    }
}

} // namespace engine
