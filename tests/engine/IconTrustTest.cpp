// Which icon files found in the shared folder the program takes as its own:
// the rule on security descriptors spelled out here, and what Wine shows of
// files another Unix user owns or everyone may write.
#include "engine/IconTrust.h"
#include "engine/SharedIcon.h"
#include "engine/TintedIcon.h"
#include "platform/FileSecurity.h"
#include "platform/Files.h"
#include "ui/common/FolderColour.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixSide.h"

#include <gtest/gtest.h>

#include <sddl.h>

using namespace engine;
using namespace testing_support;

namespace {

// The account running, and another one, in a made-up domain.
constexpr wchar_t kRunner[] = L"S-1-5-21-1000-2000-3000-1001";
constexpr wchar_t kOther[] = L"S-1-5-21-1000-2000-3000-1002";

bool Trusted(const std::wstring& sddl) {
    platform::SecurityDescriptor sd;
    EXPECT_TRUE(platform::SecurityFromText(sddl, sd)) << Narrow(sddl);
    PSID runner = nullptr;
    EXPECT_TRUE(ConvertStringSidToSidW(kRunner, &runner));
    const bool trusted = TrustedOwnerAndAccess(sd.get(), runner);
    LocalFree(runner);
    return trusted;
}

std::wstring Sid(const wchar_t* sid) {
    return std::wstring(sid);
}

std::wstring Owned(const std::wstring& owner, const std::wstring& entries) {
    return L"O:" + owner + L"G:SYD:" + entries;
}

// What a file made in the folder setup prepares holds: its maker full,
// administrators and the system full, users reading.
std::wstring MadeThere(const std::wstring& owner) {
    return Owned(owner, L"(A;;FA;;;" + owner + L")(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;FR;;;BU)");
}

// Wine keeps no owner or access list of a file's own: it answers from the
// Unix owner and mode (see docs/wine.md).
bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::string Described(const std::wstring& path) {
    const platform::FileHandle file(CreateFileW(
        platform::ExactPath(path).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    platform::SecurityDescriptor sd;
    if (!file || !platform::ReadOwnerAndAccess(file.get(), sd))
        return "unreadable";
    return Narrow(platform::SecurityAsText(sd.get()));
}

} // namespace

TEST(IconTrust, OnlyTheRunnerSystemOrAdministratorsOwnAndOnlyTheyMayWrite) {
    // The three the program meets: another user's file, the runner's own
    // file that everyone may write, and one made by an elevated copy.
    EXPECT_FALSE(Trusted(MadeThere(Sid(kOther))));
    EXPECT_FALSE(Trusted(Owned(kRunner, L"(A;;FA;;;" + Sid(kRunner) + L")(A;;FRFW;;;WD)")));
    EXPECT_TRUE(Trusted(MadeThere(L"BA")));

    EXPECT_TRUE(Trusted(MadeThere(kRunner)));
    EXPECT_TRUE(Trusted(MadeThere(L"SY")));
    // Whoever may change the file could hand it to anyone.
    for (const wchar_t* right : {L"FW", L"0x2", L"0x4", L"SD", L"WD", L"WO", L"GW", L"GA", L"FA"})
        for (const wchar_t* who : {L"WD", L"BU", L"AU", kOther}) {
            SCOPED_TRACE(Narrow(std::wstring(right) + L" for " + who));
            EXPECT_FALSE(Trusted(MadeThere(L"BA") + L"(A;;" + right + L";;;" + who + L")"));
        }
    // Reading, entries passed on only to what is made inside, entries that
    // deny, and CREATOR OWNER (the owner, checked on its own) change nothing.
    EXPECT_TRUE(Trusted(MadeThere(L"BA") + L"(A;;FRFX;;;WD)(A;OICIIO;FA;;;BU)(D;;FA;;;" +
                        Sid(kOther) + L")(A;;FA;;;CO)"));
    // No access list lets everyone do anything; no owner is no one's.
    SECURITY_DESCRIPTOR open{};
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    platform::SidBytes admins = platform::WellKnown(WinBuiltinAdministratorsSid);
    ASSERT_TRUE(SetSecurityDescriptorOwner(&open, admins.data(), FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_FALSE(TrustedOwnerAndAccess(&open, admins.data()));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, FALSE, nullptr, FALSE));
    EXPECT_FALSE(TrustedOwnerAndAccess(&open, admins.data()));
    EXPECT_FALSE(Trusted(L"D:(A;;FA;;;BA)"));
    EXPECT_FALSE(TrustedOwnerAndAccess(nullptr, nullptr));
    // An empty list lets no one in at all.
    EXPECT_TRUE(Trusted(Owned(L"BA", L"")));
}

TEST(IconTrust, APlantedFileOfAnotherUnixUserOrThatAnyoneMayWriteIsNeverTaken) {
    TempDir temp;
    const std::wstring shared = temp / L"all\\Quillane\\Icons";
    const std::wstring perUser = temp / L"user\\Quillane\\Icons";
    temp.MakeFolder(L"all");
    temp.MakeFolder(L"user");
    const Colour colour{0x1E, 0x90, 0xFF};
    Bytes ico;
    ASSERT_TRUE(ui::FolderIconBytes(colour, ico));
    const std::wstring base = FolderIconBaseName(colour);
    // The program's own file is taken again.
    SharedIcon own;
    ASSERT_TRUE(PlaceSharedIcon(shared, perUser, base, ico, own));
    ASSERT_EQ(own.path, shared + L"\\" + base + L".ico");
    const std::string ownSecurity = Described(own.path);
    {
        const platform::FileHandle file = platform::OpenForReading(own.path);
        EXPECT_TRUE(TrustedFile(file.get())) << ownSecurity;
    }
    // The same bytes under the next names, one another Unix user's, one
    // everyone may write: passed over, left alone, and a file of the
    // program's made after them.
    const std::wstring theirs = shared + L"\\" + NumberedIconName(base, 1);
    ASSERT_TRUE(RunUnix({"chown", "nobody", UnixPath(theirs)}));
    const std::wstring open = shared + L"\\" + NumberedIconName(base, 2);
    WriteBytes(open, std::string(ico.begin(), ico.end()));
    ASSERT_TRUE(RunUnix({"chmod", "666", UnixPath(open)}));
    const std::string theirSecurity = Described(theirs), openSecurity = Described(open);
    for (int run = 0; run < 2; ++run) {
        SharedIcon placed;
        ASSERT_TRUE(PlaceSharedIcon(shared, perUser, base, ico, placed));
        EXPECT_EQ(placed.path, shared + L"\\" + NumberedIconName(base, 3))
            << "own: " << ownSecurity << "\ntheirs: " << theirSecurity
            << "\nopen: " << openSecurity;
        EXPECT_EQ(placed.written, run == 0);
        EXPECT_FALSE(placed.perUser);
    }
    EXPECT_EQ(ReadBytes(theirs), ico);
    EXPECT_EQ(ReadBytes(open), ico);
    // The per-user place is the account's own: its files are not asked.
    ASSERT_TRUE(platform::CreateFolder(temp / L"user\\Quillane"));
    ASSERT_TRUE(platform::CreateFolder(perUser));
    WriteBytes(perUser + L"\\" + base + L".ico", std::string(ico.begin(), ico.end()));
    ASSERT_TRUE(RunUnix({"chmod", "666", UnixPath(perUser + L"\\" + base + L".ico")}));
    std::wstring path;
    bool written = true;
    ASSERT_TRUE(PlaceIconFile(perUser, base, ico, path, written));
    EXPECT_EQ(path, perUser + L"\\" + base + L".ico");
    EXPECT_FALSE(written);
    std::printf("own file: %s\nanother Unix user's: %s\nmode 666: %s\n", ownSecurity.c_str(),
                theirSecurity.c_str(), openSecurity.c_str());
}

TEST(IconTrust, ALinkedQuillaneOrIconsFolderIsNotUsed) {
    const Colour colour{0x10, 0x20, 0x30};
    Bytes ico;
    ASSERT_TRUE(ui::FolderIconBytes(colour, ico));
    const std::wstring base = FolderIconBaseName(colour);
    for (const wchar_t* linked : {L"all\\Quillane", L"all\\Quillane\\Icons"}) {
        SCOPED_TRACE(Narrow(linked));
        TempDir temp;
        temp.MakeFolder(L"all\\Quillane");
        const std::wstring elsewhere = temp.MakeFolder(L"elsewhere\\Icons");
        const std::wstring link = temp / linked;
        RemoveDirectoryW(link.c_str());
        const bool top = linked == std::wstring(L"all\\Quillane");
        ASSERT_TRUE(MakeUnixLink(top ? temp / L"elsewhere" : elsewhere, link));
        SharedIcon placed;
        ASSERT_TRUE(PlaceSharedIcon(temp / L"all\\Quillane\\Icons", temp / L"user\\Icons", base,
                                    ico, placed));
        EXPECT_TRUE(placed.perUser);
        EXPECT_EQ(placed.path, temp / L"user\\Icons\\" + base + L".ico");
        EXPECT_FALSE(Exists(elsewhere + L"\\" + NumberedIconName(base, 1)));
    }
}

TEST(SharedIconFolderSetup, EntriesOfItsOwnThenTheUninstallerRemovesNamesNeverTargets) {
    TempDir temp;
    temp.MakeFolder(L"all");
    const std::wstring parent = temp / L"all\\Quillane", icons = parent + L"\\Icons";
    ASSERT_TRUE(PrepareSharedIconFolder(icons)) << GetLastError();
    const std::string given = Described(icons);
    EXPECT_NE(given, "unreadable");
    if (!UnderWine()) {
        // Owned by Administrators, nothing passed on from above, users adding files.
        EXPECT_EQ(given.rfind("O:BA", 0), 0u) << given;
        EXPECT_NE(given.find("D:P"), std::string::npos) << given;
        EXPECT_NE(given.find("(A;;0x1200ab;;;BU)"), std::string::npos) << given;
        EXPECT_NE(given.find("(A;OICIIO;FA;;;CO)"), std::string::npos) << given;
        EXPECT_EQ(Described(parent).rfind("O:BA", 0), 0u) << Described(parent);
    }
    // Again over what is there: the same.
    ASSERT_TRUE(PrepareSharedIconFolder(icons));
    EXPECT_EQ(Described(icons), given);
    const Colour colour{0x44, 0x55, 0x66};
    Bytes ico;
    ASSERT_TRUE(ui::FolderIconBytes(colour, ico));
    const std::wstring base = FolderIconBaseName(colour);
    SharedIcon first, again;
    ASSERT_TRUE(PlaceSharedIcon(icons, L"", base, ico, first));
    ASSERT_TRUE(PlaceSharedIcon(icons, L"", base, ico, again));
    EXPECT_EQ(again.path, first.path) << Described(first.path);
    EXPECT_FALSE(again.written);
    std::printf("prepared folder: %s\nfile made there: %s\n", given.c_str(),
                Described(first.path).c_str());

    // The uninstaller's part: the program's names go, a link as itself.
    const std::wstring outside = temp.MakeFolder(L"outside");
    WriteBytes(outside + L"\\kept.ico", "someone's");
    ASSERT_TRUE(MakeUnixLink(outside + L"\\kept.ico", icons + L"\\Folder Linked.ico"));
    WriteBytes(icons + L"\\Folder 123456.ico.new2", "cut off");
    WriteBytes(icons + L"\\Notes.txt", "not ours");
    unsigned left = 9;
    ASSERT_TRUE(RemoveSharedIconFiles(icons, left)) << GetLastError();
    EXPECT_EQ(left, 0u);
    EXPECT_FALSE(Exists(first.path));
    EXPECT_FALSE(Exists(icons + L"\\Folder 123456.ico.new2"));
    EXPECT_FALSE(Exists(icons + L"\\Folder Linked.ico"));
    EXPECT_EQ(ReadAnsi(outside + L"\\kept.ico"), "someone's");
    EXPECT_EQ(ReadAnsi(icons + L"\\Notes.txt"), "not ours");
    // Empty at last: both folders go.
    ASSERT_TRUE(DeleteFileW(platform::ExactPath(icons + L"\\Notes.txt").c_str()));
    ASSERT_TRUE(RemoveSharedIconFiles(icons, left));
    EXPECT_FALSE(Exists(parent));
    ASSERT_TRUE(RemoveSharedIconFiles(icons, left));

    // A Quillane or Icons that is a link is neither prepared nor emptied.
    for (const wchar_t* linked : {L"all\\Quillane", L"all\\Quillane\\Icons"}) {
        SCOPED_TRACE(Narrow(linked));
        temp.MakeFolder(L"all\\Quillane");
        const std::wstring target = temp.MakeFolder(L"target\\Icons");
        WriteBytes(target + L"\\Folder 123456.ico", "theirs");
        const bool top = linked == std::wstring(L"all\\Quillane");
        RemoveDirectoryW((temp / linked).c_str());
        ASSERT_TRUE(MakeUnixLink(top ? temp / L"target" : target, temp / linked));
        const std::string before = Described(target);
        EXPECT_FALSE(PrepareSharedIconFolder(icons));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANT_ACCESS_FILE));
        EXPECT_EQ(Described(target), before);
        EXPECT_FALSE(RemoveSharedIconFiles(icons, left));
        EXPECT_EQ(ReadAnsi(target + L"\\Folder 123456.ico"), "theirs");
        ASSERT_TRUE(RunUnix({"rm", UnixPath(temp / linked)}));
        RemoveTree(temp / L"all\\Quillane");
    }
}
