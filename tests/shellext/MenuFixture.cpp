#include "tests/shellext/MenuFixture.h"

#include "platform/SystemApi.h"
#include "shellext/Module.h"
#include "tests/support/DialogResponder.h"

#include <algorithm>
#include <cstring>
#include <shellapi.h>
#include <tlhelp32.h>

namespace testing_support {

namespace {

// A COM object goes through Release, never through its interface's destructor.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class DropDataObject final : public IDataObject {
  public:
    explicit DropDataObject(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}
    DropDataObject(const DropDataObject&) = delete;
    DropDataObject& operator=(const DropDataObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK)
            return DV_E_FORMATETC;
        std::wstring list;
        for (const std::wstring& path : paths_)
            list += path + L'\0';
        list += L'\0';
        const size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) != 0
                   ? S_OK
                   : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

  private:
    ~DropDataObject() = default;
    ULONG refs_ = 1;
    std::vector<std::wstring> paths_;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

struct PidlList {
    std::vector<LPITEMIDLIST> items;
    ~PidlList() {
        for (LPITEMIDLIST item : items)
            CoTaskMemFree(item);
    }
};

using Function = HRESULT(STDAPICALLTYPE*)();

Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

std::wstring BuiltPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

platform::ComPtr<IDataObject> ShellData(const std::wstring& parent,
                                        const std::vector<std::wstring>& names) {
    platform::ComPtr<IDataObject> data;
    platform::ComPtr<IShellFolder> desktop, folder;
    if (FAILED(SHGetDesktopFolder(desktop.put())))
        return data;
    PidlList parentPidl;
    parentPidl.items.push_back(nullptr);
    std::wstring name = parent;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr,
                                         &parentPidl.items[0], nullptr)) ||
        FAILED(desktop->BindToObject(parentPidl.items[0], nullptr, IID_IShellFolder,
                                     reinterpret_cast<void**>(folder.put()))))
        return data;
    PidlList children;
    for (const std::wstring& child : names) {
        std::wstring text = child;
        LPITEMIDLIST pidl = nullptr;
        if (FAILED(folder->ParseDisplayName(nullptr, nullptr, text.data(), nullptr, &pidl, nullptr)))
            return data;
        children.items.push_back(pidl);
    }
    folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.items.size()),
                          const_cast<LPCITEMIDLIST*>(children.items.data()), IID_IDataObject,
                          nullptr, reinterpret_cast<void**>(data.put()));
    return data;
}

platform::ComPtr<IDataObject> DropData(const std::vector<std::wstring>& paths) {
    platform::ComPtr<IDataObject> data;
    *data.put() = new DropDataObject(paths);
    return data;
}

std::vector<std::wstring> Labels(HMENU menu) {
    std::vector<std::wstring> labels;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            labels.emplace_back(L"-");
            continue;
        }
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        labels.emplace_back(text);
    }
    return labels;
}

HMENU Submenu(HMENU menu, int position) { return menu ? GetSubMenu(menu, position) : nullptr; }

COLORREF SwatchCentre(HMENU menu, int position) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item) || !item.hbmpItem)
        return CLR_INVALID;
    BITMAP bitmap{};
    GetObjectW(item.hbmpItem, sizeof bitmap, &bitmap);
    if (bitmap.bmBitsPixel != 24 || bitmap.bmWidth <= 0 || bitmap.bmHeight <= 0)
        return CLR_INVALID;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.bmWidth;
    info.bmiHeader.biHeight = -bitmap.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(bitmap.bmWidth) * 3 + 3) & ~size_t{3};
    std::vector<BYTE> bits(stride * static_cast<size_t>(bitmap.bmHeight));
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, item.hbmpItem, 0, static_cast<UINT>(bitmap.bmHeight),
                               bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != bitmap.bmHeight)
        return CLR_INVALID;
    const BYTE* pixel = bits.data() + stride * static_cast<size_t>(bitmap.bmHeight / 2) +
                        static_cast<size_t>(bitmap.bmWidth / 2) * 3;
    return RGB(pixel[2], pixel[1], pixel[0]);
}

