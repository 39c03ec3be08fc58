// The context-menu handler: takes Explorer's selection when it is made only of
// folders on fixed disks, adds the "Quillane" submenu and starts quillane.exe
// for the command chosen.
#include "shellext/MenuHandler.h"

#include "engine/FolderMark.h"
#include "engine/TintedIcon.h"
#include "platform/Gdi.h"
#include "shellext/ComObject.h"
#include "shellext/Launch.h"
#include "shellext/MenuCommands.h"
#include "shellext/Module.h"
#include "shellext/Selection.h"

#include <commdlg.h>
#include <cstring>
#include <shellapi.h>
#include <shlobj.h>
#include <string>
#include <vector>

namespace shellext {

namespace {

// Only so many folders are looked at for "Restore original look", so that a
// large selection opens its menu as fast as a small one.
constexpr size_t kFoldersLookedAt = 16;

// A swatch of the menu's check-mark size: the colour with a darker frame, so
// that a colour close to the menu's own still shows its edge.
HBITMAP MakeSwatch(engine::Colour colour) {
    const int width = GetSystemMetrics(SM_CXMENUCHECK);
    const int height = GetSystemMetrics(SM_CYMENUCHECK);
    if (width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        return bitmap;
    const auto darker = [](std::uint8_t value) { return static_cast<std::uint8_t>(value / 2); };
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    auto* row = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y, row += stride)
        for (int x = 0; x < width; ++x) {
            const bool frame = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            std::uint8_t* pixel = row + static_cast<size_t>(x) * 3;
            pixel[0] = frame ? darker(colour.blue) : colour.blue;
            pixel[1] = frame ? darker(colour.green) : colour.green;
            pixel[2] = frame ? darker(colour.red) : colour.red;
        }
    GdiFlush();
    return bitmap;
}

struct MenuOwner {
    HMENU menu = nullptr;
    ~MenuOwner() {
        if (menu)
            DestroyMenu(menu);
    }
    HMENU release() { return std::exchange(menu, nullptr); }
};

bool AddItem(HMENU menu, UINT id, const std::wstring& text, HBITMAP bitmap = nullptr,
             bool enabled = true) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | (bitmap ? MIIM_BITMAP : 0u);
    item.wID = id;
    item.fState = enabled ? MFS_ENABLED : MFS_DISABLED;
    item.dwTypeData = const_cast<wchar_t*>(text.c_str());
    item.hbmpItem = bitmap;
    return InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &item) != FALSE;
}

bool AddSeparator(HMENU menu) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    item.fType = MFT_SEPARATOR;
    return InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &item) != FALSE;
}

// Inserts a submenu at the position; the menu owns it from then on.
bool InsertSubmenu(HMENU menu, UINT position, const wchar_t* text, MenuOwner& submenu) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_SUBMENU | MIIM_STRING;
    item.hSubMenu = submenu.menu;
    item.dwTypeData = const_cast<wchar_t*>(text);
    if (!InsertMenuItemW(menu, position, TRUE, &item))
        return false;
    submenu.release();
    return true;
}

HRESULT FromException() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

