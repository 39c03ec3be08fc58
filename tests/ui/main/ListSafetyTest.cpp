// The restore list against an unwritable application folder, a killed run
// and a second start. The program runs as a child process where it must.
#include "tests/ui/main/Form1Fixture.h"
#include "tests/ui/main/ProgramCopy.h"

#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "engine/CustomizeFolder.h"
#include "platform/SystemApi.h"
#include "platform/Files.h"
#include "ui/main/SingleInstance.h"
#include "tests/support/UnixSide.h"

#include <algorithm>
#include <set>

using namespace testing_support;
using namespace ui;

namespace {

class ListSafetyTest : public Form1Fixture {};

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (pid == s->pid && std::wstring(cls) == kMainWindowClass && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControlById(HWND c, LPARAM p) {
    auto* s = reinterpret_cast<ControlSearch*>(p);
    if (GetDlgCtrlID(c) != s->id)
        return TRUE;
    s->found = c;
    return FALSE;
}

// quillane.exe copied into its own application folder and started there.
class Child {
  public:
    explicit Child(const std::wstring& appFolder, const std::wstring& arguments = L"")
        : pi_(StartProgramCopy(appFolder, arguments)) {}
    ~Child() {
        if (pi_.hProcess) {
            TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 10000);
            CloseHandle(pi_.hProcess);
        }
    }
    // The main window once the start-up has shown it and read the list (the
    // busy lock, which holds Apply until then, is off).
    HWND Window(DWORD timeoutMs = 20000) {
        const ULONGLONG until = platform::TickCount64() + timeoutMs;
        while (platform::TickCount64() < until) {
            WindowSearch search{pi_.dwProcessId, nullptr};
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
            ControlSearch apply{Command1, nullptr};
            if (search.found)
                EnumChildWindows(search.found, FindControlById, reinterpret_cast<LPARAM>(&apply));
            if (apply.found && IsWindowEnabled(apply.found))
                return search.found;
            Sleep(20);
        }
        return nullptr;
    }
    bool Kill() { return TerminateProcess(pi_.hProcess, 1) && Wait(); }
    bool Wait(DWORD ms = 20000) { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() {
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }
    bool Started() const { return pi_.hProcess != nullptr; }
    DWORD ProcessId() const { return pi_.dwProcessId; }

  private:
    PROCESS_INFORMATION pi_{};
};

HWND FindControl(HWND window, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(window, FindControlById, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND window, int id, bool wait) {
    const WPARAM command = MAKEWPARAM(id, BN_CLICKED);
    const LPARAM control = reinterpret_cast<LPARAM>(FindControl(window, id));
    if (wait)
        SendMessageW(window, WM_COMMAND, command, control);
    else
        PostMessageW(window, WM_COMMAND, command, control);
}

} // namespace

TEST_F(ListSafetyTest, UnwritableAppFolderKeepsTheListInTheUserFolder) {
    const std::wstring kept = data.MakeFolder(L"Kept"), fresh = data.MakeFolder(L"Fresh");
    const std::wstring later = data.MakeFolder(L"Later");
    engine::FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(engine::CustomizeFolder(kept, options).customized);
    ASSERT_TRUE(engine::CustomizeFolder(later, options).customized);
    WriteBytes(appDir / L"Fldr.dll", Narrow(kept) + "\r\n");
    TempDir user;
    const std::wstring perUser = user / L"Quillane\\Fldr.dll";
    auto startWithUserFolder = [&] {
        form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
        form_->perUserRoot = user.path();
        return form_->Create() && form_->WaitForList();
    };
    {
        Immutable locked(appDir.path());
        ASSERT_TRUE(locked.ok());
        ASSERT_TRUE(startWithUserFolder());
        EXPECT_EQ(form().ListFilePath(), perUser);
        EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{kept}); // seeded
        form().SetText(TxtFolder, fresh);
        form().SetText(TxtToolTip, L"tip");
        form().apply().Command1_Click();
        EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
        form_.reset();

        // A second start finds the entries.
        ASSERT_TRUE(startWithUserFolder());
        EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{fresh, kept}));
        form_.reset();
    }
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(kept) + "\r\n");

    // Writable again: the folder recorded meanwhile is still shown, and the
    // one record goes to the application folder.
    ASSERT_TRUE(startWithUserFolder());
    EXPECT_EQ(form().ListFilePath(), appDir / L"Fldr.dll");
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{fresh, kept}));
    form().Command4_Click();
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(fresh) + "\r\n" + Narrow(kept) + "\r\n");
    EXPECT_FALSE(Exists(perUser));

    // And the reverse: a per-user list from an earlier time is in use again,
    // and what the application folder's list gained since is still shown.
    WriteBytes(perUser, Narrow(later) + "\r\n");
    Immutable locked(appDir.path());
    ASSERT_TRUE(locked.ok());
    ASSERT_TRUE(startWithUserFolder());
    EXPECT_EQ(form().ListFilePath(), perUser);
    EXPECT_EQ(RestoreItems(), (std::vector<std::wstring>{fresh, kept, later}));
    form().Command4_Click();
    EXPECT_EQ(ReadAnsi(perUser),
              Narrow(fresh) + "\r\n" + Narrow(kept) + "\r\n" + Narrow(later) + "\r\n");
}

