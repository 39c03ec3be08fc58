// Several folders chosen at once (Explorer starts the program once per
// selected folder), and the window's operations beside another copy's.
#include "tests/ui/main/Form1Fixture.h"
#include "tests/ui/main/ProgramCopy.h"

#include "engine/OperationLock.h"
#include "engine/RestoreRecord.h"
#include "platform/Files.h"
#include "platform/SystemApi.h"
#include "tests/support/Accessibility.h"
#include "ui/main/OperationHost.h"
#include "ui/main/ScriptedApply.h"
#include "ui/main/SingleInstance.h"

#include <algorithm>
#include <commctrl.h>
#include <cstring>
#include <memory>

using namespace testing_support;
using namespace ui;

namespace {

class MultiSelectTest : public Form1Fixture {
  protected:
    // The folder box's tooltip, as the window's tooltip control holds it.
    std::wstring FolderTip() {
        struct Search {
            HWND owner, found;
            static BOOL CALLBACK Visit(HWND w, LPARAM p) {
                auto* s = reinterpret_cast<Search*>(p);
                wchar_t name[64] = {};
                GetClassNameW(w, name, 64);
                if (_wcsicmp(name, TOOLTIPS_CLASSW) != 0 || GetWindow(w, GW_OWNER) != s->owner)
                    return TRUE;
                s->found = w;
                return FALSE;
            }
        };
        Search search{form().hwnd(), nullptr};
        EnumThreadWindows(GetCurrentThreadId(), &Search::Visit, reinterpret_cast<LPARAM>(&search));
        std::wstring text(32768, L'\0');
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = form().hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(form().Control(TxtFolder));
        tool.lpszText = text.data();
        SendMessageW(search.found, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
        text.resize(wcslen(text.c_str()));
        return text;
    }
    std::vector<std::wstring> Chosen() { return form().folderSelection().Chosen(); }
};

class HandOverTest : public ::testing::Test {
  protected:
    // Folders Data\F0, Data\F1...
    std::vector<std::wstring> MakeFolders(size_t count) {
        std::vector<std::wstring> folders;
        for (size_t i = 0; i < count; ++i)
            folders.push_back(data.MakeFolder(L"Data\\F" + std::to_wstring(i)));
        std::sort(folders.begin(), folders.end());
        return folders;
    }
    // One start per folder, all at once, as Explorer makes them; the window
    // once it has read its list. Every start but the window's ends with 0.
    HWND StartTogether(const std::vector<std::wstring>& folders) {
        for (const auto& folder : folders)
            starts_.push_back(std::make_unique<Program>(appDir.path(), L"\"" + folder + L"\""));
        HWND window = nullptr;
        EXPECT_TRUE(PumpUntil(
            [&] {
                window = FindWindowW(kMainWindowClass, nullptr);
                return window && IsWindowEnabled(ChildControl(window, Command1));
            },
            120000));
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        for (const auto& start : starts_) {
            if (start->Id() != pid) {
                EXPECT_EQ(start->ExitCode(120000), 0u);
            }
        }
        return window;
    }
    static std::wstring ControlText(HWND window, int id) {
        std::wstring text(32768, L'\0');
        SendMessageW(ChildControl(window, id), WM_GETTEXT, text.size(),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(wcslen(text.c_str()));
        return text;
    }
    // Apply with a tooltip; true once the window takes commands again.
    static bool ApplyTip(HWND window) {
        SendMessageW(ChildControl(window, TxtToolTip), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(L"tip"));
        // As a user waits for the button: the busy lock comes off in parts,
        // Apply's last, and a click before that is dropped.
        if (!PumpUntil([&] { return IsWindowEnabled(ChildControl(window, Command1)) != FALSE; }))
            return false;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(Command1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ChildControl(window, Command1)));
        return PumpUntil([&] { return !IsWindowEnabled(ChildControl(window, Command1)); }) &&
               PumpUntil([&] { return IsWindowEnabled(ChildControl(window, Command1)) != FALSE; },
                         60000);
    }
    // Closes the window (it saves its list); the list's lines.
    std::string CloseAndReadList(HWND window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        for (const auto& start : starts_)
            EXPECT_TRUE(start->Ended());
        return ReadAnsi(appDir / L"Fldr.dll");
    }
    static std::string Lines(const std::vector<std::wstring>& folders) {
        std::string text;
        for (const auto& folder : folders)
            text += Narrow(folder) + "\r\n";
        return text;
    }

