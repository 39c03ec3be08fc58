#include "ui/restore/RestoreView.h"

#include "engine/OperationLock.h"
#include "engine/RestoreFolder.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "platform/Shell.h"
#include "platform/Window.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Timing.h"
#include "ui/restore/RestoreList.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace ui {

std::wstring OutcomeText(const wchar_t* allDone, const wchar_t* someDone, size_t count,
                         size_t failed, const wchar_t* failure) {
    if (!failed)
        return allDone;
    return std::wstring(someDone) + L": " + std::to_wstring(count - failed) + L" of " +
           std::to_wstring(count) + L" (" + std::to_wstring(failed) + L" " + failure + L")";
}

std::wstring NotRestoredText(const std::wstring& folder, const engine::RestoreResult& result) {
    if (result.outcome == engine::RestoreOutcome::BackupBesideForeign)
        return folder + L": its Desktop.ini is not Quillane's, and the file Quillane set aside "
                        L"(BUDesktop.ini) is still there; both are left as they are";
    return folder + L": " +
           (result.error ? platform::ErrorText(result.error) : L"it could not be restored");
}

std::wstring NotLookedAtText(const std::wstring& folder) {
    return folder + L": its files could not be looked at";
}

std::wstring RestoreEndText(size_t count, size_t failed, const std::wstring& firstFailure) {
    std::wstring text = OutcomeText(L"Folders Successfully Restored", L"Folders Restored", count,
                                    failed, L"could not be restored");
    if (failed && !firstFailure.empty())
        text += (failed == 1 ? L": " : L", among them ") + firstFailure;
    return text;
}

bool ChangedFolder(engine::RestoreOutcome outcome) {
    // A stopped or refused step may still have changed something.
    return outcome == engine::RestoreOutcome::Restored ||
           outcome == engine::RestoreOutcome::NotRestored ||
           outcome == engine::RestoreOutcome::Stopped;
}

RestoreView::RestoreView(OperationHost& host, BusyLock& busy, const RestoreControls& controls,
                         std::wstring idleText)
    : host_(host), busy_(busy), c_(controls), idleText_(std::move(idleText)),
      count_(kTextRepaintMs) {
    count_.Attach(c_.lblRestoreCount);
}

void RestoreView::AddCommands(platform::CommandTable& commands) {
    commands.Add(*this,
                 {{GetDlgCtrlID(c_.command2), BN_CLICKED, &RestoreView::Command2_Click},
                  {GetDlgCtrlID(c_.cmdOk), BN_CLICKED, &RestoreView::cmdOk_Click},
                  {GetDlgCtrlID(c_.chkSelect), BN_CLICKED, &RestoreView::chkSelect_Click},
                  {GetDlgCtrlID(c_.cmdRestore), BN_CLICKED, &RestoreView::cmdRestore_Click}});
}

void RestoreView::Command2_Click() {
    platform::Show(c_.fraRestore, true);
    platform::Show(c_.fraChange, false);
    host_.SetStatus(idleText_);
}

void RestoreView::cmdOk_Click() {
    const bool focusInView = IsChild(c_.fraRestore, GetFocus()) != FALSE;
    platform::Show(c_.fraChange, true);
    platform::Show(c_.fraRestore, false);
    host_.SetStatus(idleText_);
    // The focus leaves with the view, to the button that brings it back.
    if (focusInView)
        SetFocus(c_.command2);
}

void RestoreView::ShowMessage(const wchar_t* text) {
    ui::ShowMessage(c_.form, text, MB_ICONINFORMATION);
}

void RestoreView::UpdateCount() {
    count_.Show(std::to_wstring(ListBoxItems(c_.lstRestore).Count()));
}

void RestoreView::ShowCountSoon(size_t count) {
    count_.ShowSoon(std::to_wstring(count));
}

void RestoreView::EnableWhileIdle(bool enabled) {
    platform::EnableAndDrawLater(c_.cmdRestore, enabled);
    platform::EnableAndDrawLater(c_.cmdOk, enabled);
    platform::EnableAndDrawLater(c_.chkSelect, enabled);
}