std::wstring Widened(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

class MenuHandler final : public ComObject<IShellExtInit, IContextMenu> {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit))
            *out = static_cast<IShellExtInit*>(this);
        else if (IsEqualIID(riid, IID_IContextMenu))
            *out = static_cast<IContextMenu*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY) override {
        try {
            folders_.clear();
            std::vector<std::wstring> paths;
            if (data) {
                if (!SelectedPaths(data, paths))
                    return S_OK;
            } else {
                std::wstring path = FolderPath(folder);
                if (path.empty())
                    return S_OK;
                paths.push_back(std::move(path));
            }
            if (!AllFoldersOnFixedDisks(paths))
                return S_OK;
            folders_ = std::move(paths);
            return S_OK;
        } catch (...) {
            folders_.clear();
            return FromException();
        }
    }

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT first, UINT last,
                                  UINT flags) override {
        try {
            const unsigned count = MenuCommandCount();
            if ((flags & CMF_DEFAULTONLY) != 0 || folders_.empty() || !menu || last < first ||
                last - first < count - 1)
                return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
            MenuOwner top{CreatePopupMenu()}, colours{CreatePopupMenu()}, marks{CreatePopupMenu()};
            if (!top.menu || !colours.menu || !marks.menu)
                return E_OUTOFMEMORY;
            bool added = true;
            for (unsigned offset = 0; offset < count && added; ++offset) {
                const MenuCommand command = *CommandAt(offset);
                switch (command.action) {
                case Action::Colour:
                    added = AddItem(colours.menu, first + offset, command.label,
                                    Swatch(engine::ColourPresets()[command.index].colour));
                    break;
                case Action::OtherColour:
                    added = AddSeparator(colours.menu) &&
                            AddItem(colours.menu, first + offset, command.label);
                    break;
                case Action::Mark:
                case Action::NoMark:
                    added = AddItem(marks.menu, first + offset, command.label);
                    break;
                case Action::Restore:
                    added = InsertSubmenu(top.menu, 0, L"Colour", colours) &&
                            InsertSubmenu(top.menu, 1, L"Mark", marks) &&
                            AddItem(top.menu, first + offset, command.label, nullptr,
                                    AnyOwnSettingsFile());
                    break;
                case Action::Customize:
                    added = AddItem(top.menu, first + offset, command.label);
                    break;
                }
            }
            if (!added || !InsertSubmenu(menu, position, L"Quillane", top))
                return E_FAIL;
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, count);
        } catch (...) {
            return FromException();
        }
    }

    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        try {
            if (!info || info->cbSize < sizeof(CMINVOKECOMMANDINFO))
                return E_INVALIDARG;
            std::optional<unsigned> offset;
            const auto* extended = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info);
            const bool unicode = info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) &&
                                 (info->fMask & CMIC_MASK_UNICODE) != 0;
            if (unicode && extended->lpVerbW && !IS_INTRESOURCE(extended->lpVerbW))
                offset = OffsetOfVerb(extended->lpVerbW);
            else if (IS_INTRESOURCE(info->lpVerb))
                offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
            else
                offset = OffsetOfVerb(Widened(info->lpVerb));
            if (!offset)
                return E_INVALIDARG;
            const std::optional<MenuCommand> command = CommandAt(*offset);
            if (!command || folders_.empty())
                return E_INVALIDARG;
            return Run(*command, info->hwnd);
        } catch (...) {
            return FromException();
        }
    }

    STDMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* name,
                                  UINT size) override {
        try {
            const std::optional<MenuCommand> command =
                offset <= 0xFFFF ? CommandAt(static_cast<unsigned>(offset)) : std::nullopt;
            if (!command)
                return E_INVALIDARG;
            switch (type) {
            case GCS_VALIDATEA:
            case GCS_VALIDATEW:
                return S_OK;
            case GCS_VERBW:
                return CopyWide(command->verb, name, size);
            case GCS_HELPTEXTW:
                return CopyWide(command->help, name, size);
            case GCS_VERBA:
                return CopyNarrow(command->verb, name, size);
            case GCS_HELPTEXTA:
                return CopyNarrow(command->help, name, size);
            default:
                return E_INVALIDARG;
            }
        } catch (...) {
            return FromException();
        }
    }

  private:
    HBITMAP Swatch(engine::Colour colour) {
        platform::BitmapHandle bitmap(MakeSwatch(colour));
        const HBITMAP handle = bitmap.get();
        if (bitmap)
            swatches_.push_back(std::move(bitmap));
        return handle;
    }

    bool AnyOwnSettingsFile() const {
        const size_t looked = std::min(folders_.size(), kFoldersLookedAt);
        for (size_t i = 0; i < looked; ++i)
            if (HoldsOwnSettingsFile(folders_[i]))
                return true;
        return false;
    }

    HRESULT Run(const MenuCommand& menuCommand, HWND owner) {
        Command command;
        switch (menuCommand.action) {
        case Action::Colour:
            command = {L"/apply", ColourSwitches(engine::ColourPresets()[menuCommand.index].name),
                       true};
            break;
        case Action::OtherColour: {
            engine::Colour chosen;
            if (!ChooseOtherColour(owner, chosen))
                return S_OK;
            command = {L"/apply", ColourSwitches(engine::ColourText(chosen)), true};
            break;
        }
        case Action::Mark:
            command = {L"/apply", MarkSwitches(engine::FolderMarks()[menuCommand.index].name),
                       true};
            break;
        case Action::NoMark:
            command = {L"/apply", MarkSwitches(L"none"), true};
            break;
        case Action::Restore:
            command = {L"/restore", L"/quiet", true};
            break;
        case Action::Customize:
            command = {};
            break;
        }
        return StartProgram(command, folders_);
    }

    // The colour dialog owned by the invoking window; false on Cancel.
    bool ChooseOtherColour(HWND owner, engine::Colour& chosen) {
        CHOOSECOLORW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner;
        dialog.lpCustColors = customColours_;
        dialog.rgbResult = RGB(0xD3, 0x2F, 0x2F);
        dialog.Flags = CC_FULLOPEN | CC_RGBINIT;
        if (!ChooseColorW(&dialog))
            return false;
        chosen = {GetRValue(dialog.rgbResult), GetGValue(dialog.rgbResult),
                  GetBValue(dialog.rgbResult)};
        return true;
    }

    static HRESULT CopyWide(const std::wstring& text, CHAR* buffer, UINT size) {
        if (!buffer || size == 0)
            return E_INVALIDARG;
        auto* wide = reinterpret_cast<wchar_t*>(buffer);
        const size_t length = std::min<size_t>(text.size(), size - 1);
        std::memcpy(wide, text.c_str(), length * sizeof(wchar_t));
        wide[length] = L'\0';
        return length == text.size() ? S_OK : STRSAFE_E_INSUFFICIENT_BUFFER_;
    }
    static HRESULT CopyNarrow(const std::wstring& text, CHAR* buffer, UINT size) {
        if (!buffer || size == 0)
            return E_INVALIDARG;
        buffer[0] = '\0';
        const int written = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer,
                                                static_cast<int>(size), nullptr, nullptr);
        if (written == 0) {
            buffer[size - 1] = '\0';
            return STRSAFE_E_INSUFFICIENT_BUFFER_;
        }
        return S_OK;
    }
    // strsafe.h's value, without its deprecation of the functions around it.
    static constexpr HRESULT STRSAFE_E_INSUFFICIENT_BUFFER_ = static_cast<HRESULT>(0x8007007AL);

    std::vector<std::wstring> folders_;
    // The menu shows them until Explorer destroys it, after which it releases us.
    std::vector<platform::BitmapHandle> swatches_;
    COLORREF customColours_[16] = {};
};

} // namespace

HRESULT CreateMenuHandler(REFIID riid, void** out) {
    return CreateComObject<MenuHandler>(riid, out);
}

} // namespace shellext
