#include <gtest/gtest.h>

#include <filesystem>

#include "archive/payload_archive.h"
#include "tests/e2e/e2e_support.h"

namespace tovik::testing {
namespace {

// The installer's pack mode, run once per file, writes exactly the bytes the native tool
// writes for the same files into the same exe.
TEST(PackModeEndToEnd, TheInstallerPacksWhatTheNativeToolPacks) {
    ScratchFolder scratch;
    auto package = buildPackage(
        scratch, {fixturePath("setup.dat"), fixturePath("setup.lic"), fixturePath("readme.txt")});
    ASSERT_FALSE(package.empty());
    Bytes native = readFileBytes(windowsPath(TOVIK_NATIVE_PACKAGE));
    ASSERT_FALSE(native.empty()) << "the native package was not built";
    EXPECT_EQ(readFileBytes(package), native);

    PayloadArchive archive(package.string().c_str(), false);
    ASSERT_EQ(archive.entryCount(), 3);
    auto out = scratch.path() / "readme.out";
    ASSERT_TRUE(archive.extract("README.TXT", out.string().c_str()));
    EXPECT_EQ(readFileBytes(out), readFileBytes(fixturePath("readme.txt")));
}

TEST(PackModeEndToEnd, AMalformedCommandLineIsShownAndCreatesNothing) {
    ScratchFolder scratch;
    auto target = scratch.path() / "never.exe";
    ChildProcess pack(quoted(installerPath()) + " <packto>" + quoted(target.string()) +
                      " <packthis>" + quoted(fixturePath("readme.txt").string()));
    HWND box = waitForWindow(pack.id(), "Installer", kPatience);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(staticText(box).find("<packto> comes before <packthis>"), std::string::npos)
        << staticText(box);
    pressButton(box, IDOK);
    ASSERT_TRUE(pack.waitForExit(kPatience));
    EXPECT_NE(pack.exitCode(), 0u);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(PackModeEndToEnd, AMissingSourceIsReportedAndFails) {
    ScratchFolder scratch;
    auto target = scratch.path() / "package.exe";
    auto missing = scratch.path() / "absent.txt";
    ChildProcess pack(quoted(installerPath()) + " <packthis>" + quoted(missing.string()) +
                      " <packto>" + quoted(target.string()));
    HWND box = waitForWindow(pack.id(), "Install", kPatience);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(staticText(box).find("unable to read from '" + missing.string() + "'"),
              std::string::npos)
        << staticText(box);
    pressButton(box, IDOK);
    ASSERT_TRUE(pack.waitForExit(kPatience));
    EXPECT_EQ(pack.exitCode(), 1u);
}

}  // namespace
}  // namespace tovik::testing
