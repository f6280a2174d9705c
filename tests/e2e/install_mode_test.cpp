#include <gtest/gtest.h>

#include <filesystem>

#include "archive/payload_archive.h"
#include "tests/e2e/e2e_support.h"

namespace tovik::testing {
namespace {

constexpr const char* kCorruptedMessage =
    "This installation is corrupted please obtain a new install.";

class InstallModeTest : public ::testing::Test {
protected:
    // Starts the package with a temporary folder of its own, so that the work folder it makes
    // (and must remove) is the only thing that can appear there.
    std::unique_ptr<ChildProcess> start(const std::filesystem::path& package) {
        std::filesystem::create_directories(temporary_);
        return std::make_unique<ChildProcess>(quoted(package.string()), temporary_.string());
    }
    // Answers the message box of that caption with OK, checking its text.
    void answer(ChildProcess& process, const std::string& caption, const std::string& text) {
        HWND box = waitForWindow(process.id(), caption, kPatience);
        ASSERT_NE(box, nullptr) << "no \"" << caption << "\" window; windows: "
                                << ::testing::PrintToString(windowCaptions(process.id()));
        EXPECT_EQ(staticText(box), text);
        pressButton(box, IDOK);
    }
    void expectCleanExit(ChildProcess& process) {
        ASSERT_TRUE(process.waitForExit(kPatience))
            << "still running; windows: " << ::testing::PrintToString(windowCaptions(process.id()));
        EXPECT_EQ(process.exitCode(), 0u);
        EXPECT_TRUE(std::filesystem::is_empty(temporary_)) << "the work folder was left behind";
    }
    // Makes the entry's stream undecodable by giving it a dictionary size the format does not
    // have; with `keepSum` the record's byte sum is made to match again, so that only the
    // decoding can notice.
    void damageEntry(const std::filesystem::path& package, const char* name, bool keepSum) {
        std::uint32_t offset = 0;
        std::uint32_t record = 0;
        bool found = false;
        {
            PayloadArchive archive(package.string().c_str(), false);
            for (std::int32_t i = 0; i < archive.entryCount(); ++i) {
                if (std::string(archive.entryAt(i).name) == name) {
                    offset = archive.entryAt(i).offset;
                    record = archive.writePosition() + static_cast<std::uint32_t>(i) * 112;
                    found = true;
                }
            }
        }
        ASSERT_TRUE(found);
        Bytes bytes = readFileBytes(package);
        std::uint8_t old = bytes[offset + 1];
        bytes[offset + 1] = 9;
        if (keepSum) {
            std::uint32_t sum = readLittleEndian32(bytes.data() + record + 108);
            writeLittleEndian32(bytes.data() + record + 108, sum - old + 9);
        }
        writeFileBytes(package, bytes);
    }

    ScratchFolder scratch_;
    std::filesystem::path temporary_ = scratch_.path() / "temp";
};

TEST_F(InstallModeTest, AnInstallerWithoutAPackageReportsItselfCorrupted) {
    auto plain = scratch_.path() / "plain.exe";
    std::filesystem::copy_file(installerPath(), plain);
    auto process = start(plain);
    ASSERT_TRUE(process->started());
    answer(*process, "Installer", kCorruptedMessage);
    expectCleanExit(*process);
}

TEST_F(InstallModeTest, ASoundPackageWithMixedCaseNamesRunsWithoutAMessage) {
    std::filesystem::copy_file(fixturePath("setup.dat"), scratch_.path() / "Setup.dat");
    std::filesystem::copy_file(fixturePath("setup.lic"), scratch_.path() / "Setup.lic");
    writeFileBytes(scratch_.path() / "Setup.bmp", bytesOf("BM not really a picture"));
    auto package =
        buildPackage(scratch_, {scratch_.path() / "Setup.dat", scratch_.path() / "Setup.lic",
                                scratch_.path() / "Setup.bmp"});
    ASSERT_FALSE(package.empty());
    auto process = start(package);
    expectCleanExit(*process);
    EXPECT_TRUE(windowCaptions(process->id()).empty());
}

TEST_F(InstallModeTest, APackageWithTheScriptAloneRunsWithoutAMessage) {
    auto package = buildPackage(scratch_, {fixturePath("setup.dat")});
    ASSERT_FALSE(package.empty());
    auto process = start(package);
    expectCleanExit(*process);
}

TEST_F(InstallModeTest, APackageWithoutAScriptIsCorrupted) {
    auto package = buildPackage(scratch_, {fixturePath("readme.txt"), fixturePath("setup.lic")});
    ASSERT_FALSE(package.empty());
    auto process = start(package);
    answer(*process, "Installer", kCorruptedMessage);
    expectCleanExit(*process);
}

TEST_F(InstallModeTest, AScriptWithAWrongByteSumIsCorrupted) {
    auto package = buildPackage(scratch_, {fixturePath("setup.dat"), fixturePath("readme.txt")});
    ASSERT_FALSE(package.empty());
    damageEntry(package, "setup.dat", false);
    auto process = start(package);
    answer(*process, "Installer", kCorruptedMessage);
    expectCleanExit(*process);
}

// Stored bytes that pass the byte sum but do not decode: the codec reports first, then the
// package is found corrupted.
TEST_F(InstallModeTest, AScriptThatDoesNotDecodeIsReportedThenCorrupted) {
    auto package = buildPackage(scratch_, {fixturePath("setup.dat")});
    ASSERT_FALSE(package.empty());
    damageEntry(package, "setup.dat", true);
    auto process = start(package);
    HWND codecMessage = waitForWindow(process->id(), "Install", kPatience);
    ASSERT_NE(codecMessage, nullptr);
    std::string text = staticText(codecMessage);
    EXPECT_EQ(text.rfind("Error whilst uncompressing '", 0), 0u) << text;
    EXPECT_NE(text.find("setup.dat', unable to read from '"), std::string::npos) << text;
    pressButton(codecMessage, IDOK);
    answer(*process, "Installer", kCorruptedMessage);
    expectCleanExit(*process);
}

}  // namespace
}  // namespace tovik::testing
