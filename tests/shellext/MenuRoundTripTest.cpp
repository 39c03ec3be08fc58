// The menu's colour, mark and restore on the same folders in turn, as the
// real program carries them out: an earlier tooltip kept, a mark added to a
// colour, and everything put back.
#include "tests/shellext/MenuFixture.h"
#include "engine/FolderMark.h"
#include "tests/ui/main/ProgramCopy.h"

#include "tests/support/DialogResponder.h"
#include "tests/support/FileAsserts.h"

using namespace testing_support;

namespace {

std::wstring IniValue(const std::wstring& folder, const wchar_t* key) {
    wchar_t value[MAX_PATH * 2] = {};
    GetPrivateProfileStringW(L".ShellClassInfo", key, L"", value, MAX_PATH * 2,
                             (folder + L"\\Desktop.ini").c_str());
    return value;
}

std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

class ShellMenuRoundTrip : public MenuFixture {
  protected:
    void Run(const std::vector<std::wstring>& folders, const char* verb) {
        platform::ComPtr<IContextMenu> handler = Handler(DropData(folders).get());
        ASSERT_TRUE(handler);
        ASSERT_EQ(Invoke(handler.get(), verb), S_OK);
        ASSERT_TRUE(WaitForStartedPrograms());
        handler.reset();
        // Any failure would show here.
        HWND box = WaitForOwnBox(300);
        if (box) {
            ADD_FAILURE() << Narrow(MessageBoxText(box));
            PressButton(box, IDOK);
        }
    }
};

TEST_F(ShellMenuRoundTrip, AnEarlierTooltipStaysUnderANewColour) {
    const std::wstring folder = data.MakeFolder(L"Tipped");
    {
        Program direct(appDir.path(), L"/apply \"" + folder + L"\" /tip \"Old words\" /quiet");
        ASSERT_EQ(direct.ExitCode(), 0u);
    }
    Run({folder}, "Quillane.Colour.Red");
    EXPECT_EQ(IniValue(folder, L"InfoTip"), L"Old words");
    EXPECT_EQ(FileName(IniValue(folder, L"IconFile")), L"Folder Red D32F2F.ico");
}

TEST_F(ShellMenuRoundTrip, DoneOnARedFolderKeepsItsColour) {
    const std::wstring folder = data.MakeFolder(L"Red");
    Run({folder}, "Quillane.Colour.Red");
    Run({folder}, "Quillane.Mark.Done");
    // The shared icon folder outlives the test: an older file of that name
    // with other bytes makes the program number its own.
    engine::IconLook look;
    ASSERT_TRUE(engine::LookFromIconFileName(IniValue(folder, L"IconFile"), look));
    EXPECT_EQ(look.mark, engine::FolderMark::Done);
    ASSERT_TRUE(look.colour.has_value());
    EXPECT_EQ(engine::ColourText(*look.colour), L"D32F2F");
}

TEST_F(ShellMenuRoundTrip, RestorePutsBothFoldersBack) {
    const std::wstring plain = data.MakeFolder(L"Plain"), theirs = data.MakeFolder(L"Theirs");
    const std::string own = "[.ShellClassInfo]\r\nInfoTip=the user's own\r\n";
    WriteBytes(theirs + L"\\Desktop.ini", own);
    Run({plain, theirs}, "Quillane.Colour.Red");
    ASSERT_TRUE(Exists(plain + L"\\Desktop.ini"));
    ASSERT_TRUE(Exists(theirs + L"\\BUDesktop.ini"));
    Run({plain, theirs}, "Quillane.Restore");
    EXPECT_FALSE(Exists(plain + L"\\Desktop.ini"));
    EXPECT_EQ(ReadAnsi(theirs + L"\\Desktop.ini"), own);
    EXPECT_FALSE(Exists(theirs + L"\\BUDesktop.ini"));
    const std::string list = ReadAnsi(ListFile());
    EXPECT_EQ(list.find(Narrow(plain)), std::string::npos) << list;
    EXPECT_EQ(list.find(Narrow(theirs)), std::string::npos) << list;
}

} // namespace