TEST_F(ListSafetyTest, WhereNothingCanBeRecordedNoFolderIsChanged) {
    const std::wstring kept = data.MakeFolder(L"Kept"), fresh = data.MakeFolder(L"Fresh");
    engine::FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(engine::CustomizeFolder(kept, options).customized);
    WriteBytes(appDir / L"Fldr.dll", Narrow(kept) + "\r\n");
    TempDir user;
    Immutable app(appDir.path()), userRoot(user.path());
    ASSERT_TRUE(app.ok() && userRoot.ok());
    const std::wstring why = platform::ErrorText(ERROR_ACCESS_DENIED);
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [&why](HWND d) {
            EXPECT_EQ(MessageBoxText(d),
                      L"Changes to folders cannot be recorded, so no folder will be changed: " +
                          why);
            EXPECT_EQ(MessageBoxIcon(d), IDI_EXCLAMATION);
            PressButton(d, IDOK);
        });
        form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
        form_->perUserRoot = user.path();
        ASSERT_TRUE(form_->Create());
        ASSERT_TRUE(form_->WaitForList());
        EXPECT_EQ(responder.Pending(), 0u);
    }
    EXPECT_EQ(RestoreItems(), std::vector<std::wstring>{kept});
    form().SetText(TxtFolder, fresh);
    form().SetText(TxtToolTip, L"tip");
    form().apply().Command1_Click(); // said once: no second message
    EXPECT_EQ(Text(txtChanging), L"Folder could not be customized: " + why);
    EXPECT_FALSE(Exists(fresh + L"\\Desktop.ini"));
    form().Command4_Click();
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(kept) + "\r\n");
}

TEST_F(ListSafetyTest, ACloseBeforeTheListIsReadSavesNothing) {
    const std::string list = "C:\\Kept\\One\r\nC:\\Kept\\Two\r\n";
    const std::wstring journal = engine::JournalPath(appDir / L"Fldr.dll");
    for (const UINT message : {UINT(WM_CLOSE), UINT(WM_ENDSESSION)}) {
        SCOPED_TRACE(message);
        WriteBytes(appDir / L"Fldr.dll", list);
        WriteBytes(journal, "x");
        // While the refusal on NT 6.x shows its message.
        {
            DialogResponder responder;
            responder.Expect(L"Quillane", [message](HWND d) {
                SendMessageW(GetWindow(d, GW_OWNER), message, TRUE, 0);
                PressButton(d, IDOK);
            });
            EXPECT_FALSE(Start(9));
        }
        EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), list);
        EXPECT_EQ(ReadAnsi(journal), "x");
        // While the start-up's load lets messages through.
        form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
        bool sent = false;
        form_->pumpObserver = [&] {
            if (sent || !form_->hwnd())
                return;
            sent = true;
            SendMessageW(form_->hwnd(), message, TRUE, 0);
            EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), list);
            EXPECT_EQ(ReadAnsi(journal), "x");
        };
        ASSERT_TRUE(form_->Create());
        EXPECT_EQ(form_->WaitForList(), message != WM_CLOSE);
        EXPECT_TRUE(sent);
        if (message == WM_CLOSE) {
            EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), list);
        }
        form_.reset();
    }
}

