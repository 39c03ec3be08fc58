#include "tests/ui/main/Form1Fixture.h"

#include "engine/CustomizeFolder.h"
#include "ui/restore/RestoreList.h"

#include <commctrl.h>
#include <string>
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

void Form1Fixture::SetUp() {}

void Form1Fixture::TearDown() {
    form_.reset();
}

bool Form1Fixture::Start(int versionCode) {
    form_ = std::make_unique<ui::Form1>(appDir.path(), [versionCode] { return versionCode; });
    if (!form_->Create())
        return false;
    ShowWindow(form_->hwnd(), SW_SHOW);
    if (!form_->WaitForList())
        return false;
    PumpFor(20);
    return true;
}

void Form1Fixture::ListCustomized(const std::vector<std::wstring>& folders) {
    engine::FolderOptions options;
    options.tooltip = L"tip";
    std::string list;
    for (const auto& folder : folders) {
        ASSERT_TRUE(engine::CustomizeFolder(folder, options).customized);
        list += Narrow(folder) + "\r\n";
    }
    WriteBytes(appDir / L"Fldr.dll", list);
}

std::vector<std::wstring> Form1Fixture::RestoreItems() {
    ui::ListBoxItems list(form_->Control(ui::lstRestore));
    std::vector<std::wstring> items;
    for (size_t i = 0; i < list.Count(); ++i)
        items.push_back(list.Item(i));
    return items;
}

std::vector<std::wstring> Form1Fixture::TargetItems() {
    std::vector<std::wstring> items;
    for (size_t i = 0; i < form_->TargetList().Count(); ++i)
        items.push_back(form_->TargetList().Item(i));
    return items;
}

namespace {
// The text of the folder tree's selected item (the tree has id 14145).
std::wstring SelectedFolderName(HWND dialog) {
    HWND tree = nullptr;
    // A named callback: 32-bit callbacks are stdcall, which lambdas do not convert to.
    struct Search {
        static BOOL CALLBACK Visit(HWND child, LPARAM out) {
            if (GetDlgCtrlID(child) == 14145) {
                *reinterpret_cast<HWND*>(out) = child;
                return FALSE;
            }
            return TRUE;
        }
    };
    EnumChildWindows(dialog, &Search::Visit, reinterpret_cast<LPARAM>(&tree));
    if (!tree)
        return {};
    TVITEMW item{};
    wchar_t text[MAX_PATH] = {};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!item.hItem || !TreeView_GetItem(tree, &item))
        return {};
    return text;
}
} // namespace

DialogResponder::Action ChooseFolder(const std::wstring& path) {
    return [path](HWND dialog) {
        // Wine fills the tree as it goes: select until the selection holds.
        std::wstring leaf = path.substr(path.find_last_of(L'\\') + 1);
        for (int attempt = 0; attempt < 40; ++attempt) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
            PumpFor(25);
            const std::wstring selected = SelectedFolderName(dialog);
            if (leaf.empty() ? selected.find(path.substr(0, 2)) != std::wstring::npos
                             : selected == leaf)
                break;
        }
        PressButton(dialog, IDOK);
    };
}

} // namespace testing_support
