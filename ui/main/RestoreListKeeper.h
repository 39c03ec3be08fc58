#pragma once
// The restore list as the program keeps it: read at start-up into the list
// box, saved after each run and at the end, with the folders of a long run
// that wait to join the list box, the journal of a run that writes folders,
// and the end of the session, which waits for a save.
#include "engine/FolderList.h"

#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine {
class RestoreRecord;
}

namespace ui {

class BusyLock;
class OperationHost;

class RestoreListKeeper {
  public:
    // The whole record without a window, for a batch run: the list in use
    // with the other place's list and the journals beside them, each folder
    // once. False with GetLastError() set when a file of it exists but
    // cannot be read.
    static bool LoadWhole(engine::RestoreRecord& store, engine::SortedFolderList& record);
    // Saves it to the list file in use (see RestoreRecord::Save). False with
    // GetLastError() set when the save failed.
    static bool SaveWhole(engine::RestoreRecord& store, engine::SortedFolderList& record);

    // listBox is the window's restore list; appFolder holds Fldr.dll.
    RestoreListKeeper(OperationHost& host, BusyLock& busy, HWND owner, HWND listBox,
                      const std::wstring& appFolder);
    ~RestoreListKeeper();
    RestoreListKeeper(const RestoreListKeeper&) = delete;
    RestoreListKeeper& operator=(const RestoreListKeeper&) = delete;

    // Runs before each of the keeper's message boxes (the window keeps its focus).
    std::function<void()> beforeMessage;

    // Chooses the list file (the application folder's, or the per-user one
    // under perUserRoot where that refuses writes) and makes it on the first
    // start; the load is then due.
    void Open(const std::wstring& appFolder, const std::wstring& perUserRoot);
    enum class LoadEnd { WindowGone, Read, Failed };
    // Reads the list, prunes it, merges a journal and fills the list box once;
    // a journal found is saved into the list at once. The window answers
    // meanwhile. Failed: the window works, records nothing and saves nothing.
    LoadEnd Load();
    // From Open to the end of Load.
    bool Loading() const { return loading_; }
    // No save, and no journal removed, before the start-up has read the list.
    bool Loaded() const { return loaded_; }
    // After a failed load: the empty list, the status and the message.
    void ReportLoadFailure();
    // After a good load: the message where nothing can be recorded.
    void ReportIfCannotRecord();

    // Fldr.dll in the application folder, or in the user's local application
    // data where the application folder refuses writes (chosen by Open).
    const std::wstring& ListFilePath() const;
    // The record's one lock file (see engine::RestoreRecord::LockFile).
    std::wstring LockFilePath() const;
    // The start-up has read the list, and changes to folders can be recorded.
    bool CanRecord() const;
    // The same, with the reason when not.
    bool CanRecord(unsigned long& reason) const;

    // While kept, a save leaves the journal in place: an Apply is writing it,
    // or a run may have missed a folder's line in the list.
    void KeepJournal(bool keep) { keepJournal_ = keep; }
    // A customized folder that joins the list box with the next batch; every
    // save takes the waiting folders first.
    void AddWaitingItem(const std::wstring& folder) { waitingItems_.push_back(folder); }
    void JoinWaitingItems();
    // Writes the restore list; on failure tells the user and keeps the list
    // box as it is, to be tried again at the next save. Saves nothing before
    // the start-up has read the list, nor where changes cannot be recorded.
    bool Save();

    // The session asks to end: true lets it. While an operation runs (busy)
    // the session waits, and the list is saved when the operation is over.
    bool QueryEndSession(bool busy);
    // The process ends when this returns: the save takes every folder done
    // so far, those still waiting to join the list box included.
    void EndSession(bool ending);
    // The last holder of the busy lock lets go: a session that waited gets
    // its save before anything else can start.
    void SaveIfSessionWaits();

  private:
    bool LoadSteps(bool& journalFound);
    bool WindowThere() const { return IsWindow(owner_) != FALSE; }
    void Tell(const std::wstring& text);

    OperationHost& host_;
    BusyLock& busy_;
    HWND owner_;
    HWND listBox_;
    std::wstring listFile_;
    std::unique_ptr<engine::RestoreRecord> record_;
    bool loaded_ = false;
    bool loading_ = false;
    // Why the load failed; 0 when it did not.
    unsigned long loadError_ = 0;
    bool keepJournal_ = false;
    bool saving_ = false;
    // The session asked to end during a long operation: save when it is over.
    bool saveWhenIdle_ = false;
    std::vector<std::wstring> waitingItems_;
};

} // namespace ui
