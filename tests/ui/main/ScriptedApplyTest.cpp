// quillane.exe /apply, run as a child process on real folders and lists, and
// compared with the window's Apply.
#include "tests/ui/main/Form1Fixture.h"
#include "tests/ui/main/ProgramCopy.h"

#include "engine/ListFile.h"
#include "engine/ListJournal.h"
#include "engine/RestoreRecord.h"
#include "engine/OperationLock.h"
#include "engine/CustomizeFolder.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/SystemApi.h"
#include "platform/TextCodec.h"
#include "tests/support/BuiltFiles.h"
#include "tests/support/UnixSide.h"
#include "ui/common/FolderColour.h"
#include "ui/main/CommandLine.h"
#include "ui/main/RestoreAll.h"
#include "ui/main/ScriptedApply.h"

#include <algorithm>
#include <map>
#include <optional>

using namespace testing_support;
using namespace ui;

namespace {

class ScriptedApplyTest : public Form1Fixture {
  protected:
    // The exit code; standard output and error into `told`.
    DWORD Run(const std::wstring& arguments, const wchar_t* name = L"quillane.exe") {
        const std::wstring printed = appDir / L"told.txt";
        {
            SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
            platform::FileHandle output(CreateFileW(printed.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                    &inherit, CREATE_ALWAYS, 0, nullptr));
            Program program(appDir.path(), arguments, name, {}, output.get());
            code_ = program.ExitCode();
        }
        const std::vector<std::uint8_t> bytes = ReadBytes(printed);
        told = std::string(bytes.begin(), bytes.end());
        return code_;
    }
    std::wstring ListFile() const { return appDir / L"Fldr.dll"; }
    static std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
    std::string told;

