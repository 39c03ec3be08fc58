#pragma once
// Putting one customized folder back, the counterpart of CustomizeFolder, and
// the one rule for what then becomes of its entry in the restore list: only
// proof that nothing of ours is left takes a folder off the list.
#include "engine/FolderList.h"
#include "platform/TextCompare.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace engine {

enum class RestoreOutcome {
    Restored,            // neither our settings file nor a backup is left
    NoSettingsFile,      // nothing to undo
    NotOurs,             // the settings file is someone else's and nothing was set aside
    BackupBesideForeign, // someone else's settings file beside BUDesktop.ini: both left
    NotRestored,         // a step was refused; the folder stays customized
    Stopped,             // a step failed in a way that ends the whole run
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::NoSettingsFile;
    unsigned long error = 0; // Win32 error of the last refused or failed step
    bool skipped = false;    // a step was refused and passed over
};

// Deletes our settings file, puts a backup back in its place with its
// attributes, and resets the folder. A settings file that is there but cannot
// be opened or read (held, denied) changes nothing: NotRestored with its
// error. Refused access and sharing failures skip a later step; any other
// failure stops at once. starting, where given, is called once the folder is
// known to be put back, before its first change.
RestoreResult RestoreFolder(const std::wstring& folder, const std::function<void()>& starting = {});

// What becomes of a folder's entry in the restore list after RestoreFolder.
// Every run over the list (the restore view, /restore-all) follows it; a
// stop is the same here for both, and whether it also ends the run is the
// run's own choice.
enum class EntryFate {
    Leaves,   // put back, or proven not ours: the entry goes
    Stays,    // something of ours may be left: kept, to be tried again
    ToPruner, // no settings file to undo: the pruner decides on proof
};
EntryFate FateAfter(const RestoreResult& result);

// Whether a folder still holds something of the program's, the one rule every
// place that may take a folder off the record asks (the prune, the journal
// merge, a save's merge, a restore's fate):
//  - Ours: its settings file was read and is the program's, or a file set
//    aside as BUDesktop.ini is there;
//  - NotOurs, on proof only: the folder is gone from a drive or share that is
//    there, it holds neither a settings file nor BUDesktop.ini, or its
//    settings file was read, is not the program's and nothing was set aside;
//  - Unknown: anything else (a file held, denied or unreadable, a network
//    error, a drive or share that is not there). Unknown keeps the folder.
enum class Claim { Ours, NotOurs, Unknown };

// The rule for one folder at a time; each drive or share is looked for once.
class ClaimChecker {
  public:
    Claim Of(const std::wstring& folder);

  private:
    std::map<std::wstring, bool, platform::LessNoCase> present_;
    std::vector<std::uint8_t> prefix_; // the settings file's start, kept for the next folder
};
// The same for a single folder.
Claim ClaimOf(const std::wstring& folder);

// Drops a folder only when ClaimOf proves it NotOurs.
// step, where given, is called after each folder with how many were looked
// at; false stops the pruning (and the call returns false).
using PruneStep = std::function<bool(size_t done, size_t total)>;
class RestorePruner {
  public:
    bool Drops(const std::wstring& folder) { return claims_.Of(folder) == Claim::NotOurs; }

  private:
    ClaimChecker claims_;
};
bool PruneRestoreList(ListItems& list, const PruneStep& step = {});

// False when the drive ("X:\") or share ("\\server\share\") that holds the
// folder is not there; true for other forms.
bool VolumeIsPresent(const std::wstring& folder);

} // namespace engine
