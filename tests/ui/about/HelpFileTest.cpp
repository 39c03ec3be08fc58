// The help file against the program: the compiled Help.chm holds every page and
// a full-text search index, every link reaches a page, and the pages name only
// what the program does.
#include "tests/support/BuiltFiles.h"
#include "tests/support/FileAsserts.h"
#include "engine/FolderMark.h"
#include "engine/TintedIcon.h"
#include "ui/main/Controls.h"
#include "ui/main/FolderSelection.h"
#include "ui/options/BackgroundPicture.h"
#include "ui/options/OptionsView.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <regex>
#include <string>
#include <vector>

using testing_support::ReadAnsi;
using testing_support::WinePath;

namespace {

std::string SourceFile(const std::string& name) {
    return ReadAnsi(WinePath((std::string(QUILLANE_HELP_SOURCES) + "/" + name).c_str()));
}

// The pages of the project file's [FILES] section, in order.
std::vector<std::string> Pages() {
    const std::string project = SourceFile("Help.hhp");
    std::vector<std::string> pages;
    size_t at = project.find("[FILES]");
    if (at == std::string::npos)
        return pages;
    at = project.find('\n', at);
    while (at != std::string::npos && at + 1 < project.size()) {
        const size_t end = project.find_first_of("\r\n", at + 1);
        const std::string line = project.substr(at + 1, end - at - 1);
        if (!line.empty() && line[0] == '[')
            break;
        if (line.size() > 4 && line.compare(line.size() - 4, 4, ".htm") == 0)
            pages.push_back(line);
        at = project.find('\n', at + 1);
    }
    return pages;
}

// A page's text as a reader sees it: tags removed, blanks and line ends as one blank.
std::string Text(const std::string& html) {
    std::string text;
    bool inTag = false;
    for (char c : html) {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag) {
            const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
            if (!blank)
                text += c;
            else if (!text.empty() && text.back() != ' ')
                text += ' ';
        }
    }
    return text;
}

// A directory entry of the compiled file: name length, name, then content
// section, offset and length, each a number in 7-bit groups, high bit "more".
struct ChmEntry {
    bool found = false;
    std::uint64_t section = 0, offset = 0, length = 0;
};

ChmEntry FindEntry(const std::string& chm, const std::string& name) {
    ChmEntry entry;
    size_t at = chm.find(std::string(1, static_cast<char>(name.size())) + name);
    if (at == std::string::npos)
        return entry;
    at += 1 + name.size();
    std::uint64_t* fields[] = {&entry.section, &entry.offset, &entry.length};
    for (std::uint64_t* field : fields) {
        unsigned char byte = 0x80;
        while ((byte & 0x80) && at < chm.size()) {
            byte = static_cast<unsigned char>(chm[at++]);
            *field = (*field << 7) | (byte & 0x7F);
        }
    }
    entry.found = true;
    return entry;
}

std::uint32_t Dword(const std::string& data, size_t at) {
    std::uint32_t value = 0;
    for (size_t i = 4; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(data.at(at + i));
    return value;
}

} // namespace

TEST(HelpFile, IsCompiledWithEveryPageAndASearchIndex) {
    const std::string chm = ReadAnsi(WinePath(QUILLANE_HELP_FILE));
    ASSERT_GT(chm.size(), 0x60u) << "Help.chm missing or empty";
    EXPECT_EQ(chm.substr(0, 4), "ITSF");
    const std::vector<std::string> pages = Pages();
    ASSERT_FALSE(pages.empty());
    for (const std::string& file : pages)
        EXPECT_TRUE(FindEntry(chm, "/" + file).found) << file << " is not in Help.chm";
    for (const char* file : {"/style.css", "/Contents.hhc", "/Index.hhk"})
        EXPECT_TRUE(FindEntry(chm, file).found) << file << " is not in Help.chm";

    // The search index, and the flag in #SYSTEM that makes the viewer offer it
    // (record 4: locale, DBCS, full-text search).
    const ChmEntry search = FindEntry(chm, "/$FIftiMain");
    ASSERT_TRUE(search.found) << "Help.chm has no full-text search index";
    EXPECT_GT(search.length, 0u);
    const ChmEntry system = FindEntry(chm, "/#SYSTEM");
    ASSERT_TRUE(system.found && system.section == 0);
    std::uint64_t content = 0; // the uncompressed section's start, from the header
    for (size_t i = 8; i-- > 0;)
        content = (content << 8) | static_cast<unsigned char>(chm.at(0x58 + i));
    const std::string records = chm.substr(static_cast<size_t>(content + system.offset),
                                           static_cast<size_t>(system.length));
    bool searchFlag = false;
    for (size_t at = 4; at + 4 <= records.size();) {
        const std::uint32_t head = Dword(records, at);
        const size_t code = head & 0xFFFF, length = head >> 16;
        if (code == 4 && length >= 12)
            searchFlag = Dword(records, at + 4 + 8) == 1;
        at += 4 + length;
    }
    EXPECT_TRUE(searchFlag) << "the full-text search flag of #SYSTEM is not set";
}

