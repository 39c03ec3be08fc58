#include "tests/ui/main/Form1Fixture.h"

#include "tests/ui/main/ProgramCopy.h"

#include "platform/Files.h"
#include "ui/main/CommandLine.h"
#include "ui/main/RestoreAll.h"
#include "ui/main/SingleInstance.h"

using namespace testing_support;
using namespace ui;

namespace {
class CommandLineTest : public Form1Fixture {};
} // namespace

TEST(ParseCommandLine, ArgumentsAreSplitByTheWindowsRulesAndADriveRootStaysWhole) {
    const auto folder = [](const wchar_t* line) { return ParseCommandLine(line).folder; };
    // Explorer's "%1" on a drive root, and on a folder that ends in a backslash.
    EXPECT_EQ(folder(L"\"C:\\Program Files\\Quillane\\quillane.exe\" \"C:\\\" x"), L"C:\\");
    EXPECT_EQ(folder(L"quillane.exe \"C:\\My Data\\\""), L"C:\\My Data\\");
    EXPECT_EQ(folder(L"quillane.exe C:\\\""), L"C:\\");
    EXPECT_EQ(ParseCommandLine(L"q.exe \"C:\\\" /subfolders").refused, L"/subfolders");
    EXPECT_EQ(folder(L"quillane.exe   C:\\Data  more"), L"C:\\Data");
    EXPECT_EQ(folder(L"quillane.exe"), L"");
    EXPECT_EQ(folder(L"\"quillane.exe\""), L"");
    // Quotes open and close anywhere; backslashes not before a quote are themselves.
    EXPECT_EQ(folder(L"q.exe C:\\Da\"ta x\"y z"), L"C:\\Data xy");
    EXPECT_EQ(folder(L"q.exe \\\\server\\share\\x"), L"\\\\server\\share\\x");
    EXPECT_EQ(folder(L"q.exe \"C:\\x\\\\\" y"), L"C:\\x\\");

    // A value: 2n backslashes before a quote are n and the quote counts; 2n+1
    // are n and a literal quote; two quotes inside quotes are one.
    const auto tip = [](const std::wstring& value) {
        const std::wstring line = L"q.exe /apply C:\\A /tip " + value + L" /quiet";
        const ProgramCommand command = ParseCommandLine(line.c_str());
        EXPECT_EQ(command.apply.folders, std::vector<std::wstring>{L"C:\\A"});
        EXPECT_TRUE(command.quiet);
        return command.apply.tip;
    };
    const std::wstring said = L"say \"hi\" \u041f\u0440\u0438\u0432\u0435\u0442";
    EXPECT_EQ(tip(L"\"say \\\"hi\\\" \u041f\u0440\u0438\u0432\u0435\u0442\""), said);
    EXPECT_EQ(tip(L"\"say \"\"hi\"\" \u041f\u0440\u0438\u0432\u0435\u0442\""), said);
    EXPECT_EQ(tip(L"\"say \\\"hi\\\"\""), L"say \"hi\"");
    EXPECT_EQ(tip(L"\"a\\\\\""), L"a\\");
    EXPECT_EQ(tip(L"\"a\\\\\\\"b\""), L"a\\\"b");
    EXPECT_EQ(tip(L"a\\b\\\\c"), L"a\\b\\\\c");
    EXPECT_EQ(tip(L"\"C:\\\"\""), L"C:\"");
}

TEST(ParseCommandLine, SwitchesStandAnywhereInAnyCase) {
    const auto parse = [](const wchar_t* line) { return ParseCommandLine(line); };
    EXPECT_EQ(parse(L"quillane.exe").mode, ProgramMode::Window);
    EXPECT_EQ(parse(L"quillane.exe \"C:\\\"").mode, ProgramMode::Window);
    // A folder is never a switch: a path holds no slash.
    EXPECT_EQ(parse(L"quillane.exe C:\\restore-all").mode, ProgramMode::Window);
    const ProgramCommand loud = parse(L"\"C:\\Q\\quillane.exe\" /Restore-All");
    EXPECT_EQ(loud.mode, ProgramMode::RestoreAll);
    EXPECT_FALSE(loud.quiet);
    EXPECT_FALSE(loud.allUsers);
    const ProgramCommand quiet = parse(L"quillane.exe /QUIET  /restore-all /All-Users ");
    EXPECT_EQ(quiet.mode, ProgramMode::RestoreAll);
    EXPECT_TRUE(quiet.quiet);
    EXPECT_TRUE(quiet.allUsers);
    EXPECT_EQ(quiet.refused, L"");
    EXPECT_EQ(parse(L"quillane.exe /count-customized").mode, ProgramMode::CountCustomized);
    EXPECT_EQ(parse(L"quillane.exe /count-accounts").mode, ProgramMode::CountAccounts);
    EXPECT_EQ(parse(L"quillane.exe /LIST /all-users").mode, ProgramMode::List);
    // Restoring is never mistaken for counting.
    EXPECT_EQ(parse(L"quillane.exe /count-customized /restore-all").mode, ProgramMode::RestoreAll);
}

