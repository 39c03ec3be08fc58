// The menu handler as Explorer drives it: registered through its own export,
// made by COM, given real data objects, its menu read back from real menus,
// its commands starting the real program (or the argument probe) as a child.
#include "tests/shellext/MenuFixture.h"
#include "tests/ui/main/ProgramCopy.h"

#include "engine/FolderMark.h"
#include "engine/OperationLock.h"
#include "engine/RestoreRecord.h"
#include "engine/SettingsFile.h"
#include "engine/TintedIcon.h"
#include "platform/Handles.h"
#include "platform/SystemApi.h"
#include "tests/support/DialogResponder.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/UnixSide.h"
#include "tests/ui/options/OptionsTestSupport.h"

#include <algorithm>

using namespace testing_support;

namespace {

constexpr UINT kCommands = 25;     // 13 colours, other, 8 marks, no mark, restore, customize
constexpr UINT kRestoreOffset = 23;
constexpr UINT kCustomizeOffset = 24;
constexpr UINT kOtherColourOffset = 13;

std::wstring RegistryText(const std::wstring& key, const wchar_t* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return L"(none)";
    platform::RegKey opened(raw);
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return L"(none)";
    return value;
}

const std::wstring kClsid = L"{BE2AC388-320A-4D73-81E5-321EA44B4866}";
const wchar_t* const kHandlerKeys[] = {
    L"Software\\Classes\\Directory\\shellex\\ContextMenuHandlers\\Quillane",
    L"Software\\Classes\\Drive\\shellex\\ContextMenuHandlers\\Quillane",
    L"Software\\Classes\\Directory\\Background\\shellex\\ContextMenuHandlers\\Quillane"};
const wchar_t kApproved[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

std::string OwnSettingsText() {
    return "[Vendor]\r\nID=" + Narrow(engine::kVendorId) +
           "\r\n\r\n[.ShellClassInfo]\r\nInfoTip=mine\r\n";
}

class ShellMenu : public MenuFixture {};

class ShellMenuProbe : public MenuFixture {
  protected:
    ShellMenuProbe() : MenuFixture(true) {}
    void TearDown() override {
        SetEnvironmentVariableW(L"QUILLANE_PROBE_EXIT", nullptr);
        SetEnvironmentVariableW(L"QUILLANE_PROBE_ERROR", nullptr);
        MenuFixture::TearDown();
    }
    // The command line the probe was started with, once it ended.
    std::wstring StartedWith() {
        EXPECT_TRUE(WaitForStartedPrograms());
        const std::vector<std::uint8_t> bytes = ReadBytes(appDir / L"probe-command.txt");
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    }
    std::wstring Quoted(const std::wstring& path) const { return L"\"" + path + L"\""; }
    std::wstring Program() const { return Quoted(appDir / L"quillane.exe"); }
};

TEST_F(ShellMenu, RegistersTheContractsKeysAndRemovesThem) {
    const std::wstring server = L"Software\\Classes\\CLSID\\" + kClsid;
    EXPECT_EQ(RegistryText(server, nullptr), L"Quillane menu");
    EXPECT_EQ(RegistryText(server + L"\\InprocServer32", nullptr), dll);
    EXPECT_EQ(RegistryText(server + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    for (const wchar_t* key : kHandlerKeys)
        EXPECT_EQ(RegistryText(key, nullptr), kClsid) << Narrow(key);
    EXPECT_EQ(RegistryText(kApproved, kClsid.c_str()), L"Quillane menu");

    // While an object lives the DLL stays; afterwards it may go.
    platform::ComPtr<IContextMenu> handler = Handler(ShellData(data.path(), {}).get());
    ASSERT_TRUE(handler);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    handler.reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);

    const HMODULE module = GetModuleHandleW(dll.c_str());
    using Function = HRESULT(STDAPICALLTYPE*)();
    auto unregister = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")));
    auto registerAgain = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    ASSERT_EQ(unregister(), S_OK);
    EXPECT_EQ(RegistryText(server + L"\\InprocServer32", nullptr), L"(none)");
    EXPECT_EQ(RegistryText(server, nullptr), L"(none)");
    for (const wchar_t* key : kHandlerKeys)
        EXPECT_EQ(RegistryText(key, nullptr), L"(none)") << Narrow(key);
    EXPECT_EQ(RegistryText(kApproved, kClsid.c_str()), L"(none)");
    EXPECT_EQ(unregister(), S_OK); // nothing left to remove is no failure
    ASSERT_EQ(registerAgain(), S_OK);
}

TEST_F(ShellMenu, OffersColoursMarksAndRestoreForTwoFolders) {
    const std::wstring a = data.MakeFolder(L"Alpha"), b = data.MakeFolder(L"Beta");
    WriteBytes(a + L"\\Desktop.ini", "[.ShellClassInfo]\r\nInfoTip=theirs\r\n");
    platform::ComPtr<IContextMenu> handler = Handler(ShellData(data.path(), {L"Alpha", L"Beta"}).get());
    ASSERT_TRUE(handler);
    UINT added = 0;
    HMENU menu = Menu(handler.get(), added);
    EXPECT_EQ(added, kCommands);
    EXPECT_EQ(Labels(menu), (std::vector<std::wstring>{L"Open", L"Quillane", L"Properties"}));
    HMENU top = Submenu(menu, 1);
    EXPECT_EQ(Labels(top), (std::vector<std::wstring>{L"Colour", L"Mark", L"Restore original look",
                                                      L"Customize with Quillane..."}));
    HMENU colours = Submenu(top, 0);
    std::vector<std::wstring> expected;
    for (const engine::ColourPreset& preset : engine::ColourPresets())
        expected.emplace_back(preset.name);
    expected.insert(expected.end(), {L"-", L"Other colour..."});
    EXPECT_EQ(Labels(colours), expected);
    for (size_t i = 0; i < engine::ColourPresets().size(); ++i) {
        const engine::Colour c = engine::ColourPresets()[i].colour;
        const int position = static_cast<int>(i);
        EXPECT_EQ(SwatchCentre(colours, position), RGB(c.red, c.green, c.blue)) << i;
        EXPECT_EQ(GetMenuItemID(colours, position), kFirstId + i);
    }
    EXPECT_EQ(GetMenuItemID(colours, 14), kFirstId + kOtherColourOffset);
    HMENU marks = Submenu(top, 1);
    expected.clear();
    for (const engine::MarkInfo& mark : engine::FolderMarks())
        expected.emplace_back(mark.label);
    expected.emplace_back(L"No mark");
    EXPECT_EQ(Labels(marks), expected);
    EXPECT_EQ(GetMenuItemID(marks, 0), kFirstId + 14);
    EXPECT_EQ(GetMenuItemID(top, 2), kFirstId + kRestoreOffset);
    EXPECT_EQ(GetMenuItemID(top, 3), kFirstId + kCustomizeOffset);
    // A foreign Desktop.ini is nothing to restore.
    EXPECT_TRUE(GetMenuState(top, 2, MF_BYPOSITION) & MF_GRAYED);

    WriteBytes(b + L"\\Desktop.ini", OwnSettingsText());
    handler = Handler(ShellData(data.path(), {L"Alpha", L"Beta"}).get());
    top = Submenu(Menu(handler.get(), added), 1);
    EXPECT_FALSE(GetMenuState(top, 2, MF_BYPOSITION) & MF_GRAYED);

    // A verb-only query and an id range too small for the menu add nothing.
    EXPECT_EQ(GetMenuItemCount(Menu(handler.get(), added, CMF_DEFAULTONLY)), 2);
    EXPECT_EQ(added, 0u);
    HMENU narrow = CreatePopupMenu();
    EXPECT_EQ(handler->QueryContextMenu(narrow, 0, kFirstId, kFirstId + kCommands - 2, CMF_NORMAL),
              MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
    EXPECT_EQ(GetMenuItemCount(narrow), 0);
    DestroyMenu(narrow);

    // Help texts and verbs.
    wchar_t text[128] = {};
    EXPECT_EQ(handler->GetCommandString(0, GCS_VERBW, nullptr, reinterpret_cast<char*>(text), 128),
              S_OK);
    EXPECT_STREQ(text, L"Quillane.Colour.Red");
    EXPECT_EQ(handler->GetCommandString(kRestoreOffset, GCS_HELPTEXTW, nullptr,
                                        reinterpret_cast<char*>(text), 128),
              S_OK);
    EXPECT_NE(std::wstring(text).find(L"back"), std::wstring::npos);
    EXPECT_EQ(handler->GetCommandString(kCommands, GCS_VALIDATEW, nullptr, nullptr, 0),
              E_INVALIDARG);
}

TEST_F(ShellMenu, OffersNothingButForFoldersOnFixedDisks) {
    const std::wstring folder = data.MakeFolder(L"Folder");
    WriteBytes(data / L"file.txt", "x");
    UINT added = 99;
    const std::vector<std::vector<std::wstring>> refused = {
        {data / L"file.txt"},
        {folder, data / L"file.txt"},
        {L"\\\\server\\share"},
        {folder, L"\\\\server\\share\\folder"},
        {L"D:\\Disc"}, // the test prefix's CD-ROM
        {data / L"missing"},
    };
    for (const auto& selection : refused) {
        platform::ComPtr<IContextMenu> handler = Handler(DropData(selection).get());
        ASSERT_TRUE(handler);
        EXPECT_EQ(GetMenuItemCount(Menu(handler.get(), added)), 2) << Narrow(selection.back());
        EXPECT_EQ(added, 0u);
    }
    // The same selection of folders through CF_HDROP, a drive root and a
    // folder window's background all get the menu.
    for (int background = 0; background < 2; ++background) {
        platform::ComPtr<IContextMenu> handler =
            background ? Handler(nullptr, folder) : Handler(DropData({folder, L"C:\\"}).get());
        ASSERT_TRUE(handler);
        EXPECT_EQ(GetMenuItemCount(Menu(handler.get(), added)), 3);
        EXPECT_EQ(added, kCommands);
    }
    EXPECT_EQ(GetMenuItemCount(Menu(Handler(ShellData(data.path(), {L"file.txt"}).get()).get(),
                                    added)),
              2);
}

TEST_F(ShellMenu, RedColoursBothFoldersAsTheProgramDoes) {
    const std::wstring a = data.MakeFolder(L"One"), b = data.MakeFolder(L"Two"),
                       c = data.MakeFolder(L"Three");
    {
        Program direct(appDir.path(), L"/apply \"" + c + L"\" /colour Red /quiet");
        ASSERT_EQ(direct.ExitCode(), 0u);
    }
    const std::vector<std::uint8_t> expected = ReadBytes(c + L"\\Desktop.ini");
    ASSERT_FALSE(expected.empty());

    platform::ComPtr<IContextMenu> handler = Handler(ShellData(data.path(), {L"One"}).get());
    ASSERT_TRUE(handler);
    EXPECT_EQ(Invoke(handler.get(), "Quillane.Colour.Red"), S_OK);
    handler = Handler(ShellData(data.path(), {L"One", L"Two"}).get());
    ASSERT_TRUE(handler);
    EXPECT_EQ(Invoke(handler.get(), 0u), S_OK);
    ASSERT_TRUE(WaitForStartedPrograms());
    EXPECT_EQ(ReadBytes(a + L"\\Desktop.ini"), expected);
    EXPECT_EQ(ReadBytes(b + L"\\Desktop.ini"), expected);
    const std::string list = ReadAnsi(ListFile());
    for (const std::wstring& folder : {a, b, c})
        EXPECT_NE(list.find(Narrow(folder) + "\r\n"), std::string::npos) << list;
    // Success shows nothing.
    handler.reset();
    EXPECT_EQ(WaitForOwnBox(500), nullptr);
}

TEST_F(ShellMenu, ABusyCopyGetsOneMessageBox) {
    const std::wstring folder = data.MakeFolder(L"Waiting");
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", L"200");
    engine::OperationLock busy;
    ASSERT_TRUE(busy.Take(engine::LockPath(ListFile()), 0));
    platform::ComPtr<IContextMenu> handler = Handler(DropData({folder}).get());
    ASSERT_TRUE(handler);
    ASSERT_EQ(Invoke(handler.get(), 0u), S_OK);
    handler.reset();
    HWND box = WaitForOwnBox(30000);
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"Another copy of Quillane is busy changing folders. Try again "
                                   L"when it has finished.");
    // The worker keeps the DLL until its box is answered.
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    PressButton(box, IDOK);
    EXPECT_TRUE(PumpUntil([box, this] { return !IsWindow(box) && CanUnloadNow() == S_OK; }));
    EXPECT_EQ(WaitForOwnBox(300), nullptr);
    EXPECT_FALSE(Exists(folder + L"\\Desktop.ini"));
}

TEST_F(ShellMenuProbe, EachCommandStartsItsCommandLine) {
    const std::wstring a = data.MakeFolder(L"A b"), b = data.MakeFolder(L"C");
    const std::wstring folders = Quoted(a) + L" " + Quoted(b);
    struct Case {
        UINT offset;
        std::wstring arguments;
    };
    const Case cases[] = {
        {1, L" /apply " + folders + L" /colour Orange /quiet"},
        {14 + 2, L" /apply " + folders + L" /mark InProgress /quiet"},
        {22, L" /apply " + folders + L" /mark none /quiet"},
        {kRestoreOffset, L" /restore " + folders + L" /quiet"},
        {kCustomizeOffset, L" " + folders},
    };
    for (const Case& command : cases) {
        DeleteFileW((appDir / L"probe-command.txt").c_str());
        platform::ComPtr<IContextMenu> handler = Handler(DropData({a, b}).get());
        ASSERT_TRUE(handler);
        EXPECT_EQ(Invoke(handler.get(), command.offset), S_OK);
        ASSERT_TRUE(PumpUntil([this] { return Exists(appDir / L"probe-command.txt"); }));
        EXPECT_EQ(StartedWith(), Program() + command.arguments);
    }
    // A drive root goes as Explorer gives it.
    DeleteFileW((appDir / L"probe-command.txt").c_str());
    EXPECT_EQ(Invoke(Handler(DropData({L"C:\\"}).get()).get(), kCustomizeOffset), S_OK);
    ASSERT_TRUE(PumpUntil([this] { return Exists(appDir / L"probe-command.txt"); }));
    EXPECT_EQ(StartedWith(), Program() + L" \"C:\\\"");
}

TEST_F(ShellMenuProbe, OtherColourAsksFirstAndCancelStartsNothing) {
    const std::wstring folder = data.MakeFolder(L"Mine");
    platform::ComPtr<IContextMenu> handler = Handler(DropData({folder}).get());
    ASSERT_TRUE(handler);
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    {
        DialogResponder responder;
        responder.Expect(L"Color", [owner](HWND dialog) {
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
            PressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(Invoke(handler.get(), kOtherColourOffset, owner), S_OK);
    }
    PumpFor(300);
    EXPECT_FALSE(Exists(appDir / L"probe-command.txt"));
    {
        DialogResponder responder;
        responder.Expect(L"Color", [](HWND d) { options_test::TypeColourAndOk(d, 1, 2, 0xAB); });
        EXPECT_EQ(Invoke(handler.get(), kOtherColourOffset, owner), S_OK);
    }
    ASSERT_TRUE(PumpUntil([this] { return Exists(appDir / L"probe-command.txt"); }));
    EXPECT_EQ(StartedWith(), Program() + L" /apply " + Quoted(folder) + L" /colour 0102AB /quiet");
    DestroyWindow(owner);
}

TEST_F(ShellMenuProbe, ManyFoldersGoThroughAResponseFile) {
    std::vector<std::wstring> folders;
    const std::wstring parent = data.MakeFolder(L"Many");
    // Made and removed on the Unix side, many times faster than through Wine.
    const std::string unixParent = UnixPath(parent);
    ASSERT_TRUE(RunUnix({"/bin/sh", "-c",
                         "cd '" + unixParent + "' && seq -f 'Folder %g' 0 4999 | xargs -d '\\n' mkdir"}));
    struct Removal {
        std::string path;
        ~Removal() { RunUnix({"/bin/rm", "-rf", path}); }
    } removal{unixParent};
    for (int i = 0; i < 5000; ++i)
        folders.push_back(parent + L"\\Folder " + std::to_wstring(i));
    platform::ComPtr<IContextMenu> handler = Handler(DropData(folders).get());
    ASSERT_TRUE(handler);
    EXPECT_EQ(Invoke(handler.get(), 0u), S_OK);
    handler.reset();
    ASSERT_TRUE(PumpUntil([this] { return Exists(appDir / L"probe-command.txt"); }));
    const std::wstring line = StartedWith();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring head = Program() + L" /apply \"@" + temp + L"Quillane-";
    ASSERT_EQ(line.substr(0, head.size()), head) << Narrow(line);
    const std::wstring tail = L".txt\" /colour Red /quiet";
    ASSERT_GT(line.size(), head.size() + tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    const std::wstring responseFile =
        std::wstring(temp) + L"Quillane-" +
        line.substr(head.size(), line.size() - tail.size() - head.size()) + L".txt";
    // The file, as the probe read it: UTF-16 LE with a byte-order mark, a folder a line.
    std::wstring expected(1, L'\xFEFF');
    for (const std::wstring& folder : folders)
        expected += folder + L"\r\n";
    const std::vector<std::uint8_t> bytes = ReadBytes(appDir / L"probe-response.bin");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                           bytes.size() / sizeof(wchar_t)),
              expected);
    EXPECT_EQ(ReadBytes(responseFile), bytes);
    DeleteFileW(responseFile.c_str());
    // The worker has ended and the object is gone: the DLL may go.
    EXPECT_TRUE(PumpUntil([this] { return CanUnloadNow() == S_OK; }));
}

TEST_F(ShellMenuProbe, AFailedRunNamesWhatTheProgramSaid) {
    const std::wstring folder = data.MakeFolder(L"Held");
    SetEnvironmentVariableW(L"QUILLANE_PROBE_EXIT", L"1");
    SetEnvironmentVariableW(L"QUILLANE_PROBE_ERROR",
                            (folder + L": access denied \u00e9\r\n").c_str());
    platform::ComPtr<IContextMenu> handler = Handler(DropData({folder}).get());
    ASSERT_TRUE(handler);
    ASSERT_EQ(Invoke(handler.get(), kRestoreOffset), S_OK);
    HWND box = WaitForOwnBox(30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"Quillane could not change every folder:\r\n\r\n" + folder +
                                       L": access denied \u00e9");
    PressButton(box, IDOK);
    EXPECT_TRUE(PumpUntil([box] { return !IsWindow(box); }));
    EXPECT_EQ(WaitForOwnBox(300), nullptr);

    // The window is started and left alone, whatever it ends with.
    DeleteFileW((appDir / L"probe-command.txt").c_str());
    ASSERT_EQ(Invoke(handler.get(), kCustomizeOffset), S_OK);
    ASSERT_TRUE(PumpUntil([this] { return Exists(appDir / L"probe-command.txt"); }));
    EXPECT_TRUE(WaitForStartedPrograms());
    EXPECT_EQ(WaitForOwnBox(500), nullptr);
}

} // namespace
