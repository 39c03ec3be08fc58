#pragma once
// Putting one customized folder back: the counterpart of CustomizeFolder.
#include <functional>
#include <string>

namespace engine {

enum class RestoreOutcome {
    Restored,       // neither our settings file nor a backup is left
    NoSettingsFile, // nothing to undo; the folder leaves the list
    NotOurs,        // the settings file is someone else's: left untouched
    NotRestored,    // a step was refused; the folder stays customized
    Stopped,        // a step failed in a way that ends the whole run
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::NoSettingsFile;
    unsigned long error = 0; // Win32 error of the last refused or failed step
    bool skipped = false;    // a step was refused and passed over
};

// Deletes our settings file, puts a backup back in its place with its
// attributes, and resets the folder. Refused access and sharing failures skip
// a step; any other failure stops at once. starting, where given, is called
// once the folder is known to be put back, before its first change.
RestoreResult RestoreFolder(const std::wstring& folder, const std::function<void()>& starting = {});

} // namespace engine
