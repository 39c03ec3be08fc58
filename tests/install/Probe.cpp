// quillane-probe: reads and drives windows of other processes for the install
// test's script. Every command waits up to SECONDS (30 by default) for what it
// needs and ends with 1 when it did not come.
//   ID [SECONDS]                   prints the text of control ID of the main window
//   set ID TEXT                    sets the text of control ID of the main window
//   press ID                       clicks button ID of the main window, waiting for its handler
//   find TITLE TEXT [SECONDS]      prints the text of the first control whose text
//                                  starts with TEXT in a window whose title starts with TITLE
//   button TITLE TEXT [SECONDS]    clicks the enabled button whose caption (without &)
//                                  is TEXT in such a window
//   box TITLE [SECONDS] [ID]       prints a message box's text and presses ID (OK)
//   hold PATH SHARE SECONDS READY  holds PATH open for reading, sharing nothing (SHARE
//                                  none) or reads (read), creates READY once it does,
//                                  and lets go after SECONDS
//   load PATH SECONDS READY        loads the DLL PATH as Explorer loads a menu handler,
//                                  creates READY once it has, and lets go after SECONDS
//   create CLSID                   makes the registered in-process object as Explorer
//                                  would for a folder's menu and prints the full path
//                                  of the DLL that serves it
//   menu CLSID FOLDER [ITEM]       shows the registered handler's menu for FOLDER as
//                                  Explorer would and prints its submenu's items
//                                  (a|b|c); with ITEM, chooses the item of that text
//                                  and waits until the handler is done with it
#include "platform/SystemApi.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainWindowClass[] = L"QuillaneForm1";

// A control of another process answers only WM_GETTEXT, not GetWindowTextW.
std::wstring Text(HWND window) {
    wchar_t text[2048] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return text;
}

