#pragma once
// Choosing the folders ("..." beside the folder box, or several handed over
// together from Explorer) and building the target list of their subfolders
// ("Include Subdirectories").
#include "engine/FolderList.h"
#include "engine/FolderWalk.h"
#include "platform/CommandTable.h"
#include "platform/TextCompare.h"
#include "platform/Window.h"
#include "ui/main/BusyLock.h"
#include "ui/main/OperationHost.h"

#include <windows.h>
#include <string>
#include <vector>

namespace ui {

// The drive rules of a chosen folder, the window's and /apply's: only a
// folder on a hard disk is taken, and a drive's root (which changes every
// folder of the drive) only when the user agrees.
bool OnHardDrive(const std::wstring& folder);
bool IsDriveRoot(const std::wstring& folder);
// "X:\ is not a valid Hard Drive   ", naming the folder's drive.
std::wstring NotAHardDriveText(const std::wstring& folder);
// Why a chosen folder that is a link (engine::IsLinkedFolder) is not changed.
std::wstring LinkedFolderText(const std::wstring& folder);
// "N linked folders passed over" by a walk; "1 linked folder passed over".
std::wstring PassedOverText(size_t count);

struct FolderSelectionControls {
    HWND form, TxtFolder, cmdBrowseFolder, chkSubs, lblCreating, Command1;
    // the count of chosen folders beside the box; the window's tooltips
    HWND lblChosen, tooltip;
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
    // Folders handed over together: a new choice, or (join) more folders of
    // the current one. Each is checked as a chosen folder; those that fail
    // are left out and reported in one message.
    void TakeFolders(const std::vector<std::wstring>& arguments, bool join);
    // The chosen folders, each once; the folder box shows the first.
    const std::vector<std::wstring>& Chosen() const { return chosen_; }
    // Before Apply changes the chosen folders: a folder put into the box by
    // another program is checked as a folder argument is (a full name, the
    // drive rules), and no chosen folder may be a link. False, said to the
    // user, when Apply must not go on; Chosen() then holds the checked path.
    bool ConfirmChoice();
    // Clear All: no target, and the count says so.
    void ClearTargetList();

  private:
    void TxtFolder_Change();
    void BuildTargetList();
    void CheckChosenFolder();
    // The box's text, not yet checked, checked now; false (said) when refused.
    bool ConfirmTyped();
    // The checks of one folder taken with others; false with the problem
    // when it may not join the choice.
    bool MayJoin(const std::wstring& argument, std::wstring& folder, std::wstring& problem);
    void SetChosen(const std::wstring& folder);
    void ShowChosen();
    engine::WalkProgress WalkProgress();

    OperationHost& host_;
    BusyLock& busy_;
    FolderSelectionControls c_;
    engine::SortedFolderList& subDirs_;
    std::wstring idleText_;
    std::vector<std::wstring> chosen_;
    platform::FolderSet chosenSet_;
    // The folder box changes because the choice did, not the other way round.
    bool showing_ = false;
    // The choice is the box's text, put there by another program, unchecked.
    bool typed_ = false;
};

} // namespace ui
