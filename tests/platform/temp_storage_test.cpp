#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "platform/file_finder.h"
#include "platform/paths.h"
#include "platform/pointer_list.h"
#include "platform/temp_storage.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::bytesOf;
using testing::fromSystemForm;
using testing::ScratchFolder;
using testing::TemporaryFolderOverride;
using testing::writeFileBytes;

TEST(TempFile, IsAFreshEmptyFileThatGoesAwayWithItsOwner) {
    std::filesystem::path kept;
    {
        TempFile first("Ext");
        TempFile second("Ext");
        kept = fromSystemForm(first.path());
        EXPECT_TRUE(std::filesystem::is_regular_file(kept));
        EXPECT_EQ(std::filesystem::file_size(kept), 0u);
        EXPECT_STRNE(first.path(), second.path());
        PathText name;
        baseName(first.path(), name);
        EXPECT_EQ(std::strncmp(name, "Ext", 3), 0) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

TEST(TempFile, ReleaseKeepsTheFile) {
    std::filesystem::path kept;
    {
        TempFile file("Ins");
        kept = fromSystemForm(file.path());
        file.release();
        EXPECT_STREQ(file.path(), "");
    }
    EXPECT_TRUE(std::filesystem::exists(kept));
    std::filesystem::remove(kept);
}

TEST(TempFile, AMissingTemporaryFolderIsCreated) {
    ScratchFolder scratch;
    std::string missing = scratch.systemPath("gone\\deeper");
    TemporaryFolderOverride override(missing);
    TempFile file("Ext");
    auto path = fromSystemForm(file.path());
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << file.path();
    EXPECT_EQ(testing::toSystemForm(path.parent_path()), missing);
}

TEST(WorkDirectory, RemovesEverythingInsideAndItself) {
    std::filesystem::path folder;
    {
        WorkDirectory work("TVI");
        std::string path = work.path();
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.back(), '\\');
        folder = fromSystemForm(path.substr(0, path.size() - 1));
        EXPECT_TRUE(std::filesystem::is_directory(folder));
        std::filesystem::create_directories(folder / "a" / "b");
        writeFileBytes(folder / "setup.dat", bytesOf("script"));
        writeFileBytes(folder / "a" / "b" / "nested.bin", bytesOf("nested"));
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(FileFinder, ListsEntriesWithoutDotsAndTellsFolders) {
    ScratchFolder scratch;
    {
        FileFinder empty("*.*", scratch.systemFolder().c_str());
        EXPECT_FALSE(empty.next());
    }
    writeFileBytes(scratch.path() / "readme", bytesOf("r"));
    std::filesystem::create_directory(scratch.path() / "sub.dir");
    FileFinder finder("*.*", testing::toSystemForm(scratch.path()).c_str());
    std::map<std::string, bool> seen;
    while (finder.next()) {
        seen[finder.fullPath()] = finder.isDirectory();
    }
    std::map<std::string, bool> expected = {{scratch.systemPath("readme"), false},
                                            {scratch.systemPath("sub.dir"), true}};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(finder.next());
}

TEST(FileFinder, AMissingFolderListsNothing) {
    ScratchFolder scratch;
    FileFinder finder("*.*", scratch.systemPath("absent").c_str());
    EXPECT_FALSE(finder.next());
    EXPECT_FALSE(finder.isDirectory());
}

TEST(PointerList, GrowsInStepsOfEight) {
    int values[9];
    PointerList<int> list;
    EXPECT_EQ(list.capacity(), 0);
    for (int i = 0; i < 9; ++i) {
        list.add(&values[i]);
        EXPECT_EQ(list.capacity(), i < 8 ? 8 : 16);
    }
    EXPECT_EQ(list.count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(list.at(i), &values[i]);
    }
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.capacity(), 0);
}

TEST(RandomBelow, StaysInRange) {
    for (int i = 0; i < 1000; ++i) {
        std::int32_t value = randomBelow(7);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 7);
    }
}

}  // namespace
}  // namespace tovik
