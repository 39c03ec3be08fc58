#include "tests/ui/main/Form1Fixture.h"

#include "ui/restore/RestoreList.h"

#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

namespace testing_support {

namespace {
class UiEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        OleInitialize(nullptr);
    }
    void TearDown() override { OleUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const uiEnvironment =
    ::testing::AddGlobalTestEnvironment(new UiEnvironment);
} // namespace

void Form1Test::SetUp() {}

void Form1Test::TearDown() { form_.reset(); }

bool Form1Test::Start(int versionCode) {
    form_ = std::make_unique<ui::Form1>(appDir.path(), [versionCode] { return versionCode; });
    if (!form_->Create())
        return false;
    ShowWindow(form_->hwnd(), SW_SHOW);
    PumpFor(20);
    return true;
}

std::vector<std::wstring> Form1Test::RestoreItems() {
    ui::ListBoxItems list(form_->Control(ui::lstRestore));
    std::vector<std::wstring> items;
    for (size_t i = 0; i < list.Count(); ++i)
        items.push_back(list.Item(i));
    return items;
}

std::vector<std::wstring> Form1Test::TargetItems() {
    std::vector<std::wstring> items;
    for (size_t i = 0; i < form_->TargetList().Count(); ++i)
        items.push_back(form_->TargetList().Item(i));
    return items;
}

DialogResponder::Action ChooseFolder(const std::wstring& path) {
    return [path](HWND dialog) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        PressButton(dialog, IDOK);
    };
}

} // namespace testing_support
