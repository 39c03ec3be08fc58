#include "engine/RestoreFolder.h"

#include "engine/SettingsFile.h"
#include "platform/Files.h"

#include <vector>

namespace engine {

namespace {

bool SkipsStep(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}

// Records a failed step; false when the run must stop.
class Steps {
  public:
    explicit Steps(RestoreResult& result) : result_(result) {}
    bool Check(bool ok) {
        if (ok)
            return true;
        const DWORD error = GetLastError();
        result_.error = error;
        if (SkipsStep(error)) {
            result_.skipped = true;
            return true;
        }
        result_.outcome = RestoreOutcome::Stopped;
        return false;
    }

  private:
    RestoreResult& result_;
};

// A backup without a settings file is left by a restore whose rename was
// refused: it is the user's file, and it goes back where it was.
RestoreResult& PutBackOrphanBackup(const std::wstring& folder, const std::wstring& ini,
                                   const std::wstring& backup, Steps& steps,
                                   RestoreResult& result) {
    using namespace platform;
    if (!platform::FileExists(backup))
        return result;
    if (!steps.Check(RenameFile(backup, ini)) || !steps.Check(SetAttributes(ini, AttrHidden)) ||
        !steps.Check(SetAttributes(folder, AttrSystem)))
        return result;
    result.outcome = result.skipped ? RestoreOutcome::NotRestored : RestoreOutcome::Restored;
    return result;
}

} // namespace

RestoreResult RestoreFolder(const std::wstring& folder) {
    using namespace platform;
    RestoreResult result;
    Steps steps(result);
    const std::wstring ini = SettingsFilePath(folder);
    const std::wstring backup = BackupFilePath(ini);

    // One open for reading, attributes and deletion; where it is refused the
    // plain test decides and the steps run one by one.
    FileHandle settings = OpenForRemoval(ini);
    if (!settings && !platform::FileExists(ini))
        return PutBackOrphanBackup(folder, ini, backup, steps, result);
    std::vector<std::uint8_t> bytes;
    const bool read = settings ? ReadAllBytes(settings, bytes) : ReadAllBytes(ini, bytes);
    if (!read) {
        // Unread, it cannot be proven ours: it stays, and so does the item.
        result.outcome = RestoreOutcome::NotRestored;
        result.error = GetLastError();
        result.skipped = true;
        return result;
    }
    if (!IsOwnSettingsText(bytes)) {
        result.outcome = RestoreOutcome::NotOurs;
        return result;
    }

    bool deleted = false;
    if (settings) {
        // Only a read-only file refuses deletion for its attributes, so the
        // reset to normal comes when the deletion is refused.
        deleted = MarkForDeletion(settings);
        if (!deleted) {
            if (!steps.Check(SetAttributes(settings, AttrNormal)))
                return result;
            deleted = MarkForDeletion(settings);
        }
    } else {
        if (!steps.Check(SetAttributes(ini, AttrNormal)))
            return result;
        deleted = DeleteFileAt(ini);
    }
    if (!steps.Check(deleted))
        return result;
    const bool folderNormal = SetAttributes(folder, AttrNormal);
    // The marked file goes as its handle closes. Under Wine the folder's reset
    // costs half as much while the file is still there.
    settings.reset();
    if (!steps.Check(folderNormal))
        return result;
    // Looking at the name is enough: a backup that cannot be read still has
    // to be put back, and the rename says whether it can.
    const DWORD backupAttributes = GetAttributes(backup);
    const bool backupFound = backupAttributes != INVALID_FILE_ATTRIBUTES &&
                             !(backupAttributes & FILE_ATTRIBUTE_DIRECTORY);
    bool backupLeft = false;
    if (backupFound) {
        const bool renamed = RenameFile(backup, ini);
        backupLeft = !renamed;
        if (!steps.Check(renamed))
            return result;
    }
    // A deleted settings file with no backup behind it is gone for certain.
    if ((backupFound || !deleted) && platform::FileExists(ini)) {
        if (!steps.Check(SetAttributes(ini, AttrHidden)) ||
            !steps.Check(SetAttributes(folder, AttrSystem)))
            return result;
    } else if (!folderNormal) {
        // A refused reset gets its second try; a done one needs none.
        if (!steps.Check(SetAttributes(folder, AttrNormal)))
            return result;
    }
    result.outcome =
        deleted && !backupLeft ? RestoreOutcome::Restored : RestoreOutcome::NotRestored;
    return result;
}

} // namespace engine
