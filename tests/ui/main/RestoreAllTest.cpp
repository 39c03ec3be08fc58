// quillane.exe /restore-all and /count-customized, run as child processes
// on real folders and real list files.
#include "tests/ui/main/Form1Fixture.h"
#include "tests/ui/main/ProgramCopy.h"
#include "tests/support/UnixSide.h"

#include "engine/AccountLists.h"
#include "engine/ListFile.h"
#include "engine/ListJournal.h"
#include "engine/OperationLock.h"
#include "engine/RestoreRecord.h"
#include "engine/CustomizeFolder.h"
#include "platform/AllocationFaults.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/SystemApi.h"
#include "platform/TextCodec.h"
#include "ui/main/ListCommand.h"
#include "ui/main/RestoreAll.h"
#include "ui/main/SingleInstance.h"

#include <algorithm>

using namespace testing_support;
using namespace ui;

namespace {

const std::string kForeign = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";

// A file held open by this process with the given sharing.
class Held {
  public:
    Held(const std::wstring& path, DWORD share)
        : file_(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    bool ok() const { return file_.valid(); }

  private:
    platform::FileHandle file_;
};

class RestoreAllTest : public Form1Fixture {
  protected:
    void SetUp() override {
        // The child finds the per-user list where this process does.
        perUserList_ = platform::LocalAppDataFolder() + L"\\Quillane\\Fldr.dll";
        ASSERT_FALSE(Exists(perUserList_)) << "a per-user list is left from elsewhere";
    }
    void TearDown() override {
        DeleteFileW(perUserList_.c_str());
        Form1Fixture::TearDown();
    }
    std::wstring Customized(const std::wstring& name, const std::string& foreign = {}) {
        std::wstring folder = data.MakeFolder(name);
        if (!foreign.empty())
            WriteBytes(folder + L"\\Desktop.ini", foreign);
        engine::FolderOptions options;
        options.tooltip = L"tip";
        EXPECT_TRUE(engine::CustomizeFolder(folder, options).customized);
        return folder;
    }
    static std::string Lines(const std::vector<std::wstring>& folders) {
        std::string text;
        for (const auto& folder : folders)
            text += Narrow(folder) + "\r\n";
        return text;
    }
    DWORD Run(const std::wstring& arguments) {
        Program program(appDir.path(), arguments);
        return program.ExitCode();
    }
    // The exit code, with what the run printed in printed.
    DWORD Run(const std::wstring& arguments, std::string& printed) {
        const std::wstring file = appDir / L"printed.txt";
        DWORD code = STILL_ACTIVE;
        {
            SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
            platform::FileHandle output(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                    &inherit, CREATE_ALWAYS, 0, nullptr));
            Program program(appDir.path(), arguments, L"quillane.exe", {}, output.get());
            code = program.ExitCode();
        }
        const std::vector<std::uint8_t> bytes = ReadBytes(file);
        printed.assign(bytes.begin(), bytes.end());
        return code;
    }
    std::wstring ListFile() const { return appDir / L"Fldr.dll"; }
    std::vector<std::wstring> Listed() const {
        std::vector<std::wstring> lines;
        EXPECT_TRUE(engine::ReadListLines(ListFile(), lines));
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    std::wstring perUserList_;
};

// A profile of another account in the registry's profile list, under a
// made-up SID, with the User Shell Folders value of a loaded hive where
// given; both go with the object.
class FakeProfile {
  public:
    FakeProfile(const std::wstring& sid, const std::wstring& profile,
                const std::wstring& localAppData = {})
        : sid_(sid) {
        HKEY key = nullptr;
        const std::wstring path = std::wstring(engine::kProfileListKey) + L"\\" + sid;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            SetString(key, L"ProfileImagePath", profile);
            RegCloseKey(key);
            made_ = true;
        }
        if (localAppData.empty())
            return;
        const std::wstring folders = sid + L"\\" + engine::kUserShellFoldersKey;
        if (RegCreateKeyExW(HKEY_USERS, folders.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            SetString(key, L"Local AppData", localAppData);
            RegCloseKey(key);
            hive_ = true;
        }
    }
    ~FakeProfile() {
        using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
        const auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
        const std::wstring path = std::wstring(engine::kProfileListKey) + L"\\" + sid_;
        if (deleteKeyEx)
            deleteKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
        if (!hive_)
            return;
        // From the leaf up to the made-up hive itself.
        std::wstring key = sid_ + L"\\" + engine::kUserShellFoldersKey;
        for (;;) {
            RegDeleteKeyW(HKEY_USERS, key.c_str());
            const size_t cut = key.rfind(L'\\');
            if (cut == std::wstring::npos)
                break;
            key.resize(cut);
        }
        RegDeleteKeyW(HKEY_USERS, sid_.c_str());
    }
    FakeProfile(const FakeProfile&) = delete;
    FakeProfile& operator=(const FakeProfile&) = delete;
    bool ok(bool withHive = false) const { return made_ && (!withHive || hive_); }