std::wstring WithoutAccessKeys(const std::wstring& text) {
    std::wstring plain;
    for (wchar_t c : text)
        if (c != L'&')
            plain += c;
    return plain;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<HWND> Descendants(HWND window) {
    std::vector<HWND> found;
    struct Collect {
        static BOOL CALLBACK Visit(HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        }
    };
    EnumChildWindows(window, &Collect::Visit, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    struct Collect {
        static BOOL CALLBACK Visit(HWND window, LPARAM list) {
            if (IsWindowVisible(window))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        }
    };
    EnumWindows(&Collect::Visit, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND MainControl(int id) {
    HWND window = FindWindowW(kMainWindowClass, nullptr);
    if (!window)
        return nullptr;
    for (HWND control : Descendants(window))
        if (GetDlgCtrlID(control) == id)
            return control;
    return nullptr;
}

// Calls find until it yields a window or the seconds are up.
template <typename Find> HWND WaitFor(int seconds, Find find) {
    const ULONGLONG until = platform::TickCount64() + static_cast<ULONGLONG>(seconds) * 1000u;
    for (;;) {
        if (HWND found = find())
            return found;
        if (platform::TickCount64() >= until)
            return nullptr;
        Sleep(100);
    }
}

// A visible control whose text (without access keys) starts with text, in a
// top-level window whose title starts with title; a button must be enabled.
HWND FindControl(const std::wstring& title, const std::wstring& text, bool button) {
    for (HWND window : TopLevelWindows()) {
        if (!StartsWith(Text(window), title))
            continue;
        for (HWND control : Descendants(window)) {
            if (!IsWindowVisible(control))
                continue;
            wchar_t className[32] = {};
            GetClassNameW(control, className, 32);
            const bool isButton = _wcsicmp(className, L"Button") == 0;
            if (button && (!isButton || !IsWindowEnabled(control)))
                continue;
            const std::wstring shown = WithoutAccessKeys(Text(control));
            if (button ? shown == text : StartsWith(shown, text))
                return control;
        }
    }
    return nullptr;
}

HWND FindMessageBox(const std::wstring& title) {
    for (HWND window : TopLevelWindows()) {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (wcscmp(className, L"#32770") == 0 && Text(window) == title && GetDlgItem(window, 65535))
            return window;
    }
    return nullptr;
}

void Click(HWND button) {
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

int Print(const std::wstring& text) {
    std::fputws(text.c_str(), stdout);
    return 0;
}

void MarkReady(const wchar_t* ready) {
    HANDLE marker = CreateFileW(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
}

int Hold(const wchar_t* path, DWORD share, int seconds, const wchar_t* ready) {
    HANDLE file = CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    MarkReady(ready);
    Sleep(static_cast<DWORD>(seconds) * 1000u);
    CloseHandle(file);
    return 0;
}

int Load(const wchar_t* path, int seconds, const wchar_t* ready) {
    HMODULE module = LoadLibraryW(path);
    if (!module)
        return 1;
    MarkReady(ready);
    Sleep(static_cast<DWORD>(seconds) * 1000u);
    FreeLibrary(module);
    return 0;
}

// The module that holds an object's code: the one whose image holds its
// first interface's table of functions.
std::wstring ModuleOf(IUnknown* object) {
    HMODULE module = nullptr;
    const void* table = *reinterpret_cast<void* const*>(object);
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(table), &module))
        return L"";
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

// Explorer's selection of one folder: a data object from its parent folder.
IDataObject* FolderDataObject(const wchar_t* folder) {
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHParseDisplayName(folder, nullptr, &pidl, 0, nullptr)))
        return nullptr;
    IDataObject* data = nullptr;
    IShellFolder* parent = nullptr;
    LPCITEMIDLIST child = nullptr;
    if (SUCCEEDED(
            SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) {
        parent->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr,
                              reinterpret_cast<void**>(&data));
        parent->Release();
    }
    CoTaskMemFree(pidl);
    return data;
}

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
    return text;
}

// The command id of the item of that text in the menu or its submenus; 0 if none.
UINT FindItem(HMENU top, const std::wstring& text) {
    std::vector<HMENU> menus = {top};
    while (!menus.empty()) {
        HMENU menu = menus.back();
        menus.pop_back();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            if (HMENU sub = GetSubMenu(menu, i))
                menus.push_back(sub);
            else if (ItemText(menu, i) == text)
                return GetMenuItemID(menu, i);
        }
    }
    return 0;
}

// The handler starts the program and waits for it on a thread of its own,
// which holds the DLL until it is done.
bool WaitUntilUnloadable(HMODULE module, int seconds) {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    const auto canUnload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    if (!canUnload)
        return false;
    const ULONGLONG until = platform::TickCount64() + static_cast<ULONGLONG>(seconds) * 1000u;
    while (canUnload() != S_OK) {
        if (platform::TickCount64() >= until)
            return false;
        Sleep(100);
    }
    return true;
}

int Menu(const wchar_t* clsidText, const wchar_t* folder, const wchar_t* item) {
    constexpr UINT kFirst = 1;
    CLSID clsid{};
    if (FAILED(CLSIDFromString(clsidText, &clsid)))
        return 2;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int result = 1;
    IShellExtInit* init = nullptr;
    IDataObject* data = FolderDataObject(folder);
    HMENU menu = CreatePopupMenu();
    if (data && menu &&
        SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                   reinterpret_cast<void**>(&init)))) {
        IContextMenu* context = nullptr;
        if (SUCCEEDED(init->Initialize(nullptr, data, nullptr)) &&
            SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&context)))) {
            HMODULE module = nullptr;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               static_cast<LPCWSTR>(*reinterpret_cast<void* const*>(context)),
                               &module);
            if (SUCCEEDED(context->QueryContextMenu(menu, 0, kFirst, 0x7FFF, CMF_NORMAL))) {
                HMENU sub = GetMenuItemCount(menu) == 1 ? GetSubMenu(menu, 0) : nullptr;
                if (sub && !item) {
                    std::wstring items;
                    for (int i = 0; i < GetMenuItemCount(sub); ++i)
                        items += (i ? L"|" : L"") + ItemText(sub, i);
                    result = Print(items);
                } else if (sub) {
                    const UINT id = FindItem(sub, item);
                    CMINVOKECOMMANDINFO invoke{};
                    invoke.cbSize = sizeof invoke;
                    invoke.lpVerb = MAKEINTRESOURCEA(id - kFirst);
                    invoke.nShow = SW_SHOWNORMAL;
                    if (id && SUCCEEDED(context->InvokeCommand(&invoke)))
                        result = 0;
                }
            }
            context->Release();
            init->Release();
            init = nullptr;
            if (result == 0 && item && module && !WaitUntilUnloadable(module, 120))
                result = 1;
        }
        if (init)
            init->Release();
    }
    if (menu)
        DestroyMenu(menu);
    if (data)
        data->Release();
    CoUninitialize();
    return result;
}

