#include "ui/about/frmAbout.h"

#include "RegistryGuard.h"
#include "tests/support/DialogResponder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testing_support::DialogResponder;
using testing_support::RegistryValueGuard;
using testing_support::ScratchKey;
using testing_support::TempDir;

namespace {

constexpr wchar_t kMsInfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr wchar_t kLocationKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr wchar_t kUnavailable[] = L"System Information Is Unavailable At This Time";

std::wstring TestProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\'));
}

// Puts the stand-in program into folder under the given name; returns its path.
std::wstring PlaceStub(const std::wstring& folder, const std::wstring& name) {
    std::wstring target = folder + L"\\" + name;
    EXPECT_TRUE(
        CopyFileW((TestProgramFolder() + L"\\msinfo_stub.exe").c_str(), target.c_str(), FALSE));
    return target;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Started(const std::wstring& stub, UINT waitMs) {
    bool ran = testing_support::PumpUntil([&] { return Exists(stub + L".ran"); }, waitMs);
    // Let the stub end before its folder is removed.
    testing_support::PumpFor(300);
    return ran;
}

// Both registry locations, cleared for the test and put back afterwards.
class StartSysInfoTest : public ::testing::Test {
  protected:
    RegistryValueGuard path_{HKEY_LOCAL_MACHINE, kMsInfoKey, L"PATH"};
    RegistryValueGuard location_{HKEY_LOCAL_MACHINE, kLocationKey, L"MSINFO"};
    TempDir dir_;
    DialogResponder responder_;

    // Expects the "unavailable" message: OK only, no icon, the program's title.
    void ExpectUnavailable() {
        responder_.Expect(L"Quillane", [this](HWND box) {
            text_ = testing_support::MessageBoxText(box);
            icon_ = testing_support::MessageBoxIcon(box);
            onlyOk_ = GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL) &&
                      !GetDlgItem(box, IDYES) && !GetDlgItem(box, IDNO);
            testing_support::PressButton(box, IDOK);
        });
    }
    void CheckUnavailableShown() {
        EXPECT_TRUE(responder_.WaitAllMet());
        EXPECT_EQ(text_, kUnavailable);
        EXPECT_EQ(icon_, nullptr);
        EXPECT_TRUE(onlyOk_);
    }

    std::wstring text_;
    LPCWSTR icon_ = IDI_ERROR;
    bool onlyOk_ = false;
};

} // namespace

TEST_F(StartSysInfoTest, StartsTheProgramThatPathNames) {
    std::wstring stub = PlaceStub(dir_.MakeFolder(L"direct"), L"sysinfo.exe");
    std::wstring fallback = PlaceStub(dir_.MakeFolder(L"fallback"), L"MSINFO32.EXE");
    ASSERT_TRUE(path_.SetString(stub));
    ASSERT_TRUE(location_.SetString(dir_ / L"fallback"));

    ui::StartSysInfo(nullptr);

    EXPECT_TRUE(Started(stub, 10000));
    EXPECT_FALSE(Exists(fallback + L".ran"));
    EXPECT_TRUE(responder_.Seen().empty());
}

TEST_F(StartSysInfoTest, AWrongPathGivesTheMessageNotTheFallback) {
    std::wstring fallback = PlaceStub(dir_.MakeFolder(L"fallback"), L"MSINFO32.EXE");
    ASSERT_TRUE(path_.SetString(dir_ / L"nowhere\\msinfo32.exe"));
    ASSERT_TRUE(location_.SetString(dir_ / L"fallback"));
    ExpectUnavailable();

    ui::StartSysInfo(nullptr);

    CheckUnavailableShown();
    EXPECT_FALSE(Started(fallback, 1000));
}

TEST_F(StartSysInfoTest, APathOfAnotherTypeGivesTheMessageNotTheFallback) {
    std::wstring fallback = PlaceStub(dir_.MakeFolder(L"fallback"), L"MSINFO32.EXE");
    const BYTE bytes[] = {0x43, 0x3A, 0x5C, 0x00};
    ASSERT_TRUE(path_.Set(REG_BINARY, bytes, sizeof bytes));
    ASSERT_TRUE(location_.SetString(dir_ / L"fallback"));
    ExpectUnavailable();

    ui::StartSysInfo(nullptr);

    CheckUnavailableShown();
    EXPECT_FALSE(Started(fallback, 1000));
}

TEST_F(StartSysInfoTest, WithoutPathStartsMsInfo32FromTheFallbackFolder) {
    std::wstring fallback = PlaceStub(dir_.MakeFolder(L"fallback"), L"MSINFO32.EXE");
    ASSERT_TRUE(location_.SetString(dir_ / L"fallback"));

    ui::StartSysInfo(nullptr);

    EXPECT_TRUE(Started(fallback, 10000));
    EXPECT_TRUE(responder_.Seen().empty());
}

TEST_F(StartSysInfoTest, AFallbackFolderWithoutMsInfo32GivesTheMessage) {
    PlaceStub(dir_.MakeFolder(L"fallback"), L"other.exe");
    ASSERT_TRUE(location_.SetString(dir_ / L"fallback"));
    ExpectUnavailable();

    ui::StartSysInfo(nullptr);

    CheckUnavailableShown();
}

