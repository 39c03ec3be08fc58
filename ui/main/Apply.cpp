// Apply: customizing the chosen folder or every folder of the target list.
#include "ui/main/Form1.h"

#include "engine/ListStore.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"
#include "ui/restore/RestoreList.h"

#include <new>

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

// Customizes the folder; true when it is new to the restore list and must
// join it. Only a folder that holds its settings file, or the user's file set
// aside, can be restored; a customized folder has just had it written.
bool CustomizeAndRecord(const std::wstring& folder, const std::vector<std::uint8_t>& settingsFile,
                        RestoreMembership& held, bool& customized, unsigned long& error) {
    const engine::CustomizeResult result = engine::CustomizeFolder(folder, settingsFile);
    error = result.error;
    customized = result.customized;
    if ((!customized && !result.backupLeft) || held.Holds(folder))
        return false;
    held.Added(folder);
    return true;
}

// Customized folders join the list box this many at a time: the list box's
// messages for one item cost as much as the folder's own file work.
constexpr size_t kJoinBatch = 256;

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
    // any moment leaves every folder it wrote restorable. A save while the
    // journal is open leaves it in place.
    engine::ListJournal journal(engine::JournalPath(ListFilePath()));
    keepJournal_ = true;
    // No record, no write: without a way to record them, no folder is changed.
    const bool recordable = CanRecord();
    const DWORD notRecordable = record_ ? record_->Error() : DWORD(ERROR_NOT_READY);

    const bool listMode = SendMessageW(Control(chkSubs), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!listMode) {
        ListBoxItems restoreList(Control(lstRestore));
        RestoreMembership held(restoreList, false);
        unsigned long error = notRecordable;
        bool done = false;
        if (recordable && !journal.Append({folder}))
            error = GetLastError();
        else if (recordable && CustomizeAndRecord(folder, settingsFile, held, done, error))
            restoreList.Add(folder);
        journal.Close();
        keepJournal_ = false;
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
    bool outOfMemory = false;
    {
        ListBoxItems restoreList(Control(lstRestore));
        RestoreMembership held(restoreList, true, [this] { DoEvents(); });
        ListRedrawThrottle quiet(Control(lstRestore));
        // What waits joins the list box whichever way the run ends.
        struct JoinAtEnd {
            Form1& form;
            ~JoinAtEnd() {
                try {
                    form.JoinWaitingItems();
                } catch (...) {
                }
            }
        } joinAtEnd{*this};
        size_t journaled = 0;
        size_t batchSize = engine::kFirstJournalBatch;
        std::vector<std::wstring> batch;
        for (size_t i = 0; i < count; ++i) {
            const std::wstring& target = subDirs_.At(i);
            if (i % kJoinBatch == 0)
                JoinWaitingItems();
            if (i == journaled) {
                batch.clear();
                for (size_t j = i; j < count && j < i + batchSize; ++j)
                    batch.push_back(subDirs_.At(j));
                journaled = i + batch.size();
                batchSize = engine::NextJournalBatch(batchSize);
                if (!recordable || !journal.Append(batch)) {
                    // No record, no write: these folders could not be restored.
                    failed += count - i;
                    break;
                }
            }
            bool customized = false;
            try {
                ShowProgress(L"Changing " + target);
                DoEvents();
                unsigned long error = 0;
                if (CustomizeAndRecord(target, settingsFile, held, customized, error))
                    waitingItems_.push_back(target);
            } catch (const std::bad_alloc&) {
                // This folder may have missed its place in the list: the
                // journal, kept, still holds it.
                outOfMemory = true;
            }
            if (!customized)
                ++failed;
            DoEvents();
        }
    }
    journal.Close();
    keepJournal_ = outOfMemory;
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