TEST_F(ListSafetyTest, EndOfSessionDuringAnApplySavesEveryFolderDoneSoFar) {
    const std::wstring root = data.MakeFolder(L"Tree");
    std::vector<std::wstring> folders{root};
    for (int i = 0; i < 120; ++i)
        folders.push_back(data.MakeFolder(L"Tree\\F" + std::to_wstring(1000 + i)));
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    form().folderSelection().SetIncludeSubdirectories(true);
    form().SetText(TxtToolTip, L"tip");
    const std::wstring listFile = appDir / L"Fldr.dll";
    std::vector<std::wstring> done;
    std::string saved;
    bool journalKept = false;
    form().yieldObserver = [&] {
        if (!saved.empty() || !Exists(engine::SettingsFilePath(folders[60])))
            return;
        for (const auto& f : folders)
            if (Exists(engine::SettingsFilePath(f)))
                done.push_back(f);
        SendMessageW(form().hwnd(), WM_ENDSESSION, TRUE, 0);
        saved = ReadAnsi(listFile);
        journalKept = Exists(engine::JournalPath(listFile));
    };
    form().apply().Command1_Click();
    ASSERT_GE(done.size(), 61u);
    for (const auto& f : done)
        EXPECT_NE(saved.find(Narrow(f) + "\r\n"), std::string::npos) << Narrow(f);
    EXPECT_TRUE(journalKept); // the run goes on writing folders it records there
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    EXPECT_FALSE(Exists(engine::JournalPath(listFile)));
}

TEST_F(ListSafetyTest, KilledApplyLeavesEveryWrittenFolderRestorable) {
    // The chosen folder is a target too, and comes first.
    std::vector<std::wstring> folders{data.MakeFolder(L"Tree")};
    for (int i = 0; i < 300; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"F%03d", i);
        folders.push_back(data.MakeFolder(std::wstring(L"Tree\\") + name));
    }
    const std::wstring earlier = data.MakeFolder(L"Earlier");
    engine::FolderOptions options;
    options.tooltip = L"t";
    ASSERT_TRUE(engine::CustomizeFolder(earlier, options).customized);
    const std::wstring listFile = appDir / L"Fldr.dll";
    for (size_t n : {size_t(0), size_t(40), size_t(150), size_t(280)}) {
        SCOPED_TRACE(n);
        WriteBytes(listFile, Narrow(earlier) + "\r\n");
        {
            Child child(appDir.path());
            ASSERT_TRUE(child.Started());
            HWND window = child.Window();
            ASSERT_TRUE(window);
            SendMessageW(FindControl(window, TxtFolder), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>((data / L"Tree").c_str()));
            SendMessageW(FindControl(window, TxtToolTip), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(L"tip"));
            SendMessageW(FindControl(window, chkSubs), BM_SETCHECK, BST_CHECKED, 0);
            Click(window, chkSubs, true); // the walk
            // Apply's button comes on last as the walk's lock comes off.
            ASSERT_TRUE(
                PumpUntil([&] { return IsWindowEnabled(FindControl(window, Command1)) != FALSE; }));
            Click(window, Command1, false);
            // Killed once the run has written at least n folders.
            const std::wstring nth = engine::SettingsFilePath(folders[n == 0 ? 0 : n - 1]);
            if (n > 0) {
                ASSERT_TRUE(PumpUntil([&] { return Exists(nth); }, 20000));
            }
            ASSERT_TRUE(child.Kill());
        }
        // Never cut short: the file holds whole lines only.
        const std::vector<std::uint8_t> bytes = ReadBytes(listFile);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes[bytes.size() - 2], '\r');
        EXPECT_EQ(bytes.back(), '\n');

        std::set<std::wstring> written;
        for (const auto& f : folders)
            if (Exists(engine::SettingsFilePath(f)))
                written.insert(f);
        EXPECT_GE(written.size(), n);
        Child next(appDir.path());
        HWND window = next.Window();
        ASSERT_TRUE(window);
        const LRESULT shown = SendMessageW(FindControl(window, lstRestore), LB_GETCOUNT, 0, 0);
        EXPECT_EQ(static_cast<size_t>(shown), written.size() + 1);
        // The start-up saved what it merged.
        std::vector<std::uint8_t> after = ReadBytes(listFile);
        std::wstring text(after.begin(), after.end());
        for (const auto& f : written)
            EXPECT_NE(text.find(f + L"\r\n"), std::wstring::npos) << Narrow(f);
        EXPECT_NE(text.find(earlier + L"\r\n"), std::wstring::npos);
        next.Kill();
        for (const auto& f : written)
            engine::RestoreFolder(f);
    }
}

