#include "ui/options/FolderColourMenu.h"

#include "platform/Gdi.h"

#include <memory>
#include <vector>

namespace ui {

namespace {

constexpr UINT kFirstPreset = 1;

struct MenuTraits : platform::NullIsNone<HMENU> {
    static void close(HMENU menu) { DestroyMenu(menu); }
};
using MenuHandle = platform::UniqueHandle<MenuTraits>;

// A square of the colour with a dark edge, the size of a menu's tick, so that
// black and white still show their bounds.
platform::BitmapHandle Swatch(engine::Colour colour, int size) {
    const platform::WindowDC screen;
    platform::BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), size, size));
    const platform::MemoryDC dc(screen.get());
    if (!bitmap || !dc)
        return bitmap;
    const platform::SelectScope select(dc.get(), bitmap.get());
    const RECT all{0, 0, size, size};
    const platform::BrushHandle edge(CreateSolidBrush(RGB(64, 64, 64)));
    FillRect(dc.get(), &all, edge.get());
    const RECT inside{1, 1, size - 1, size - 1};
    const platform::BrushHandle fill(CreateSolidBrush(RGB(colour.red, colour.green, colour.blue)));
    FillRect(dc.get(), &inside, fill.get());
    return bitmap;
}

} // namespace

engine::Colour ColourOf(COLORREF colour) {
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

FolderColourChoice ShowFolderColourMenu(HWND owner, HWND button, engine::FolderMark shown) {
    const MenuHandle menu(CreatePopupMenu());
    if (!menu)
        return {};
    const auto& presets = engine::ColourPresets();
    const int size = GetSystemMetrics(SM_CYMENUCHECK);
    // The swatches must outlive the menu's drawing.
    std::vector<platform::BitmapHandle> swatches;
    for (size_t i = 0; i < presets.size(); ++i) {
        std::wstring caption = presets[i].name;
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP;
        item.wID = kFirstPreset + static_cast<UINT>(i);
        item.dwTypeData = caption.data();
        swatches.push_back(Swatch(presets[i].colour, size));
        item.hbmpItem = swatches.back().get();
        InsertMenuItemW(menu.get(), static_cast<UINT>(i), TRUE, &item);
    }
    const UINT own = kFirstPreset + static_cast<UINT>(presets.size());
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, own, kOwnColourItem);

    // The marks, then none; the parent menu destroys the submenu with itself.
    const auto& marks = engine::FolderMarks();
    const UINT firstMark = own + 1;
    const UINT noMark = firstMark + static_cast<UINT>(marks.size());
    HMENU markMenu = CreatePopupMenu();
    if (markMenu) {
        for (size_t i = 0; i < marks.size(); ++i)
            AppendMenuW(markMenu, MF_STRING | (marks[i].mark == shown ? MF_CHECKED : 0u),
                        firstMark + static_cast<UINT>(i), marks[i].label);
        AppendMenuW(markMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(markMenu, MF_STRING | (shown == engine::FolderMark::None ? MF_CHECKED : 0u),
                    noMark, kNoMarkItem);
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        if (!AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(markMenu), kMarkItem))
            DestroyMenu(markMenu);
    }

    RECT below{};
    GetWindowRect(button, &below);
    TPMPARAMS keepClear{};
    keepClear.cbSize = sizeof keepClear;
    keepClear.rcExclude = below;
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
        menu.get(), TPM_RETURNCMD | TPM_VERTICAL, below.left, below.bottom, owner, &keepClear));
    if (chosen == own)
        return {FolderColourChoice::Kind::Own, {}};
    if (chosen >= firstMark && chosen < noMark)
        return {FolderColourChoice::Kind::Mark, {}, marks[chosen - firstMark].mark};
    if (chosen == noMark)
        return {FolderColourChoice::Kind::Mark, {}, engine::FolderMark::None};
    if (chosen >= kFirstPreset && chosen < own)
        return {FolderColourChoice::Kind::Preset, presets[chosen - kFirstPreset].colour};
    return {};
}

} // namespace ui