    TempDir appDir;
    TempDir data;
    std::vector<std::unique_ptr<Program>> starts_;
};

} // namespace

TEST_F(MultiSelectTest, FoldersTakenTogetherAreOneChoiceAndTheDialogReplacesIt) {
    const std::wstring a = data.MakeFolder(L"A");
    const std::wstring aSub = data.MakeFolder(L"A\\Sub");
    const std::wstring b = data.MakeFolder(L"B");
    data.MakeFolder(L"B\\Desktop");
    const std::wstring plain = data.MakeFolder(L"foo");
    const std::wstring dotted = data / L"foo.";
    ASSERT_TRUE(CreateDirectoryW(platform::ExactPath(dotted).c_str(), nullptr));
    const std::wstring other = data.MakeFolder(L"Other");
    ASSERT_TRUE(Start());

    form().folderSelection().TakeFolders({a}, false);
    EXPECT_EQ(Text(lblChosen), L"");
    EXPECT_EQ(FolderTip(), L"Select Folders to Customize");
    std::wstring upper = aSub;
    std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [&](HWND d) {
            EXPECT_EQ(MessageBoxText(d), L"Folder not found: " + (data / L"gone"));
            PressButton(d, IDOK);
        });
        // Each once whatever its case; a final dot is a name of its own.
        form().folderSelection().TakeFolders(
            {b, data / L"gone", aSub, dotted, plain, data / L"a", upper}, true);
    }
    const std::vector<std::wstring> chosen{a, b, aSub, dotted, plain};
    EXPECT_EQ(Chosen(), chosen);
    EXPECT_EQ(Text(TxtFolder), a);
    EXPECT_EQ(Text(lblChosen), L"5 folders chosen");
    EXPECT_EQ(AccessibleName(form().Control(lblChosen)), L"5 folders chosen");
    EXPECT_EQ(FolderTip(), a + L"\r\n" + b + L"\r\n" + aSub + L"\r\n" + dotted + L"\r\n" + plain);

    // One target list: each root's walk and exclusions, each folder once.
    form().folderSelection().SetIncludeSubdirectories(true);
    std::vector<std::wstring> targets{a, aSub, b, plain, dotted};
    EXPECT_EQ(TargetItems(), targets);
    form().SetText(TxtToolTip, L"tip");
    form().apply().Command1_Click();
    EXPECT_EQ(Text(txtChanging), L"Folders Successfully Customized");
    std::sort(targets.begin(), targets.end(), platform::LessNoCase());
    EXPECT_EQ(RestoreItems(), targets);
    for (const auto& folder : targets)
        EXPECT_TRUE(Exists(platform::ExactPath(folder + L"\\Desktop.ini"))) << Narrow(folder);
    EXPECT_FALSE(Exists(b + L"\\Desktop\\Desktop.ini"));

    {
        DialogResponder responder;
        responder.Expect(L"", ChooseFolder(other));
        form().folderSelection().cmdBrowseFolder_Click();
    }
    EXPECT_EQ(Chosen(), std::vector<std::wstring>{other});
    EXPECT_EQ(Text(lblChosen), L"");
    EXPECT_EQ(FolderTip(), L"Select Folders to Customize");
}

TEST_F(MultiSelectTest, ApplyAndRestoreKeepAScriptedApplyWaitingAndYieldToOne) {
    const std::wstring folder = data.MakeFolder(L"Window");
    const std::wstring scripted = data.MakeFolder(L"Scripted");
    ASSERT_TRUE(Start());
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", L"1000");
    std::vector<DWORD> codes;
    form().yieldObserver = [&] {
        if (!codes.empty())
            return;
        codes.push_back(STILL_ACTIVE);
        Program apply(appDir.path(), L"/apply \"" + scripted + L"\" /tip x /quiet");
        codes.back() = apply.ExitCode();
    };
    form().SetText(TxtFolder, folder);
    form().SetText(TxtToolTip, L"tip");
    form().apply().Command1_Click();
    EXPECT_EQ(codes, std::vector<DWORD>{kApplyBusy});
    EXPECT_TRUE(Exists(folder + L"\\Desktop.ini"));

    codes.clear();
    form().restoreView().Command2_Click();
    SendMessageW(form().Control(lstRestore), LB_SETSEL, TRUE, 0);
    form().restoreView().cmdRestore_Click();
    EXPECT_EQ(codes, std::vector<DWORD>{kApplyBusy});
    EXPECT_FALSE(Exists(folder + L"\\Desktop.ini"));
    EXPECT_FALSE(Exists(scripted + L"\\Desktop.ini"));
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", nullptr);
    form().yieldObserver = nullptr;
    form().restoreView().cmdOk_Click();

    // Another copy's operation runs: the window says so and changes nothing.
    const std::wstring busyText = kAnotherCopyBusyText;
    engine::OperationLock other;
    ASSERT_TRUE(other.Take(engine::LockPath(form().ListFilePath()), 0));
    DialogResponder responder;
    responder.Expect(L"Quillane", [&](HWND d) {
        EXPECT_EQ(MessageBoxText(d), busyText);
        PressButton(d, IDOK);
    });
    form().apply().Command1_Click();
    EXPECT_EQ(responder.Pending(), 0u);
    EXPECT_EQ(Text(txtChanging), busyText);
    EXPECT_FALSE(Exists(folder + L"\\Desktop.ini"));
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(Enabled(Command1));
}

