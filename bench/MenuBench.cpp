// quillane-menu-bench: how long the Explorer menu handler takes to open its
// menu for a selection of 100 folders, the handler made fresh each time as
// Explorer makes it. Each folder holds a foreign Desktop.ini, so every one of
// the bounded reads behind "Restore original look" reads a file and finds no
// marker: the slowest case. Prints the medians of Initialize and
// QueryContextMenu over the runs (--runs N, 15 by default).
#include "platform/ComPtr.h"
#include "platform/Files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cwchar>
#include <shlobj.h>
#include <string>
#include <vector>

namespace {

constexpr int kFolders = 100;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::wstring MenuDll() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L'\\'));
    // The bench lies in bench\ of the build folder, the DLL beside quillane.exe.
    folder.resize(folder.find_last_of(L'\\'));
    return folder + L"\\" QUILLANE_MENU_DLL_NAME;
}

struct Pidls {
    std::vector<LPITEMIDLIST> items;
    Pidls() = default;
    Pidls(const Pidls&) = delete;
    Pidls& operator=(const Pidls&) = delete;
    ~Pidls() {
        for (LPITEMIDLIST item : items)
            CoTaskMemFree(item);
    }
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 15;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::wcscmp(argv[i], L"--runs") == 0)
            runs = std::max(1, _wtoi(argv[i + 1]));
    if (FAILED(OleInitialize(nullptr)))
        return 1;

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring parent =
        std::wstring(temp) + L"QuillaneMenuBench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(parent.c_str(), nullptr);
    std::vector<std::wstring> names;
    for (int i = 0; i < kFolders; ++i) {
        names.push_back(L"Folder " + std::to_wstring(i));
        const std::wstring folder = parent + L"\\" + names.back();
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::string text = "[.ShellClassInfo]\r\nInfoTip=someone else's\r\n";
        platform::CreateFileContents(folder + L"\\Desktop.ini",
                                     std::vector<std::uint8_t>(text.begin(), text.end()));
    }

    int status = 1;
    const HMODULE dll = LoadLibraryW(MenuDll().c_str());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = dll ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                                          GetProcAddress(dll, "DllGetClassObject")))
                                    : nullptr;
    const CLSID clsid = {0xBE2AC388, 0x320A, 0x4D73, {0x81, 0xE5, 0x32, 0x1E, 0xA4, 0x4B, 0x48, 0x66}};
    platform::ComPtr<IClassFactory> factory;
    platform::ComPtr<IShellFolder> desktop, folder;
    platform::ComPtr<IDataObject> data;
    Pidls parentPidl, children;
    std::wstring parentName = parent;
    parentPidl.items.push_back(nullptr);
    if (getClassObject &&
        SUCCEEDED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.put()))) &&
        SUCCEEDED(SHGetDesktopFolder(desktop.put())) &&
        SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, parentName.data(), nullptr,
                                            &parentPidl.items[0], nullptr)) &&
        SUCCEEDED(desktop->BindToObject(parentPidl.items[0], nullptr, IID_IShellFolder,
                                        reinterpret_cast<void**>(folder.put())))) {
        for (std::wstring& name : names) {
            LPITEMIDLIST child = nullptr;
            if (SUCCEEDED(folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &child,
                                                   nullptr)))
                children.items.push_back(child);
        }
        folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.items.size()),
                              const_cast<LPCITEMIDLIST*>(children.items.data()), IID_IDataObject,
                              nullptr, reinterpret_cast<void**>(data.put()));
    }

    if (data && children.items.size() == kFolders) {
        std::vector<double> initialize, query;
        UINT added = 0;
        for (int run = 0; run < runs; ++run) {
            platform::ComPtr<IShellExtInit> init;
            platform::ComPtr<IContextMenu> menu;
            if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit,
                                               reinterpret_cast<void**>(init.put()))) ||
                FAILED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(menu.put()))))
                break;
            const HMENU popup = CreatePopupMenu();
            LARGE_INTEGER t0, t1, t2;
            QueryPerformanceCounter(&t0);
            init->Initialize(nullptr, data.get(), nullptr);
            QueryPerformanceCounter(&t1);
            const HRESULT result = menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
            QueryPerformanceCounter(&t2);
            DestroyMenu(popup);
            added = SUCCEEDED(result) ? HRESULT_CODE(result) : 0;
            initialize.push_back(Milliseconds(t0, t1));
            query.push_back(Milliseconds(t1, t2));
        }
        if (static_cast<int>(query.size()) == runs && added > 0) {
            std::printf("Menu handler, %d folders (%u commands), median of %d runs:\n", kFolders,
                        added, runs);
            std::printf("  Initialize        %8.2f ms\n", Median(initialize));
            std::printf("  QueryContextMenu  %8.2f ms (%.2f to %.2f)\n", Median(query),
                        *std::min_element(query.begin(), query.end()),
                        *std::max_element(query.begin(), query.end()));
            status = 0;
        }
    }
    if (status != 0)
        std::fprintf(stderr, "the menu handler could not be timed\n");

    data.reset();
    folder.reset();
    desktop.reset();
    factory.reset();
    for (const std::wstring& name : names) {
        platform::DeleteFileAt(parent + L"\\" + name + L"\\Desktop.ini");
        RemoveDirectoryW((parent + L"\\" + name).c_str());
    }
    RemoveDirectoryW(parent.c_str());
    OleUninitialize();
    return status;
}