  private:
    static void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(key, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring sid_;
    bool made_ = false, hive_ = false;
};

// A child started meanwhile runs out of memory at the n-th allocation point.
class FailingAllocation {
  public:
    explicit FailingAllocation(unsigned long n) {
        SetEnvironmentVariableW(L"QUILLANE_FAIL_ALLOCATION", std::to_wstring(n).c_str());
    }
    ~FailingAllocation() { SetEnvironmentVariableW(L"QUILLANE_FAIL_ALLOCATION", nullptr); }
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;
};

void ExpectPlain(const std::wstring& folder) {
    EXPECT_FALSE(Exists(folder + L"\\Desktop.ini")) << Narrow(folder);
    EXPECT_FALSE(Exists(folder + L"\\BUDesktop.ini")) << Narrow(folder);
    EXPECT_EQ(Attributes(folder), 0u) << Narrow(folder);
}

} // namespace

TEST_F(RestoreAllTest, EveryFolderOfBothListsAndTheJournalGoesBack) {
    const std::wstring foreign = Customized(L"Foreign", kForeign);
    const std::wstring plain = Customized(L"Plain"), perUser = Customized(L"Per user");
    const std::wstring journaled = Customized(L"Journaled");
    const std::wstring gone = data / L"Gone";
    WriteBytes(ListFile(), Lines({foreign, gone, plain}));
    CreateDirectoryW((platform::LocalAppDataFolder() + L"\\Quillane").c_str(), nullptr);
    // The same folder in both lists, in another letter case, counts once.
    std::wstring upper = foreign;
    std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
    WriteBytes(perUserList_, Lines({upper, perUser}));
    WriteBytes(engine::JournalPath(ListFile()), Lines({journaled}));

    EXPECT_EQ(Run(L"/count-customized"), 5u);
    EXPECT_TRUE(Exists(foreign + L"\\BUDesktop.ini")); // counting changes nothing

    EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllDone));
    EXPECT_EQ(ReadAnsi(foreign + L"\\Desktop.ini"), kForeign);
    EXPECT_EQ(Attributes(foreign + L"\\Desktop.ini"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(foreign + L"\\BUDesktop.ini"));
    for (const auto& folder : {plain, perUser, journaled})
        ExpectPlain(folder);
    EXPECT_EQ(ReadBytes(ListFile()).size(), 0u);
    EXPECT_FALSE(Exists(engine::JournalPath(ListFile())));
    EXPECT_FALSE(Exists(perUserList_));
    EXPECT_EQ(Run(L"/count-customized"), 0u);
}

TEST_F(RestoreAllTest, ListPrintsEveryPlaceOnceInUtf8AndTwoWhenUnreadable) {
    const std::wstring foreign = Customized(L"Foreign", kForeign);
    const std::wstring greek = data.MakeFolder(L"\u0391\u03b8\u03ae\u03bd\u03b1");
    const std::wstring journaled = Customized(L"Journaled");
    WriteBytes(ListFile(), Lines({foreign}));
    WriteBytes(engine::JournalPath(ListFile()), Lines({journaled}));
    CreateDirectoryW((platform::LocalAppDataFolder() + L"\\Quillane").c_str(), nullptr);
    std::wstring upper = foreign;
    std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
    const std::vector<std::uint8_t> perUser =
        platform::EncodeTextFile(upper + L"\r\n" + greek + L"\r\n");
    WriteBytes(perUserList_, std::string(perUser.begin(), perUser.end()));
    const std::wstring printed = appDir / L"printed.txt";
    const auto list = [&](const std::wstring& arguments) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        platform::FileHandle output(CreateFileW(printed.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                &inherit, CREATE_ALWAYS, 0, nullptr));
        Program program(appDir.path(), arguments, L"quillane.exe", {}, output.get());
        return program.ExitCode();
    };

