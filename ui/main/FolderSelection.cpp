// Choosing the folder and building the target list of its subfolders.
#include "ui/main/Form1.h"

#include "platform/Handles.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"

#include <shlobj.h>
#include <memory>
#include <vector>

namespace ui {

namespace {

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE;
constexpr const wchar_t* kExcluded[] = {L"Desktop", L"CD Burning", L"System Volume Information"};

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

// Paths beyond MAX_PATH need the long-path form.
std::wstring SearchPattern(const std::wstring& folder) {
    std::wstring pattern = JoinPath(folder, L"*");
    if (pattern.size() >= MAX_PATH - 12 && pattern.rfind(L"\\\\", 0) != 0)
        pattern = L"\\\\?\\" + pattern;
    return pattern;
}

// One folder's subfolders, read as the walk goes.
class SubfolderReader {
  public:
    explicit SubfolderReader(std::wstring folder) : folder_(std::move(folder)) {
        find_.reset(FindFirstFileExW(SearchPattern(folder_).c_str(), FindExInfoBasic, &data_,
                                     FindExSearchLimitToDirectories, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
        pending_ = find_.valid();
    }
    // The next subfolder, or false when there is none: access-denied and
    // sharing failures yield no subfolders, any other failure ends this folder.
    bool Next(std::wstring& path, bool& isReparsePoint) {
        while (pending_) {
            const WIN32_FIND_DATAW current = data_;
            pending_ = FindNextFileW(find_.get(), &data_) != FALSE;
            if (!(current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            const std::wstring name = current.cFileName;
            if (name == L"." || name == L"..")
                continue;
            path = JoinPath(folder_, name);
            isReparsePoint = (current.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            return true;
        }
        return false;
    }
    const std::wstring& folder() const { return folder_; }

  private:
    std::wstring folder_;
    platform::FindHandle find_;
    WIN32_FIND_DATAW data_{};
    bool pending_ = false;
};

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

void Form1::SetIncludeSubdirectories(bool ticked) {
    const bool was = SendMessageW(Control(chkSubs), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (was == ticked)
        return;
    SendMessageW(Control(chkSubs), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    chkSubs_Click();
}

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
    subDirs_.Clear();
    const std::wstring folder = Text(TxtFolder);
    if (folder.size() != 3)
        subDirs_.Add(folder);
    RecurseFolderList(folder);
    subDirs_.Sort([this] { DoEvents(); });
    DoEvents();
    RemoveExcludedFolders();
    SetWaitCursor(false);
    const std::wstring count = std::to_wstring(subDirs_.Count());
    SetStatus(L"Folder list complete....Ready to change " + count + L" Folders");
    ShowWindow(Control(lblCreating), SW_HIDE);
    SetText(lblSubDirsCount, count);
}

void Form1::RecurseFolderList(const std::wstring& folder) {
    // Depth first and pre-order, with an explicit stack so that a deep tree
    // cannot exhaust the call stack.
    std::vector<std::unique_ptr<SubfolderReader>> stack;
    stack.push_back(std::make_unique<SubfolderReader>(folder));
    while (!stack.empty()) {
        std::wstring path;
        bool reparsePoint = false;
        if (!stack.back()->Next(path, reparsePoint)) {
            stack.pop_back();
            continue;
        }
        ShowProgress(path);
        DoEvents();
        subDirs_.Add(path);
        subDirsCount_.ShowSoon(std::to_wstring(subDirs_.Count()));
        // A junction or link may lead back up the tree or onto another drive.
        if (!reparsePoint)
            stack.push_back(std::make_unique<SubfolderReader>(path));
    }
}

void Form1::RemoveExcludedFolders() {
    subDirs_.RemoveWhere([this](const std::wstring& path) {
        DoEvents(); // a whole drive's list takes a while to sift
        for (const wchar_t* word : kExcluded)
            if (platform::ContainsNoCase(path, word))
                return true;
        return false;
    });
}

} // namespace ui
