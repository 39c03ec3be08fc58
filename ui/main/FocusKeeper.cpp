#include "ui/main/FocusKeeper.h"

namespace ui {

void FocusKeeper::Remember() {
    HWND focus = GetFocus();
    if (focus && IsChild(c_.window, focus))
        last_ = focus;
}

void FocusKeeper::GiveToSink() {
    last_ = c_.sink;
    SetFocus(c_.sink);
}

void FocusKeeper::OperationStarts() {
    starter_ = commandSource_ ? commandSource_ : GetFocus();
}

bool FocusKeeper::CanTakeFocus(HWND control) const {
    return control && IsChild(c_.window, control) && IsWindowVisible(control) &&
           IsWindowEnabled(control);
}

HWND FocusKeeper::SensibleFocus(HWND wanted) const {
    if (CanTakeFocus(wanted))
        return wanted;
    // A control of the restore view that went away: the button that opens it again.
    if (wanted && IsChild(c_.restoreView, wanted) && CanTakeFocus(c_.restoreOpener))
        return c_.restoreOpener;
    return GetNextDlgTabItem(c_.window, wanted && IsChild(c_.window, wanted) ? wanted : nullptr,
                             FALSE);
}

void FocusKeeper::OperationEnds() {
    if (GetActiveWindow() != c_.window) {
        // A dialog or another program is in front: the activation brings it back.
        if (!CanTakeFocus(last_) || last_ == c_.sink)
            last_ = SensibleFocus(starter_);
        return;
    }
    HWND focus = GetFocus();
    if (focus != c_.sink && CanTakeFocus(focus))
        return;
    if (HWND target = SensibleFocus(starter_))
        SetFocus(target);
}

void FocusKeeper::Activate(bool active, bool busy) {
    if (!active) {
        Remember();
        return;
    }
    // While work runs the focus sink holds the focus, as it did when work started.
    HWND focus = busy && !CanTakeFocus(last_) ? c_.sink : SensibleFocus(last_);
    SetFocus(focus ? focus : c_.window);
}

} // namespace ui