    EXPECT_EQ(list(L"/list"), static_cast<DWORD>(kListDone));
    // Each folder once, by the ordinal order without regard to case.
    const std::vector<std::uint8_t> bytes = ReadBytes(printed);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              platform::ToUtf8(foreign + L"\r\n" + journaled + L"\r\n" + greek + L"\r\n"));
    EXPECT_TRUE(Exists(engine::JournalPath(ListFile()))); // printing changes nothing
    {
        Held editor(perUserList_, 0);
        ASSERT_TRUE(editor.ok());
        EXPECT_EQ(list(L"/list /quiet"), static_cast<DWORD>(kListNotPrinted));
        EXPECT_EQ(ReadBytes(printed).size(), 0u);
    }
}

TEST_F(RestoreAllTest, AFolderThatCannotBeRestoredStaysListedAndIsCounted) {
    const std::wstring held = Customized(L"Held", kForeign), plain = Customized(L"Plain");
    WriteBytes(ListFile(), Lines({held, plain}));
    {
        // A virus scanner holds the user's own file: it cannot be put back.
        Held scanner(held + L"\\BUDesktop.ini", FILE_SHARE_READ);
        ASSERT_TRUE(scanner.ok());
        Program program(appDir.path(), L"/restore-all");
        HWND progress = program.Window(kRestoreAllWindowClass);
        ASSERT_TRUE(progress);
        EXPECT_EQ(WindowText(progress), L"Quillane");
        EXPECT_EQ(AnswerBox(program), L"Folders Restored: 1 of 2 (1 could not be restored): " +
                                          held + L": " +
                                          platform::ErrorText(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(program.ExitCode(), static_cast<DWORD>(kRestoreAllSomeLeft));
    }
    ExpectPlain(plain);
    EXPECT_EQ(ReadAnsi(ListFile()), Lines({held}));
    EXPECT_EQ(ReadAnsi(held + L"\\BUDesktop.ini"), kForeign);

    // Once it is free, the next run finishes the folder.
    EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllDone));
    EXPECT_EQ(ReadAnsi(held + L"\\Desktop.ini"), kForeign);
    EXPECT_FALSE(Exists(held + L"\\BUDesktop.ini"));
    EXPECT_EQ(ReadBytes(ListFile()).size(), 0u);
}

TEST_F(RestoreAllTest, AForeignFileBesideTheSetAsideOneStaysListedAndIsNamed) {
    const std::wstring synced = Customized(L"Synced", kForeign), plain = Customized(L"Plain");
    WriteBytes(ListFile(), Lines({plain, synced}));
    // A sync tool puts back a Desktop.ini of its own over the program's.
    const std::string newer = "[.ShellClassInfo]\r\nInfoTip=newer\r\n";
    ASSERT_TRUE(DeleteFileW((synced + L"\\Desktop.ini").c_str()));
    WriteBytes(synced + L"\\Desktop.ini", newer);
    std::string printed;
    EXPECT_EQ(Run(L"/restore-all /quiet", printed), static_cast<DWORD>(kRestoreAllSomeLeft));
    EXPECT_EQ(printed.rfind(platform::ToUtf8(L"Not restored: " + synced + L": "), 0), 0u)
        << printed;
    EXPECT_NE(printed.find("BUDesktop.ini"), std::string::npos) << printed;
    EXPECT_EQ(ReadAnsi(synced + L"\\Desktop.ini"), newer);
    EXPECT_EQ(ReadAnsi(synced + L"\\BUDesktop.ini"), kForeign);
    ExpectPlain(plain);
    EXPECT_EQ(ReadAnsi(ListFile()), Lines({synced}));
}