TEST_F(StartSysInfoTest, AHiddenMsInfo32IsNotFound) {
    std::wstring fallback = PlaceStub(dir_.MakeFolder(L"fallback"), L"MSINFO32.EXE");
    ASSERT_TRUE(SetFileAttributesW(fallback.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(location_.SetString(dir_ / L"fallback"));
    ExpectUnavailable();

    ui::StartSysInfo(nullptr);

    CheckUnavailableShown();
    EXPECT_FALSE(Started(fallback, 1000));
    SetFileAttributesW(fallback.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(StartSysInfoTest, AFolderNamedMsInfo32IsNotFound) {
    dir_.MakeFolder(L"fallback\\MSINFO32.EXE");
    ASSERT_TRUE(location_.SetString(dir_ / L"fallback"));
    ExpectUnavailable();

    ui::StartSysInfo(nullptr);

    CheckUnavailableShown();
}

TEST_F(StartSysInfoTest, NeitherLocationGivesTheMessage) {
    ExpectUnavailable();

    ui::StartSysInfo(nullptr);

    CheckUnavailableShown();
}

TEST(GetKeyValue, ReadsAString) {
    ScratchKey key;
    const wchar_t text[] = L"C:\\Program Files\\Tools\\msinfo32.exe";
    ASSERT_TRUE(key.Set(L"PATH", REG_SZ, text, sizeof text));
    std::wstring result = L"old";
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"PATH", result));
    EXPECT_EQ(result, text);
}

TEST(GetKeyValue, ReadsAStringStoredWithoutItsEnd) {
    ScratchKey key;
    const wchar_t text[] = L"C:\\Tools";
    ASSERT_TRUE(key.Set(L"Folder", REG_SZ, text, 8 * sizeof(wchar_t)));
    std::wstring result;
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Folder", result));
    EXPECT_EQ(result, L"C:\\Tools");
}

TEST(GetKeyValue, ReadsAnEmptyString) {
    ScratchKey key;
    ASSERT_TRUE(key.Set(L"Empty", REG_SZ, L"", sizeof(wchar_t)));
    std::wstring result = L"old";
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Empty", result));
    EXPECT_EQ(result, L"");
}

TEST(GetKeyValue, WritesANumberAsEightHexDigits) {
    ScratchKey key;
    const DWORD small = 0x0001ABCD;
    const DWORD large = 0xFEDC0A09;
    const DWORD zero = 0;
    ASSERT_TRUE(key.Set(L"Small", REG_DWORD, &small, sizeof small));
    ASSERT_TRUE(key.Set(L"Large", REG_DWORD, &large, sizeof large));
    ASSERT_TRUE(key.Set(L"Zero", REG_DWORD, &zero, sizeof zero));
    std::wstring result;
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Small", result));
    EXPECT_EQ(result, L"&h0001ABCD");
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Large", result));
    EXPECT_EQ(result, L"&hFEDC0A09");
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Zero", result));
    EXPECT_EQ(result, L"&h00000000");
}

TEST(GetKeyValue, LeavesTheResultAloneForAnotherType) {
    ScratchKey key;
    const BYTE bytes[] = {1, 2, 3};
    ASSERT_TRUE(key.Set(L"Binary", REG_BINARY, bytes, sizeof bytes));
    std::wstring result = L"as it came";
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Binary", result));
    EXPECT_EQ(result, L"as it came");
}

TEST(GetKeyValue, AMissingKeyGivesFalseAndAnEmptyResult) {
    ScratchKey key;
    std::wstring result = L"old";
    EXPECT_FALSE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path() + L"\\absent", L"PATH", result));
    EXPECT_EQ(result, L"");
}

TEST(GetKeyValue, AMissingValueGivesFalseAndAnEmptyResult) {
    ScratchKey key;
    ASSERT_TRUE(key.Set(L"Other", REG_SZ, L"x", 2 * sizeof(wchar_t)));
    std::wstring result = L"old";
    EXPECT_FALSE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"PATH", result));
    EXPECT_EQ(result, L"");
}

TEST(GetKeyValue, AValueTooLongForTheBufferGivesFalse) {
    ScratchKey key;
    std::wstring text(1500, L'x');
    ASSERT_TRUE(key.Set(L"Long", REG_SZ, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
    std::wstring result = L"old";
    EXPECT_FALSE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Long", result));
    EXPECT_EQ(result, L"");
}

TEST(GetKeyValue, ReadsAKeyThatOnlyAllowsReading) {
    ScratchKey key;
    const wchar_t text[] = L"readable";
    ASSERT_TRUE(key.Set(L"Value", REG_SZ, text, sizeof text));
    ASSERT_TRUE(key.AllowOnlyReading());
    HKEY writable = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.path().c_str(), 0, 0x2003F, &writable) ==
        ERROR_SUCCESS) {
        RegCloseKey(writable);
        GTEST_SKIP() << "the registry does not enforce the key's access list here";
    }
    std::wstring result;
    EXPECT_TRUE(ui::GetKeyValue(HKEY_LOCAL_MACHINE, key.path(), L"Value", result));
    EXPECT_EQ(result, L"readable");
}
