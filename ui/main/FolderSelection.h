#pragma once
// Choosing the folder ("..." beside the folder box) and building the target
// list of its subfolders ("Include Subdirectories").
#include "engine/FolderList.h"
#include "engine/FolderWalk.h"
#include "platform/CommandTable.h"
#include "platform/Window.h"
#include "ui/main/BusyLock.h"
#include "ui/main/OperationHost.h"

#include <windows.h>
#include <string>

namespace ui {

// The drive rules of a chosen folder, the window's and /apply's: only a
// folder on a hard disk is taken, and a drive's root (which changes every
// folder of the drive) only when the user agrees.
bool OnHardDrive(const std::wstring& folder);
bool IsDriveRoot(const std::wstring& folder);
// "X:\ is not a valid Hard Drive   ", naming the folder's drive.
std::wstring NotAHardDriveText(const std::wstring& folder);

struct FolderSelectionControls {
    HWND form, TxtFolder, cmdBrowseFolder, chkSubs, lblCreating, Command1;
    // lblSubDirsCount, as the window shows its progress
    platform::ThrottledText* lblSubDirsCount;
};

class FolderSelection {
  public:
    // targets is the window's target list, which the walk fills.
    FolderSelection(OperationHost& host, BusyLock& busy, const FolderSelectionControls& controls,
                    engine::SortedFolderList& targets, std::wstring idleText);
    void AddCommands(platform::CommandTable& commands);

    void cmdBrowseFolder_Click();
    void chkSubs_Click();

    // Ticks or unticks "Include Subdirectories" as a user click would.
    void SetIncludeSubdirectories(bool ticked);
    // A folder named on the command line, taken as if chosen in the folder
    // dialog; a path that names no folder is reported and leaves the box empty.
    void TakeFolder(const std::wstring& argument);
    // Clear All: no target, and the count says so.
    void ClearTargetList();

  private:
    void BuildTargetList();
    void CheckChosenFolder();
    engine::WalkProgress WalkProgress();

    OperationHost& host_;
    BusyLock& busy_;
    FolderSelectionControls c_;
    engine::SortedFolderList& subDirs_;
    std::wstring idleText_;
};

} // namespace ui