TEST_F(RestoreAllTest, JournaledFoldersThatCannotBeLookedAtWaitUntilTheyCan) {
    // A run on a USB disk killed, the disk unplugged before the next start.
    PluggedDrive usb;
    const std::wstring disk = data.MakeFolder(L"Disk");
    const std::wstring unplugged = usb.Name() + L"\\proj";
    const std::wstring onDisk = data.MakeFolder(L"Disk\\proj");
    ASSERT_TRUE(usb.Plug(disk));
    engine::FolderOptions options;
    options.tooltip = L"tip";
    ASSERT_TRUE(engine::CustomizeFolder(unplugged, options).customized);
    usb.Unplug();
    const std::wstring held = Customized(L"Held"), setAside = data.MakeFolder(L"SetAside");
    const std::wstring never = data.MakeFolder(L"Never");
    WriteBytes(setAside + L"\\BUDesktop.ini", kForeign);
    WriteBytes(ListFile(), "");
    WriteBytes(engine::JournalPath(ListFile()), Lines({unplugged, held, setAside, never}));
    std::string printed;
    {
        Held scanner(held + L"\\Desktop.ini", 0);
        ASSERT_TRUE(scanner.ok());
        EXPECT_EQ(Run(L"/restore-all /quiet", printed), static_cast<DWORD>(kRestoreAllSomeLeft));
    }
    // Each is listed, and the journal, every folder of it accounted for, goes.
    std::vector<std::wstring> expected{unplugged, held};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listed(), expected);
    EXPECT_FALSE(Exists(engine::JournalPath(ListFile())));
    for (const auto& folder : {unplugged, held})
        EXPECT_NE(printed.find(platform::ToUtf8(L"Not restored: " + folder + L": ")),
                  std::string::npos)
            << printed;
    EXPECT_EQ(ReadAnsi(setAside + L"\\Desktop.ini"), kForeign);
    EXPECT_FALSE(Exists(setAside + L"\\BUDesktop.ini"));
    EXPECT_FALSE(Exists(never + L"\\Desktop.ini"));
    EXPECT_TRUE(engine::IsOwnSettingsFile(onDisk + L"\\Desktop.ini"));

    // The disk back and the file free: the next run puts both back.
    ASSERT_TRUE(usb.Plug(disk));
    EXPECT_EQ(Run(L"/restore-all /quiet", printed), static_cast<DWORD>(kRestoreAllDone));
    usb.Unplug();
    EXPECT_EQ(printed, "");
    for (const auto& folder : {onDisk, held})
        ExpectPlain(folder);
    EXPECT_TRUE(Listed().empty());
}

TEST_F(RestoreAllTest, AListThatCannotBeReadOrSavedEndsWithTwo) {
    const std::wstring folder = Customized(L"Data");
    const std::string list = Lines({folder});
    WriteBytes(ListFile(), list);
    {
        Held editor(ListFile(), 0);
        ASSERT_TRUE(editor.ok());
        EXPECT_EQ(Run(L"/count-customized"), static_cast<DWORD>(kCountUnreadable));
        // Unread, the record is unknown: nothing is touched.
        EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllListFailed));
        EXPECT_TRUE(Exists(folder + L"\\Desktop.ini"));
    }
    {
        // Readable, but it cannot be replaced.
        Held reader(ListFile(), FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(reader.ok());
        EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllListFailed));
    }
    ExpectPlain(folder);
    EXPECT_EQ(ReadAnsi(ListFile()), list);
}

TEST_F(RestoreAllTest, ARunningCopyIsClosedFirstUnlessItIsBusy) {
    const std::wstring folder = data.MakeFolder(L"Customized by the window");
    WriteBytes(ListFile(), "");
    Program window(appDir.path(), L"");
    HWND form = window.Window(kMainWindowClass);
    ASSERT_TRUE(form);
    SendMessageW(ChildControl(form, TxtFolder), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(folder.c_str()));
    SendMessageW(ChildControl(form, TxtToolTip), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"tip"));
    {
        // Apply's save fails and says so while the window still holds its busy lock.
        Held reader(ListFile(), FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(reader.ok());
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(Command1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ChildControl(form, Command1)));
        HWND box = window.Window(L"#32770");
        ASSERT_TRUE(box);
        Program busy(appDir.path(), L"/restore-all /quiet");
        EXPECT_EQ(busy.ExitCode(), static_cast<DWORD>(kRestoreAllStillRunning));
        EXPECT_FALSE(window.Ended(0));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(ChildControl(form, Command1)) != FALSE; }));
    ASSERT_TRUE(Exists(folder + L"\\Desktop.ini"));
    // Idle, it closes, saves its list and ends by itself.
    EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllDone));
    EXPECT_EQ(window.ExitCode(0), 0u);
    ExpectPlain(folder);
    EXPECT_EQ(ReadBytes(ListFile()).size(), 0u);
}

