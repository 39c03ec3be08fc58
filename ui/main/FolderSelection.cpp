// Choosing the folder and building the target list of its subfolders.
#include "ui/main/FolderSelection.h"

#include "platform/ScopeExit.h"
#include "platform/Shell.h"
#include "platform/Files.h"
#include "ui/common/MessageBox.h"
#include "ui/main/CommandLine.h"

#include <new>
#include <shlobj.h>

namespace ui {

namespace {

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE;

} // namespace

bool OnHardDrive(const std::wstring& folder) {
    return GetDriveTypeW(folder.substr(0, 3).c_str()) == DRIVE_FIXED;
}

bool IsDriveRoot(const std::wstring& folder) {
    return folder.size() == 3;
}

std::wstring NotAHardDriveText(const std::wstring& folder) {
    return folder.substr(0, 3) + L" is not a valid Hard Drive   ";
}

FolderSelection::FolderSelection(OperationHost& host, BusyLock& busy,
                                 const FolderSelectionControls& controls,
                                 engine::SortedFolderList& targets, std::wstring idleText)
    : host_(host), busy_(busy), c_(controls), subDirs_(targets), idleText_(std::move(idleText)) {}

void FolderSelection::AddCommands(platform::CommandTable& commands) {
    commands.Add(*this, {{GetDlgCtrlID(c_.cmdBrowseFolder), BN_CLICKED,
                          &FolderSelection::cmdBrowseFolder_Click},
                         {GetDlgCtrlID(c_.chkSubs), BN_CLICKED, &FolderSelection::chkSubs_Click}});
}

void FolderSelection::cmdBrowseFolder_Click() {
    SetIncludeSubdirectories(false);
    host_.SetStatus(idleText_);
    platform::Show(c_.lblCreating, false);

    const std::wstring chosen =
        platform::BrowseForFolder(c_.form, L"Select a Folder to Customize", kBrowseFlags);
    if (!chosen.empty())
        platform::SetText(c_.TxtFolder, chosen);
    if (!host_.YieldToMessages())
        return;

    CheckChosenFolder();
}

void FolderSelection::TakeFolder(const std::wstring& argument) {
    SetIncludeSubdirectories(false);
    host_.SetStatus(idleText_);
    const std::wstring folder = NormalizeFolderArgument(argument);
    if (folder.empty()) {
        platform::SetText(c_.TxtFolder, L"");
        ShowMessage(c_.form, L"Folder not found: " + argument, MB_ICONINFORMATION);
        return;
    }
    platform::SetText(c_.TxtFolder, folder);
    CheckChosenFolder();
}

void FolderSelection::CheckChosenFolder() {
    const std::wstring folder = platform::Text(c_.TxtFolder);
    if (folder.empty())
        return;
    if (!OnHardDrive(folder)) {
        ShowMessage(c_.form, NotAHardDriveText(folder), MB_ICONINFORMATION,
                    L"Not a Valid Hard Drive");
        platform::SetText(c_.TxtFolder, L"");
        SetFocus(c_.cmdBrowseFolder);
        return;
    }
    if (IsDriveRoot(folder)) {
        const std::wstring question = L"This will change ALL the Folders on Drive " + folder +
                                      L" and can take several minutes.     \r\n\r\n"
                                      L"Are you sure you want to do this?          ";
        if (AskYesNo(c_.form, question))
            platform::Enable(c_.Command1, true);
        else
            platform::SetText(c_.TxtFolder, L"");
    }
}

void FolderSelection::ClearTargetList() {
    subDirs_.Clear();
    c_.lblSubDirsCount->Show(L"0");
}

// The click handler calls back once, to untick; that call finds the box as
// asked and returns.
// NOLINTNEXTLINE(misc-no-recursion): one level, as said above
void FolderSelection::SetIncludeSubdirectories(bool ticked) {
    const bool was = platform::Checked(c_.chkSubs);
    if (was == ticked)
        return;
    platform::SetChecked(c_.chkSubs, ticked);
    chkSubs_Click();
}

// NOLINTNEXTLINE(misc-no-recursion): see SetIncludeSubdirectories
void FolderSelection::chkSubs_Click() {
    const bool ticked = platform::Checked(c_.chkSubs);
    if (platform::Text(c_.TxtFolder).empty()) {
        // A tick without a chosen folder does not stay.
        platform::SetChecked(c_.chkSubs, false);
        return;
    }
    if (!ticked) {
        subDirs_.Clear();
        host_.SetStatus(idleText_);
        c_.lblSubDirsCount->Show(std::to_wstring(subDirs_.Count()));
        return;
    }
    BuildTargetList();
}

void FolderSelection::BuildTargetList() {
    BusyHold busy(busy_);
    platform::Show(c_.lblCreating, true);
    host_.SetWaitCursor(true);
    // However the walk ends, the wait ends with it.
    const platform::ScopeExit endWait([this] {
        host_.SetWaitCursor(false);
        platform::Show(c_.lblCreating, false);
    });
    // Half a walk is no target list: an Apply would miss folders or change
    // excluded ones. The box says so by its tick.
    platform::ScopeExit noTargets([this] {
        subDirs_.Clear();
        platform::SetChecked(c_.chkSubs, false);
        c_.lblSubDirsCount->Show(L"0");
    });
    bool built = false;
    try {
        built = engine::BuildTargetList(platform::Text(c_.TxtFolder), subDirs_, WalkProgress());
    } catch (const std::bad_alloc&) {
        host_.SetStatus(L"The folder list could not be made: " +
                        platform::ErrorText(ERROR_NOT_ENOUGH_MEMORY));
        return;
    }
    if (!built)
        return; // the window went
    noTargets.Dismiss();
    const std::wstring count = std::to_wstring(subDirs_.Count());
    host_.SetStatus(L"Folder list complete....Ready to change " + count + L" Folders");
    c_.lblSubDirsCount->Show(count);
}

engine::WalkProgress FolderSelection::WalkProgress() {
    engine::WalkProgress progress;
    progress.found = [this](const std::wstring& path) { host_.ShowProgress(path); };
    progress.counted = [this](size_t count) {
        c_.lblSubDirsCount->ShowSoon(std::to_wstring(count));
    };
    progress.yield = [this] { return host_.YieldToMessages(); };
    return progress;
}

} // namespace ui
