// Choosing the folder and building the target list of its subfolders.
#include "ui/main/Form1.h"

#include "platform/Shell.h"
#include "ui/main/CommandLine.h"
#include "ui/main/SingleInstance.h"

#include <shlobj.h>

namespace ui {

namespace {

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE;

} // namespace

void Form1::cmdBrowseFolder_Click() {
    SetIncludeSubdirectories(false);
    SetStatus(IdleText());
    ShowWindow(Control(lblCreating), SW_HIDE);

    const std::wstring chosen =
        platform::BrowseForFolder(hwnd(), L"Select a Folder to Customize", kBrowseFlags);
    if (!chosen.empty())
        SetText(TxtFolder, chosen);
    DoEvents();

    CheckChosenFolder();
}

void Form1::TakeFolder(const std::wstring& argument) {
    SetIncludeSubdirectories(false);
    SetStatus(IdleText());
    const std::wstring folder = NormalizeFolderArgument(argument);
    if (folder.empty()) {
        SetText(TxtFolder, L"");
        MessageBoxW(hwnd(), (L"Folder not found: " + argument).c_str(), kAppTitle,
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    SetText(TxtFolder, folder);
    CheckChosenFolder();
}

LRESULT Form1::OnFolderHandedOver(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverFolder || data.cbData % sizeof(wchar_t) != 0)
        return FALSE;
    pendingFolder_.assign(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    // The sender waits for this answer: the folder's checks and their
    // message boxes come after it.
    PostMessageW(hwnd(), kTakePendingFolder, 0, 0);
    return TRUE;
}

void Form1::TakePendingFolder() {
    if (Busy() || pendingFolder_.empty())
        return;
    const std::wstring folder = std::move(pendingFolder_);
    pendingFolder_.clear();
    TakeFolder(folder);
}

void Form1::CheckChosenFolder() {
    const std::wstring folder = Text(TxtFolder);
    if (folder.empty())
        return;
    const std::wstring root = folder.substr(0, 3);
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) {
        MessageBoxW(hwnd(), (root + L" is not a valid Hard Drive   ").c_str(),
                    L"Not a Valid Hard Drive", MB_OK | MB_ICONINFORMATION);
        SetText(TxtFolder, L"");
        SetFocus(Control(cmdBrowseFolder));
        return;
    }
    if (folder.size() == 3) {
        const std::wstring question = L"This will change ALL the Folders on Drive " + folder +
                                      L" and can take several minutes.     \r\n\r\n"
                                      L"Are you sure you want to do this?          ";
        if (MessageBoxW(hwnd(), question.c_str(), kAppTitle, MB_YESNO) == IDYES)
            EnableWindow(Control(Command1), TRUE);
        else
            SetText(TxtFolder, L"");
    }
}

// NOLINTNEXTLINE(misc-no-recursion): chkSubs_Click calls back only to untick, which ends it.
void Form1::SetIncludeSubdirectories(bool ticked) {
    const bool was = SendMessageW(Control(chkSubs), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (was == ticked)
        return;
    SendMessageW(Control(chkSubs), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    chkSubs_Click();
}

// NOLINTNEXTLINE(misc-no-recursion): see SetIncludeSubdirectories.
void Form1::chkSubs_Click() {
    const bool ticked = SendMessageW(Control(chkSubs), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (Text(TxtFolder).empty()) {
        // A tick without a chosen folder does not stay.
        if (ticked)
            SetIncludeSubdirectories(false);
        return;
    }
    if (!ticked) {
        subDirs_.Clear();
        SetStatus(IdleText());
        SetText(lblSubDirsCount, std::to_wstring(subDirs_.Count()));
        return;
    }
    BuildTargetList();
}

void Form1::BuildTargetList() {
    BusyHold busy(*this);
    ShowWindow(Control(lblCreating), SW_SHOW);
    SetWaitCursor(true);
    engine::BuildTargetList(Text(TxtFolder), subDirs_, WalkProgress());
    SetWaitCursor(false);
    const std::wstring count = std::to_wstring(subDirs_.Count());
    SetStatus(L"Folder list complete....Ready to change " + count + L" Folders");
    ShowWindow(Control(lblCreating), SW_HIDE);
    SetText(lblSubDirsCount, count);
}

engine::WalkProgress Form1::WalkProgress() {
    engine::WalkProgress progress;
    progress.found = [this](const std::wstring& path) { ShowProgress(path); };
    progress.counted = [this](size_t count) { subDirsCount_.ShowSoon(std::to_wstring(count)); };
    progress.yield = [this] { DoEvents(); };
    return progress;
}

} // namespace ui