TEST_F(RestoreAllTest, ACopyThatHasNotShownItsWindowIsNotClosed) {
    // Wine reports Vista to this name: the copy says that it cannot run, its
    // window hidden and its list not read. Closed now, it would save an empty list.
    constexpr wchar_t kName[] = L"quillane-on-vista.exe";
    const std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + kName;
    HKEY settings = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &settings, nullptr),
              ERROR_SUCCESS);
    const wchar_t vista[] = L"vista";
    RegSetValueExW(settings, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(vista),
                   sizeof vista);
    RegCloseKey(settings);
    const std::wstring folder = Customized(L"Data");
    const std::string list = Lines({folder});
    WriteBytes(ListFile(), list);
    {
        Program refused(appDir.path(), L"", kName);
        ASSERT_TRUE(refused.Window(L"#32770"));
        EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllStillRunning));
        EXPECT_EQ(ReadAnsi(ListFile()), list);
        EXPECT_TRUE(Exists(folder + L"\\Desktop.ini"));
        EXPECT_EQ(AnswerBox(refused), L"Quillane is not compatible with Vista    ");
        EXPECT_TRUE(refused.Ended());
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

// Three other accounts, one per layout: Vista's AppData\Local, XP's Local
// Settings\Application Data, and a localized XP name that only the loaded
// hive's User Shell Folders value gives (its %USERPROFILE% is that profile's).
class EveryAccountTest : public RestoreAllTest {
  protected:
    void SetUp() override {
        RestoreAllTest::SetUp();
        vistaList_ = profiles_ / L"Vista user\\AppData\\Local\\Quillane\\Fldr.dll";
        xpList_ = profiles_ / L"XP user\\Local Settings\\Application Data\\Quillane\\Fldr.dll";
        localizedList_ =
            profiles_ / L"Lokal\\Lokale Einstellungen\\Anwendungsdaten\\Quillane\\Fldr.dll";
        for (const auto* list : {&vistaList_, &xpList_, &localizedList_})
            profiles_.MakeFolder(list->substr(profiles_.path().size() + 1,
                                              list->size() - profiles_.path().size() - 10));
        // A list where the localized profile's hive does not point: not its.
        decoyList_ = profiles_ / L"Lokal\\AppData\\Local\\Quillane\\Fldr.dll";
        profiles_.MakeFolder(L"Lokal\\AppData\\Local\\Quillane");
    }
    TempDir profiles_;
    std::wstring vistaList_, xpList_, localizedList_, decoyList_;
    FakeProfile vista_{L"S-1-5-21-7-7-7-2001", profiles_ / L"Vista user"};
    FakeProfile xp_{L"S-1-5-21-7-7-7-2002", profiles_ / L"XP user"};
    FakeProfile localized_{L"S-1-5-21-7-7-7-2003", profiles_ / L"Lokal",
                           L"%USERPROFILE%\\Lokale Einstellungen\\Anwendungsdaten"};
};

TEST_F(EveryAccountTest, EveryAccountsListIsCountedRestoredAndEmptiedInItsOwnPlace) {
    ASSERT_TRUE(vista_.ok() && xp_.ok() && localized_.ok(true));
    const std::wstring mine = Customized(L"Mine", kForeign);
    const std::wstring vista = Customized(L"Vista's", kForeign);
    const std::wstring xp = Customized(L"XP's"), journaled = Customized(L"XP's journaled");
    const std::wstring localized = Customized(L"Localized's", kForeign);
    const std::wstring decoy = Customized(L"Decoy's");
    WriteBytes(ListFile(), Lines({mine}));
    std::wstring upper = mine;
    std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
    WriteBytes(vistaList_, Lines({vista, upper}));
    WriteBytes(xpList_, Lines({xp}));
    WriteBytes(engine::JournalPath(xpList_), Lines({journaled}));
    WriteBytes(localizedList_, Lines({localized}));
    WriteBytes(decoyList_, Lines({decoy}));

    EXPECT_EQ(Run(L"/count-customized"), 1u);
    EXPECT_EQ(Run(L"/count-customized /all-users"), 5u);
    EXPECT_EQ(Run(L"/count-accounts"), 4u);
    EXPECT_EQ(Run(L"/restore-all /all-users /quiet"), static_cast<DWORD>(kRestoreAllDone));
    for (const auto& folder : {mine, vista, localized}) {
        EXPECT_EQ(ReadAnsi(folder + L"\\Desktop.ini"), kForeign) << Narrow(folder);
        EXPECT_FALSE(Exists(folder + L"\\BUDesktop.ini")) << Narrow(folder);
    }
    ExpectPlain(xp);
    ExpectPlain(journaled);
    EXPECT_EQ(ReadBytes(ListFile()).size(), 0u);
    for (const auto& list : {vistaList_, xpList_, localizedList_})
        EXPECT_FALSE(Exists(list)) << Narrow(list);
    EXPECT_FALSE(Exists(engine::JournalPath(xpList_)));
    // Never the list of an account whose hive names another place.
    EXPECT_TRUE(Exists(decoy + L"\\Desktop.ini"));
    EXPECT_EQ(ReadAnsi(decoyList_), Lines({decoy}));
    EXPECT_EQ(Run(L"/count-customized /all-users"), 0u);
    EXPECT_EQ(Run(L"/count-accounts"), 0u);
}