  private:
    DWORD code_ = 0;
};

// What a folder holds: each file's bytes and attributes, the folder's own.
using Snapshot = std::map<std::wstring, std::pair<std::string, DWORD>>;
Snapshot Take(const std::vector<std::wstring>& folders) {
    Snapshot snapshot;
    for (const auto& folder : folders) {
        snapshot[folder] = {"", Attributes(folder) & 7};
        for (const wchar_t* name : {L"\\Desktop.ini", L"\\BUDesktop.ini"})
            if (Exists(folder + name))
                snapshot[folder + name] = {ReadAnsi(folder + name), Attributes(folder + name) & 7};
    }
    return snapshot;
}

// The icon file a folder's Desktop.ini names, and its index.
std::wstring IconNamed(const std::wstring& folder, int& index) {
    const std::wstring ini = folder + L"\\Desktop.ini";
    wchar_t file[MAX_PATH * 2] = {};
    GetPrivateProfileStringW(L".ShellClassInfo", L"IconFile", L"", file, MAX_PATH * 2, ini.c_str());
    index =
        static_cast<int>(GetPrivateProfileIntW(L".ShellClassInfo", L"IconIndex", -1, ini.c_str()));
    return file;
}

// The settings file Apply writes for an icon alone.
std::vector<std::uint8_t> IconOnlyFile(const std::wstring& icon) {
    engine::FolderOptions options;
    options.iconFile = icon;
    return platform::EncodeTextFile(engine::ComposeSettingsFile(options));
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

const DWORD kDone = kApplyDone, kSomeLeft = kApplySomeLeft, kNothing = kApplyNothingDone,
            kBusy = kApplyBusy;

} // namespace

TEST(ParseApplyCommand, TakesFoldersAndValuesWithQuotesDoubled) {
    const ProgramCommand command = ParseCommandLine(
        L"q.exe /apply C:\\A \"C:\\B C\" /SubFolders /icon \"C:\\i,1.dll,3\" /tip \"say "
        L"\"\"hi\"\"\" "
        L"/textcolour FF0000 /textbackground #00ff00 /picture /x.jpg /root /quiet");
    EXPECT_EQ(command.mode, ProgramMode::Apply);
    EXPECT_EQ(command.refused, L"");
    EXPECT_EQ(command.apply.folders, (std::vector<std::wstring>{L"C:\\A", L"C:\\B C"}));
    EXPECT_TRUE(command.apply.subfolders && command.apply.root && command.quiet);
    EXPECT_EQ(command.apply.icon, L"C:\\i,1.dll,3");
    EXPECT_EQ(command.apply.tip, L"say \"hi\"");
    EXPECT_EQ(command.apply.picture, L"/x.jpg"); // a value, whatever it looks like
    EXPECT_EQ(ColourArgument(command.apply.textColour), L"0x000000FF");
    EXPECT_EQ(ColourArgument(command.apply.textBackground), L"0x0000FF00");
    EXPECT_EQ(ColourArgument(L"123456"), engine::ColorToHex(0x563412));
    for (const wchar_t* bad : {L"12345", L"1234567", L"12345G", L"0x1234", L""})
        EXPECT_EQ(ColourArgument(bad), L"") << Narrow(bad);
    const auto refused = [](const wchar_t* line) { return ParseCommandLine(line).refused; };
    EXPECT_EQ(refused(L"q.exe /apply C:\\A /tip"), L"/tip");
    EXPECT_EQ(refused(L"q.exe /apply C:\\A /tip /quiet"), L"/tip");
    EXPECT_EQ(ParseCommandLine(L"q.exe /apply /bogus").mode, ProgramMode::Apply);
    EXPECT_EQ(refused(L"q.exe C:\\A /subfolders"), L"/subfolders");
    EXPECT_EQ(refused(L"q.exe /restore-all /icon x.ico"), L"/icon");
    EXPECT_EQ(refused(L"q.exe /apply /restore-all C:\\A"), L"/apply");
    EXPECT_EQ(refused(L"q.exe /apply /all-users C:\\A"), L"/all-users");
    EXPECT_NE(RefusedCommandText(ParseCommandLine(L"q.exe /x")).find(L"/apply FOLDER..."),
              std::wstring::npos);

    EXPECT_EQ(ParseCommandLine(L"q.exe /apply C:\\A /COLOUR Red").apply.colour, L"Red");
    EXPECT_EQ(refused(L"q.exe /apply C:\\A /colour /quiet"), L"/colour");
    EXPECT_EQ(refused(L"q.exe /apply C:\\A /tip /colour"), L"/tip");
    EXPECT_EQ(ParseCommandLine(L"q.exe /apply C:\\A /MARK \"In progress\"").apply.mark,
              L"In progress");
    EXPECT_EQ(refused(L"q.exe /apply C:\\A /mark /colour Red"), L"/mark");
    engine::Colour colour;
    ASSERT_TRUE(ColourChoice(L"bLuE", colour));
    EXPECT_EQ(colour, engine::FindColourPreset(L"Blue")->colour);
    ASSERT_TRUE(ColourChoice(L"#1e90ff", colour));
    EXPECT_EQ(colour, (engine::Colour{0x1E, 0x90, 0xFF}));
    for (const wchar_t* bad : {L"Mauve", L"1E90F", L"1E90FF0", L"##1E90FF", L"0x1E90FF", L"Red "})
        EXPECT_FALSE(ColourChoice(bad, colour)) << Narrow(bad);
}

TEST_F(ScriptedApplyTest, ATreeGetsTheWindowsBytesAndJoinsTheRecord) {
    const std::wstring root = data.MakeFolder(L"Team");
    const std::wstring inner = data.MakeFolder(L"Team\\Docs\\Old");
    const std::wstring docs = data / L"Team\\Docs";
    const std::wstring excluded = data.MakeFolder(L"Team\\Desktop");
    const std::wstring other = data.MakeFolder(L"Other");
    const std::wstring byWindow = data.MakeFolder(L"ByWindow");
    const std::wstring listed = data.MakeFolder(L"Listed");
    engine::FolderOptions earlier;
    earlier.tooltip = L"earlier";
    ASSERT_TRUE(engine::CustomizeFolder(listed, earlier).customized);
    WriteBytes(ListFile(), Narrow(listed) + "\r\n");
    const std::wstring icons = BuiltIconsDir() + L"\\QuillaneIcons.dll";
    // Quotes, a character of the code page and one outside it.
    const std::wstring tip = L"Team \"Alpha\" caf\u00e9 \u65e5";

    // Two roots, one given twice as another spelling, and its own tree below.
    EXPECT_EQ(Run(L"/apply " + Quoted(root) + L" " + Quoted(other) + L" " + Quoted(docs + L"\\.") +
                  L" /subfolders /icon " + Quoted(icons + L",5") +
                  L" /tip \"Team \"\"Alpha\"\" caf\u00e9 \u65e5\" /textcolour 123456 /quiet"),
              kDone);
    EXPECT_EQ(told, "");

    // The window, with the same choices, on a folder of its own.
    ASSERT_TRUE(Start());
    form().iconPicker().ChooseFile(icons);
    form().iconPicker().OnScroll(SB_THUMBPOSITION, 5);
    form().SetText(TxtToolTip, tip);
    form().options().lblColor = engine::ColorToHex(0x563412);
    form().SetText(TxtFolder, byWindow);
    form().apply().Command1_Click();
    const std::vector<std::uint8_t> expected = ReadBytes(byWindow + L"\\Desktop.ini");
    ASSERT_FALSE(expected.empty());
    for (const auto& folder : {root, docs, inner, other})
        EXPECT_EQ(ReadBytes(folder + L"\\Desktop.ini"), expected) << Narrow(folder);
    EXPECT_FALSE(Exists(excluded + L"\\Desktop.ini"));
    // The record: the earlier entry, the run's folders once each, and the window's.
    form_.reset();
    std::vector<std::wstring> lines;
    ASSERT_TRUE(engine::ReadListLines(ListFile(), lines));
    std::sort(lines.begin(), lines.end());
    std::vector<std::wstring> want{byWindow, docs, inner, listed, other, root};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(lines, want);
    EXPECT_FALSE(Exists(engine::JournalPath(ListFile())));
}

TEST_F(ScriptedApplyTest, EveryBadArgumentIsNamedAndChangesNothing) {
    const std::wstring folder = data.MakeFolder(L"Data");
    const std::wstring icon = BuiltIconsDir() + L"\\Feather.ico";
    WriteBytes(ListFile(), "\r\n");
    const struct {
        std::wstring arguments;
        std::string named;
    } cases[] = {
        {L"/apply /tip x", "Name a folder"},
        {L"/apply " + Quoted(data / L"gone") + L" /tip x",
         "Folder not found: " + Narrow(data / L"gone")},
        {L"/apply " + Quoted(folder) + L" /icon " + Quoted(data / L"none.ico"), "none.ico"},
        {L"/apply " + Quoted(folder) + L" /icon " + Quoted(icon + L",1"), "there is no icon 1"},
        {L"/apply " + Quoted(folder) + L" /textcolour 12345G", "\"12345G\""},
        {L"/apply " + Quoted(folder) + L" /textbackground red", "/textbackground"},
        {L"/apply " + Quoted(folder), "at least one"},
        {L"/apply C:\\ /tip x", "C:\\ is the root of a drive"},
        {L"/apply " + Quoted(folder) + L" /tip", "\"/tip\""},
        {L"/apply " + Quoted(folder) + L" /colour Mauve", "not \"Mauve\""},
        {L"/apply " + Quoted(folder) + L" /colour 1E90F", "not \"1E90F\""},
        {L"/apply " + Quoted(folder) + L" /colour ABCDEF /icon " + Quoted(icon),
         "/colour and /icon"},
        {L"/apply " + Quoted(folder) + L" /colour", "\"/colour\""},
        {L"/apply " + Quoted(folder) + L" /mark Sparkle",
         "(Done, Important, InProgress, Favourite, Question, Cancelled, Locked, Heart) or none: "
         "not \"Sparkle\""},
        {L"/apply " + Quoted(folder) + L" /colour Red /mark Nope", "not \"Nope\""},
        {L"/apply " + Quoted(folder) + L" /mark Done /icon " + Quoted(icon), "/mark and /icon"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.arguments + L" /quiet"), kNothing) << Narrow(c.arguments);
        EXPECT_NE(told.find(c.named), std::string::npos) << Narrow(c.arguments) << ": " << told;
    }
    // A message box names it too.
    {
        Program program(appDir.path(), L"/apply " + Quoted(folder) + L" /textcolour 12345G");
        EXPECT_NE(AnswerBox(program).find(L"\"12345G\""), std::wstring::npos);
        EXPECT_EQ(program.ExitCode(), kNothing);
    }
    // Wine reports Windows 10 to this name: no background pictures there.
    constexpr wchar_t kName[] = L"quillane-on-10.exe";
    const std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + kName;
    HKEY settings = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &settings, nullptr),
              ERROR_SUCCESS);
    const wchar_t win10[] = L"win10";
    RegSetValueExW(settings, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(win10),
                   sizeof win10);
    RegCloseKey(settings);
    EXPECT_EQ(Run(L"/apply " + Quoted(folder) + L" /picture " + Quoted(icon) + L" /quiet", kName),
              kNothing);
    EXPECT_NE(told.find("Background picture feature requires Windows XP"), std::string::npos);
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    // A list that cannot be read: nothing may be written unrecorded.
    {
        platform::FileHandle held(
            CreateFileW(ListFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        EXPECT_EQ(Run(L"/apply " + Quoted(folder) + L" /tip x /quiet"), kNothing);
        EXPECT_NE(told.find("could not be read"), std::string::npos) << told;
    }
    EXPECT_FALSE(Exists(folder + L"\\Desktop.ini"));
    EXPECT_EQ(Attributes(folder) & 7, 0u);
    // A refused colour makes no icon either.
    for (const std::wstring& icons : {SharedIconFolder(), PerUserIconFolder()})
        EXPECT_FALSE(Exists(icons + L"\\Folder ABCDEF.ico"));
    EXPECT_EQ(ReadAnsi(ListFile()), "\r\n");
    EXPECT_FALSE(Exists(engine::JournalPath(ListFile())));
}

TEST_F(ScriptedApplyTest, ABusyCopyIsWaitedForThenThree) {
    const std::wstring folder = data.MakeFolder(L"Data");
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", L"1500");
    {
        engine::OperationLock busy;
        ASSERT_TRUE(busy.Take(engine::LockPath(ListFile()), 0));
        const ULONGLONG start = platform::TickCount64();
        EXPECT_EQ(Run(L"/apply " + Quoted(folder) + L" /tip x /quiet"), kBusy);
        EXPECT_GE(platform::TickCount64() - start, 1500u);
        EXPECT_NE(told.find("Another copy"), std::string::npos) << told;
        EXPECT_FALSE(Exists(folder + L"\\Desktop.ini"));
        // The save lock is another byte: a save goes on meanwhile.
        engine::RestoreRecord record(appDir.path(), L"");
        engine::SortedFolderList empty;
        record.Load(empty);
        EXPECT_TRUE(record.Save(empty));
    }
    SetEnvironmentVariableW(L"QUILLANE_OPERATION_WAIT_MS", nullptr);
    EXPECT_EQ(Run(L"/apply " + Quoted(folder) + L" /tip x /quiet"), kDone);
    EXPECT_TRUE(Exists(folder + L"\\Desktop.ini"));
}

TEST_F(ScriptedApplyTest, AFolderThatCannotBeChangedIsNamedAndRestoreAllUndoesTheRest) {
    const std::wstring root = data.MakeFolder(L"Tree");
    const std::wstring foreign = data.MakeFolder(L"Tree\\Foreign");
    const std::wstring hidden = data.MakeFolder(L"Tree\\Hidden");
    const std::wstring held = data.MakeFolder(L"Tree\\Held");
    WriteBytes(foreign + L"\\Desktop.ini", "[.ShellClassInfo]\r\nInfoTip=theirs\r\n");
    SetFileAttributesW((foreign + L"\\Desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(foreign.c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    WriteBytes(held + L"\\Desktop.ini", "[.ShellClassInfo]\r\nInfoTip=in use\r\n");
    // A restore leaves a folder as the restore rule says, not hidden again.
    const std::vector<std::wstring> folders{root, foreign, held};
    const Snapshot before = Take(folders);
    {
        platform::FileHandle inUse(CreateFileW((held + L"\\Desktop.ini").c_str(), GENERIC_READ, 0,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(inUse.valid());
        const std::wstring printed = appDir / L"told.txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        platform::FileHandle output(CreateFileW(printed.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                &inherit, CREATE_ALWAYS, 0, nullptr));
        Program program(appDir.path(), L"/apply " + Quoted(root) + L" /subfolders /tip x",
                        L"quillane.exe", {}, output.get());
        EXPECT_NE(program.Window(kApplyWindowClass), nullptr);
        const std::wstring message = AnswerBox(program);
        EXPECT_NE(message.find(L"Folders Customized: 3 of 4 (1 could not be changed)"),
                  std::wstring::npos)
            << Narrow(message);
        EXPECT_EQ(program.ExitCode(), kSomeLeft);
        // Standard error names it.
        output.reset();
        EXPECT_EQ(ReadAnsi(printed).rfind(Narrow(held) + ": ", 0), 0u) << ReadAnsi(printed);
    }
    EXPECT_EQ(Attributes(hidden) & 7, static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(Exists(foreign + L"\\BUDesktop.ini"));
    EXPECT_NE(Take(folders), before);
    EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllDone));
    EXPECT_EQ(Take(folders), before);
    EXPECT_FALSE(Exists(hidden + L"\\Desktop.ini"));
    EXPECT_EQ(ReadBytes(ListFile()).size(), 0u);
}

TEST_F(ScriptedApplyTest, AColouredTreeNamesOneSharedIconWhichRestoreAllLeaves) {
    const std::wstring root = data.MakeFolder(L"Tree");
    const std::wstring inner = data.MakeFolder(L"Tree\\Docs\\Old");
    const std::vector<std::wstring> folders{root, data / L"Tree\\Docs", inner};
    WriteBytes(inner + L"\\Desktop.ini", "[.ShellClassInfo]\r\nInfoTip=theirs\r\n");
    // As a restore leaves a folder with a settings file of its own.
    SetFileAttributesW((inner + L"\\Desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(inner.c_str(), FILE_ATTRIBUTE_SYSTEM);
    const Snapshot before = Take(folders);

    EXPECT_EQ(Run(L"/apply " + Quoted(root) + L" /subfolders /colour red /quiet"), kDone);
    EXPECT_EQ(told, "");
    // The window's file for that colour: found, not written again.
    engine::SharedIcon icon;
    ASSERT_TRUE(FolderIconFile(engine::FindColourPreset(L"Red")->colour, icon));
    EXPECT_FALSE(icon.written);
    EXPECT_FALSE(icon.perUser);
    EXPECT_EQ(icon.path.rfind(SharedIconFolder() + L"\\Folder Red D32F2F", 0), 0u)
        << Narrow(icon.path);
    for (const auto& folder : folders) {
        SCOPED_TRACE(Narrow(folder));
        EXPECT_EQ(ReadBytes(folder + L"\\Desktop.ini"), IconOnlyFile(icon.path));
        EXPECT_NE(ReadAnsi(folder + L"\\Desktop.ini")
                      .find("IconFile=\"" + Narrow(icon.path) + "\"\r\nIconIndex=0\r\n"),
                  std::string::npos);
    }
    platform::FileStamp stamp;
    ASSERT_TRUE(platform::ReadStamp(icon.path, stamp));
    const std::vector<std::uint8_t> bytes = ReadBytes(icon.path);

    // Other folders may share the icon: putting these back leaves it.
    EXPECT_EQ(Run(L"/restore-all /quiet"), static_cast<DWORD>(kRestoreAllDone));
    EXPECT_EQ(Take(folders), before);
    platform::FileStamp after;
    ASSERT_TRUE(platform::ReadStamp(icon.path, after));
    EXPECT_TRUE(after == stamp);
    EXPECT_EQ(ReadBytes(icon.path), bytes);
}

TEST_F(ScriptedApplyTest, AColourOfOnesOwnIsReusedAndThePerUserPlaceIsNamedOnce) {
    const std::wstring first = data.MakeFolder(L"First");
    const std::wstring second = data.MakeFolder(L"Second");
    EXPECT_EQ(Run(L"/apply " + Quoted(first) + L" /colour 1E90FF /tip Mine /quiet"), kDone);
    int index = -1;
    const std::wstring icon = IconNamed(first, index);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(icon.rfind(SharedIconFolder() + L"\\Folder 1E90FF", 0), 0u) << Narrow(icon);
    std::vector<std::uint8_t> generated;
    ASSERT_TRUE(FolderIconBytes({0x1E, 0x90, 0xFF}, generated));
    EXPECT_EQ(ReadBytes(icon), generated);
    platform::FileStamp stamp;
    ASSERT_TRUE(platform::ReadStamp(icon, stamp));
    Sleep(20);
    EXPECT_EQ(Run(L"/apply " + Quoted(second) + L" /colour #1e90ff /quiet"), kDone);
    EXPECT_EQ(IconNamed(second, index), icon);
    platform::FileStamp again;
    ASSERT_TRUE(platform::ReadStamp(icon, again));
    EXPECT_TRUE(again == stamp);
    EXPECT_EQ(ReadBytes(icon), generated);

    // The shared place refuses writes: the user's own, said once on each channel.
    const std::wstring third = data.MakeFolder(L"Third");
    const std::wstring perUser = PerUserIconFolder() + L"\\Folder 123456.ico";
    {
        Immutable shut(SharedIconFolder());
        ASSERT_TRUE(shut.ok());
        const std::wstring printed = appDir / L"told.txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        platform::FileHandle output(CreateFileW(printed.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                &inherit, CREATE_ALWAYS, 0, nullptr));
        Program program(appDir.path(), L"/apply " + Quoted(third) + L" /colour 123456",
                        L"quillane.exe", {}, output.get());
        const std::wstring message = AnswerBox(program);
        EXPECT_EQ(program.ExitCode(), kDone);
        output.reset();
        const std::string note = "so the coloured icon is kept where only you find it: ";
        EXPECT_EQ(Occurrences(Narrow(message), note + Narrow(perUser)), 1u) << Narrow(message);
        EXPECT_NE(message.find(L"Folders Successfully Customized"), std::wstring::npos);
        EXPECT_EQ(Occurrences(ReadAnsi(printed), note + Narrow(perUser)), 1u) << ReadAnsi(printed);
    }
    EXPECT_EQ(IconNamed(third, index), perUser);
    EXPECT_FALSE(Exists(SharedIconFolder() + L"\\Folder 123456.ico"));
}

TEST_F(ScriptedApplyTest, ALinkedFolderIsPassedOverOrRefusedAndQuotesFollowTheWindowsRules) {
    const std::wstring root = data.MakeFolder(L"Team");
    const std::wstring inner = data.MakeFolder(L"Team\\Docs");
    const std::wstring outside = data.MakeFolder(L"Outside");
    const std::string theirs = "[.ShellClassInfo]\r\nInfoTip=the other tree's own\r\n";
    WriteBytes(outside + L"\\Desktop.ini", theirs);
    const std::wstring link = root + L"\\Link";
    ASSERT_TRUE(MakeUnixLink(outside, link));
    WriteBytes(ListFile(), "");
    engine::FolderOptions options;
    options.tooltip = L"say \"hi\" \u041f\u0440\u0438\u0432\u0435\u0442";
    const std::vector<std::uint8_t> expected =
        platform::EncodeTextFile(engine::ComposeSettingsFile(options));
    const Snapshot before = Take({outside});

    // A backslash before a quote escapes it, as the C runtime reads it.
    EXPECT_EQ(Run(L"/apply " + Quoted(root) +
                  L" /subfolders /tip \"say \\\"hi\\\" \u041f\u0440\u0438\u0432\u0435\u0442\" "
                  L"/quiet"),
              kDone);
    EXPECT_EQ(told, "1 linked folder passed over\r\n");
    for (const auto& folder : {root, inner})
        EXPECT_EQ(ReadBytes(folder + L"\\Desktop.ini"), expected) << Narrow(folder);
    EXPECT_EQ(Take({outside}), before);
    std::vector<std::wstring> lines;
    ASSERT_TRUE(engine::ReadListLines(ListFile(), lines));
    EXPECT_EQ(lines, (std::vector<std::wstring>{root, inner}));

    // Two quotes inside quotes are one; a drive root given as Explorer gives it.
    const std::wstring other = data.MakeFolder(L"Other");
    EXPECT_EQ(Run(L"/apply " + Quoted(other) +
                  L" /tip \"say \"\"hi\"\" \u041f\u0440\u0438\u0432\u0435\u0442\" /quiet"),
              kDone);
    EXPECT_EQ(ReadBytes(other + L"\\Desktop.ini"), expected);
    EXPECT_EQ(Run(L"/apply \"C:\\\" /tip x /quiet"), kNothing);
    EXPECT_EQ(told.rfind("C:\\ is the root of a drive.", 0), 0u) << told;

    // The link itself, alone or with its subfolders: refused, nothing written.
    for (const wchar_t* more : {L"", L" /subfolders"}) {
        EXPECT_EQ(Run(L"/apply " + Quoted(link) + more + L" /tip x /quiet"), kNothing);
        EXPECT_EQ(told, Narrow(LinkedFolderText(link)) + "\r\n");
    }
    EXPECT_EQ(Take({outside}), before);
    ASSERT_TRUE(engine::ReadListLines(ListFile(), lines));
    EXPECT_EQ(lines.size(), 3u);
    ASSERT_TRUE(RunUnix({"rm", UnixPath(link)}));
}

namespace {

// The generated icon of a look, as the window would find it.
std::wstring LookIcon(std::optional<engine::Colour> colour, engine::FolderMark mark) {
    engine::SharedIcon icon;
    EXPECT_TRUE(FolderIconFile(engine::IconLook{colour, mark}, icon));
    EXPECT_EQ(icon.path.rfind(SharedIconFolder() + L"\\" +
                                  engine::FolderIconBaseName(engine::IconLook{colour, mark}),
                              0),
              0u)
        << Narrow(icon.path);
    return icon.path;
}

std::vector<std::uint8_t> SettingsBytes(const std::wstring& icon, const std::wstring& tip,
                                        const std::wstring& textColour = {}) {
    engine::FolderOptions options;
    options.iconFile = icon;
    options.tooltip = tip;
    options.textColor = textColour;
    return platform::EncodeTextFile(engine::ComposeSettingsFile(options));
}

} // namespace

TEST_F(ScriptedApplyTest, AMarkAloneOrOnAColourNamesItsGeneratedIcon) {
    const std::wstring marked = data.MakeFolder(L"Marked");
    const std::wstring both = data.MakeFolder(L"Both");
    EXPECT_EQ(Run(L"/apply " + Quoted(marked) + L" /mark done /quiet"), kDone);
    EXPECT_EQ(told, "");
    EXPECT_EQ(Run(L"/apply " + Quoted(both) + L" /colour Red /mark Done /quiet"), kDone);
    const engine::Colour red = engine::FindColourPreset(L"Red")->colour;
    const std::wstring done = LookIcon(std::nullopt, engine::FolderMark::Done);
    const std::wstring redDone = LookIcon(red, engine::FolderMark::Done);
    EXPECT_EQ(ReadBytes(marked + L"\\Desktop.ini"), IconOnlyFile(done));
    EXPECT_EQ(ReadBytes(both + L"\\Desktop.ini"), IconOnlyFile(redDone));
    std::vector<std::wstring> lines;
    ASSERT_TRUE(engine::ReadListLines(ListFile(), lines));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::wstring>{both, marked}));
}

TEST_F(ScriptedApplyTest, AColourOrAMarkAloneKeepsTheRestOfAFolderOfOurs) {
    const std::wstring kept = data.MakeFolder(L"Kept");
    const std::wstring custom = data.MakeFolder(L"Custom");
    const std::wstring foreign = data.MakeFolder(L"Foreign");
    const std::wstring onlyMark = data.MakeFolder(L"OnlyMark");
    const std::string theirs = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";
    WriteBytes(foreign + L"\\Desktop.ini", theirs);
    const std::wstring feather = BuiltIconsDir() + L"\\Feather.ico";
    const engine::Colour red = engine::FindColourPreset(L"Red")->colour;
    const engine::Colour blue = engine::FindColourPreset(L"Blue")->colour;
    const std::wstring hex = engine::ColorToHex(0x563412);

    EXPECT_EQ(Run(L"/apply " + Quoted(kept) + L" /tip Kept /colour Red /textcolour 123456 /quiet"),
              kDone);
    EXPECT_EQ(
        Run(L"/apply " + Quoted(custom) + L" /tip Mine /icon " + Quoted(feather) + L" /quiet"),
        kDone);
    const Snapshot before = Take({onlyMark});
    EXPECT_EQ(Run(L"/apply " + Quoted(onlyMark) + L" /mark Heart /quiet"), kDone);

    // One run, a look for each folder.
    EXPECT_EQ(Run(L"/apply " + Quoted(kept) + L" " + Quoted(custom) + L" " + Quoted(foreign) +
                  L" /mark Done /quiet"),
              kDone);
    EXPECT_EQ(told, "");
    const std::wstring done = LookIcon(std::nullopt, engine::FolderMark::Done);
    EXPECT_EQ(ReadBytes(kept + L"\\Desktop.ini"),
              SettingsBytes(LookIcon(red, engine::FolderMark::Done), L"Kept", hex));
    EXPECT_EQ(ReadBytes(custom + L"\\Desktop.ini"), SettingsBytes(done, L"Mine"));
    EXPECT_EQ(ReadBytes(foreign + L"\\Desktop.ini"), IconOnlyFile(done));
    EXPECT_EQ(ReadAnsi(foreign + L"\\BUDesktop.ini"), theirs);
    // The other half stays the other way round too.
    EXPECT_EQ(Run(L"/apply " + Quoted(kept) + L" /colour blue /quiet"), kDone);
    EXPECT_EQ(ReadBytes(kept + L"\\Desktop.ini"),
              SettingsBytes(LookIcon(blue, engine::FolderMark::Done), L"Kept", hex));

    // Nothing left of the look or beside it: put back, and off the record.
    EXPECT_EQ(Run(L"/apply " + Quoted(onlyMark) + L" /mark none /quiet"), kDone);
    EXPECT_EQ(told, "");
    EXPECT_EQ(Take({onlyMark}), before);
    std::vector<std::wstring> lines;
    ASSERT_TRUE(engine::ReadListLines(ListFile(), lines));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::wstring>{custom, foreign, kept}));
}