TEST(ParseCommandLine, ASwitchIsNeverAFolderAndAStrayOneIsRefused) {
    const auto refused = [](const wchar_t* line) { return ParseCommandLine(line).refused; };
    const ProgramCommand quiet = ParseCommandLine(L"quillane.exe /quiet");
    EXPECT_EQ(quiet.folder, L"");
    EXPECT_EQ(quiet.refused, L"/quiet");
    EXPECT_EQ(refused(L"quillane.exe /all-users C:\\Data"), L"/all-users");
    EXPECT_EQ(refused(L"quillane.exe /restore-all /quiet /Bogus /other"), L"/Bogus");
    EXPECT_EQ(refused(L"quillane.exe /restore-all C:\\Data"), L"C:\\Data");
    EXPECT_EQ(refused(L"quillane.exe C:\\Data"), L"");
    const std::wstring text = RefusedCommandText(ParseCommandLine(L"quillane.exe /Bogus"));
    for (const wchar_t* named : {L"\"/Bogus\"", L"/restore-all", L"/count-customized",
                                 L"/count-accounts", L"/list", L"/all-users", L"/quiet"})
        EXPECT_NE(text.find(named), std::wstring::npos) << Narrow(named);
}

TEST(ParseCommandLine, SetupsSharedIconSwitchesStandAlone) {
    EXPECT_EQ(ParseCommandLine(L"quillane.exe /Prepare-Shared-Icons").mode,
              ProgramMode::PrepareSharedIcons);
    const ProgramCommand remove = ParseCommandLine(L"quillane.exe /remove-shared-icons");
    EXPECT_EQ(remove.mode, ProgramMode::RemoveSharedIcons);
    EXPECT_EQ(remove.refused, L"");
    for (const wchar_t* line :
         {L"quillane.exe /prepare-shared-icons /quiet", L"quillane.exe /prepare-shared-icons C:\\x",
          L"quillane.exe /restore-all /prepare-shared-icons",
          L"quillane.exe /prepare-shared-icons /remove-shared-icons",
          L"quillane.exe /apply C:\\x /prepare-shared-icons"}) {
        const ProgramCommand command = ParseCommandLine(line);
        EXPECT_FALSE(command.refused.empty()) << Narrow(line);
        EXPECT_EQ(command.mode, ProgramMode::PrepareSharedIcons) << Narrow(line);
    }
}

TEST(FullFolderPath, EveryNameIsKeptAsGiven) {
    // A final dot or blank is part of the name: foo. is not its sibling foo.
    EXPECT_EQ(FullFolderPath(L"C:\\x\\foo."), L"C:\\x\\foo.");
    EXPECT_EQ(FullFolderPath(L"C:\\x\\foo \\"), L"C:\\x\\foo ");
    EXPECT_EQ(FullFolderPath(L"\\\\?\\C:\\x\\foo."), L"C:\\x\\foo.");
    EXPECT_EQ(FullFolderPath(L"\\\\?\\UNC\\server\\share\\a."), L"\\\\server\\share\\a.");
    EXPECT_EQ(FullFolderPath(L"C:/x/./y/../foo.."), L"C:\\x\\foo..");
    EXPECT_EQ(FullFolderPath(L"c:"), L"c:\\");
    EXPECT_EQ(FullFolderPath(L"C:\\.."), L"C:\\");
    EXPECT_EQ(FullFolderPath(L"\\\\server\\share\\"), L"\\\\server\\share");
    EXPECT_EQ(FullFolderPath(L""), L"");
    wchar_t current[MAX_PATH];
    ASSERT_TRUE(GetCurrentDirectoryW(MAX_PATH, current));
    std::wstring base = current;
    if (base.back() == L'\\')
        base.pop_back();
    EXPECT_EQ(FullFolderPath(L"foo."), base + L"\\foo.");
    EXPECT_EQ(FullFolderPath(L".\\a\\..\\foo. "), base + L"\\foo. ");
    EXPECT_EQ(FullFolderPath(L"\\foo."), base.substr(0, 2) + L"\\foo.");
}

TEST_F(CommandLineTest, FolderArgumentIsTakenAsIfChosen) {
    const std::wstring root = data.MakeFolder(L"My Data");
    data.MakeFolder(L"My Data\\Sub");
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, data.path());
    form().folderSelection().SetIncludeSubdirectories(true);
    ASSERT_FALSE(TargetItems().empty());

    form().folderSelection().TakeFolder(root + L"\\");
    EXPECT_EQ(Text(TxtFolder), root);
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_TRUE(TargetItems().empty());
    EXPECT_EQ(Text(txtChanging), form().IdleText());
}