TEST_F(EveryAccountTest, AnUnreadableListOrAnotherAccountsDriveLeavesFoldersListed) {
    ASSERT_TRUE(vista_.ok());
    const std::wstring vista = Customized(L"Vista's"), mine = Customized(L"Mine");
    WriteBytes(ListFile(), Lines({mine}));
    WriteBytes(vistaList_, Lines({vista}));
    {
        Held editor(vistaList_, 0);
        ASSERT_TRUE(editor.ok());
        EXPECT_EQ(Run(L"/count-customized /all-users"), static_cast<DWORD>(kCountUnreadable));
        EXPECT_EQ(Run(L"/count-accounts"), static_cast<DWORD>(kCountUnreadable));
        EXPECT_EQ(Run(L"/restore-all /all-users /quiet"),
                  static_cast<DWORD>(kRestoreAllListFailed));
        EXPECT_TRUE(Exists(vista + L"\\Desktop.ini"));
        EXPECT_TRUE(Exists(mine + L"\\Desktop.ini"));
    }
    // The same folder through a substituted drive: to the other account Q:
    // may be anything, so it is neither restored nor dropped.
    ASSERT_TRUE(DefineDosDeviceW(0, L"Q:", data.path().c_str()));
    const std::string others = Lines({L"M:\\Unmapped", L"Q:\\Vista's"});
    WriteBytes(vistaList_, others);
    const bool substituted = engine::OnAnotherAccountsDrive(L"Q:\\Vista's");
    EXPECT_EQ(Run(L"/count-customized /all-users"), 3u);
    const DWORD restored = Run(L"/restore-all /all-users /quiet");
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"Q:", nullptr);
    EXPECT_TRUE(substituted);
    EXPECT_EQ(restored, static_cast<DWORD>(kRestoreAllSomeLeft));
    EXPECT_TRUE(Exists(vista + L"\\Desktop.ini"));
    EXPECT_EQ(ReadAnsi(vistaList_), others);
    ExpectPlain(mine);
    EXPECT_EQ(Run(L"/count-customized /all-users"), 2u);
}

TEST_F(RestoreAllTest, AnotherCopysOperationIsWaitedForThenThree) {
    const std::wstring folder = Customized(L"Waited");
    WriteBytes(ListFile(), Lines({folder}));
    engine::OperationLock busy;
    ASSERT_TRUE(busy.Take(engine::LockPath(ListFile()), 0));
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", L"1500");
    ULONGLONG start = platform::TickCount64();
    EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllStillRunning));
    EXPECT_GE(platform::TickCount64() - start, 1500u);
    EXPECT_TRUE(Exists(folder + L"\\Desktop.ini"));
    EXPECT_EQ(ReadAnsi(ListFile()), Lines({folder}));

    // Let go during the wait: the run goes on and puts the folder back.
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", L"20000");
    Program program(appDir.path(), L"/restore-all /quiet");
    start = platform::TickCount64();
    EXPECT_FALSE(program.Ended(1000));
    busy.Release();
    EXPECT_EQ(program.ExitCode(), static_cast<DWORD>(kRestoreAllDone));
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", nullptr);
    ExpectPlain(folder);
}