TEST(HelpFile, ContentsIndexAndEveryLinkReachAPage) {
    const std::vector<std::string> pages = Pages();
    for (const char* page : {"index.htm", "keyboard.htm", "commandline.htm", "install.htm"})
        EXPECT_NE(std::find(pages.begin(), pages.end(), page), pages.end()) << page;
    const std::string contents = SourceFile("Contents.hhc");
    const std::regex link(R"re((?:href|value)="([a-z]+\.htm)(?:#([a-z]+))?")re");
    std::vector<std::string> sources = {"Contents.hhc", "Index.hhk"};
    sources.insert(sources.end(), pages.begin(), pages.end());
    for (const std::string& source : sources) {
        const std::string html = SourceFile(source);
        ASSERT_FALSE(html.empty()) << source;
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
            const std::string target = (*it)[1], anchor = (*it)[2];
            ASSERT_NE(std::find(pages.begin(), pages.end(), target), pages.end())
                << source << " links to " << target << ", which is no page";
            if (!anchor.empty()) {
                EXPECT_NE(SourceFile(target).find("name=\"" + anchor + "\""), std::string::npos)
                    << source << " links to " << target << "#" << anchor;
            }
        }
    }
    for (const std::string& page : pages) {
        EXPECT_NE(contents.find("value=\"" + page + "\""), std::string::npos)
            << page << " is not in the contents";
        const std::string html = SourceFile(page);
        const size_t nav = html.find("<p class=\"nav\">");
        ASSERT_NE(nav, std::string::npos) << page << " has no navigation line";
        const std::string line = html.substr(nav, html.find("</p>", nav) - nav);
        for (const std::string& other : pages)
            EXPECT_NE(line.find("href=\"" + other + "\""), std::string::npos)
                << "the navigation line of " << page << " lacks " << other;
    }
}

TEST(HelpFile, NamesNoWindowsThatQuillaneDoesNotRunOn) {
    // The builds load on Windows XP and Server 2003 and later only.
    const std::regex older(R"(\b(95|98|Me|2000)\b|\bNT ?4|\b9x\b)");
    for (const std::string& page : Pages()) {
        const std::string text = Text(SourceFile(page));
        std::smatch found;
        EXPECT_FALSE(std::regex_search(text, found, older))
            << page << " names \"" << found.str() << "\"";
    }
}

TEST(HelpFile, PagesNameWhatTheProgramDoes) {
    struct Expected {
        const char* page;
        std::vector<std::string> phrases;
    };
    const Expected expected[] = {
        {"windows.htm",
         {"Windows XP", "Windows Server 2003", "x64", "Windows 10", "Windows 11",
          "Vista, 7, 8 and 8.1", "Quillane is not compatible with Vista",
          "Background picture feature requires Windows XP"}},
        {"restore.htm",
         {"Folders Restored: ", "could not be restored", "Folders Successfully Restored",
          "Restore stopped at", "stay in the list", "drive that is not there",
          "No folders to restore", "Please check folders to restore"}},
        {"apply.htm",
         {"Folders Customized: ", "could not be changed", "Folders Successfully Customized",
          "BUDesktop.ini", "beside an existing BUDesktop.ini", "is a link"}},
        {"files.htm",
         {"Fldr.dll", "%LOCALAPPDATA%\\Quillane\\Fldr.dll", "Fldr.dll.journal", "merged list",
          "The restore list could not be saved:"}},
        {"commandline.htm",
         {"quillane.exe \"C:\\Data\\Photos\"",
          "/restore-all",
          "/quiet",
          "Exit code",
          "Folder not found:",
          "already running",
          "/restore-all /all-users",
          "/count-customized",
          "/count-accounts",
          "ends with -1",
          "/apply FOLDER...",
          "/subfolders",
          "/textcolour",
          "/colour NAME|RRGGBB",
          "Folder 1E90FF.ico",
          "%LOCALAPPDATA%\\Quillane\\Icons",
          "folders chosen",
          "they all come",
          "Another copy of Quillane is changing folders.",
          "/restore FOLDER... [/subfolders] [/quiet]",
          "Not in the restore list:",
          "@FILE",
          "Quillane-"}},
        {"install.htm",
         {"Customize with Quillane", "Put these folders back as they were", "/RESTOREALL", "Icons",
          "Backgrounds", "C:\\ProgramData"}},
        {"explorer.htm",
         {"Other colour...", "No mark", "Restore original look", "Customize with Quillane...",
          "keeps its tooltip", "keeps its mark", "keeps its colour", "BUDesktop.ini", "first 16",
          "one message", "Show more options", "signed app package"}},
        {"keyboard.htm", {"F1", "Escape", "Tab", "Space"}},
        {"options.htm", {"is not a valid Hard Drive"}},
        {"colours.htm",
         {"Folder colour...", "Other colour...", "Grey", "Black", "Quillane\\Icons",
          "%LOCALAPPDATA%", "/restore-all", "uninstaller keeps them"}},
    };
    for (const Expected& e : expected) {
        const std::string text = Text(SourceFile(e.page));
        ASSERT_FALSE(text.empty()) << e.page;
        for (const std::string& phrase : e.phrases)
            EXPECT_NE(text.find(phrase), std::string::npos)
                << e.page << " lacks \"" << phrase << "\"";
    }

    // The program's own texts, taken from the program.
    const auto quotes = [](const char* page, const std::wstring& said) {
        EXPECT_NE(Text(SourceFile(page)).find(std::string(said.begin(), said.end())),
                  std::string::npos)
            << page << " lacks \"" << std::string(said.begin(), said.end()) << "\"";
    };
    // Past the number each starts with, and the folder's name.
    quotes("subfolders.htm", ui::PassedOverText(1).substr(1));
    quotes("subfolders.htm", ui::PassedOverText(3).substr(1));
    quotes("commandline.htm", ui::PassedOverText(1).substr(1));
    const std::wstring linked = ui::LinkedFolderText(L"");
    quotes("apply.htm", linked.substr(0, linked.find(L" (")));
    const std::wstring unreadable = ui::kPictureUnreadable;
    EXPECT_NE(
        Text(SourceFile("options.htm")).find(std::string(unreadable.begin(), unreadable.end())),
        std::string::npos);
    const std::string colours = Text(SourceFile("colours.htm"));
    for (std::wstring said : {ui::kColourNotMade, ui::kColourPerUser}) {
        said = said.substr(0, said.find_first_of(L",:"));
        EXPECT_NE(colours.find(std::string(said.begin(), said.end())), std::string::npos);
    }
    for (const engine::ColourPreset& preset : engine::ColourPresets()) {
        const std::wstring name = preset.name;
        EXPECT_NE(colours.find(std::string(name.begin(), name.end())), std::string::npos);
    }
    // Explorer's menu: its colours and marks as the program offers them, in order.
    const std::string menu = Text(SourceFile("explorer.htm"));
    size_t at = menu.find("Colour offers");
    for (const engine::ColourPreset& preset : engine::ColourPresets()) {
        const std::wstring wide = preset.name;
        const std::string name(wide.begin(), wide.end());
        at = menu.find(name, at);
        ASSERT_NE(at, std::string::npos) << "explorer.htm lacks the colour " << name;
    }
    at = menu.find("Mark puts");
    for (const engine::MarkInfo& mark : engine::FolderMarks()) {
        const std::wstring wide = mark.label;
        const std::string label(wide.begin(), wide.end());
        at = menu.find(label, at);
        ASSERT_NE(at, std::string::npos) << "explorer.htm lacks the mark " << label;
    }
    // Every colour /colour takes by name.
    const std::string commandLine = Text(SourceFile("commandline.htm"));
    for (const engine::ColourPreset& preset : engine::ColourPresets()) {
        const std::wstring wide = preset.name;
        const std::string name(wide.begin(), wide.end());
        EXPECT_TRUE(std::regex_search(commandLine, std::regex("\\b" + name + "\\b")))
            << "commandline.htm lacks the colour " << name;
    }
    // Every access key of the main window's buttons.
    const std::string keyboard = Text(SourceFile("keyboard.htm"));
    for (size_t i = 0; i < ui::kControlCount; ++i) {
        const ui::ControlRow& control = ui::kControls[i];
        if (control.kind != ui::Kind::Button || !control.visible || !control.caption)
            continue;
        const wchar_t* amp = wcschr(control.caption, L'&');
        if (!amp || !amp[1])
            continue;
        const std::string key = std::string("Alt+") + static_cast<char>(towupper(amp[1]));
        EXPECT_NE(keyboard.find(key), std::string::npos) << "keyboard.htm lacks " << key;
    }
}
