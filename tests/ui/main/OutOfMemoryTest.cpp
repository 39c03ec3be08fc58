// Running out of memory at any point of loading, merging or the folder walk
// leaves the window working and the record whole (allocation failures made
// on purpose: platform/AllocationFaults.h).
#include "tests/ui/main/Form1Fixture.h"

#include "engine/ListJournal.h"
#include "engine/CustomizeFolder.h"
#include "platform/AllocationFaults.h"
#include "platform/Files.h"
#include "platform/Window.h"

#include <algorithm>
#include <cwchar>

using namespace testing_support;
using namespace ui;

namespace {

class OutOfMemoryTest : public Form1Fixture {
  protected:
    void SetUp() override {
        if (!platform::AllocationFaultsBuiltIn())
            GTEST_SKIP() << "only a Debug build fails allocations on purpose";
    }
    void TearDown() override {
        platform::FailAllocationAt(0);
        Form1Fixture::TearDown();
    }
    std::vector<std::wstring> CustomizedFolders(std::initializer_list<const wchar_t*> names) {
        engine::FolderOptions options;
        options.tooltip = L"t";
        std::vector<std::wstring> folders;
        for (const wchar_t* name : names) {
            folders.push_back(data.MakeFolder(name));
            EXPECT_TRUE(engine::CustomizeFolder(folders.back(), options).customized);
        }
        return folders;
    }
    bool Usable() {
        Settle();
        return !form().Busy() && Enabled(Command1) && Enabled(Command2) && Enabled(chkSubs) &&
               HasCloseCommand(form().hwnd());
    }
};

std::string Lines(const std::vector<std::wstring>& folders) {
    std::string text;
    for (const auto& folder : folders)
        text += Narrow(folder) + "\r\n";
    return text;
}

std::wstring OutOfMemoryText() {
    return platform::ErrorText(ERROR_NOT_ENOUGH_MEMORY);
}

// Answers every message box of this thread with OK while it lives (whether
// a run shows one depends on where it ran out), keeping their texts.
class BoxCloser {
  public:
    BoxCloser() {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 50, &BoxCloser::Tick);
    }
    ~BoxCloser() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    BoxCloser(const BoxCloser&) = delete;
    BoxCloser& operator=(const BoxCloser&) = delete;
    std::vector<std::wstring> texts;

  private:
    static BOOL CALLBACK Visit(HWND window, LPARAM) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) {
            current_->texts.push_back(MessageBoxText(window));
            PressButton(window, IDOK);
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_)
            EnumThreadWindows(GetCurrentThreadId(), &BoxCloser::Visit, 0);
    }
    static inline BoxCloser* current_ = nullptr;
    UINT_PTR timer_ = 0;
};

} // namespace

TEST_F(OutOfMemoryTest, LoadingOrMergingThatRunsOutLeavesTheWindowWorkingAndTheFilesAsTheyWere) {
    const std::vector<std::wstring> listed = CustomizedFolders({L"A", L"B", L"C"});
    const std::vector<std::wstring> journaled = CustomizedFolders({L"J1", L"J2"});
    const std::wstring list = appDir / L"Fldr.dll", journal = engine::JournalPath(list);
    std::vector<std::wstring> all = listed;
    all.insert(all.end(), journaled.begin(), journaled.end());
    std::sort(all.begin(), all.end());
    const std::wstring fresh = data.MakeFolder(L"Fresh");

    // Every allocation point of the load in turn, until a load passes them all.
    size_t failures = 0, unloaded = 0;
    for (unsigned long n = 1; n < 200; ++n) {
        SCOPED_TRACE(n);
        WriteBytes(list, Lines(listed));
        WriteBytes(journal, Lines(journaled));
        form_ = std::make_unique<Form1>(appDir.path(), [] { return 7; });
        ASSERT_TRUE(form_->Create());
        BoxCloser boxes;
        platform::FailAllocationAt(n);
        form_->WaitForList();
        const bool failed = !platform::AllocationFailurePending();
        platform::FailAllocationAt(0);
        PumpFor(20);
        // A load that could not read the list says so.
        for (const auto& text : boxes.texts)
            EXPECT_EQ(text, L"Changes to folders cannot be recorded, so no folder will be "
                            L"changed: " +
                                OutOfMemoryText());
        ASSERT_TRUE(IsWindow(form().hwnd()));
        EXPECT_TRUE(Usable());
        if (!failed) {
            EXPECT_TRUE(form().ListLoaded());
            EXPECT_EQ(RestoreItems(), all);
            EXPECT_FALSE(Exists(journal));
            break;
        }
        ++failures;
        if (!form().ListLoaded()) {
            ++unloaded;
            EXPECT_EQ(Text(txtChanging),
                      L"The restore list could not be loaded: " + OutOfMemoryText());
            EXPECT_TRUE(RestoreItems().empty());
            EXPECT_EQ(Text(lblRestoreCount), L"0");
        }
        if (failures == 1) {
            // Without a record no folder is changed.
            form().SetText(TxtFolder, fresh);
            form().SetText(TxtToolTip, L"tip");
            form().apply().Command1_Click();
            EXPECT_EQ(Text(txtChanging), L"Folder could not be customized: " + OutOfMemoryText());
            EXPECT_FALSE(Exists(fresh + L"\\Desktop.ini"));
        }
        // Whatever was saved, the list and the journal still hold every folder.
        form().Command4_Click();
        EXPECT_FALSE(IsWindow(form().hwnd()));
        const std::string kept = ReadAnsi(list) + ReadAnsi(journal);
        for (const auto& folder : all)
            EXPECT_NE(kept.find(Narrow(folder) + "\r\n"), std::string::npos) << Narrow(folder);
        form_.reset();
    }
    // At least once for each line read, of the list and of the journal, and
    // beyond what the reading itself catches.
    EXPECT_GE(failures, all.size());
    EXPECT_GT(unloaded, 0u);
}

TEST_F(OutOfMemoryTest, AWalkThatRunsOutLeavesNoTargetsNoTickAndNoWait) {
    const std::wstring root = data.MakeFolder(L"Data");
    for (const wchar_t* name : {L"Data\\A", L"Data\\B", L"Data\\B\\X"})
        data.MakeFolder(name);
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    // The root and A are in the list; B is not.
    platform::FailAllocationAt(3);
    form().folderSelection().SetIncludeSubdirectories(true);
    EXPECT_FALSE(platform::AllocationFailurePending());
    EXPECT_TRUE(TargetItems().empty());
    EXPECT_FALSE(Ticked(chkSubs));
    EXPECT_FALSE(Visible(lblCreating));
    EXPECT_EQ(Text(lblSubDirsCount), L"0");
    EXPECT_EQ(Text(txtChanging), L"The folder list could not be made: " + OutOfMemoryText());
    EXPECT_TRUE(Usable());
    SendMessageW(form().hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form().Control(Command1)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    // With memory back, the same tick builds the list.
    form().folderSelection().SetIncludeSubdirectories(true);
    EXPECT_EQ(TargetItems().size(), 4u);
}