TEST_F(RestoreAllTest, CountsAndListMakeNoFileOrFolder) {
    const std::wstring folder = Customized(L"Counted");
    WriteBytes(ListFile(), Lines({folder}));
    // The per-user place may hold what other tests left (icons): it only
    // must not change.
    const std::wstring perUserFolder = platform::LocalAppDataFolder() + L"\\Quillane";
    RemoveDirectoryW(perUserFolder.c_str());
    const bool perUserThere = Exists(perUserFolder);
    const std::wstring printed = data / L"printed.txt";
    const auto runAll = [&] {
        EXPECT_EQ(Run(L"/count-customized"), 1u);
        EXPECT_EQ(Run(L"/count-accounts"), 1u);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        platform::FileHandle output(CreateFileW(printed.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                &inherit, CREATE_ALWAYS, 0, nullptr));
        Program program(appDir.path(), L"/list /quiet", L"quillane.exe", {}, output.get());
        EXPECT_EQ(program.ExitCode(), static_cast<DWORD>(kListDone));
    };
    ASSERT_EQ(Run(L"/count-customized"), 1u); // the program's copy is in place
    const std::vector<std::wstring> before = NamesIn(appDir.path());
    const std::vector<std::wstring> perUserBefore = NamesIn(perUserFolder);
    runAll();
    EXPECT_EQ(NamesIn(appDir.path()), before);
    {
        Immutable refusing(appDir.path());
        ASSERT_TRUE(refusing.ok());
        runAll();
    }
    EXPECT_EQ(NamesIn(appDir.path()), before);
    EXPECT_EQ(Exists(perUserFolder), perUserThere);
    EXPECT_EQ(NamesIn(perUserFolder), perUserBefore);
    EXPECT_EQ(ReadAnsi(printed), Lines({folder}));
}

TEST_F(RestoreAllTest, RunningOutOfMemoryEndsWithTwoOrMinusOneAndSavesNothing) {
    if (!platform::AllocationFaultsBuiltIn())
        GTEST_SKIP() << "only a Debug build fails allocations on purpose";
    const std::wstring a = Customized(L"A"), c = Customized(L"C", kForeign);
    const std::wstring gone = data / L"B gone";
    WriteBytes(ListFile(), Lines({a, gone, c}));
    {
        FailingAllocation failing(1);
        EXPECT_EQ(Run(L"/count-customized"), static_cast<DWORD>(kCountUnreadable));
    }
    EXPECT_EQ(Run(L"/count-customized"), 3u);
    // Every allocation point in turn, until a run passes them all.
    DWORD code = kRestoreAllListFailed;
    bool failedMidway = false;
    for (unsigned long n = 1; n < 30 && code == kRestoreAllListFailed; ++n) {
        SCOPED_TRACE(n);
        const std::string before = ReadAnsi(ListFile());
        {
            FailingAllocation failing(n);
            code = Run(L"/restore-all /quiet");
        }
        if (code != kRestoreAllListFailed)
            break;
        // Nothing saved: each folder that still holds something of ours is listed.
        EXPECT_EQ(ReadAnsi(ListFile()), before);
        for (const auto& folder : {a, c}) {
            if (Exists(folder + L"\\Desktop.ini") &&
                engine::IsOwnSettingsFile(folder + L"\\Desktop.ini")) {
                EXPECT_NE(before.find(Narrow(folder)), std::string::npos) << Narrow(folder);
            }
        }
        failedMidway = failedMidway || !Exists(c + L"\\BUDesktop.ini");
    }
    EXPECT_TRUE(failedMidway); // a run ran out after it had put a folder back
    EXPECT_EQ(code, static_cast<DWORD>(kRestoreAllDone));
    ExpectPlain(a);
    EXPECT_EQ(ReadAnsi(c + L"\\Desktop.ini"), kForeign);
    EXPECT_EQ(ReadBytes(ListFile()).size(), 0u);
}

