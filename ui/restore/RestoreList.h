#pragma once
// The restore list: a sorted list box whose items carry tick boxes. An item's
// tick is its selected state (LBS_MULTIPLESEL), drawn as a check box.
#include "engine/FolderList.h"

#include <windows.h>

namespace ui {

constexpr DWORD kTickListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                                 WS_BORDER | LBS_SORT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED |
                                 LBS_MULTIPLESEL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;

// engine::ListItems over a list box, so the list routines work on it.
class ListBoxItems : public engine::ListItems {
  public:
    explicit ListBoxItems(HWND listBox) : listBox_(listBox) {}
    size_t Count() const override;
    std::wstring Item(size_t index) const override;
    void Add(const std::wstring& text) override;
    void RemoveAt(size_t index) override;
    void Clear() override;
    void AddAll(const std::vector<std::wstring>& texts) override;
    // The same without touching the list box's drawing, for a caller that
    // keeps it paused (a ListRedrawThrottle).
    void AddAllQuietly(const std::vector<std::wstring>& texts);
    // Every line in order, the list box's drawing off, with yields between
    // short steps; lines ends empty, also when a yield stopped it.
    bool TakeLines(engine::FolderLines& lines, const engine::YieldFn& yield = {}) override;
    // Empties the list box and fills it with the items that keep is true for,
    // in their order, with their ticks: one rebuild instead of one removal
    // per item, each of which moves every item after it.
    void KeepOnly(const std::vector<bool>& keep);

    // Exact match by the engine's ordinal comparison without regard to case,
    // found by a binary search in the list box's own order: a few items read
    // where the text is there. The list box's own search (LB_FINDSTRINGEXACT)
    // compares by its locale, which takes names that differ in an ignorable
    // character (a soft hyphen) for the same folder; a text not found so is
    // looked for among the items of its length, as the locale's order may
    // part names the ordinal rule takes for one.
    bool Holds(const std::wstring& text) const;

    // Room for count more items of chars characters in all (LB_INITSTORAGE),
    // so that a long run does not grow the list box's storage step by step.
    void Reserve(size_t count, size_t chars);

  private:
    // Adds the text, given the list's last item (none when it is empty);
    // true when the text became the last item.
    bool AddInOrder(LCID locale, const std::wstring* last, const std::wstring& text);
    // What the sorted list box compares by.
    LCID Locale() const;
    HWND listBox_;
};

// Keeps a list box from drawing each change of a long run: changes made
// while paused are drawn when the interval is up (at the next turn of the
// message loop) and when the run ends. Each drawing costs milliseconds under
// a long list, so it comes twice a second, not with every folder.
class ListRedrawThrottle {
  public:
    explicit ListRedrawThrottle(HWND listBox, ULONGLONG intervalMs = 500);
    ~ListRedrawThrottle();
    ListRedrawThrottle(const ListRedrawThrottle&) = delete;
    ListRedrawThrottle& operator=(const ListRedrawThrottle&) = delete;

    void BeforeChange();
    void AfterChange();

  private:
    void Pause();
    void Resume();
    HWND listBox_;
    ULONGLONG interval_, lastDrawn_;
    bool paused_ = false;
};

bool IsTicked(HWND listBox, int index);
int TickedCount(HWND listBox);

// The height of a row: a line of the owner's font and a pixel above and
// below, for the window's DPI.
UINT TickItemHeight(HWND owner, UINT dpi);
void DrawTickItem(const DRAWITEMSTRUCT& draw);

} // namespace ui
