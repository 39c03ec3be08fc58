#pragma once
// Customizing one folder, the counterpart of RestoreFolder: the backup rule
// applied, the settings file written and the attributes set.
#include "engine/SettingsFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

struct CustomizeResult {
    bool customized = false; // the new settings file was written
    unsigned long error = 0; // Win32 error of the step that failed
    // Not customized, yet the user's file is left set aside as the backup:
    // the folder must be recorded so that a restore puts the file back.
    bool backupLeft = false;
};

// Sets a foreign settings file aside, writes the new one and sets the
// attributes. A foreign file that cannot be backed up, a foreign file beside
// an existing backup, a link, or a name that cannot be opened is left as it
// was and the folder is not customized; a failed write removes the new file
// and puts the user's file back.
CustomizeResult CustomizeFolder(const std::wstring& folder, const FolderOptions& options);
// The same with the settings file already composed and encoded, for a run of
// many folders with the same options.
CustomizeResult CustomizeFolder(const std::wstring& folder,
                                const std::vector<std::uint8_t>& settingsFile);

} // namespace engine
