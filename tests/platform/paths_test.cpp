#include <gtest/gtest.h>

#include <filesystem>

#include "platform/paths.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::ScratchFolder;

struct PathCase {
    const char* path;       // input
    const char* base;       // baseName
    const char* directory;  // directoryOf
    const char* extension;  // extensionOf
};

constexpr PathCase kPathCases[] = {
    // A bare name is both its own base name and its own directory part.
    {"setup.dat", "setup.dat", "setup.dat", ".dat"},
    {"C:\\art\\setup.bmp", "setup.bmp", "C:\\art\\", ".bmp"},
    // The last dot lies before the last backslash: no extension.
    {"C:\\old.dir\\readme", "readme", "C:\\old.dir\\", "."},
    {"readme", "readme", "readme", "."},
    {"C:\\folder\\", "", "C:\\folder\\", "."},
    {"C:\\a\\archive.tar.gz", "archive.tar.gz", "C:\\a\\", ".gz"},
    {"", "", "", "."},
};

TEST(PathOperations, SplitPathsAtTheLastBackslashAndDot) {
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(c.path);
        PathText out;
        baseName(c.path, out);
        EXPECT_STREQ(out, c.base);
        directoryOf(c.path, out);
        EXPECT_STREQ(out, c.directory);
        extensionOf(c.path, out);
        EXPECT_STREQ(out, c.extension);
    }
}

TEST(PathOperations, AddTrailingBackslashOnlyWhereMissing) {
    struct Case {
        const char* path;
        const char* expected;
    };
    for (Case c : {Case{"C:\\a", "C:\\a\\"}, Case{"C:\\a\\", "C:\\a\\"}, Case{"", ""}}) {
        SCOPED_TRACE(c.path);
        PathText path;
        copyText(path, c.path);
        addTrailingBackslash(path);
        EXPECT_STREQ(path, c.expected);
    }
}

TEST(PathOperations, AddTrailingBackslashNeverOverrunsAFullBuffer) {
    PathText path;
    std::string full(259, 'x');
    copyText(path, full.c_str());
    addTrailingBackslash(path);
    EXPECT_EQ(std::string(path), full);
}

TEST(PathOperations, CreateDirectoryChainCreatesEveryMissingFolder) {
    ScratchFolder scratch;
    createDirectoryChain(scratch.systemPath("a\\b\\c\\").c_str());
    EXPECT_TRUE(std::filesystem::is_directory(scratch.path() / "a" / "b" / "c"));
    // Existing folders along the way are no error.
    createDirectoryChain(scratch.systemPath("a\\b\\d").c_str());
    EXPECT_TRUE(std::filesystem::is_directory(scratch.path() / "a" / "b" / "d"));
}

TEST(PathOperations, CreateDirectoryChainOfARelativePathCreatesOnlyItsFolders) {
    ScratchFolder scratch;
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path());
    // The first component is the root and is never created: only "a\b" would be; "a" is
    // missing, so nothing comes into being.
    createDirectoryChain("a\\b");
    bool created = std::filesystem::exists(scratch.path() / "a");
    std::filesystem::create_directory(scratch.path() / "x");
    createDirectoryChain("x\\y");
    bool createdBelowExisting = std::filesystem::is_directory(scratch.path() / "x" / "y");
    std::filesystem::current_path(previous);
    EXPECT_FALSE(created);
    EXPECT_TRUE(createdBelowExisting);
}

TEST(PathOperations, PathExistsForFilesAndFoldersButNotForATrailingBackslash) {
    ScratchFolder scratch;
    testing::writeFileBytes(scratch.path() / "file.txt", testing::bytesOf("x"));
    std::filesystem::create_directory(scratch.path() / "sub");
    EXPECT_TRUE(pathExists(scratch.systemPath("file.txt").c_str()));
    EXPECT_TRUE(pathExists(scratch.systemPath("sub").c_str()));
    EXPECT_FALSE(pathExists(scratch.systemPath("missing.txt").c_str()));
    EXPECT_FALSE(pathExists(scratch.systemPath("sub\\").c_str()));
    // The base name is a listing pattern.
    EXPECT_TRUE(pathExists(scratch.systemPath("f*.txt").c_str()));
}

TEST(PathOperations, DeleteTreeEmptiesTheFolderButKeepsIt) {
    ScratchFolder scratch;
    auto root = scratch.path() / "tree";
    std::filesystem::create_directories(root / "one" / "two");
    testing::writeFileBytes(root / "top.txt", testing::bytesOf("top"));
    testing::writeFileBytes(root / "one" / "two" / "deep.bin", testing::bytesOf("deep"));
    deleteTree(testing::toSystemForm(root).c_str());
    EXPECT_TRUE(std::filesystem::is_directory(root));
    EXPECT_TRUE(std::filesystem::is_empty(root));
}

TEST(PathOperations, DeleteTreeRefusesShortPaths) {
    // A drive root, or anything of three characters or fewer, is never emptied; these must
    // return without touching anything (the scratch folder proves the walk did not start).
    ScratchFolder scratch;
    testing::writeFileBytes(scratch.path() / "keep.txt", testing::bytesOf("k"));
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path());
    deleteTree(".");
    deleteTree(".\\");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::exists(scratch.path() / "keep.txt"));
}

}  // namespace
}  // namespace tovik
