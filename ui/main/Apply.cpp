// Apply: customizing the chosen folder or every folder of the target list.
#include "ui/main/Form1.h"

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"
#include "ui/restore/RestoreList.h"

namespace ui {

namespace {

// Whether the restore list holds a folder, without searching the list box
// item by item for every target: the items it held before the run, sorted
// once, and the last folder added. The last one is enough because the targets
// come in ascending order, so equal paths follow each other.
class RestoreMembership {
  public:
    explicit RestoreMembership(const ListBoxItems& list) {
        std::vector<std::wstring> items;
        items.reserve(list.Count());
        for (size_t i = 0; i < list.Count(); ++i)
            items.push_back(list.Item(i));
        before_.AddAll(items);
    }
    bool Holds(const std::wstring& folder) const {
        return (added_ && platform::CompareNoCase(lastAdded_, folder) == 0) ||
               before_.Contains(folder);
    }
    void Added(const std::wstring& folder) {
        lastAdded_ = folder;
        added_ = true;
    }

  private:
    engine::SortedFolderList before_;
    std::wstring lastAdded_;
    bool added_ = false;
};

bool CustomizeForList(const std::wstring& folder, const engine::FolderOptions& options,
                      ListBoxItems& restoreList, RestoreMembership& held) {
    // Only a folder that holds its settings file can be restored; a customized
    // folder has just had it written.
    if (!engine::CustomizeFolder(folder, options).customized)
        return false;
    if (!held.Holds(folder)) {
        restoreList.Add(folder);
        held.Added(folder);
    }
    return true;
}

} // namespace

engine::FolderOptions Form1::ReadOptions() const {
    engine::FolderOptions options;
    options.iconFile = Text(TxtIconFile);
    options.iconIndex = iconPicker_->IconIndex();
    options.tooltip = Text(TxtToolTip);
    options.textColor = lblColor;
    options.textBackground = lblBgColor;
    options.picturePath = Path;
    return options;
}

void Form1::RefreshShell() {
    platform::NotifyShellOfChanges();
}

bool Form1::CustomizeAndRecord(const std::wstring& folder, const engine::FolderOptions& options,
                               unsigned long& error) {
    const engine::CustomizeResult result = engine::CustomizeFolder(folder, options);
    error = result.error;
    if (!result.customized)
        return false;
    ListBoxItems restoreList(Control(lstRestore));
    if (!restoreList.Holds(folder))
        restoreList.Add(folder);
    return true;
}

void Form1::Command1_Click() {
    const std::wstring folder = Text(TxtFolder);
    if (folder.empty()) {
        MessageBoxW(hwnd(), L"Please select a Folder to Customize    ", kAppTitle,
                    MB_OK | MB_ICONINFORMATION);
        cmdBrowseFolder_Click();
        return;
    }
    // One reading for the whole run: every folder gets the same settings.
    const engine::FolderOptions options = ReadOptions();
    if (!options.AnyChosen()) {
        MessageBoxW(hwnd(), L"Please select at least one of the Folder options    ", kAppTitle,
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    SetFocus(Control(cmdDummy));
    SetWaitCursor(true);

    const bool listMode = SendMessageW(Control(chkSubs), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!listMode) {
        unsigned long error = 0;
        const bool done = CustomizeAndRecord(folder, options, error);
        RefreshShell();
        std::wstring status = L"Folder Successfully Customized";
        if (!done)
            status = L"Folder could not be customized: " + platform::ErrorText(error);
        SetStatus(status);
        UpdateRestoreCount();
        CompleteApply(done ? L"Folders Successfully Customized" : status);
        return;
    }

    DoEvents();
    EnableMainControls(false);
    const size_t count = subDirs_.Count();
    size_t failed = 0;
    {
        ListBoxItems restoreList(Control(lstRestore));
        RestoreMembership held(restoreList);
        ListRedrawThrottle quiet(Control(lstRestore));
        for (size_t i = 0; i < count; ++i) {
            const std::wstring& target = subDirs_.At(i);
            SetStatus(L"Changing " + target);
            DoEvents();
            if (!CustomizeForList(target, options, restoreList, held))
                ++failed;
            DoEvents();
        }
    }
    std::wstring status = L"Folders Successfully Customized";
    if (failed)
        status = L"Folders Customized: " + std::to_wstring(count - failed) + L" of " +
                 std::to_wstring(count) + L" (" + std::to_wstring(failed) +
                 L" could not be changed)";
    CompleteApply(status);
}

void Form1::CompleteApply(const std::wstring& statusText) {
    DoEvents();
    EnableMainControls(true);
    RefreshShell();
    SetStatus(statusText);
    UpdateRestoreCount();
    SetWaitCursor(false);
    ListBoxItems restoreList(Control(lstRestore));
    const bool saved = engine::SaveListToFile(restoreList, ListFilePath());
    DoEvents();
    // The list shows what the file holds. After a good save that is what it
    // already shows, and reloading a whole drive's list would freeze the window.
    if (!saved) {
        restoreList.Clear();
        engine::LoadListFromFile(restoreList, ListFilePath());
        engine::RemoveBlankItems(restoreList);
    }
    DoEvents();
}

} // namespace ui