TEST_F(RestoreAllTest, RestorePutsBackTheNamedFoldersAndKeepsTheOthersListed) {
    const std::wstring foreign = Customized(L"Foreign", kForeign), plain = Customized(L"Plain");
    const std::wstring kept = Customized(L"Kept"), unlisted = data.MakeFolder(L"Unlisted");
    const std::vector<std::uint8_t> keptFile = ReadBytes(kept + L"\\Desktop.ini");
    WriteBytes(ListFile(), Lines({foreign, kept, plain}));
    // A folder named in a script's own file, which stays.
    const std::wstring names = data / L"names.txt";
    WriteBytes(names, Narrow(plain) + "\r\n");
    std::wstring upper = foreign;
    std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
    std::string printed;
    EXPECT_EQ(Run(L"/restore \"" + upper + L"\" @\"" + names + L"\" \"" + unlisted + L"\" /quiet",
                  printed),
              static_cast<DWORD>(kRestoreDone));
    EXPECT_EQ(printed, platform::ToUtf8(L"Not in the restore list: " + unlisted + L"\r\n"));
    EXPECT_EQ(ReadAnsi(foreign + L"\\Desktop.ini"), kForeign);
    EXPECT_EQ(Attributes(foreign + L"\\Desktop.ini"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(foreign + L"\\BUDesktop.ini"));
    ExpectPlain(plain);
    EXPECT_EQ(ReadBytes(kept + L"\\Desktop.ini"), keptFile);
    EXPECT_EQ(ReadAnsi(ListFile()), Lines({kept}));
    EXPECT_TRUE(Exists(names));

    // None of the named folders listed: nothing to do.
    EXPECT_EQ(Run(L"/restore \"" + unlisted + L"\" \"" + plain + L"\" /quiet", printed),
              static_cast<DWORD>(kRestoreNothingDone));
    EXPECT_NE(printed.find(platform::ToUtf8(L"Not in the restore list: " + plain)),
              std::string::npos)
        << printed;
    EXPECT_EQ(ReadBytes(kept + L"\\Desktop.ini"), keptFile);
    EXPECT_EQ(ReadAnsi(ListFile()), Lines({kept}));
}

TEST_F(RestoreAllTest, RestoreWithSubfoldersTakesTheListedFoldersBelowByWholeNames) {
    const std::wstring project = data.MakeFolder(L"Proj");
    const std::wstring a = Customized(L"Proj\\A"), b = Customized(L"Proj\\A\\B");
    const std::wstring sibling = Customized(L"Project");
    WriteBytes(ListFile(), Lines({a, b, sibling}));
    // Not listed itself: without /subfolders the folder takes nothing.
    EXPECT_EQ(Run(L"/restore \"" + project + L"\" /quiet"),
              static_cast<DWORD>(kRestoreNothingDone));
    std::string printed;
    {
        Held scanner(b + L"\\Desktop.ini", 0);
        ASSERT_TRUE(scanner.ok());
        EXPECT_EQ(Run(L"/restore \"" + project + L"\\\" /subfolders /quiet", printed),
                  static_cast<DWORD>(kRestoreSomeLeft));
    }
    EXPECT_EQ(printed.rfind(platform::ToUtf8(L"Not restored: " + b + L": "), 0), 0u) << printed;
    ExpectPlain(a);
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{b, sibling}));

    // Shown: the restore view's final text, over the run's own window.
    Program program(appDir.path(), L"/restore /subfolders \"" + project + L"\"");
    ASSERT_TRUE(program.Window(kRestoreWindowClass));
    EXPECT_EQ(AnswerBox(program), RestoreEndText(1, 0, L""));
    EXPECT_EQ(program.ExitCode(), static_cast<DWORD>(kRestoreDone));
    ExpectPlain(b);
    EXPECT_TRUE(Exists(sibling + L"\\Desktop.ini"));
    EXPECT_EQ(ReadAnsi(ListFile()), Lines({sibling}));
}

TEST_F(RestoreAllTest, RestoreRefusesEveryBadArgumentAndEndsWithThreeWhileAnotherCopyIsBusy) {
    const std::wstring folder = Customized(L"Data");
    const std::string list = Lines({folder});
    WriteBytes(ListFile(), list);
    const std::wstring named = L" \"" + folder + L"\"";
    for (const std::wstring& arguments :
         {std::wstring(L"/restore /quiet"), L"/restore" + named + L" /bogus /quiet",
          L"/restore" + named + L" /tip x /quiet", L"/restore" + named + L" /root /quiet",
          L"/restore" + named + L" /all-users /quiet",
          L"/restore" + named + L" /restore-all /quiet", L"/restore" + named + L" /list /quiet",
          L"/restore" + named + L" /apply /quiet",
          L"/restore \"@" + (data / L"missing.txt") + L"\" /quiet"}) {
        EXPECT_EQ(Run(arguments), static_cast<DWORD>(kRestoreNothingDone)) << Narrow(arguments);
    }
    EXPECT_TRUE(engine::IsOwnSettingsFile(folder + L"\\Desktop.ini"));
    EXPECT_EQ(ReadAnsi(ListFile()), list);

    engine::OperationLock busy;
    ASSERT_TRUE(busy.Take(engine::LockPath(ListFile()), 0));
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", L"1000");
    EXPECT_EQ(Run(L"/restore" + named + L" /quiet"), static_cast<DWORD>(kRestoreBusy));
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", nullptr);
    EXPECT_TRUE(engine::IsOwnSettingsFile(folder + L"\\Desktop.ini"));
    busy.Release();
    EXPECT_EQ(Run(L"/restore" + named + L" /quiet"), static_cast<DWORD>(kRestoreDone));
    ExpectPlain(folder);
    EXPECT_EQ(ReadBytes(ListFile()).size(), 0u);
}