TEST_F(HandOverTest, FiveStartedTogetherAreOneChoiceAndALaterOneANewChoice) {
    const std::vector<std::wstring> folders = MakeFolders(5);
    HWND window = StartTogether(folders);
    ASSERT_TRUE(window);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(window, lblChosen) == L"5 folders chosen"; }))
        << Narrow(ControlText(window, lblChosen));
    EXPECT_NE(std::find(folders.begin(), folders.end(), ControlText(window, TxtFolder)),
              folders.end());
    ASSERT_TRUE(ApplyTip(window));
    EXPECT_EQ(ControlText(window, txtChanging), L"Folders Successfully Customized");
    for (const auto& folder : folders)
        EXPECT_TRUE(Exists(folder + L"\\Desktop.ini")) << Narrow(folder);

    // Later than the choice's starts: a new choice of one folder.
    Sleep(kJoinChoiceMs + 500);
    const std::wstring later = data.MakeFolder(L"Later");
    Program single(appDir.path(), L"\"" + later + L"\"");
    EXPECT_EQ(single.ExitCode(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(window, TxtFolder) == later; }));
    EXPECT_EQ(ControlText(window, lblChosen), L"");
    EXPECT_EQ(CloseAndReadList(window), Lines(folders));
}

TEST_F(HandOverTest, AHundredStartedTogetherAreAllCustomizedOnce) {
    const std::vector<std::wstring> folders = MakeFolders(100);
    HWND window = StartTogether(folders);
    ASSERT_TRUE(window);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(window, lblChosen) == L"100 folders chosen"; }))
        << Narrow(ControlText(window, lblChosen));
    ASSERT_TRUE(ApplyTip(window));
    EXPECT_EQ(ControlText(window, txtChanging), L"Folders Successfully Customized");
    for (const auto& folder : folders)
        EXPECT_TRUE(Exists(folder + L"\\Desktop.ini")) << Narrow(folder);
    EXPECT_EQ(CloseAndReadList(window), Lines(folders));
}

namespace {

// A process that stands for a second start: made suspended, ended with the object.
class StandIn {
  public:
    StandIn() {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        std::wstring command = std::wstring(system) + L"\\cmd.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                   CREATE_SUSPENDED, nullptr, nullptr, &startup, &pi_));
    }
    ~StandIn() {
        if (!pi_.hProcess)
            return;
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 10000);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    DWORD Id() const { return pi_.dwProcessId; }

  private:
    PROCESS_INFORMATION pi_{};
};

// A hand-over as a second start sends it: a header, then the folder.
template <typename Header>
void SendHandOver(HWND window, ULONG_PTR kind, const Header& header, const std::wstring& folder) {
    std::vector<BYTE> payload(sizeof header + folder.size() * sizeof(wchar_t));
    std::memcpy(payload.data(), &header, sizeof header);
    std::memcpy(payload.data() + sizeof header, folder.data(), folder.size() * sizeof(wchar_t));
    COPYDATASTRUCT data{kind, static_cast<DWORD>(payload.size()), payload.data()};
    EXPECT_EQ(SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE);
}

} // namespace

TEST_F(MultiSelectTest, AStartTimeComesFromTheSenderAndAForgedOneNeverJoins) {
    const std::wstring a = data.MakeFolder(L"A"), b = data.MakeFolder(L"B");
    const std::wstring c = data.MakeFolder(L"C"), d = data.MakeFolder(L"D");
    const std::wstring old = data.MakeFolder(L"Old"), late = data.MakeFolder(L"Late");
    const std::wstring self = data.MakeFolder(L"Self"), nobody = data.MakeFolder(L"Nobody");
    ASSERT_TRUE(Start());
    HWND window = form().hwnd();
    const auto fromProcess = [window](DWORD id, const std::wstring& folder) {
        SendHandOver(window, kHandOverFromProcess, HandOverSender{id}, folder);
    };
    // Two starts made together, as Explorer makes them: one choice by their
    // processes' own times.
    const auto chooseTogether = [&](const std::wstring& first, const std::wstring& second) {
        StandIn one, two;
        fromProcess(one.Id(), first);
        fromProcess(two.Id(), second);
        PumpFor(50);
        EXPECT_EQ(Chosen(), (std::vector<std::wstring>{first, second}));
    };

    chooseTogether(a, b);
    Sleep(kJoinChoiceMs + 500);
    // A start time of 0 in an older copy's message is not taken: a choice of its own.
    SendHandOver(window, kHandOverTimedFolder, ULONGLONG{0}, old);
    PumpFor(50);
    EXPECT_EQ(Chosen(), std::vector<std::wstring>{old});

    chooseTogether(c, d);
    Sleep(kJoinChoiceMs + 500);
    // A process started long after the choice.
    {
        StandIn later;
        fromProcess(later.Id(), late);
        PumpFor(50);
        EXPECT_EQ(Chosen(), std::vector<std::wstring>{late});
    }
    // The window's own process, and one that does not run: no start to read.
    fromProcess(GetCurrentProcessId(), self);
    PumpFor(50);
    EXPECT_EQ(Chosen(), std::vector<std::wstring>{self});
    fromProcess(0, nobody);
    PumpFor(50);
    EXPECT_EQ(Chosen(), std::vector<std::wstring>{nobody});
}
