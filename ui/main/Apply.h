#pragma once
// Apply ("&Apply", Command1): customizes the chosen folder or every folder of
// the target list, records each in the restore list and saves the list.
#include "engine/FolderList.h"
#include "engine/SettingsFile.h"
#include "platform/CommandTable.h"
#include "ui/main/BusyLock.h"
#include "ui/main/OperationHost.h"

#include <windows.h>
#include <string>

namespace ui {

class FolderSelection;
class RestoreListKeeper;

// What Apply needs of the window besides what every operation needs.
class ApplyHost : public OperationHost {
  public:
    // The FolderOptions that the window's controls hold now.
    virtual engine::FolderOptions ReadOptions() const = 0;

  protected:
    ~ApplyHost() = default;
};

struct ApplyControls {
    HWND form, chkSubs, lstRestore, cmdDummy, Command1;
};

class Apply {
  public:
    // targets is the window's target list; with no folder chosen, Apply
    // opens the folder choice of folderSelection.
    // Each folder is recorded through keeper, which saves the list at the end.
    Apply(ApplyHost& host, BusyLock& busy, RestoreListKeeper& keeper, const ApplyControls& controls,
          const engine::SortedFolderList& targets, FolderSelection& folderSelection);
    void AddCommands(platform::CommandTable& commands);

    void Command1_Click();

  private:
    void CompleteApply(const std::wstring& statusText);

    ApplyHost& host_;
    BusyLock& busy_;
    RestoreListKeeper& keeper_;
    ApplyControls c_;
    const engine::SortedFolderList& subDirs_;
    FolderSelection& folderSelection_;
};

} // namespace ui
