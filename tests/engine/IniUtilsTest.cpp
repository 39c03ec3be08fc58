#include "engine/IniUtils.h"

#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

using engine::GetFolderPart;
using engine::ReadIniValue;
using namespace testing_support;

TEST(ReadIniValue, MissingFileIsEmptyEvenWithADefault) {
    TempDir dir;
    EXPECT_EQ(ReadIniValue(L"Vendor", L"ID", L"fallback", dir / L"none.ini"), L"");
}

TEST(ReadIniValue, HiddenOrSystemFileReadsAsEmpty) {
    TempDir dir;
    const std::wstring ini = dir / L"Desktop.ini";
    WriteBytes(ini, "[Vendor]\r\nID=Pelwick\r\n");
    EXPECT_EQ(ReadIniValue(L"Vendor", L"ID", L"", ini), L"Pelwick");

    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(ReadIniValue(L"Vendor", L"ID", L"", ini), L"");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(ReadIniValue(L"Vendor", L"ID", L"", ini), L"");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ReadIniValue(L"Vendor", L"ID", L"", ini), L"");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadIniValue(L"Vendor", L"ID", L"", ini), L"Pelwick");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ReadIniValue, SectionAndKeyIgnoreCaseDefaultForMissingKey) {
    TempDir dir;
    const std::wstring ini = dir / L"a.ini";
    WriteBytes(ini, "[Vendor]\r\nID=Pelwick\r\n");
    EXPECT_EQ(ReadIniValue(L"VENDOR", L"id", L"", ini), L"Pelwick");
    EXPECT_EQ(ReadIniValue(L"Vendor", L"Other", L"dflt", ini), L"dflt");
    EXPECT_EQ(ReadIniValue(L"Nope", L"ID", L"", ini), L"");
    EXPECT_EQ(ReadIniValue(L"Vendor", L"ID", L"", dir.path()), L"");
}

TEST(ReadIniValue, LongValuesAreCutTo1022Characters) {
    TempDir dir;
    const std::wstring ini = dir / L"long.ini";
    WriteBytes(ini, "[S]\r\nK=" + std::string(1500, 'v') + "\r\n");
    EXPECT_EQ(ReadIniValue(L"S", L"K", L"", ini), std::wstring(1022, L'v'));
}

TEST(GetFolderPart, KeepsTheTrailingBackslash) {
    std::wstring p = L"C:\\Data\\Desktop.ini";
    EXPECT_EQ(GetFolderPart(p, true), L"C:\\Data\\");
    EXPECT_EQ(p, L"C:\\Data\\Desktop.ini");
    p = L"C:\\Desktop.ini";
    EXPECT_EQ(GetFolderPart(p, true), L"C:\\");
    p = L"no backslash";
    EXPECT_EQ(GetFolderPart(p, true), L"no backslash");
}

TEST(GetFolderPart, WithoutKeepDriveShortensTheCallersPath) {
    std::wstring p = L"C:\\Data\\Desktop.ini";
    EXPECT_EQ(GetFolderPart(p, false), L"Data\\");
    EXPECT_EQ(p, L"Data\\Desktop.ini");
    std::wstring shortPath = L"C:";
    EXPECT_EQ(GetFolderPart(shortPath, false), L"");
}
