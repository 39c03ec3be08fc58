#include "ui/restore/RestoreList.h"

#include "platform/AllocationFaults.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/SystemApi.h"
#include "platform/TextCompare.h"

#include <vector>

namespace ui {

size_t ListBoxItems::Count() const {
    LRESULT n = SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

std::wstring ListBoxItems::Item(size_t index) const {
    LRESULT length = SendMessageW(listBox_, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = SendMessageW(listBox_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return text;
}

namespace {
// The sorted list box's own order: its locale, without regard to case.
bool SortsBefore(LCID locale, const std::wstring& a, const std::wstring& b) {
    return CompareStringW(locale, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
}
} // namespace

void ListBoxItems::Add(const std::wstring& text) {
    const size_t n = Count();
    const std::wstring last = n ? Item(n - 1) : std::wstring();
    AddInOrder(Locale(), n ? &last : nullptr, text);
}

LCID ListBoxItems::Locale() const {
    return static_cast<LCID>(SendMessageW(listBox_, LB_GETLOCALE, 0, 0));
}

bool ListBoxItems::AddInOrder(LCID locale, const std::wstring* last, const std::wstring& text) {
    platform::AllocationPoint();
    // A sorted list box finds a new item's place by comparing it with one
    // item after another; an item that belongs at the end is put there at
    // once (LB_INSERTSTRING does not sort).
    const bool atEnd = last && SortsBefore(locale, *last, text);
    SendMessageW(listBox_, atEnd ? LB_INSERTSTRING : LB_ADDSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(text.c_str()));
    return atEnd;
}

void ListBoxItems::RemoveAt(size_t index) {
    SendMessageW(listBox_, LB_DELETESTRING, index, 0);
}

void ListBoxItems::Clear() {
    SendMessageW(listBox_, LB_RESETCONTENT, 0, 0);
}

void ListBoxItems::AddAll(const std::vector<std::wstring>& texts) {
    SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
    AddAllQuietly(texts);
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
}

void ListBoxItems::Reserve(size_t count, size_t chars) {
    // Room for all at once, rather than growing the item array step by step.
    SendMessageW(listBox_, LB_INITSTORAGE, count, static_cast<LPARAM>(chars * sizeof(wchar_t)));
}

void ListBoxItems::AddAllQuietly(const std::vector<std::wstring>& texts) {
    size_t chars = 0;
    for (const auto& text : texts)
        chars += text.size() + 1;
    Reserve(texts.size(), chars);
    // Texts that come in order (a saved list does) each go straight to the end.
    const size_t n = Count();
    std::wstring last = n ? Item(n - 1) : std::wstring();
    bool empty = n == 0;
    const LCID locale = Locale();
    for (const auto& text : texts) {
        last = AddInOrder(locale, empty ? nullptr : &last, text) ? text : Item(Count() - 1);
        empty = false;
    }
}

bool ListBoxItems::TakeLines(engine::FolderLines& lines, const engine::YieldFn& yield) {
    size_t chars = 0;
    for (size_t i = 0; i < lines.Count(); ++i)
        chars += lines.View(i).size() + 1;
    Reserve(lines.Count(), chars);
    SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
    const size_t n = Count();
    std::wstring last = n ? Item(n - 1) : std::wstring();
    bool empty = n == 0;
    const LCID locale = Locale();
    bool going = true;
    for (size_t i = 0; i < lines.Count() && going; ++i) {
        const std::wstring text = lines.Item(i);
        last = AddInOrder(locale, empty ? nullptr : &last, text) ? text : Item(Count() - 1);
        empty = false;
        if (i % 256 == 255) {
            // What the list box holds now need not be held twice.
            lines.ReleaseBefore(i + 1);
            going = platform::KeepGoing(yield);
        }
    }
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
    lines.Clear();
    return going;
}

void ListBoxItems::KeepOnly(const std::vector<bool>& keep) {
    const size_t n = Count();
    std::vector<bool> ticked(n);
    const LRESULT selected = SendMessageW(listBox_, LB_GETSELCOUNT, 0, 0);
    if (selected > 0) {
        std::vector<int> indexes(static_cast<size_t>(selected));
        const LRESULT got = SendMessageW(listBox_, LB_GETSELITEMS, indexes.size(),
                                         reinterpret_cast<LPARAM>(indexes.data()));
        for (LRESULT i = 0; i < got; ++i)
            if (static_cast<size_t>(indexes[static_cast<size_t>(i)]) < n)
                ticked[static_cast<size_t>(indexes[static_cast<size_t>(i)])] = true;
    }
    // The survivors are taken out before the reset; a whole drive's list is
    // held once more only as long as the rebuild takes.
    engine::FolderLines survivors;
    std::vector<bool> survivorTicks;
    size_t topIndex = 0;
    const size_t oldTop = static_cast<size_t>(SendMessageW(listBox_, LB_GETTOPINDEX, 0, 0));
    for (size_t i = 0; i < n; ++i) {
        if (i < keep.size() && !keep[i])
            continue;
        if (i < oldTop)
            topIndex = survivors.Count() + 1;
        survivors.Append(Item(i));
        survivorTicks.push_back(ticked[i]);
    }
    SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(listBox_, LB_RESETCONTENT, 0, 0);
    size_t chars = 0;
    for (size_t i = 0; i < survivors.Count(); ++i)
        chars += survivors.View(i).size() + 1;
    Reserve(survivors.Count(), chars);
    // The survivors are in the list box's order already: each goes to the
    // end. Nothing here takes memory of ours, so running out cannot leave the
    // list box with part of the list.
    for (size_t i = 0; i < survivors.Count(); ++i) {
        SendMessageW(listBox_, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(survivors.CStr(i)));
        if (survivorTicks[i])
            SendMessageW(listBox_, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    }
    if (topIndex < survivors.Count())
        SendMessageW(listBox_, LB_SETTOPINDEX, topIndex, 0);
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
}

bool ListBoxItems::Holds(const std::wstring& text) const {
    const LCID locale = Locale();
    const size_t count = Count();
    size_t low = 0, high = count;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (SortsBefore(locale, Item(middle), text))
            low = middle + 1;
        else
            high = middle;
    }
    // Every item the list box sorts as equal, for the one that matches exactly.
    for (size_t i = low; i < count; ++i) {
        const std::wstring item = Item(i);
        if (platform::CompareNoCase(item, text) == 0)
            return true;
        if (SortsBefore(locale, text, item))
            break;
    }
    // The locale's order need not keep names equal by the ordinal rule
    // together (a dotless i and I): the rest is looked through, where only
    // an item of the same length can match.
    for (size_t i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(listBox_, LB_GETTEXTLEN, i, 0);
        if (length != LB_ERR && static_cast<size_t>(length) == text.size() &&
            platform::CompareNoCase(Item(i), text) == 0)
            return true;
    }
    return false;
}

ListRedrawThrottle::ListRedrawThrottle(HWND listBox, ULONGLONG intervalMs)
    : listBox_(listBox), interval_(intervalMs), lastDrawn_(platform::TickCount64()) {
    Pause();
}

ListRedrawThrottle::~ListRedrawThrottle() {
    Resume();
}

void ListRedrawThrottle::BeforeChange() {
    if (!paused_)
        Pause();
}

void ListRedrawThrottle::AfterChange() {
    if (platform::TickCount64() - lastDrawn_ >= interval_)
        Resume();
}

void ListRedrawThrottle::Pause() {
    SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
    paused_ = true;
}

void ListRedrawThrottle::Resume() {
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
    paused_ = false;
    lastDrawn_ = platform::TickCount64();
}

bool IsTicked(HWND listBox, int index) {
    return SendMessageW(listBox, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

int TickedCount(HWND listBox) {
    LRESULT n = SendMessageW(listBox, LB_GETSELCOUNT, 0, 0);
    return n == LB_ERR ? 0 : static_cast<int>(n);
}

UINT TickItemHeight(HWND owner, UINT dpi) {
    const platform::WindowDC dc(owner);
    TEXTMETRICW metrics{};
    const platform::SelectScope font(
        dc.get(), reinterpret_cast<HFONT>(SendMessageW(owner, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc.get(), &metrics);
    // The font is drawn for the system's DPI; the window's may differ.
    return static_cast<UINT>(MulDiv(metrics.tmHeight + 2, static_cast<int>(dpi),
                                    static_cast<int>(platform::ScreenDpi(LOGPIXELSY))));
}

void DrawTickItem(const DRAWITEMSTRUCT& draw) {
    if (draw.itemID == static_cast<UINT>(-1))
        return;
    HDC dc = draw.hDC;
    RECT item = draw.rcItem;
    FillRect(dc, &item, GetSysColorBrush(COLOR_WINDOW));

    const int box = item.bottom - item.top - 2;
    RECT tick{item.left + 2, item.top + 1, item.left + 2 + box, item.top + 1 + box};
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (draw.itemState & ODS_SELECTED)
        state |= DFCS_CHECKED;
    DrawFrameControl(dc, &tick, DFC_BUTTON, state);

    LRESULT length = SendMessageW(draw.hwndItem, LB_GETTEXTLEN, draw.itemID, 0);
    if (length != LB_ERR) {
        std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
        SendMessageW(draw.hwndItem, LB_GETTEXT, draw.itemID, reinterpret_cast<LPARAM>(text.data()));
        RECT textRect = item;
        textRect.left = tick.right + 4;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(dc, text.data(), static_cast<int>(length), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (draw.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &item);
}

} // namespace ui
