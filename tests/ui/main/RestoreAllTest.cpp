// quillane.exe /restore-all and /count-customized, run as child processes
// on real folders and real list files.
#include "tests/ui/main/Form1Fixture.h"
#include "tests/ui/main/ProgramCopy.h"

#include "engine/ListStore.h"
#include "engine/SettingsFile.h"
#include "platform/AllocationFaults.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/SystemApi.h"
#include "ui/main/RestoreAll.h"
#include "ui/main/SingleInstance.h"

#include <algorithm>

using namespace testing_support;
using namespace ui;

namespace {

const std::string kForeign = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";

HWND ChildControl(HWND window, int id);

// quillane.exe copied into the application folder and started there.
class Program {
  public:
    Program(const std::wstring& appFolder, const std::wstring& arguments,
            const wchar_t* name = L"quillane.exe")
        : pi_(StartProgramCopy(appFolder, arguments, name)) {}
    ~Program() {
        if (pi_.hProcess) {
            if (!Ended(0))
                TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 10000);
            CloseHandle(pi_.hProcess);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Ended(DWORD ms = 30000) const {
        return pi_.hProcess && WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0;
    }
    // The exit code once it ended by itself; STILL_ACTIVE (259) if it did not.
    DWORD ExitCode(DWORD ms = 30000) const {
        DWORD code = STILL_ACTIVE;
        if (Ended(ms))
            GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }
    // Its first visible top-level window of the class, once it shows; the main
    // window once it has read the list too (Apply is enabled then).
    HWND Window(const wchar_t* className, DWORD ms = 20000) const {
        struct Search {
            DWORD pid;
            const wchar_t* className;
            HWND found;
            static BOOL CALLBACK Visit(HWND w, LPARAM p) {
                auto* s = reinterpret_cast<Search*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                wchar_t name[64] = {};
                GetClassNameW(w, name, 64);
                if (pid != s->pid || wcscmp(name, s->className) != 0 || !IsWindowVisible(w))
                    return TRUE;
                s->found = w;
                return FALSE;
            }
        };
        const ULONGLONG until = platform::TickCount64() + ms;
        while (platform::TickCount64() < until) {
            Search search{pi_.dwProcessId, className, nullptr};
            EnumWindows(&Search::Visit, reinterpret_cast<LPARAM>(&search));
            const bool main = wcscmp(className, ui::kMainWindowClass) == 0;
            if (search.found &&
                (!main || IsWindowEnabled(ChildControl(search.found, ui::Command1))))
                return search.found;
            Sleep(20);
        }
        return nullptr;
    }

  private:
    PROCESS_INFORMATION pi_{};
};

HWND ChildControl(HWND window, int id) {
    struct Search {
        static BOOL CALLBACK Visit(HWND c, LPARAM p) {
            auto* s = reinterpret_cast<std::pair<int, HWND>*>(p);
            if (GetDlgCtrlID(c) != s->first)
                return TRUE;
            s->second = c;
            return FALSE;
        }
    };
    std::pair<int, HWND> search{id, nullptr};
    EnumChildWindows(window, &Search::Visit, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Another process's message box: its text, then OK.
std::wstring AnswerBox(const Program& program) {
    HWND box = program.Window(L"#32770");
    if (!box)
        return L"(no message box)";
    std::wstring text = WindowText(ChildControl(box, 65535));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
}

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
    std::wstring ListFile() const { return appDir / L"Fldr.dll"; }
    std::wstring perUserList_;
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
        EXPECT_EQ(AnswerBox(program), L"Folders Restored: 1 of 2 (1 could not be restored)");
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