int Create(const wchar_t* clsidText) {
    CLSID clsid{};
    if (FAILED(CLSIDFromString(clsidText, &clsid)))
        return 2;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int result = 1;
    IShellExtInit* init = nullptr;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                   reinterpret_cast<void**>(&init)))) {
        IContextMenu* menu = nullptr;
        if (SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)))) {
            const std::wstring module = ModuleOf(menu);
            menu->Release();
            if (!module.empty())
                result = Print(module);
        }
        init->Release();
    }
    CoUninitialize();
    return result;
}

int SecondsArgument(int argc, wchar_t** argv, int index) {
    return argc > index ? _wtoi(argv[index]) : 30;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring command = argv[1];
    if (command == L"set" && argc == 4) {
        HWND control = WaitFor(30, [&] { return MainControl(_wtoi(argv[2])); });
        return control && SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]))
                   ? 0
                   : 1;
    }
    if (command == L"press" && argc == 3) {
        const int id = _wtoi(argv[2]);
        HWND control = WaitFor(30, [&] { return MainControl(id); });
        if (!control)
            return 1;
        SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if ((command == L"find" || command == L"button") && argc >= 4) {
        const bool button = command == L"button";
        HWND control = WaitFor(SecondsArgument(argc, argv, 4),
                               [&] { return FindControl(argv[2], argv[3], button); });
        if (!control)
            return 1;
        if (button)
            Click(control);
        return button ? 0 : Print(Text(control));
    }
    if (command == L"box" && argc >= 3) {
        HWND box = WaitFor(SecondsArgument(argc, argv, 3), [&] { return FindMessageBox(argv[2]); });
        if (!box)
            return 1;
        const std::wstring text = Text(GetDlgItem(box, 65535));
        const int id = argc > 4 ? _wtoi(argv[4]) : IDOK;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return Print(text);
    }
    if (command == L"hold" && argc == 6)
        return Hold(argv[2], std::wstring(argv[3]) == L"read" ? FILE_SHARE_READ : 0, _wtoi(argv[4]),
                    argv[5]);
    if (command == L"load" && argc == 5)
        return Load(argv[2], _wtoi(argv[3]), argv[4]);
    if (command == L"create" && argc == 3)
        return Create(argv[2]);
    if (command == L"menu" && (argc == 4 || argc == 5))
        return Menu(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);

    const int id = _wtoi(argv[1]);
    const int seconds = SecondsArgument(argc, argv, 2);
    // The platform's tick count also keeps the runtime's own import of
    // GetTickCount64, which XP lacks, out of the program.
    const ULONGLONG until = platform::TickCount64() + static_cast<ULONGLONG>(seconds) * 1000u;
    std::wstring text;
    while (text.empty() && platform::TickCount64() < until) {
        if (HWND control = MainControl(id))
            text = Text(control);
        if (text.empty())
            Sleep(100);
    }
    if (text.empty())
        return 1;
    return Print(text);
}
