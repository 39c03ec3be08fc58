#pragma once
// The restore view inside the main window and the operation that puts
// customized folders back.
#include "engine/RestoreFolder.h"
#include "platform/CommandTable.h"
#include "platform/Window.h"
#include "ui/main/BusyLock.h"
#include "ui/main/OperationHost.h"

#include <windows.h>
#include <string>
#include <vector>

namespace ui {

struct RestoreControls {
    HWND form, fraChange, fraRestore, lstRestore, chkSelect, cmdRestore, cmdOk;
    HWND command2; // the main window's button that opens the view
    HWND lblRestoreCount;
};

// The status line after a run over count folders: allDone when none failed,
// else "<someDone>: <done> of <count> (<failed> <failure>)".
std::wstring OutcomeText(const wchar_t* allDone, const wchar_t* someDone, size_t count,
                         size_t failed, const wchar_t* failure);

// Why a folder was not restored: "<folder>: <cause>", for the status line and
// /restore-all's standard error.
std::wstring NotRestoredText(const std::wstring& folder, const engine::RestoreResult& result);
// The same for a folder with nothing to undo that the pruner still keeps.
std::wstring NotLookedAtText(const std::wstring& folder);

// The end of a restore run over count folders, failed of them not restored,
// naming the first of those (firstFailure, a NotRestoredText) where known.
std::wstring RestoreEndText(size_t count, size_t failed, const std::wstring& firstFailure);

// Whether a restore with this outcome may have touched the folder, so that
// the shell must be told.
bool ChangedFolder(engine::RestoreOutcome outcome);

class RestoreView final : public BusyShare {
  public:
    RestoreView(OperationHost& host, BusyLock& busy, const RestoreControls& controls,
                std::wstring idleText);
    // The clicks of the view's buttons, its check box and the main window's
    // button that opens it.
    void AddCommands(platform::CommandTable& commands);

    void Command2_Click();
    void cmdOk_Click();
    void chkSelect_Click();
    void cmdRestore_Click();

    // The count of folders in the list, shown now; a run's count, shown a
    // few milliseconds late; the count's text, which may wait to be shown.
    void UpdateCount();
    void ShowCountSoon(size_t count);
    const platform::ThrottledText& CountText() const { return count_; }
    platform::ThrottledText& CountText() { return count_; }

    // BusyShare: the view's own buttons and check box.
    void EnableWhileIdle(bool enabled) override;
    bool HoldsControl(int id) const override;

  private:
    void ShowMessage(const wchar_t* text);
    // Takes the restored folders out of the list box, with those the pruning
    // drops among the rest; false when the window went meanwhile.
    bool RemoveRestored(std::vector<bool>& keep, size_t removed, bool prune);
    // Ticks or unticks every item a range at a time, the window answering
    // between ranges; false when the window went meanwhile.
    bool TickEveryItem(bool tick, size_t count);
    // Leaves no item the list's current one, where the list box allows it.
    void ClearCurrentItem();

    OperationHost& host_;
    BusyLock& busy_;
    RestoreControls c_;
    std::wstring idleText_;
    platform::ThrottledText count_;
};

} // namespace ui
