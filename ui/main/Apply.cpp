// Apply: customizing the chosen folder or every folder of the target list.
#include "ui/main/Form1.h"

#include "engine/ListStore.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"
#include "ui/restore/RestoreList.h"

namespace ui {

namespace {

// Whether the restore list holds a folder. A list-mode run sorts a copy of
// what the list held before it once, instead of searching the list box item by
// item for every target, and remembers the last folder it added: the targets
// come in ascending order, so equal paths follow each other. A single folder
// is one search of the list box.
class RestoreMembership {
  public:
    RestoreMembership(const ListBoxItems& list, bool copyList, const engine::YieldFn& yield = {})
        : list_(list), copied_(copyList) {
        if (!copied_)
            return;
        const size_t count = list.Count();
        for (size_t i = 0; i < count; ++i) {
            before_.Add(list.Item(i));
            if (yield)
                yield();
        }
        before_.Sort(yield);
    }
    bool Holds(const std::wstring& folder) const {
        if (!copied_)
            return list_.Holds(folder);
        return (added_ && platform::CompareNoCase(lastAdded_, folder) == 0) ||
               before_.Contains(folder);
    }
    void Added(const std::wstring& folder) {
        lastAdded_ = folder;
        added_ = true;
    }

  private:
    const ListBoxItems& list_;
    bool copied_;
    engine::SortedFolderList before_;
    std::wstring lastAdded_;
    bool added_ = false;
};

// Customized folders of a long run wait here and join the list box a batch at
// a time: the list box's messages for one item cost as much as the folder's
// own file work. What is left joins at the end, whichever way the run ends.
class PendingItems {
  public:
    explicit PendingItems(ListBoxItems& list, HWND listBox) : list_(list), listBox_(listBox) {}
    ~PendingItems() {
        try {
            if (IsWindow(listBox_))
                Flush();
        } catch (...) {
        }
    }
    PendingItems(const PendingItems&) = delete;
    PendingItems& operator=(const PendingItems&) = delete;

    void Add(const std::wstring& folder) { pending_.push_back(folder); }
    void Flush() {
        if (pending_.empty())
            return;
        list_.AddAllQuietly(pending_);
        pending_.clear();
    }

  private:
    ListBoxItems& list_;
    HWND listBox_;
    std::vector<std::wstring> pending_;
};

// Customizes the folder; true when it is new to the restore list and must
// join it. Only a folder that holds its settings file can be restored; a
// customized folder has just had it written.
bool CustomizeAndRecord(const std::wstring& folder, const std::vector<std::uint8_t>& settingsFile,
                        RestoreMembership& held, bool& customized, unsigned long& error) {
    const engine::CustomizeResult result = engine::CustomizeFolder(folder, settingsFile);
    error = result.error;
    customized = result.customized;
    if (!customized || held.Holds(folder))
        return false;
    held.Added(folder);
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
    // From the first step to the end of the save: nothing else may start.
    BusyHold busy(*this);
    SetWaitCursor(true);
    const std::vector<std::uint8_t> settingsFile =
        platform::EncodeTextFile(engine::ComposeSettingsFile(options));
    // Each folder is recorded before it is written, so that a run killed at
    // any moment leaves every folder it wrote restorable.
    engine::ListJournal journal(engine::JournalPath(ListFilePath()));

    const bool listMode = SendMessageW(Control(chkSubs), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!listMode) {
        ListBoxItems restoreList(Control(lstRestore));
        RestoreMembership held(restoreList, false);
        unsigned long error = 0;
        bool done = false;
        if (!journal.Append({folder}))
            error = GetLastError();
        else if (CustomizeAndRecord(folder, settingsFile, held, done, error))
            restoreList.Add(folder);
        journal.Close();
        if (done)
            platform::NotifyFolderChanged(folder);
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
    const size_t count = subDirs_.Count();
    size_t failed = 0;
    {
        ListBoxItems restoreList(Control(lstRestore));
        RestoreMembership held(restoreList, true, [this] { DoEvents(); });
        ListRedrawThrottle quiet(Control(lstRestore));
        PendingItems added(restoreList, Control(lstRestore));
        platform::FolderNotices notices;
        // Journal batches: one write per this many folders keeps the record's
        // cost small against the folders' own writes.
        constexpr size_t kBatch = 256;
        size_t journaled = 0;
        std::vector<std::wstring> batch;
        for (size_t i = 0; i < count; ++i) {
            const std::wstring& target = subDirs_.At(i);
            if (i == journaled) {
                added.Flush();
                batch.clear();
                for (size_t j = i; j < count && j < i + kBatch; ++j)
                    batch.push_back(subDirs_.At(j));
                journaled = i + batch.size();
                if (!journal.Append(batch)) {
                    // No record, no write: these folders could not be restored.
                    failed += count - i;
                    break;
                }
            }
            ShowProgress(L"Changing " + target);
            DoEvents();
            unsigned long error = 0;
            bool customized = false;
            if (CustomizeAndRecord(target, settingsFile, held, customized, error))
                added.Add(target);
            if (customized)
                notices.Changed(target);
            else
                ++failed;
            DoEvents();
        }
        added.Flush();
    }
    journal.Close();
    CompleteApply(OutcomeText(L"Folders Successfully Customized", L"Folders Customized", count,
                              failed, L"could not be changed"));
}

void Form1::CompleteApply(const std::wstring& statusText) {
    DoEvents();
    RefreshShell();
    // Saved before the final text shows and before the lock goes: a failed
    // save keeps the list box as it is and is tried again at the next save.
    SaveRestoreList();
    SetStatus(statusText);
    UpdateRestoreCount();
    SetWaitCursor(false);
    DoEvents();
}

} // namespace ui
