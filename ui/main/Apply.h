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

// What Apply needs of the window besides what every operation needs.
class ApplyHost : public OperationHost {
  public:
    // The FolderOptions that the window's controls hold now.
    virtual engine::FolderOptions ReadOptions() const = 0;
    virtual const std::wstring& ListFilePath() const = 0;
    // Writes the restore list; on failure tells the user.
    virtual bool SaveRestoreList() = 0;
    // True when the list was read and changes can be recorded; else the reason.
    virtual bool CanRecord(unsigned long& reason) const = 0;
    // While kept, a save leaves the journal in place: an Apply is writing it,
    // or a run may have missed a folder's line in the list.
    virtual void KeepJournal(bool keep) = 0;
    // A customized folder that joins the list box with the next batch; every
    // save takes the waiting folders first.
    virtual void AddWaitingItem(const std::wstring& folder) = 0;
    virtual void JoinWaitingItems() = 0;

  protected:
    ~ApplyHost() = default;
};

struct ApplyControls {
    HWND form, TxtFolder, chkSubs, lstRestore, cmdDummy, Command1;
};

class Apply {
  public:
    // targets is the window's target list; with no folder chosen, Apply
    // opens the folder choice of folderSelection.
    Apply(ApplyHost& host, BusyLock& busy, const ApplyControls& controls,
          const engine::SortedFolderList& targets, FolderSelection& folderSelection);
    void AddCommands(platform::CommandTable& commands);

    void Command1_Click();

  private:
    void CompleteApply(const std::wstring& statusText);

    ApplyHost& host_;
    BusyLock& busy_;
    ApplyControls c_;
    const engine::SortedFolderList& subDirs_;
    FolderSelection& folderSelection_;
};

} // namespace ui