bool WaitForStartedPrograms(DWORD ms) {
    const ULONGLONG until = platform::TickCount64() + ms;
    for (;;) {
        std::vector<DWORD> children;
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry))
            if (entry.th32ParentProcessID == GetCurrentProcessId() &&
                _wcsicmp(entry.szExeFile, L"quillane.exe") == 0)
                children.push_back(entry.th32ProcessID);
        CloseHandle(snapshot);
        if (children.empty())
            return true;
        for (DWORD id : children) {
            const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
            if (!process)
                continue;
            const ULONGLONG now = platform::TickCount64();
            const DWORD left = now < until ? static_cast<DWORD>(until - now) : 0;
            const DWORD waited = WaitForSingleObject(process, left);
            CloseHandle(process);
            if (waited != WAIT_OBJECT_0)
                return false;
        }
        if (platform::TickCount64() >= until)
            return false;
    }
}

HWND WaitForOwnBox(DWORD ms) {
    struct Search {
        HWND found = nullptr;
        static BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t name[16] = {}, title[32] = {};
            GetClassNameW(window, name, 16);
            GetWindowTextW(window, title, 32);
            if (process != GetCurrentProcessId() || wcscmp(name, L"#32770") != 0 ||
                wcscmp(title, L"Quillane") != 0 || !IsWindowVisible(window))
                return TRUE;
            reinterpret_cast<Search*>(parameter)->found = window;
            return FALSE;
        }
    };
    Search search;
    PumpUntil(
        [&search] {
            EnumWindows(&Search::Visit, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        ms);
    return search.found;
}

void MenuFixture::SetUp() {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    const std::wstring built = BuiltPath(QUILLANE_MENU_DLL);
    dll = appDir / built.substr(built.find_last_of(L'\\') + 1);
    ASSERT_TRUE(CopyFileW(built.c_str(), dll.c_str(), FALSE));
    const std::wstring program = BuiltPath(probe_ ? QUILLANE_PROBE_EXE : QUILLANE_EXE);
    ASSERT_TRUE(CopyFileW(program.c_str(), (appDir / L"quillane.exe").c_str(), FALSE));
    loaded_ = LoadLibraryW(dll.c_str());
    ASSERT_NE(loaded_, nullptr);
    ASSERT_EQ(Export(loaded_, "DllRegisterServer")(), S_OK);
}

void MenuFixture::TearDown() {
    for (HMENU menu : menus_)
        DestroyMenu(menu);
    if (loaded_) {
        // Every object is gone by now; a worker may still be ending.
        PumpUntil([this] { return CanUnloadNow() == S_OK; }, 10000);
        EXPECT_EQ(Export(loaded_, "DllUnregisterServer")(), S_OK);
        CoFreeUnusedLibrariesEx(0, 0);
        FreeLibrary(loaded_);
    }
    OleUninitialize();
}

platform::ComPtr<IContextMenu> MenuFixture::Handler(IDataObject* selection,
                                                    const std::wstring& background) {
    platform::ComPtr<IShellExtInit> init;
    platform::ComPtr<IContextMenu> menu;
    if (FAILED(CoCreateInstance(shellext::kMenuClsid, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IShellExtInit, reinterpret_cast<void**>(init.put()))))
        return menu;
    LPITEMIDLIST folder = nullptr;
    if (!background.empty()) {
        std::wstring name = background;
        platform::ComPtr<IShellFolder> desktop;
        SHGetDesktopFolder(desktop.put());
        desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &folder, nullptr);
    }
    const HRESULT initialised = init->Initialize(folder, selection, nullptr);
    CoTaskMemFree(folder);
    if (SUCCEEDED(initialised))
        init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(menu.put()));
    return menu;
}

HMENU MenuFixture::Menu(IContextMenu* handler, UINT& added, UINT flags) {
    HMENU menu = CreatePopupMenu();
    menus_.push_back(menu);
    // Explorer's own items around ours.
    AppendMenuW(menu, MF_STRING, 1, L"Open");
    AppendMenuW(menu, MF_STRING, 2, L"Properties");
    const HRESULT result = handler->QueryContextMenu(menu, 1, kFirstId, kFirstId + 200, flags);
    added = SUCCEEDED(result) ? HRESULT_CODE(result) : 0xFFFFFFFF;
    return menu;
}

HRESULT MenuFixture::Invoke(IContextMenu* handler, UINT offset, HWND owner) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return handler->InvokeCommand(&info);
}

HRESULT MenuFixture::Invoke(IContextMenu* handler, const char* verb) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return handler->InvokeCommand(&info);
}

HRESULT MenuFixture::CanUnloadNow() const {
    const HMODULE module = GetModuleHandleW(dll.c_str());
    return module ? Export(module, "DllCanUnloadNow")() : E_FAIL;
}

} // namespace testing_support
