#include "ui/main/RestoreListKeeper.h"

#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "engine/RestoreRecord.h"
#include "platform/ScopeExit.h"
#include "platform/SystemApi.h"
#include "platform/Window.h"
#include "ui/common/MessageBox.h"
#include "ui/main/BusyLock.h"
#include "ui/main/OperationHost.h"
#include "ui/restore/RestoreList.h"

#include <new>
#include <utility>

namespace ui {

bool RestoreListKeeper::LoadWhole(engine::RestoreRecord& store, engine::SortedFolderList& record) {
    record.Clear();
    if (store.Load(record)) {
        engine::RemoveBlankItems(record);
        // A run that was killed left its folders in a journal beside the list.
        store.MergeJournals(record);
    }
    SetLastError(store.ReadError());
    return store.ReadWhole();
}

bool RestoreListKeeper::SaveWhole(engine::RestoreRecord& store, engine::SortedFolderList& record) {
    return store.Save(record);
}

RestoreListKeeper::RestoreListKeeper(OperationHost& host, BusyLock& busy, HWND owner, HWND listBox,
                                     const std::wstring& appFolder)
    : host_(host), busy_(busy), owner_(owner), listBox_(listBox),
      listFile_(appFolder + L"\\" + engine::kListFileName) {}

RestoreListKeeper::~RestoreListKeeper() = default;

void RestoreListKeeper::Open(const std::wstring& appFolder, const std::wstring& perUserRoot) {
    record_ = std::make_unique<engine::RestoreRecord>(appFolder, perUserRoot);
    record_->CreateIfMissing();
    loading_ = true;
}

const std::wstring& RestoreListKeeper::ListFilePath() const {
    return record_ ? record_->ListFile() : listFile_;
}

std::wstring RestoreListKeeper::LockFilePath() const {
    return record_ ? record_->LockFile() : engine::LockPath(listFile_);
}

bool RestoreListKeeper::CanRecord() const {
    return loaded_ && record_ && record_->CanRecord();
}

bool RestoreListKeeper::CanRecord(unsigned long& reason) const {
    reason = loadError_ ? loadError_ : record_ ? record_->Error() : DWORD(ERROR_NOT_READY);
    return CanRecord();
}

void RestoreListKeeper::Tell(const std::wstring& text) {
    if (beforeMessage)
        beforeMessage();
    ShowMessage(owner_, text);
}

// Reads the list into memory, prunes it and merges a journal, then fills the
// list box once; false when the window went meanwhile.
bool RestoreListKeeper::LoadSteps(bool& journalFound) {
    const engine::YieldFn yield = [this] { return host_.YieldToMessages(); };
    engine::FolderLines staged;
    record_->Load(staged, yield);
    if (!WindowThere())
        return false;
    // The lines read are well-formed entries, never blank: no pass over a
    // whole drive's list is needed to drop blanks.
    const bool pruned = engine::PruneRestoreList(staged, [this](size_t done, size_t total) {
        if (done % 64 == 1 || done == total)
            host_.ShowProgress(L"Loading restore list: " + std::to_wstring(done) + L" of " +
                               std::to_wstring(total));
        return host_.YieldToMessages();
    });
    if (!pruned)
        return false;
    // A journal left behind means a run ended without its save: the folders
    // it reached go into the list, which is saved at once.
    journalFound = record_->MergeJournals(staged, yield);
    if (!WindowThere())
        return false;
    ListBoxItems restoreList(listBox_);
    return restoreList.TakeLines(staged, yield);
}

RestoreListKeeper::LoadEnd RestoreListKeeper::Load() {
    if (!loading_ || loaded_ || !record_)
        return LoadEnd::WindowGone;
    bool journalFound = false;
    unsigned long failure = 0;
    try {
        if (!LoadSteps(journalFound))
            return LoadEnd::WindowGone; // nothing was saved
    } catch (const std::bad_alloc&) {
        failure = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        failure = ERROR_INTERNAL_ERROR;
    }
    if (failure) {
        if (!WindowThere())
            return LoadEnd::WindowGone;
        // Part of a list is never saved: the files stay as they are, and with
        // no record nothing is changed.
        loadError_ = failure;
        loading_ = false;
        return LoadEnd::Failed;
    }
    loaded_ = true;
    if (journalFound && record_->CanRecord()) {
        // A save that fails, for want of memory too, leaves the files as they
        // were: the journal is still there for the next save or start.
        try {
            ListBoxItems restoreList(listBox_);
            record_->Save(restoreList, [this] { return host_.YieldToMessages(); });
        } catch (...) {
        }
        if (!WindowThere())
            return LoadEnd::WindowGone;
    }
    loading_ = false;
    return LoadEnd::Read;
}

void RestoreListKeeper::ReportLoadFailure() {
    ListBoxItems(listBox_).Clear();
    host_.UpdateRestoreCount();
    host_.SetStatus(L"The restore list could not be loaded: " + platform::ErrorText(loadError_));
    Tell(L"Changes to folders cannot be recorded, so no folder will be changed: " +
         platform::ErrorText(loadError_));
}

void RestoreListKeeper::ReportIfCannotRecord() {
    if (record_ && !record_->CanRecord())
        Tell(L"Changes to folders cannot be recorded, so no folder will be changed: " +
             platform::ErrorText(record_->Error()));
}

void RestoreListKeeper::JoinWaitingItems() {
    if (waitingItems_.empty() || !IsWindow(listBox_))
        return;
    ListBoxItems(listBox_).AddAllQuietly(waitingItems_);
    // Should Restore take one out before the next save, another copy's save
    // must not bring it back.
    if (record_)
        record_->Remember(waitingItems_);
    waitingItems_.clear();
}

bool RestoreListKeeper::Save() {
    // A list box that is gone holds nothing; saving it would empty the file.
    // Before the start-up has read the list, the list box holds nothing of it.
    if (!IsWindow(listBox_) || !loaded_ || !record_)
        return false;
    bool saved = false;
    DWORD error = 0;
    try {
        // The waiting folders join first: a save without them would drop them.
        JoinWaitingItems();
        // Where nothing can be recorded the user was told at start-up.
        if (!record_->CanRecord())
            return false;
        BusyHold busy(busy_);
        ListBoxItems restoreList(listBox_);
        // A save that interrupts another (the end of the session) runs to its
        // end without letting messages through: the process ends when it returns.
        const bool nested = std::exchange(saving_, true);
        const platform::ScopeExit endSaving([this, nested] { saving_ = nested; });
        engine::YieldFn yield;
        if (!nested)
            yield = [this] { return host_.YieldToMessages(); };
        saved = record_->Save(restoreList, yield, keepJournal_);
        error = GetLastError();
    } catch (const std::bad_alloc&) {
        // Nothing was written in place of the list: it stays as it was, and
        // so does the journal.
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (saved)
        return true;
    // A window that went away took the list with it; the journal keeps the run's folders.
    if (!WindowThere())
        return false;
    Tell(L"The restore list could not be saved: " + platform::ErrorText(error));
    return false;
}

bool RestoreListKeeper::QueryEndSession(bool busy) {
    // During the start-up's load nothing has changed: nothing to wait for.
    if (!busy || loading_)
        return true;
    saveWhenIdle_ = true;
    // Windows XP shows no reason; the refusal alone makes the session wait.
    platform::CreateShutdownReason(owner_,
                                   L"Quillane is changing folders and must save its restore list.");
    return false;
}

void RestoreListKeeper::EndSession(bool ending) {
    // The journal stays for the folders an Apply was about to do.
    if (ending && !loading_)
        Save();
}

void RestoreListKeeper::SaveIfSessionWaits() {
    if (!saveWhenIdle_ || !WindowThere())
        return;
    saveWhenIdle_ = false;
    Save();
    platform::DestroyShutdownReason(owner_);
}

} // namespace ui
