// Choosing the folders and building the target list of their subfolders.
#include "ui/main/FolderSelection.h"

#include "platform/Accessible.h"
#include "platform/ScopeExit.h"
#include "platform/Shell.h"
#include "platform/Files.h"
#include "ui/common/MessageBox.h"
#include "ui/main/CommandLine.h"

#include <commctrl.h>
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

std::wstring LinkedFolderText(const std::wstring& folder) {
    return folder +
           L" is a linked folder (a junction, a symbolic link or a mount point). Quillane changes "
           L"no folder through a link: choose the folder it leads to.";
}

std::wstring PassedOverText(size_t count) {
    return std::to_wstring(count) +
           (count == 1 ? L" linked folder passed over" : L" linked folders passed over");
}

FolderSelection::FolderSelection(OperationHost& host, BusyLock& busy,
                                 const FolderSelectionControls& controls,
                                 engine::SortedFolderList& targets, std::wstring idleText)
    : host_(host), busy_(busy), c_(controls), subDirs_(targets), idleText_(std::move(idleText)) {}

void FolderSelection::AddCommands(platform::CommandTable& commands) {
    commands.Add(
        *this,
        {{GetDlgCtrlID(c_.cmdBrowseFolder), BN_CLICKED, &FolderSelection::cmdBrowseFolder_Click},
         {GetDlgCtrlID(c_.chkSubs), BN_CLICKED, &FolderSelection::chkSubs_Click},
         {GetDlgCtrlID(c_.TxtFolder), EN_CHANGE, &FolderSelection::TxtFolder_Change}});
}

void FolderSelection::cmdBrowseFolder_Click() {
    SetIncludeSubdirectories(false);
    host_.SetStatus(idleText_);
    platform::Show(c_.lblCreating, false);

    const std::wstring chosen =
        platform::BrowseForFolder(c_.form, L"Select a Folder to Customize", kBrowseFlags);
    // The dialog's folder replaces the whole choice.
    if (!chosen.empty())
        SetChosen(chosen);
    if (!host_.YieldToMessages())
        return;

    CheckChosenFolder();
}

void FolderSelection::TakeFolder(const std::wstring& argument) {
    SetIncludeSubdirectories(false);
    host_.SetStatus(idleText_);
    const std::wstring folder = NormalizeFolderArgument(argument);
    if (folder.empty()) {
        SetChosen(L"");
        ShowMessage(c_.form, L"Folder not found: " + argument, MB_ICONINFORMATION);
        return;
    }
    SetChosen(folder);
    CheckChosenFolder();
}

void FolderSelection::TakeFolders(const std::vector<std::wstring>& arguments, bool join) {
    if (arguments.empty())
        return;
    // A new choice of one folder is the command line's.
    if (!join && arguments.size() == 1) {
        TakeFolder(arguments.front());
        return;
    }
    // The choice changed: a target list of the old one no longer serves.
    SetIncludeSubdirectories(false);
    host_.SetStatus(idleText_);
    // A name another program put into the box joins nothing before it is checked.
    if (!join || typed_) {
        chosen_.clear();
        chosenSet_.clear();
        typed_ = false;
    }
    std::wstring problems;
    size_t refused = 0;
    for (const auto& argument : arguments) {
        std::wstring folder, problem;
        if (!MayJoin(argument, folder, problem)) {
            if (!problem.empty()) {
                problems += (refused++ == 0 ? L"" : L"\r\n") + problem;
            }
            continue;
        }
        if (chosenSet_.insert(folder).second)
            chosen_.push_back(folder);
    }
    ShowChosen();
    if (refused > 0)
        ShowMessage(c_.form, problems, MB_ICONINFORMATION);
}

bool FolderSelection::MayJoin(const std::wstring& argument, std::wstring& folder,
                              std::wstring& problem) {
    folder = NormalizeFolderArgument(argument);
    if (folder.empty()) {
        problem = L"Folder not found: " + argument;
        return false;
    }
    if (!OnHardDrive(folder)) {
        problem = NotAHardDriveText(folder);
        return false;
    }
    if (chosenSet_.contains(folder) || !IsDriveRoot(folder))
        return true;
    // The same question as for a drive chosen alone; No leaves it out.
    ShowChosen();
    if (!AskYesNo(c_.form, L"This will change ALL the Folders on Drive " + folder +
                               L" and can take several minutes.     \r\n\r\n"
                               L"Are you sure you want to do this?          "))
        return false;
    platform::Enable(c_.Command1, true);
    return true;
}

