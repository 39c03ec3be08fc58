#include "tests/ui/main/Form1Fixture.h"

#include "tests/ui/main/ProgramCopy.h"
#include "tests/support/UnixSide.h"

#include "platform/Files.h"
#include "ui/main/CommandLine.h"
#include "ui/main/RestoreAll.h"
#include "ui/main/ScriptedApply.h"
#include "ui/main/SingleInstance.h"

#include <cwchar>

using namespace testing_support;
using namespace ui;

namespace {
class CommandLineTest : public Form1Fixture {};
} // namespace

TEST(ParseCommandLine, ArgumentsAreSplitByTheWindowsRulesAndADriveRootStaysWhole) {
    const auto folder = [](const wchar_t* line) {
        const ProgramCommand command = ParseCommandLine(line);
        return command.folders.empty() ? std::wstring() : command.folders.front();
    };
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
    EXPECT_TRUE(quiet.folders.empty());
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

namespace {

// A response file as Explorer's menu writes it: UTF-16 with its mark, each
// line ended as given.
std::string ResponseText(const std::vector<std::wstring>& lines,
                         const std::wstring& end = L"\r\n") {
    std::string bytes = "\xFF\xFE";
    for (const auto& line : lines)
        for (wchar_t c : line + end) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
    return bytes;
}

std::vector<std::uint8_t> ToBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::wstring TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    std::wstring folder(buffer, GetTempPathW(MAX_PATH + 1, buffer));
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

// A name of the program's own response files, in the temporary folder; what
// has the name goes with the object (a link as itself).
class OwnName {
  public:
    explicit OwnName(const wchar_t* part)
        : path_(TemporaryFolder() + L"\\Quillane-test-" + std::to_wstring(GetCurrentProcessId()) +
                L"-" + part + L".txt") {}
    ~OwnName() {
        if (!UnixPath(path_).empty())
            RunUnix({"rm", "-f", UnixPath(path_)});
    }
    OwnName(const OwnName&) = delete;
    OwnName& operator=(const OwnName&) = delete;
    const std::wstring& path() const { return path_; }
    // The argument that names it.
    std::wstring Argument() const { return L"\"@" + path_ + L"\""; }

  private:
    std::wstring path_;
};

std::wstring ControlText(HWND window, int id) {
    std::wstring text(32768, L'\0');
    SendMessageW(ChildControl(window, id), WM_GETTEXT, text.size(),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

} // namespace

TEST(ResponseFile, ItsFoldersAreItsLinesAndOnlyTheProgramsOwnNameIsItsOwn) {
    const std::vector<std::wstring> kept{L"C:\\a", L"C:\\b c ", L"C:\\d."};
    EXPECT_EQ(ResponseFileFolders(
                  ToBytes(ResponseText({L"C:\\a", L"", L"C:\\b c ", L"  \t", L"C:\\d."}))),
              kept);
    EXPECT_EQ(ResponseFileFolders(ToBytes(ResponseText({L"C:\\a", L"C:\\b c ", L"C:\\d."}, L"\n"))),
              kept);
    // A script's own file: no mark, no line end after the last.
    EXPECT_EQ(ResponseFileFolders(ToBytes("C:\\a\r\nC:\\b c \nC:\\d.")), kept);
    EXPECT_TRUE(ResponseFileFolders({}).empty());

    for (const wchar_t* own :
         {L"C:\\T\\Quillane-1f.txt", L"c:\\t\\QUILLANE-x y.TXT", L"C:\\T\\Quillane-.txt"})
        EXPECT_TRUE(IsOwnResponseFileName(own, L"C:\\T\\")) << Narrow(own);
    for (const wchar_t* other :
         {L"C:\\T\\sub\\Quillane-1.txt", L"C:\\Quillane-1.txt", L"C:\\T2\\Quillane-1.txt",
          L"C:\\T\\Quillane-1.txt.bak", L"C:\\T\\Quillane1.txt", L"C:\\T\\Quillane-1.txt ",
          L"C:\\T\\other.txt"})
        EXPECT_FALSE(IsOwnResponseFileName(other, L"C:\\T")) << Narrow(other);
}

TEST(ParseCommandLine, EveryFolderIsKeptAndRestoreTakesOnlyItsOwnSwitches) {
    const ProgramCommand window =
        ParseCommandLine(L"q.exe C:\\A \"C:\\\" \"@C:\\x y\\l.txt\" C:\\B");
    EXPECT_EQ(window.mode, ProgramMode::Window);
    EXPECT_EQ(window.folders,
              (std::vector<std::wstring>{L"C:\\A", L"C:\\", L"@C:\\x y\\l.txt", L"C:\\B"}));
    EXPECT_EQ(window.refused, L"");

    const ProgramCommand restore =
        ParseCommandLine(L"q.exe /Restore C:\\A /subfolders @C:\\l.txt /quiet");
    EXPECT_EQ(restore.mode, ProgramMode::Restore);
    EXPECT_EQ(restore.folders, (std::vector<std::wstring>{L"C:\\A", L"@C:\\l.txt"}));
    EXPECT_TRUE(restore.subfolders && restore.quiet);
    EXPECT_EQ(restore.refused, L"");
    // No folder is the run's to say: a response file may hold none.
    EXPECT_EQ(ParseCommandLine(L"q.exe /restore").refused, L"");
    const struct {
        const wchar_t* line;
        const wchar_t* refused;
    } refusals[] = {{L"q.exe /restore C:\\A /bogus", L"/bogus"},
                    {L"q.exe /restore C:\\A /tip x", L"/tip"},
                    {L"q.exe /restore C:\\A /root", L"/root"},
                    {L"q.exe /restore C:\\A /all-users", L"/all-users"},
                    {L"q.exe /restore C:\\A /restore-all", L"/restore"},
                    {L"q.exe /list /restore C:\\A", L"/restore"},
                    {L"q.exe /restore C:\\A /apply /tip x", L"/apply"},
                    {L"q.exe /restore /prepare-shared-icons", L"/prepare-shared-icons"},
                    {L"q.exe C:\\A /subfolders", L"/subfolders"},
                    {L"q.exe /count-customized @C:\\l.txt", L"@C:\\l.txt"}};
    for (const auto& refusal : refusals)
        EXPECT_EQ(ParseCommandLine(refusal.line).refused, refusal.refused) << Narrow(refusal.line);
    const std::wstring text = RefusedCommandText(ParseCommandLine(L"q.exe /restore /bogus"));
    for (const wchar_t* named : {L"/restore FOLDER... [/subfolders] [/quiet]", L"@FILE"})
        EXPECT_NE(text.find(named), std::wstring::npos) << Narrow(named);
}

TEST_F(CommandLineTest, ResponseFilesGiveTheirFoldersAndOnlyTheProgramsOwnAreDeleted) {
    const std::wstring a = data.MakeFolder(L"A"), b = data.MakeFolder(L"B");
    const std::wstring c = data.MakeFolder(L"C"), d = data.MakeFolder(L"D");
    const std::wstring e = data.MakeFolder(L"E"), f = data.MakeFolder(L"F");
    WriteBytes(appDir / L"Fldr.dll", "");
    const OwnName own(L"own"), linked(L"linked"), refused(L"refused"), big(L"big");
    WriteBytes(own.path(), ResponseText({b, c}));
    // Named as the program's own, but not in the temporary folder.
    const std::wstring elsewhere = data / L"Quillane-elsewhere.txt";
    const std::string elsewhereText = ResponseText({d});
    WriteBytes(elsewhere, elsewhereText);
    const auto apply = [&](const std::wstring& arguments) {
        Program program(appDir.path(), L"/apply " + arguments + L" /tip x /quiet");
        return program.ExitCode();
    };
    const auto customized = [](const std::wstring& folder) {
        return Exists(folder + L"\\Desktop.ini");
    };

    EXPECT_EQ(apply(L"\"" + a + L"\" " + own.Argument() + L" @\"" + elsewhere + L"\""),
              static_cast<DWORD>(kApplyDone));
    for (const auto& folder : {a, b, c, d})
        EXPECT_TRUE(customized(folder)) << Narrow(folder);
    EXPECT_FALSE(Exists(own.path()));
    EXPECT_EQ(ReadAnsi(elsewhere), elsewhereText);
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"),
              Narrow(a + L"\r\n" + b + L"\r\n" + c + L"\r\n" + d + L"\r\n"));

    // A link of the program's name is read through, and neither it nor what
    // it points at is deleted.
    const std::wstring target = data / L"target.txt";
    const std::string targetText = ResponseText({e});
    WriteBytes(target, targetText);
    ASSERT_TRUE(MakeUnixLink(target, linked.path()));
    EXPECT_EQ(apply(linked.Argument()), static_cast<DWORD>(kApplyDone));
    EXPECT_TRUE(customized(e));
    EXPECT_TRUE(RunUnix({"test", "-L", UnixPath(linked.path())}));
    EXPECT_EQ(ReadAnsi(target), targetText);

    // A refused command still deletes the program's own file; one too long
    // is refused before it is read, and a missing one is refused too.
    WriteBytes(refused.path(), ResponseText({f}));
    EXPECT_EQ(apply(refused.Argument() + L" /bogus"), static_cast<DWORD>(kApplyNothingDone));
    EXPECT_FALSE(Exists(refused.path()));
    WriteBytes(big.path(), ResponseText({f}));
    ASSERT_TRUE(SetFileLength(big.path(), kResponseFileMaxBytes + 2));
    EXPECT_EQ(apply(big.Argument()), static_cast<DWORD>(kApplyNothingDone));
    EXPECT_FALSE(Exists(big.path()));
    EXPECT_EQ(apply(L"\"@" + (data / L"missing.txt") + L"\""),
              static_cast<DWORD>(kApplyNothingDone));
    EXPECT_FALSE(customized(f));
}

TEST_F(CommandLineTest, FiveThousandFoldersThroughAResponseFileAreAllCustomized) {
    std::vector<std::wstring> folders;
    for (int i = 0; i < 5000; ++i) {
        folders.push_back(data / (L"Folder " + std::to_wstring(10000 + i)));
        ASSERT_TRUE(CreateDirectoryW(folders.back().c_str(), nullptr));
    }
    WriteBytes(appDir / L"Fldr.dll", "");
    const OwnName own(L"many");
    WriteBytes(own.path(), ResponseText(folders));
    Program program(appDir.path(), L"/apply " + own.Argument() + L" /tip x /quiet");
    EXPECT_EQ(program.ExitCode(300000), static_cast<DWORD>(kApplyDone));
    std::string listed;
    for (const auto& folder : folders)
        listed += Narrow(folder) + "\r\n";
    EXPECT_EQ(ReadAnsi(appDir / L"Fldr.dll"), listed);
    EXPECT_TRUE(Exists(folders.front() + L"\\Desktop.ini"));
    EXPECT_TRUE(Exists(folders.back() + L"\\Desktop.ini"));
    EXPECT_FALSE(Exists(own.path()));
}

TEST_F(CommandLineTest, SeveralFoldersAreOneChoiceOfTheWindowAndOfTheCopyTheyAreHandedTo) {
    const std::wstring a = data.MakeFolder(L"A"), b = data.MakeFolder(L"B");
    const std::wstring c = data.MakeFolder(L"C"), d = data.MakeFolder(L"D");
    WriteBytes(appDir / L"Fldr.dll", "");
    const OwnName own(L"window");
    WriteBytes(own.path(), ResponseText({a, b}));
    Program window(appDir.path(), own.Argument());
    HWND form = window.Window(kMainWindowClass);
    ASSERT_TRUE(form);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(form, lblChosen) == L"2 folders chosen"; }))
        << Narrow(ControlText(form, lblChosen));
    EXPECT_EQ(ControlText(form, TxtFolder), a);
    EXPECT_FALSE(Exists(own.path()));

    // Handed over together by a second start: a new choice of both, whenever it came.
    Program second(appDir.path(), L"\"" + c + L"\" \"" + d + L"\"");
    EXPECT_EQ(second.ExitCode(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(form, TxtFolder) == c; }))
        << Narrow(ControlText(form, TxtFolder));
    EXPECT_EQ(ControlText(form, lblChosen), L"2 folders chosen");
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(window.ExitCode(), 0u);
}
