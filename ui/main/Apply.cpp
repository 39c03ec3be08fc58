// Apply: customizing the chosen folder or every folder of the target list.
#include "ui/main/Apply.h"

#include "engine/CustomizeFolder.h"
#include "engine/ListJournal.h"
#include "engine/OperationLock.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "platform/Shell.h"
#include "platform/SortInSteps.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"
#include "platform/Window.h"
#include "ui/common/MessageBox.h"
#include "ui/main/FolderSelection.h"
#include "ui/main/RestoreListKeeper.h"
#include "ui/restore/RestoreList.h"
#include "ui/restore/RestoreView.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace ui {

namespace {

// Whether the restore list holds a folder. A list-mode run keeps only a
// sorted hash of each folder the list held before it, rather than a copy of
// every path; a hash that matches is confirmed in the list box itself, since
// a false "already listed" would leave a folder unrecorded. It remembers the
// last folder it added: the targets come in ascending order, so equal paths
// follow each other. A single folder is one binary search of the list box.
class RestoreMembership {
  public:
    RestoreMembership(const ListBoxItems& list, bool copyList, const engine::YieldFn& yield = {})
        : list_(list), copied_(copyList) {
        if (!copied_)
            return;
        const size_t count = list.Count();
        hashes_.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            hashes_.push_back(platform::HashNoCase(list.Item(i)));
            if (i % 256 == 255 && !platform::KeepGoing(yield)) {
                stopped_ = true;
                return;
            }
        }
        stopped_ = !platform::SortInSteps(hashes_, std::less<>(), yield);
    }
    // The yield stopped the copy: the run stops too.
    bool Stopped() const { return stopped_; }
    bool Holds(const std::wstring& folder) const {
        if (!copied_)
            return list_.Holds(folder);
        if (added_ && platform::CompareNoCase(lastAdded_, folder) == 0)
            return true;
        return std::binary_search(hashes_.begin(), hashes_.end(), platform::HashNoCase(folder)) &&
               list_.Holds(folder);
    }
    void Added(const std::wstring& folder) {
        lastAdded_ = folder;
        added_ = true;
    }

  private:
    const ListBoxItems& list_;
    bool copied_;
    std::vector<std::uint64_t> hashes_;
    std::wstring lastAdded_;
    bool added_ = false;
    bool stopped_ = false;
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
// messages for one item cost as much as the folder's own file work. A folder
// the sorted list box places before its last item costs a search of a dozen
// or more comparisons, so a larger batch would hold the window too long.
constexpr size_t kJoinBatch = 64;

} // namespace

Apply::Apply(ApplyHost& host, BusyLock& busy, RestoreListKeeper& keeper,
             const ApplyControls& controls, const engine::SortedFolderList& targets,
             FolderSelection& folderSelection)
    : host_(host), busy_(busy), keeper_(keeper), c_(controls), subDirs_(targets),
      folderSelection_(folderSelection) {}

void Apply::AddCommands(platform::CommandTable& commands) {
    commands.Add(*this, {{GetDlgCtrlID(c_.Command1), BN_CLICKED, &Apply::Command1_Click}});
}

