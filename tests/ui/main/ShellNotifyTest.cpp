// The shell hears of every folder that Apply, the restore view and
// /restore-all change, folder by folder.
#include "tests/ui/main/Form1Fixture.h"

#include "platform/Shell.h"
#include "ui/main/RestoreAll.h"

#include <set>
#include <shlobj.h>

using namespace testing_support;
using namespace ui;

namespace {

class ShellNotifyTest : public Form1Fixture {};

constexpr UINT kChangeMessage = WM_APP + 20;
std::multiset<std::wstring>* g_updated = nullptr;
std::multiset<std::wstring>* g_contents = nullptr; // SHCNE_UPDATEDIR

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kChangeMessage)
        return DefWindowProcW(window, message, wParam, lParam);
    PIDLIST_ABSOLUTE* items = nullptr;
    LONG event = 0;
    HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam),
                                            static_cast<DWORD>(lParam), &items, &event);
    if (!lock)
        return 0;
    wchar_t path[MAX_PATH] = {};
    std::multiset<std::wstring>* heard = event == SHCNE_UPDATEITEM  ? g_updated
                                         : event == SHCNE_UPDATEDIR ? g_contents
                                                                    : nullptr;
    if (heard && items && items[0] && SHGetPathFromIDListW(items[0], path))
        heard->insert(path);
    SHChangeNotification_Unlock(lock);
    return 0;
}

// What a shell window showing the folder's tree would be told.
class ShellListener {
  public:
    explicit ShellListener(const std::wstring& folder) {
        g_updated = &updated;
        g_contents = &contents;
        WNDCLASSW wc{};
        wc.lpfnWndProc = ListenerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillaneTestShellListener";
        RegisterClassW(&wc);
        window_ = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
        root_ = ILCreateFromPathW(folder.c_str());
        SHChangeNotifyEntry entry{root_, TRUE};
        id_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_NewDelivery,
                                     SHCNE_UPDATEITEM | SHCNE_UPDATEDIR, kChangeMessage, 1, &entry);
    }
    ~ShellListener() {
        if (id_)
            SHChangeNotifyDeregister(id_);
        ILFree(root_);
        DestroyWindow(window_);
        g_updated = nullptr;
        g_contents = nullptr;
    }
    ShellListener(const ShellListener&) = delete;
    ShellListener& operator=(const ShellListener&) = delete;
    bool ok() const { return id_ != 0; }
    // Each of the folders heard of once, and nothing else.
    // parents: the folders whose contents were said to change, each once.
    bool HeardEachOnce(const std::vector<std::wstring>& folders,
                       const std::vector<std::wstring>& parents = {}) {
        PumpUntil(
            [&] { return updated.size() >= folders.size() && contents.size() >= parents.size(); },
            5000);
        PumpFor(50);
        const bool each = updated == std::multiset<std::wstring>(folders.begin(), folders.end()) &&
                          contents == std::multiset<std::wstring>(parents.begin(), parents.end());
        updated.clear();
        contents.clear();
        return each;
    }
    std::multiset<std::wstring> updated, contents;

  private:
    HWND window_ = nullptr;
    PIDLIST_ABSOLUTE root_ = nullptr;
    ULONG id_ = 0;
};

} // namespace

TEST_F(ShellNotifyTest, TheShellHearsOfEachFolderChanged) {
    const std::wstring root = data.MakeFolder(L"Tree");
    const std::vector<std::wstring> folders{root, data.MakeFolder(L"Tree\\A"),
                                            data.MakeFolder(L"Tree\\B")};
    ShellListener shell(data.path());
    ASSERT_TRUE(shell.ok());
    ASSERT_TRUE(Start());
    form().SetText(TxtFolder, root);
    form().SetText(TxtToolTip, L"tip");
    form().folderSelection().SetIncludeSubdirectories(true);
    // A small run: each folder's parent hears of it too, once.
    const std::vector<std::wstring> parents{data.path(), root};
    form().apply().Command1_Click();
    EXPECT_TRUE(shell.HeardEachOnce(folders, parents));

    form().restoreView().Command2_Click();
    SendMessageW(form().Control(chkSelect), BM_SETCHECK, BST_CHECKED, 0);
    form().restoreView().chkSelect_Click();
    form().restoreView().cmdRestore_Click();
    EXPECT_TRUE(shell.HeardEachOnce(folders, parents));

    // Applied again, and put back without the window.
    form().apply().Command1_Click();
    ASSERT_TRUE(shell.HeardEachOnce(folders, parents));
    engine::SortedFolderList record;
    record.AddAll(folders);
    EXPECT_EQ(RestoreEveryFolder(record, {}).notRestored, 0u);
    EXPECT_TRUE(shell.HeardEachOnce(folders, parents));
    // A folder with nothing to undo is not announced.
    record.AddAll(folders);
    RestoreEveryFolder(record, {});
    EXPECT_TRUE(shell.HeardEachOnce({}));
}

TEST(FolderNotices, AreHeldToTheirShareOfTheRun) {
    TempDir data;
    const std::wstring first = data.MakeFolder(L"First"), second = data.MakeFolder(L"Second");
    ShellListener shell(data.path());
    ASSERT_TRUE(shell.ok());
    const platform::FolderNoticeTotals before = platform::FolderNoticesSoFar();
    platform::FolderNotices noTime(0, 0);
    noTime.Changed(first); // nothing spent yet
    noTime.Changed(second);
    EXPECT_TRUE(shell.HeardEachOnce({first}));
    EXPECT_EQ(platform::FolderNoticesSoFar().skipped, before.skipped + 1);
}

TEST(FolderNotices, ASmallRunTellsEachParentOnceALongOneOnlyTheFolders) {
    TempDir data;
    const std::wstring first = data.MakeFolder(L"First"), second = data.MakeFolder(L"Second");
    ShellListener shell(data.path());
    ASSERT_TRUE(shell.ok());
    platform::FolderNotices few = platform::FolderNotices::ForRun(platform::kFewFoldersRun);
    few.Changed(first);
    few.Changed(second);
    EXPECT_TRUE(shell.HeardEachOnce({first, second}, {data.path()}));
    platform::FolderNotices many = platform::FolderNotices::ForRun(platform::kFewFoldersRun + 1);
    many.Changed(first);
    EXPECT_TRUE(shell.HeardEachOnce({first}));

    EXPECT_EQ(platform::ParentFolder(L"C:\\A\\B"), L"C:\\A");
    EXPECT_EQ(platform::ParentFolder(L"C:\\A"), L"C:\\");
    EXPECT_EQ(platform::ParentFolder(L"\\\\server\\share\\A"), L"\\\\server\\share");
    for (const wchar_t* root : {L"C:\\", L"\\\\server\\share", L"relative\\A"})
        EXPECT_EQ(platform::ParentFolder(root), L"") << Narrow(root);
}
