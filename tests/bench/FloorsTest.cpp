#include "bench/Floors.h"
#include "engine/FolderList.h"
#include "engine/FolderWalk.h"
#include "engine/CustomizeFolder.h"
#include "platform/TextCodec.h"
#include "tests/support/FileAsserts.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

std::vector<std::uint8_t> Settings() {
    engine::FolderOptions options;
    options.tooltip = L"Floor tooltip";
    return platform::EncodeTextFile(engine::ComposeSettingsFile(options));
}

TEST(FloorsTest, ApplyEndsWhereTheEngineEnds) {
    TempDir dir;
    const std::wstring byEngine = dir.MakeFolder(L"engine");
    const std::wstring byFloor = dir.MakeFolder(L"floor");
    ASSERT_TRUE(engine::CustomizeFolder(byEngine, Settings()).customized);
    bench::FloorApply({byFloor}, bench::FolderAttributes({byFloor}), Settings());

    EXPECT_EQ(ReadBytes(byFloor + L"\\Desktop.ini"), ReadBytes(byEngine + L"\\Desktop.ini"));
    EXPECT_EQ(Attributes(byFloor + L"\\Desktop.ini"), Attributes(byEngine + L"\\Desktop.ini"));
    EXPECT_EQ(Attributes(byFloor), Attributes(byEngine));
    EXPECT_EQ(Attributes(byFloor), static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
}

TEST(FloorsTest, ApplyLeavesAFileThatIsThere) {
    TempDir dir;
    const std::wstring folder = dir.MakeFolder(L"taken");
    WriteBytes(folder + L"\\Desktop.ini", "[.ShellClassInfo]\r\n");
    bench::FloorApply({folder}, bench::FolderAttributes({folder}), Settings());
    EXPECT_EQ(ReadAnsi(folder + L"\\Desktop.ini"), "[.ShellClassInfo]\r\n");
}

TEST(FloorsTest, RestoreEndsWithNoSettingsFileAndAPlainFolder) {
    TempDir dir;
    const std::wstring first = dir.MakeFolder(L"a");
    const std::wstring second = dir.MakeFolder(L"a\\b");
    ASSERT_TRUE(engine::CustomizeFolder(first, Settings()).customized);
    ASSERT_TRUE(engine::CustomizeFolder(second, Settings()).customized);
    bench::FloorRestore({first, second});
    for (const auto& folder : {first, second}) {
        EXPECT_FALSE(Exists(folder + L"\\Desktop.ini")) << Narrow(folder);
        EXPECT_EQ(Attributes(folder), 0u) << Narrow(folder);
    }
}

TEST(FloorsTest, WalkFindsWhatTheEngineFinds) {
    TempDir dir;
    dir.MakeFolder(L"a\\b\\c");
    dir.MakeFolder(L"a\\d");
    dir.MakeFolder(L"e");
    WriteBytes(dir / L"a\\file.txt", "x");
    engine::SortedFolderList list;
    engine::WalkSubfolders(dir.path(), list);
    EXPECT_EQ(bench::FloorWalk(dir.path()), list.Count());
    EXPECT_EQ(list.Count(), 5u);
}

} // namespace