void Apply::Command1_Click() {
    if (folderSelection_.Chosen().empty()) {
        ShowMessage(c_.form, L"Please select a Folder to Customize    ", MB_ICONINFORMATION);
        folderSelection_.cmdBrowseFolder_Click();
        return;
    }
    // One reading for the whole run: every folder gets the same settings.
    const engine::FolderOptions options = host_.ReadOptions();
    if (!options.AnyChosen()) {
        ShowMessage(c_.form, L"Please select at least one of the Folder options    ",
                    MB_ICONINFORMATION);
        return;
    }
    if (!folderSelection_.ConfirmChoice())
        return;
    // A copy: the choice may change while the run lets messages through.
    const std::vector<std::wstring> chosen = folderSelection_.Chosen();
    // Another copy's operation (/apply) must not change folders beside this one.
    engine::OperationLock operation;
    if (!host_.StartOperation(operation))
        return;
    SetFocus(c_.cmdDummy);
    // From the first step to the end of the save: nothing else may start.
    BusyHold busy(busy_);
    host_.SetWaitCursor(true);
    // However the run ends, the hourglass goes with it.
    const platform::ScopeExit endWait([this] { host_.SetWaitCursor(false); });
    // Taking the lock has cost milliseconds: a turn before the first step.
    if (!host_.YieldToMessages())
        return;
    const std::vector<std::uint8_t> settingsFile =
        platform::EncodeTextFile(engine::ComposeSettingsFile(options));
    // Each folder is recorded before it is written, so that a run killed at
    // any moment leaves every folder it wrote restorable. A save while the
    // journal is open leaves it in place.
    engine::ListJournal journal(engine::JournalPath(keeper_.ListFilePath()));
    keeper_.KeepJournal(true);
    // No record, no write: without a way to record them, no folder is changed.
    DWORD notRecordable = 0;
    const bool recordable = keeper_.CanRecord(notRecordable);

    // Several folders without their subfolders are a target list of their own.
    const bool subfolders = platform::Checked(c_.chkSubs);
    engine::SortedFolderList chosenList;
    if (!subfolders && chosen.size() > 1)
        chosenList.AddAll(chosen);
    const engine::SortedFolderList& targets = subfolders ? subDirs_ : chosenList;
    if (!subfolders && chosen.size() == 1) {
        const std::wstring& folder = chosen.front();
        ListBoxItems restoreList(c_.lstRestore);
        RestoreMembership held(restoreList, false);
        unsigned long error = notRecordable;
        bool done = false;
        if (recordable && !journal.Append({folder}))
            error = GetLastError();
        else if (recordable && CustomizeAndRecord(folder, settingsFile, held, done, error))
            restoreList.Add(folder);
        journal.Close();
        keeper_.KeepJournal(false);
        if (done)
            platform::FolderNotices::ForRun(1).Changed(folder);
        host_.RefreshShell();
        std::wstring status = L"Folder Successfully Customized";
        if (!done)
            status = L"Folder could not be customized: " + platform::ErrorText(error);
        host_.SetStatus(status);
        host_.UpdateRestoreCount();
        CompleteApply(done ? L"Folders Successfully Customized" : status);
        return;
    }

    if (!host_.YieldToMessages())
        return;
    const size_t count = targets.Count();
    size_t failed = 0;
    bool outOfMemory = false;
    {
        ListBoxItems restoreList(c_.lstRestore);
        RestoreMembership held(restoreList, true, [this] { return host_.YieldToMessages(); });
        if (held.Stopped())
            return;
        // Room for every target at once, rather than a batch at a time.
        size_t chars = 0;
        for (size_t i = 0; i < count; ++i)
            chars += targets.View(i).size() + 1;
        restoreList.Reserve(count, chars);
        ListRedrawThrottle quiet(c_.lstRestore);
        // What waits joins the list box whichever way the run ends.
        const platform::ScopeExit joinAtEnd([this] { keeper_.JoinWaitingItems(); });
        platform::FolderNotices notices = platform::FolderNotices::ForRun(count);
        size_t journaled = 0;
        size_t batchSize = engine::kFirstJournalBatch;
        for (size_t i = 0; i < count; ++i) {
            const std::wstring target = targets.At(i);
            if (i % kJoinBatch == 0)
                keeper_.JoinWaitingItems();
            if (i == journaled) {
                const size_t batch = std::min(batchSize, count - i);
                journaled = i + batch;
                batchSize = engine::NextJournalBatch(batchSize);
                if (!recordable || !journal.Append(targets, i, batch,
                                                   [this] { return host_.YieldToMessages(); })) {
                    // The window went while the disk took the batch.
                    if (recordable && GetLastError() == ERROR_CANCELLED)
                        return;
                    // No record, no write: these folders could not be restored.
                    failed += count - i;
                    break;
                }
            }
            bool customized = false;
            try {
                host_.ShowProgress(L"Changing " + target);
                if (!host_.YieldToMessages())
                    return;
                unsigned long error = 0;
                if (CustomizeAndRecord(target, settingsFile, held, customized, error))
                    keeper_.AddWaitingItem(target);
            } catch (const std::bad_alloc&) {
                // This folder may have missed its place in the list: the
                // journal, kept, still holds it.
                outOfMemory = true;
            }
            // A notice to the shell may take tens of milliseconds: a turn of
            // its own, apart from the folder's work.
            if (!host_.YieldToMessages())
                return;
            if (customized)
                notices.Changed(target);
            else
                ++failed;
            if (!host_.YieldToMessages())
                return;
        }
    }
    journal.Close();
    keeper_.KeepJournal(outOfMemory);
    CompleteApply(OutcomeText(L"Folders Successfully Customized", L"Folders Customized", count,
                              failed, L"could not be changed"));
}

void Apply::CompleteApply(const std::wstring& statusText) {
    if (!host_.YieldToMessages())
        return;
    host_.RefreshShell();
    // The end's steps each cost milliseconds: turns between them.
    if (!host_.YieldToMessages())
        return;
    // Saved before the final text shows and before the lock goes: a failed
    // save keeps the list box as it is and is tried again at the next save.
    keeper_.Save();
    if (!host_.YieldToMessages())
        return;
    host_.SetStatus(statusText);
    host_.UpdateRestoreCount();
    host_.SetWaitCursor(false);
    host_.YieldToMessages();
}

} // namespace ui