TEST_F(ListSafetyTest, SecondStartActivatesTheFirstWindow) {
    WriteBytes(appDir / L"Fldr.dll", "C:\\x\r\n");
    Child first(appDir.path());
    HWND window = first.Window();
    ASSERT_TRUE(window);
    const std::vector<std::uint8_t> before = ReadBytes(appDir / L"Fldr.dll");
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    Child second(appDir.path());
    ASSERT_TRUE(second.Wait());
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(window); }, 5000));
    EXPECT_EQ(ReadBytes(appDir / L"Fldr.dll"), before);
}

TEST_F(ListSafetyTest, SecondStartHandsItsFolderToTheFirstWindow) {
    const std::wstring folder = data.MakeFolder(L"Handed over");
    Child first(appDir.path());
    HWND window = first.Window();
    ASSERT_TRUE(window);
    Child second(appDir.path(), L"\"" + folder + L"\\\"");
    ASSERT_TRUE(second.Wait());
    HWND box = FindControl(window, TxtFolder);
    EXPECT_TRUE(PumpUntil([&] { return WindowText(box) == folder; }, 5000)) << WindowText(box);
}

namespace {

struct MessageBoxSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMessageBox(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<MessageBoxSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (pid == s->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// The claim of a copy running elevated, which this session may not open.
platform::KernelHandle ClaimOutOfReach() {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    return platform::KernelHandle(
        CreateMutexW(&attributes, FALSE, L"Local\\Quillane.SingleInstance"));
}

} // namespace

TEST_F(ListSafetyTest, AClaimOutOfReachStillMeansAnotherCopyRuns) {
    const platform::KernelHandle claim = ClaimOutOfReach();
    ASSERT_TRUE(claim.valid());
    {
        // No window to hand over to: the second copy says so and ends.
        Child second(appDir.path());
        HWND box = nullptr;
        ASSERT_TRUE(PumpUntil(
            [&] {
                MessageBoxSearch search{second.ProcessId(), nullptr};
                EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&search));
                box = search.found;
                return box != nullptr;
            },
            20000));
        EXPECT_EQ(WindowText(box), L"Quillane");
        EXPECT_EQ(WindowText(FindControl(box, 0xFFFF)), L"Quillane is already running.");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(second.Wait());
        EXPECT_EQ(second.ExitCode(), 0u);
        EXPECT_FALSE(Exists(appDir / L"Fldr.dll"));
    }
    // With the running copy's window there, the folder is handed over.
    const std::wstring folder = data.MakeFolder(L"Handed over");
    ASSERT_TRUE(Start());
    Child second(data.MakeFolder(L"Second"), L"\"" + folder + L"\"");
    EXPECT_TRUE(PumpUntil([&] { return Text(TxtFolder) == folder; }, 20000));
    EXPECT_TRUE(PumpUntil([&] { return second.Wait(0); }, 10000));
}
