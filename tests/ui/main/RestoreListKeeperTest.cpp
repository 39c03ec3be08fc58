// The restore-list keeper on a real list box, with real list and journal files.
#include "ui/main/RestoreListKeeper.h"

#include "engine/ListJournal.h"
#include "engine/RestoreFolder.h"
#include "engine/RestoreRecord.h"
#include "engine/CustomizeFolder.h"
#include "platform/WindowBase.h"
#include "tests/support/DialogResponder.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "ui/main/BusyLock.h"
#include "ui/main/OperationHost.h"
#include "ui/restore/RestoreList.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace testing_support;

namespace {

// A window with the restore list box, standing in for the main window.
class KeeperHost : public platform::WindowBase, public ui::OperationHost, public ui::BusyLock {
  public:
    bool Create() {
        if (!CreateWindowOfClass(L"KeeperTestHost", nullptr, 0, WS_OVERLAPPEDWINDOW, L"Host", 0, 0,
                                 400, 300, nullptr))
            return false;
        list = CreateWindowExW(0, L"LISTBOX", L"", ui::kTickListStyle, 0, 0, 300, 200, hwnd(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        return list != nullptr;
    }
    bool YieldToMessages() override {
        mostHolders = std::max(mostHolders, holders);
        return hwnd() != nullptr;
    }
    void SetStatus(const std::wstring& text) override { status = text; }
    void ShowProgress(const std::wstring&) override {}
    void UpdateRestoreCount() override { ++countUpdates; }
    void ShowRestoreCountSoon(size_t) override {}
    void RefreshShell() override {}
    void SetWaitCursor(bool) override {}
    void HoldBusy() override { ++holders; }
    void ReleaseBusy() override { --holders; }

    HWND list = nullptr;
    std::wstring status;
    int countUpdates = 0;
    int holders = 0;
    int mostHolders = 0;
};

class RestoreListKeeperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Create());
        keeper_ = std::make_unique<ui::RestoreListKeeper>(host_, host_, host_.hwnd(), host_.list,
                                                          app_.path());
    }
    std::wstring Customized(const std::wstring& name) {
        std::wstring folder = data_.MakeFolder(name);
        engine::FolderOptions options;
        options.tooltip = L"tip";
        EXPECT_TRUE(engine::CustomizeFolder(folder, options).customized);
        return folder;
    }
    // A journal this process wrote and closed; its path.
    std::wstring Journal(const std::wstring& folder) {
        engine::ListJournal journal(engine::JournalPath(ListFile()));
        EXPECT_TRUE(journal.Append({folder}));
        return journal.Path();
    }
    std::wstring ListFile() { return app_ / L"Fldr.dll"; }
    std::vector<std::wstring> Items() {
        ui::ListBoxItems items(host_.list);
        std::vector<std::wstring> all;
        for (size_t i = 0; i < items.Count(); ++i)
            all.push_back(items.Item(i));
        return all;
    }
    bool Listed(const std::wstring& folder) {
        return ReadAnsi(ListFile()).find(Narrow(folder)) != std::string::npos;
    }
    void LoadEmpty() {
        keeper_->Open(app_.path(), L"");
        ASSERT_EQ(keeper_->Load(), ui::RestoreListKeeper::LoadEnd::Read);
    }

    TempDir app_, data_;
    KeeperHost host_;
    std::unique_ptr<ui::RestoreListKeeper> keeper_;
};

} // namespace

TEST_F(RestoreListKeeperTest, StartUpReadsPrunesMergesTheJournalAndSavesItAtOnce) {
    const std::wstring listed = Customized(L"Listed");
    const std::wstring journaled = Customized(L"Journaled");
    const std::wstring gone = data_ / L"Gone";
    WriteBytes(ListFile(), Narrow(listed) + "\r\n" + Narrow(gone) + "\r\n");
    Journal(journaled);

    unsigned long reason = 0;
    EXPECT_FALSE(keeper_->CanRecord(reason));
    EXPECT_EQ(reason, DWORD(ERROR_NOT_READY));
    EXPECT_EQ(keeper_->ListFilePath(), ListFile());
    // Nothing is saved before the list is read.
    EXPECT_FALSE(keeper_->Save());
    keeper_->Open(app_.path(), L"");
    EXPECT_TRUE(keeper_->Loading());
    EXPECT_FALSE(keeper_->Save());
    EXPECT_TRUE(Listed(gone));

    EXPECT_EQ(keeper_->Load(), ui::RestoreListKeeper::LoadEnd::Read);
    EXPECT_FALSE(keeper_->Loading());
    EXPECT_TRUE(keeper_->Loaded());
    EXPECT_TRUE(keeper_->CanRecord());
    EXPECT_EQ(Items(), (std::vector<std::wstring>{journaled, listed}));
    EXPECT_TRUE(Listed(listed));
    EXPECT_TRUE(Listed(journaled));
    EXPECT_FALSE(Listed(gone));
    EXPECT_FALSE(Exists(engine::JournalPath(ListFile())));
}

TEST_F(RestoreListKeeperTest, SaveTakesTheWaitingFoldersUnderTheBusyLockAndKeepsAJournalAsked) {
    LoadEmpty();
    const std::wstring folder = Customized(L"Waiting");
    const std::wstring kept = Journal(folder);
    keeper_->KeepJournal(true);
    keeper_->AddWaitingItem(folder);
    host_.mostHolders = 0;
    EXPECT_TRUE(keeper_->Save());
    EXPECT_EQ(host_.mostHolders, 1);
    EXPECT_EQ(host_.holders, 0);
    EXPECT_EQ(Items(), (std::vector<std::wstring>{folder}));
    EXPECT_TRUE(Listed(folder));
    EXPECT_TRUE(Exists(kept));

    // Once not kept, a journal goes with the next save.
    const std::wstring done = Journal(folder);
    keeper_->KeepJournal(false);
    EXPECT_TRUE(keeper_->Save());
    EXPECT_FALSE(Exists(done));
    EXPECT_TRUE(Exists(kept));
}

TEST_F(RestoreListKeeperTest, TheSessionWaitsForARunAndGetsItsSaveOnce) {
    keeper_->Open(app_.path(), L"");
    // While the start-up reads the list nothing has changed.
    EXPECT_TRUE(keeper_->QueryEndSession(true));
    ASSERT_EQ(keeper_->Load(), ui::RestoreListKeeper::LoadEnd::Read);
    EXPECT_TRUE(keeper_->QueryEndSession(false));

    const std::wstring first = Customized(L"First");
    EXPECT_FALSE(keeper_->QueryEndSession(true));
    ui::ListBoxItems(host_.list).Add(first);
    keeper_->SaveIfSessionWaits();
    EXPECT_TRUE(Listed(first));

    const std::wstring second = Customized(L"Second");
    ui::ListBoxItems(host_.list).Add(second);
    keeper_->SaveIfSessionWaits();
    EXPECT_FALSE(Listed(second));
    keeper_->EndSession(false);
    EXPECT_FALSE(Listed(second));
    keeper_->EndSession(true);
    EXPECT_TRUE(Listed(second));
}