bool RestoreView::HoldsControl(int id) const {
    for (HWND control : {c_.cmdRestore, c_.cmdOk, c_.chkSelect})
        if (GetDlgCtrlID(control) == id)
            return true;
    return false;
}

void RestoreView::chkSelect_Click() {
    const LRESULT count = SendMessageW(c_.lstRestore, LB_GETCOUNT, 0, 0);
    if (count < 1)
        return;
    // Drawing resumes last, after the lock and the wait, however it ends.
    LockWindowUpdate(c_.lstRestore);
    const platform::ScopeExit resumeDrawing([] { LockWindowUpdate(nullptr); });
    host_.SetWaitCursor(true);
    const platform::ScopeExit endWait([this] { host_.SetWaitCursor(false); });
    BusyHold busy(busy_);
    const bool tickAll = platform::Checked(c_.chkSelect);
    if (TickEveryItem(tickAll, static_cast<size_t>(count)) && tickAll)
        ClearCurrentItem();
}

void RestoreView::ClearCurrentItem() {
    // No item highlighted. A single-selection list box has no current item
    // at -1; a multiple-selection one always has one, and keeps it at the top.
    if (!(GetWindowLongW(c_.lstRestore, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))) {
        SendMessageW(c_.lstRestore, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        return;
    }
    if (SendMessageW(c_.lstRestore, LB_SETCARETINDEX, static_cast<WPARAM>(-1), FALSE) == LB_ERR)
        SendMessageW(c_.lstRestore, LB_SETCARETINDEX, 0, FALSE);
}

bool RestoreView::TickEveryItem(bool tick, size_t count) {
    // A range of ticks is one stretch without a turn of the message loop.
    constexpr size_t kRange = 2048;
    for (size_t first = 0; first < count; first += kRange) {
        // A turn first: taking the busy lock has already cost milliseconds.
        if (first == 0 && !host_.YieldToMessages())
            return false;
        const size_t last = std::min(count, first + kRange) - 1;
        // A range is ticked from its first to its last item, unticked the
        // other way round.
        if (first == last)
            SendMessageW(c_.lstRestore, LB_SETSEL, tick, static_cast<LPARAM>(first));
        else
            SendMessageW(c_.lstRestore, LB_SELITEMRANGEEX, tick ? first : last,
                         static_cast<LPARAM>(tick ? last : first));
        if (!host_.YieldToMessages())
            return false;
    }
    return true;
}

namespace {
// Up to this many leaving items are deleted one by one; more rebuild the list.
constexpr size_t kRemovalsOneByOne = 16;
// Deletions from the end of the list between turns of the message loop.
constexpr size_t kRemovalsPerStep = 512;
} // namespace

bool RestoreView::RemoveRestored(std::vector<bool>& keep, size_t removed, bool prune) {
    ListBoxItems list(c_.lstRestore);
    if (prune) {
        // The rest of the list goes only on proof that nothing of ours is left.
        engine::RestorePruner pruner;
        for (size_t i = 0; i < keep.size(); ++i) {
            if (!keep[i])
                continue;
            if (pruner.Drops(list.Item(i))) {
                keep[i] = false;
                ++removed;
            }
            if (!host_.YieldToMessages())
                return false;
        }
    }
    // Those at the end go first, one by one from the last: nothing moves, and
    // the window answers between short steps. The list box holds the truth at
    // every step, so a window closed meanwhile saves a correct list. Drawn
    // after each deletion, the list box would take milliseconds for each.
    {
        ListRedrawThrottle quiet(c_.lstRestore);
        while (!keep.empty() && !keep.back()) {
            quiet.BeforeChange();
            list.RemoveAt(keep.size() - 1);
            quiet.AfterChange();
            keep.pop_back();
            --removed;
            if (keep.size() % kRemovalsPerStep == 0 && !host_.YieldToMessages())
                return false;
        }
    }
    if (removed > kRemovalsOneByOne) {
        list.KeepOnly(keep);
        return true;
    }
    for (size_t i = keep.size(); i-- > 0;)
        if (!keep[i])
            list.RemoveAt(i);
    return true;
}

void RestoreView::cmdRestore_Click() {
    ListBoxItems list(c_.lstRestore);
    if (list.Count() < 1) {
        ShowMessage(L"No folders to restore     ");
        return;
    }
    if (TickedCount(c_.lstRestore) < 1) {
        ShowMessage(L"Please check folders to restore     ");
        return;
    }
    // Another copy's operation (/apply) must not change folders beside this one.
    engine::OperationLock operation;
    if (!host_.StartOperation(operation))
        return;
    const size_t ticked = static_cast<size_t>(TickedCount(c_.lstRestore));
    size_t notRestored = 0;
    std::wstring firstFailure;
    std::vector<std::pair<size_t, std::wstring>> toPruner;
    {
        BusyHold busy(busy_);
        platform::FolderNotices notices = platform::FolderNotices::ForRun(ticked);
        // The list box stays as it is during the run: the restored folders
        // leave it together at the end.
        std::vector<bool> keep(list.Count(), true);
        size_t removed = 0;
        for (size_t i = keep.size(); i-- > 0;) {
            if (!IsTicked(c_.lstRestore, static_cast<int>(i)))
                continue;
            std::wstring folder;
            try {
                folder = list.Item(i);
            } catch (const std::bad_alloc&) {
                // Out of memory for its name: it stays, and the run goes on.
                ++notRestored;
                continue;
            }
            // Named only for a folder that is about to be put back. Running out
            // of memory on the folder itself is the engine's to catch.
            const engine::RestoreResult result = engine::RestoreFolder(
                folder, [this, &folder] { host_.ShowProgress(L"Restoring " + folder); });
            // A notice to the shell may take tens of milliseconds: a turn of
            // its own, apart from the folder's work.
            if (!host_.YieldToMessages())
                return;
            if (ChangedFolder(result.outcome))
                notices.Changed(folder);
            // Here a stop ends the whole run; /restore-all goes on with the others.
            if (result.outcome == engine::RestoreOutcome::Stopped) {
                // Folders already restored stay restored; the window works again.
                RemoveRestored(keep, removed, false);
                host_.UpdateRestoreCount();
                host_.SetStatus(L"Restore stopped at " + folder + L": " +
                                platform::ErrorText(result.error));
                return;
            }
            if (!host_.YieldToMessages())
                return;
            switch (engine::FateAfter(result)) {
            case engine::EntryFate::Stays:
                if (!notRestored++)
                    firstFailure = NotRestoredText(folder, result);
                break;
            case engine::EntryFate::ToPruner:
                // The pruning below decides, with the rest of the list.
                toPruner.emplace_back(i, folder);
                break;
            case engine::EntryFate::Leaves:
                keep[i] = false;
                host_.ShowRestoreCountSoon(keep.size() - ++removed);
                break;
            }
        }
        if (!RemoveRestored(keep, removed, true))
            return;
        // Kept without proof either way: not restored, and never called so.
        for (const auto& [index, folder] : toPruner)
            if (index < keep.size() && keep[index] && !notRestored++)
                firstFailure = NotLookedAtText(folder);
    }
    // The end's steps each cost milliseconds: turns between them.
    host_.UpdateRestoreCount();
    if (!host_.YieldToMessages())
        return;
    host_.RefreshShell();
    if (!host_.YieldToMessages())
        return;
    host_.SetStatus(RestoreEndText(ticked, notRestored, firstFailure));
    host_.UpdateRestoreCount();
    if (!host_.YieldToMessages())
        return;
    if (platform::Checked(c_.chkSelect)) {
        platform::SetChecked(c_.chkSelect, false);
        chkSelect_Click();
    }
}

} // namespace ui
