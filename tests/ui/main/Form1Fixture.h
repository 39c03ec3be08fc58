#pragma once
#include "ui/main/Form1.h"
#include "ui/main/FolderSelection.h"
#include "ui/options/IconPicker.h"
#include "ui/restore/RestoreView.h"

#include "tests/support/DialogResponder.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/PlatformChecks.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>

namespace testing_support {

// A real main window with its own application folder (and so its own Fldr.dll).
class Form1Fixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the window for the given version code; false when it refused.
    bool Start(int versionCode = 7);
    ui::Form1& form() { return *form_; }
    // Runs messages until the busy lock of the last operation has come off:
    // it does so a part at a time, on turns of the message loop.
    bool Settle() {
        return PumpUntil([this] { return !form_->Busy(); });
    }
    std::wstring Text(int id) { return form_->Text(id); }
    bool Enabled(int id) { return IsWindowEnabled(form_->Control(id)) != FALSE; }
    bool Visible(int id) { return IsWindowVisible(form_->Control(id)) != FALSE; }
    bool Ticked(int id) {
        return SendMessageW(form_->Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // From now on, each new status line that starts with prefix, as the run yields.
    void RecordStatuses(const std::wstring& prefix, std::vector<std::wstring>& into) {
        form_->yieldObserver = [this, prefix, &into] {
            std::wstring status = Text(ui::txtChanging);
            if (status.rfind(prefix, 0) == 0 && (into.empty() || into.back() != status))
                into.push_back(status);
        };
    }
    // Customizes the folders through the engine and lists them in Fldr.dll.
    void ListCustomized(const std::vector<std::wstring>& folders);
    std::vector<std::wstring> RestoreItems();
    std::vector<std::wstring> TargetItems();

    TempDir appDir;
    TempDir data;
    std::unique_ptr<ui::Form1> form_;
};

// Sends BFFM_SETSELECTIONW for the path to the folder dialog, then OK.
DialogResponder::Action ChooseFolder(const std::wstring& path);

} // namespace testing_support