void FolderSelection::SetChosen(const std::wstring& folder) {
    typed_ = false;
    chosen_.clear();
    chosenSet_.clear();
    if (!folder.empty()) {
        chosen_.push_back(folder);
        chosenSet_.insert(folder);
    }
    ShowChosen();
}

void FolderSelection::ShowChosen() {
    showing_ = true;
    platform::SetText(c_.TxtFolder, chosen_.empty() ? std::wstring() : chosen_.front());
    showing_ = false;
    const bool several = chosen_.size() > 1;
    const std::wstring count = several ? std::to_wstring(chosen_.size()) + L" folders chosen" : L"";
    platform::SetText(c_.lblChosen, count);
    platform::SetAccessibleName(c_.lblChosen, several ? count : L"Folders chosen");
    // The whole choice, where the box shows its first folder only.
    std::wstring list;
    for (const auto& folder : chosen_)
        list += (list.empty() ? L"" : L"\r\n") + folder;
    const std::wstring tip = several ? list : L"Select Folders to Customize";
    // One folder a line.
    SendMessageW(c_.tooltip, TTM_SETMAXTIPWIDTH, 0, 32767);
    // Read after the box's name, as the tooltip shows it.
    platform::SetAccessibleDescription(c_.TxtFolder, several ? list : L"");
    for (HWND tool : {c_.TxtFolder, c_.lblChosen}) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND;
        info.hwnd = c_.form;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(c_.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

// The box is read-only to the user: a text put there by another program (an
// accessibility tool, a test) is a choice of that one folder.
void FolderSelection::TxtFolder_Change() {
    if (showing_)
        return;
    const std::wstring text = platform::Text(c_.TxtFolder);
    SetChosen(text);
    // Checked when it is used: a question here would come inside another
    // program's message.
    typed_ = !text.empty();
}

// A name of another program's is a folder argument like any other, though
// only a full one: the box has no current folder to complete it from.
bool FolderSelection::ConfirmTyped() {
    if (!typed_)
        return true;
    const std::wstring text = chosen_.empty() ? std::wstring() : chosen_.front();
    const std::wstring folder = NormalizeFullFolderName(text);
    if (folder.empty()) {
        SetChosen(L"");
        ShowMessage(c_.form, L"Folder not found: " + text, MB_ICONINFORMATION);
        return false;
    }
    SetChosen(folder);
    CheckChosenFolder();
    return !chosen_.empty();
}

bool FolderSelection::ConfirmChoice() {
    if (typed_) {
        // A target list built before the box changed is another folder's.
        const bool ticked = platform::Checked(c_.chkSubs);
        SetIncludeSubdirectories(false);
        if (!ConfirmTyped())
            return false;
        if (ticked) {
            SetIncludeSubdirectories(true);
            if (!platform::Checked(c_.chkSubs))
                return false;
        }
    }
    for (const auto& folder : chosen_) {
        if (engine::IsLinkedFolder(folder)) {
            ShowMessage(c_.form, LinkedFolderText(folder), MB_ICONINFORMATION);
            return false;
        }
    }
    return true;
}

void FolderSelection::CheckChosenFolder() {
    // Several folders were checked as they came.
    if (chosen_.size() != 1)
        return;
    const std::wstring folder = chosen_.front();
    if (!OnHardDrive(folder)) {
        ShowMessage(c_.form, NotAHardDriveText(folder), MB_ICONINFORMATION,
                    L"Not a Valid Hard Drive");
        SetChosen(L"");
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
            SetChosen(L"");
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
    if (chosen_.empty()) {
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
    // Never a walk of a name relative to this program's current folder.
    if (!ConfirmTyped()) {
        platform::SetChecked(c_.chkSubs, false);
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
    // Taking the lock has cost milliseconds: a turn before the walk.
    if (!host_.YieldToMessages())
        return;
    bool built = false;
    size_t passedOver = 0;
    try {
        // A copy: the choice may change while the walk lets messages through.
        const std::vector<std::wstring> roots = chosen_;
        built = engine::BuildTargetList(roots, subDirs_, WalkProgress(), &passedOver);
    } catch (const std::bad_alloc&) {
        host_.SetStatus(L"The folder list could not be made: " +
                        platform::ErrorText(ERROR_NOT_ENOUGH_MEMORY));
        return;
    }
    if (!built)
        return; // the window went
    noTargets.Dismiss();
    const std::wstring count = std::to_wstring(subDirs_.Count());
    std::wstring status = L"Folder list complete....Ready to change " + count + L" Folders";
    if (passedOver > 0)
        status += L" (" + PassedOverText(passedOver) + L")";
    host_.SetStatus(status);
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