TEST_F(CommandLineTest, MissingFolderArgumentIsReportedAndLeavesTheBoxEmpty) {
    const std::wstring missing = data / L"gone";
    const std::wstring file = data / L"file.txt";
    WriteBytes(file, {'x'});
    ASSERT_TRUE(Start());
    for (const std::wstring& argument : {missing, file}) {
        form().SetText(TxtFolder, data.path());
        DialogResponder responder;
        responder.Expect(L"Quillane", [&](HWND d) {
            EXPECT_EQ(MessageBoxText(d), L"Folder not found: " + argument);
            EXPECT_EQ(MessageBoxIcon(d), IDI_INFORMATION);
            PressButton(d, IDOK);
        });
        form().folderSelection().TakeFolder(argument);
        EXPECT_EQ(Text(TxtFolder), L"");
    }
}

TEST_F(CommandLineTest, DriveRootArgumentIsConfirmed) {
    ASSERT_TRUE(Start());
    {
        DialogResponder responder;
        responder.ExpectButton(L"Quillane", IDNO);
        form().folderSelection().TakeFolder(L"C:");
    }
    EXPECT_EQ(Text(TxtFolder), L"");
    {
        DialogResponder responder;
        responder.Expect(L"Quillane", [](HWND d) {
            EXPECT_EQ(
                MessageBoxText(d).rfind(L"This will change ALL the Folders on Drive C:\\ ", 0), 0u);
            PressButton(d, IDYES);
        });
        form().folderSelection().TakeFolder(L"C:\\");
    }
    EXPECT_EQ(Text(TxtFolder), L"C:\\");
}

TEST_F(CommandLineTest, FolderArgumentOnACdDriveIsRefused) {
    ASSERT_TRUE(Start());
    DialogResponder responder;
    responder.ExpectButton(L"Not a Valid Hard Drive", IDOK);
    form().folderSelection().TakeFolder(L"D:\\Disc");
    EXPECT_EQ(Text(TxtFolder), L"");
}

TEST_F(CommandLineTest, AFolderNamedWithAFinalDotIsThatFolderAndNeverItsSibling) {
    const std::wstring parent = data.MakeFolder(L"x");
    const std::wstring sibling = data.MakeFolder(L"x\\foo");
    const std::wstring dotted = parent + L"\\foo.";
    ASSERT_TRUE(CreateDirectoryW(platform::ExactPath(dotted).c_str(), nullptr));
    const std::string theirs = "[.ShellClassInfo]\r\nInfoTip=the user's own\r\n";
    WriteBytes(sibling + L"\\Desktop.ini", theirs);
    WriteBytes(appDir / L"Fldr.dll", "");
    Program window(appDir.path(), L"\"" + dotted + L"\"");
    HWND form = window.Window(kMainWindowClass);
    ASSERT_TRUE(form);
    const auto folderBox = [&] {
        wchar_t text[MAX_PATH] = {};
        SendMessageW(ChildControl(form, TxtFolder), WM_GETTEXT, MAX_PATH,
                     reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    ASSERT_TRUE(PumpUntil([&] { return folderBox() == dotted; })) << Narrow(folderBox());
    // Handed over by a second start, relative to its own current folder.
    SendMessageW(ChildControl(form, TxtFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    Program second(appDir.path(), L"foo.", L"quillane.exe", parent);
    EXPECT_EQ(second.ExitCode(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return folderBox() == dotted; })) << Narrow(folderBox());

    SendMessageW(ChildControl(form, TxtToolTip), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"tip"));
    PostMessageW(form, WM_COMMAND, MAKEWPARAM(Command1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(ChildControl(form, Command1)));
    const std::wstring written = platform::ExactPath(dotted + L"\\Desktop.ini");
    EXPECT_TRUE(PumpUntil([&] { return Exists(written); }));
    // Apply has ended once the window takes commands again.
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(ChildControl(form, Command1)) != FALSE; }));
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(window.ExitCode(), 0u);
    EXPECT_EQ(ReadAnsi(sibling + L"\\Desktop.ini"), theirs);
    EXPECT_FALSE(Exists(sibling + L"\\BUDesktop.ini"));
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), Narrow(dotted) + "\r\n");
}

TEST_F(CommandLineTest, AStraySwitchChangesNothing) {
    const std::wstring list = appDir / L"Fldr.dll";
    {
        Program quiet(appDir.path(), L"/quiet");
        EXPECT_EQ(quiet.ExitCode(), static_cast<DWORD>(kRestoreAllListFailed));
    }
    {
        Program bogus(appDir.path(), L"/restore-all /bogus");
        const std::wstring said = AnswerBox(bogus);
        EXPECT_NE(said.find(L"\"/bogus\""), std::wstring::npos) << Narrow(said);
        EXPECT_NE(said.find(L"/restore-all"), std::wstring::npos) << Narrow(said);
        EXPECT_EQ(bogus.ExitCode(), static_cast<DWORD>(kRestoreAllListFailed));
    }
    {
        Program count(appDir.path(), L"/count-customized /bogus");
        EXPECT_EQ(count.ExitCode(), static_cast<DWORD>(kCountUnreadable));
    }
    EXPECT_FALSE(Exists(list));
}
