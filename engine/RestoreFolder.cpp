#include "engine/RestoreFolder.h"

#include "engine/SettingsFile.h"
#include "platform/Files.h"

#include <new>
#include <vector>

namespace engine {

namespace {

bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

enum class Proof { Yes, No, Unknown };

// Whether the folder holds a file set aside as BUDesktop.ini: a folder or a
// link of that name is none; a name that cannot be looked at proves nothing.
Proof BackupThere(const std::wstring& folder) {
    const DWORD attributes = platform::GetAttributes(BackupFilePath(SettingsFilePath(folder)));
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
                   ? Proof::No
                   : Proof::Yes;
    return IsNotFound(GetLastError()) ? Proof::No : Proof::Unknown;
}

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
// refused, or by a run that ended between setting the user's file aside and
// writing its own: it is the user's file, and it goes back where it was.
RestoreResult& PutBackOrphanBackup(const std::wstring& folder, const std::wstring& ini,
                                   const std::wstring& backup, Steps& steps, RestoreResult& result,
                                   const std::function<void()>& starting) {
    using namespace platform;
    if (!HoldsBackup(folder)) {
        // Nothing here to undo, unless the folder's drive is not there to say so.
        if (!VolumeIsPresent(folder)) {
            result.outcome = RestoreOutcome::NotRestored;
            result.error = ERROR_PATH_NOT_FOUND;
            result.skipped = true;
        }
        return result;
    }
    if (starting)
        starting();
    if (!steps.Check(RenameFile(backup, ini)) || !steps.Check(SetAttributes(ini, AttrHidden)) ||
        !steps.Check(SetAttributes(folder, AttrSystem)))
        return result;
    result.outcome = result.skipped ? RestoreOutcome::NotRestored : RestoreOutcome::Restored;
    return result;
}

// Our settings file goes, through the handle opened for it.
bool RemoveSettingsFile(const platform::FileHandle& settings, Steps& steps, bool& deleted) {
    using namespace platform;
    // Only a read-only file refuses deletion for its attributes, so the
    // reset to normal comes when the deletion is refused.
    deleted = MarkForDeletion(settings);
    if (!deleted) {
        if (!steps.Check(SetAttributes(settings, AttrNormal)))
            return false;
        deleted = MarkForDeletion(settings);
    }
    return steps.Check(deleted);
}

// A settings file that could not be opened or read: the folder stays as it
// is, and listed. As a file that cannot be looked at, it ends no run.
RestoreResult& RefusedBeforeChange(RestoreResult& result, DWORD error) {
    result.error = error;
    result.skipped = true;
    result.outcome = RestoreOutcome::NotRestored;
    return result;
}

// Someone else's settings file is left alone. Beside a file set aside as
// BUDesktop.ini it may be the user's newer one, or a sync tool's: neither
// goes, and the folder stays listed with the user's file. Only where nothing
// was set aside is the folder proven not ours.
RestoreResult& LeaveForeign(const std::wstring& folder, RestoreResult& result) {
    switch (BackupThere(folder)) {
    case Proof::No:
        result.outcome = RestoreOutcome::NotOurs;
        return result;
    case Proof::Yes:
        result.outcome = RestoreOutcome::BackupBesideForeign;
        return result;
    case Proof::Unknown:
        break;
    }
    return RefusedBeforeChange(result, GetLastError());
}

RestoreResult RestoreSteps(const std::wstring& folder, const std::function<void()>& starting) {
    using namespace platform;
    RestoreResult result;
    Steps steps(result);
    const std::wstring ini = SettingsFilePath(folder);
    const std::wstring backup = BackupFilePath(ini);

    // One open for reading, attributes and deletion. A file that is there but
    // cannot be opened so (held without sharing, denied) is never taken for a
    // missing one: the folder is left as it is, before any change. Both
    // opens take a link as itself, and a link is never ours.
    FileHandle settings = OpenForRemoval(ini);
    DWORD refused = 0;
    FileHandle reader;
    if (!settings) {
        refused = GetLastError();
        reader = OpenForReading(ini);
        if (!reader) {
            const DWORD error = GetLastError();
            // Opening a folder of that name is refused like a denied file.
            if (IsNotFound(error) || (error == ERROR_ACCESS_DENIED && IsDirectory(ini)))
                return PutBackOrphanBackup(folder, ini, backup, steps, result, starting);
            return RefusedBeforeChange(result, error);
        }
    }
    SettingsFileKind kind = SettingsFileKind::Foreign;
    if (!InspectSettingsFile(settings ? settings : reader, kind))
        // Unread, it cannot be proven ours: it stays, and so does the item.
        return RefusedBeforeChange(result, GetLastError());
    if (kind != SettingsFileKind::Ours)
        return LeaveForeign(folder, result);
    // Ours, and held or denied: it could not go, and the backup could not
    // come back in its place.
    if (!settings)
        return RefusedBeforeChange(result, refused);

    if (starting)
        starting();
    bool deleted = false;
    if (!RemoveSettingsFile(settings, steps, deleted))
        return result;
    const bool folderNormal = SetAttributes(folder, AttrNormal);
    // The marked file goes as its handle closes. Under Wine the folder's reset
    // costs half as much while the file is still there.
    settings.reset();
    if (!steps.Check(folderNormal))
        return result;
    // Looking at the name is enough: a backup that cannot be read still has
    // to be put back, and the rename says whether it can. A folder or a link
    // of that name is no backup.
    const bool backupFound = HoldsBackup(folder);
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

} // namespace

RestoreResult RestoreFolder(const std::wstring& folder, const std::function<void()>& starting) {
    try {
        return RestoreSteps(folder, starting);
    } catch (const std::bad_alloc&) {
        // Out of memory on this folder: it stays listed, to be tried again.
        RestoreResult result;
        result.outcome = RestoreOutcome::NotRestored;
        result.error = ERROR_NOT_ENOUGH_MEMORY;
        result.skipped = true;
        return result;
    }
}

EntryFate FateAfter(const RestoreResult& result) {
    switch (result.outcome) {
    case RestoreOutcome::Restored:
    // Read, someone else's and nothing set aside: nothing of ours to undo.
    case RestoreOutcome::NotOurs:
        return EntryFate::Leaves;
    case RestoreOutcome::NoSettingsFile:
        return EntryFate::ToPruner;
    case RestoreOutcome::NotRestored:
    case RestoreOutcome::BackupBesideForeign:
    case RestoreOutcome::Stopped:
        break;
    }
    return EntryFate::Stays;
}

namespace {
// The root of the drive ("C:\") or share ("\\server\share\") that holds the
// folder, or empty for other forms.
std::wstring VolumeRoot(const std::wstring& folder) {
    const std::wstring root = platform::RootOf(folder);
    return root.empty() ? root : root + L"\\";
}
} // namespace

bool VolumeIsPresent(const std::wstring& folder) {
    const std::wstring root = VolumeRoot(folder);
    return root.empty() || platform::PathExists(root);
}

Claim ClaimChecker::Of(const std::wstring& folder) {
    const std::wstring ini = SettingsFilePath(folder);
    if (const platform::FileHandle file = platform::OpenForReading(ini)) {
        // Only a file read to its marker and found foreign proves that
        // nothing of ours is left, and only where nothing was set aside. A
        // link, opened as itself, reads as its own empty stream: unknown.
        bool whole = false;
        if (!platform::ReadPrefix(file, kMarkerPrefixBytes, prefix_, whole))
            return Claim::Unknown;
        if (IsOwnSettingsText(prefix_, whole))
            return Claim::Ours;
        switch (BackupThere(folder)) {
        case Proof::Yes:
            return Claim::Ours;
        case Proof::No:
            return Claim::NotOurs;
        case Proof::Unknown:
            break;
        }
        return Claim::Unknown;
    }
    const DWORD error = GetLastError();
    // Opening a folder of that name is refused like a denied file: its
    // attributes tell them apart.
    const bool noFile =
        IsNotFound(error) || (error == ERROR_ACCESS_DENIED && platform::IsDirectory(ini));
    const Proof backup = BackupThere(folder);
    if (backup == Proof::Yes)
        return Claim::Ours;
    if (!noFile || backup != Proof::No)
        return Claim::Unknown;
    // The folder or its files are gone, or so it seems where the drive or
    // share is away: an unplugged disk proves nothing.
    const std::wstring root = VolumeRoot(folder);
    if (root.empty())
        return Claim::NotOurs;
    auto it = present_.find(root);
    if (it == present_.end())
        it = present_.emplace(root, platform::PathExists(root)).first;
    return it->second ? Claim::NotOurs : Claim::Unknown;
}

Claim ClaimOf(const std::wstring& folder) {
    return ClaimChecker().Of(folder);
}

bool PruneRestoreList(ListItems& list, const PruneStep& step) {
    RestorePruner pruner;
    const size_t total = list.Count();
    size_t done = 0;
    bool going = true;
    list.RemoveWhere([&](const std::wstring& folder) {
        // Once stopped, the rest is kept as it is.
        if (!going)
            return false;
        going = !step || step(++done, total);
        return pruner.Drops(folder);
    });
    return going;
}

} // namespace engine
