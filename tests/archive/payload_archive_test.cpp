#include <gtest/gtest.h>

#include <filesystem>

#include "archive/payload_archive.h"
#include "tests/archive/archive_image.h"
#include "tests/codec/stream_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::ArchiveImage;
using testing::Bytes;
using testing::bytesOf;
using testing::FixtureEntry;
using testing::MessageRecorder;
using testing::readFileBytes;
using testing::ScratchFolder;
using testing::writeFileBytes;

// Streams and what they decode to.
const Bytes kStreamOfA = {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01};
const Bytes kStreamOfTenA = {0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80, 0x7F};
const Bytes kStreamOfHello = {0x00, 0x06, 0x90, 0x94, 0x61, 0xC3, 0xE6, 0x0D,
                              0x0B, 0x90, 0x98, 0x0D, 0x21, 0x01, 0xFF};
const Bytes kExecutableImage = bytesOf("MZ\x90\x00 the executable image, never read");

class PayloadArchiveTest : public ::testing::Test {
protected:
    std::string package(const ArchiveImage& image) { return package(image.bytes()); }
    std::string package(const Bytes& bytes) {
        writeFileBytes(scratch_.path() / "package.exe", bytes);
        return scratch_.systemPath("package.exe");
    }
    // Temporary files made during a test are kept apart, to see that none is left behind.
    std::vector<std::filesystem::path> leftoverTemporaryFiles() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(temporary_)) {
            files.push_back(entry.path());
        }
        return files;
    }

    ScratchFolder scratch_;
    std::filesystem::path temporary_ = [this] {
        std::filesystem::create_directory(scratch_.path() / "temp");
        return scratch_.path() / "temp";
    }();
    testing::TemporaryFolderOverride temporaryFolder_{testing::toSystemForm(temporary_)};
    MessageRecorder messages_;
    std::string destination_ = scratch_.systemPath("out.bin");
    std::filesystem::path destinationFile_ = scratch_.path() / "out.bin";
};

TEST(ArchiveFormat, TheTrailerCheckSumsSignedBytes) {
    std::uint8_t trailer[kTrailerSize];
    encodeTrailer(239178, 7, trailer);
    EXPECT_EQ(decodeTrailer(trailer).check, 73);
    EXPECT_TRUE(isValidTrailer(trailer));
    auto unsignedTrailer = testing::trailerBytes(239178, 7, true);
    std::memcpy(trailer, unsignedTrailer.data(), kTrailerSize);
    EXPECT_FALSE(isValidTrailer(trailer));
}

// Files without a valid trailer are empty archives that begin where the trailer's
// directory offset says, or else at the end of the file.
TEST_F(PayloadArchiveTest, InvalidTrailersGiveAnEmptyArchiveAtTheEndOfTheFile) {
    auto wrongMagic = ArchiveImage{kExecutableImage, {{"setup.dat", kStreamOfA}}}.bytes();
    wrongMagic[wrongMagic.size() - 1] ^= 0x01;
    auto wrongCheck = ArchiveImage{kExecutableImage, {{"setup.dat", kStreamOfA}}}.bytes();
    wrongCheck[wrongCheck.size() - 20] ^= 0x01;
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case kCases[] = {
        {"19 bytes", Bytes(19, 0x83)},
        {"an executable without an archive", kExecutableImage},
        {"a check over unsigned bytes",
         ArchiveImage{kExecutableImage, {{"setup.dat", kStreamOfA}}, std::nullopt, true}.bytes()},
        {"a wrong magic word", wrongMagic},
        {"a wrong check", wrongCheck},
        {"an empty file", {}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PayloadArchive archive(package(c.file).c_str(), false);
        EXPECT_EQ(archive.entryCount(), 0);
        EXPECT_FALSE(archive.contains("setup.dat"));
        EXPECT_EQ(archive.writePosition(), c.file.size());
    }
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(PayloadArchiveTest, AnEmptyDirectoryBeginsAtItsOffset) {
    ArchiveImage image{kExecutableImage, {}};
    PayloadArchive archive(package(image).c_str(), false);
    EXPECT_EQ(archive.entryCount(), 0);
    EXPECT_EQ(archive.writePosition(), kExecutableImage.size());
}

TEST_F(PayloadArchiveTest, LoadsTheDirectoryInFileOrder) {
    ArchiveImage image{kExecutableImage,
                       {{"Setup.dat", kStreamOfA}, {"Setup.bmp", kStreamOfTenA}, {"x", {}}}};
    PayloadArchive archive(package(image).c_str(), false);
    ASSERT_EQ(archive.entryCount(), 3);
    EXPECT_STREQ(archive.entryAt(0).name, "Setup.dat");
    EXPECT_EQ(archive.entryAt(0).offset, kExecutableImage.size());
    EXPECT_EQ(archive.entryAt(1).offset, kExecutableImage.size() + kStreamOfA.size());
    EXPECT_EQ(archive.entryAt(1).storedSize, kStreamOfTenA.size());
    EXPECT_STREQ(archive.entryAt(2).name, "x");
    EXPECT_EQ(archive.writePosition(), kExecutableImage.size() + 6 + 8);
}

TEST_F(PayloadArchiveTest, FindsAndExtractsEntriesWhateverTheirCase) {
    ArchiveImage image{kExecutableImage, {{"Setup.dat", kStreamOfHello}}};
    PayloadArchive archive(package(image).c_str(), false);
    EXPECT_TRUE(archive.contains("SETUP.DAT"));
    EXPECT_TRUE(archive.contains("setup.dat"));
    EXPECT_FALSE(archive.contains("setup.da"));
    EXPECT_TRUE(archive.extract("SETUP.DAT", destination_.c_str()));
    EXPECT_EQ(readFileBytes(destinationFile_), bytesOf("Hello, Hello, Hello!"));
    EXPECT_FALSE(archive.extract("setup.lic", destination_.c_str()));
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
}

TEST_F(PayloadArchiveTest, ADamagedEntryLeavesNoTraceAndTheDestinationUntouched) {
    Bytes damaged = kStreamOfTenA;
    damaged[3] ^= 0x40;
    struct Case {
        const char* name;
        FixtureEntry entry;
    };
    const Case kCases[] = {
        {"a changed stored byte", {"a", damaged, std::nullopt, std::nullopt, 0x12345}},
        {"one stored byte missing", {"a", kStreamOfTenA, std::nullopt, 7}},
        {"stored bytes past the end of the file", {"a", kStreamOfTenA, std::nullopt, 100000}},
        {"an offset past the end of the file", {"a", kStreamOfTenA, 900000}},
        {"an offset beyond 2 GiB", {"a", kStreamOfTenA, 0x80000000u}},
        {"the largest stored size", {"a", kStreamOfTenA, std::nullopt, 0xFFFFFFFFu}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(destinationFile_);
        ArchiveImage image{kExecutableImage, {c.entry}};
        PayloadArchive archive(package(image).c_str(), false);
        ASSERT_TRUE(archive.contains("a"));
        EXPECT_FALSE(archive.extract("a", destination_.c_str()));
        EXPECT_FALSE(std::filesystem::exists(destinationFile_));
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
    }
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(PayloadArchiveTest, AnEmptyEntryExtractsToAnEmptyFile) {
    writeFileBytes(destinationFile_, bytesOf("previous"));
    ArchiveImage image{kExecutableImage, {{"empty.txt", {}}}};
    PayloadArchive archive(package(image).c_str(), false);
    EXPECT_TRUE(archive.extract("empty.txt", destination_.c_str()));
    EXPECT_EQ(std::filesystem::file_size(destinationFile_), 0u);
}

TEST_F(PayloadArchiveTest, EveryEntryOfTheNameIsExtractedInTurn) {
    Bytes damaged = kStreamOfA;
    damaged[2] ^= 1;
    struct Case {
        const char* name;
        std::vector<FixtureEntry> entries;
        bool result;
        std::string content;  // what the destination holds afterwards
    };
    const Case kCases[] = {
        {"both sound: the later one wins",
         {{"dup", kStreamOfA}, {"DUP", kStreamOfHello}},
         true,
         "Hello, Hello, Hello!"},
        {"the later one damaged: the earlier one stays",
         {{"dup", kStreamOfA}, {"dup", kStreamOfHello, std::nullopt, std::nullopt, 1}},
         true,
         "A"},
        {"the earlier one damaged",
         {{"dup", damaged, std::nullopt, std::nullopt, 1}, {"dup", kStreamOfTenA}},
         true,
         "AAAAAAAAAA"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(destinationFile_);
        PayloadArchive archive(package(ArchiveImage{kExecutableImage, c.entries}).c_str(), false);
        EXPECT_EQ(archive.extract("dup", destination_.c_str()), c.result);
        EXPECT_EQ(readFileBytes(destinationFile_), bytesOf(c.content));
    }
}

TEST_F(PayloadArchiveTest, LargeEntriesCopyAcrossManyBlocks) {
    testing::StreamBuilder builder(0, 6);
    Bytes expected;
    // About 300 KB of stream: literals only, so the stored bytes exceed the copy block often.
    for (int i = 0; i < 270000; ++i) {
        auto byte = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
        builder.literal(byte);
        expected.push_back(byte);
    }
    ArchiveImage image{kExecutableImage, {{"big.bin", builder.end().bytes()}}};
    PayloadArchive archive(package(image).c_str(), false);
    EXPECT_TRUE(archive.extract("big.bin", destination_.c_str()));
    EXPECT_EQ(readFileBytes(destinationFile_), expected);
}

// A name field of 100 bytes without a terminator is cut to its first 99 characters.
TEST_F(PayloadArchiveTest, AnUnterminatedNameIsCutTo99Characters) {
    FixtureEntry entry{"", kStreamOfA};
    entry.unterminatedName = true;
    PayloadArchive archive(package(ArchiveImage{kExecutableImage, {entry}}).c_str(), false);
    ASSERT_EQ(archive.entryCount(), 1);
    std::string name99(99, 'n');
    EXPECT_EQ(std::string(archive.entryAt(0).name), name99);
    EXPECT_TRUE(archive.contains(name99.c_str()));
    EXPECT_FALSE(archive.contains(std::string(100, 'n').c_str()));
}

TEST_F(PayloadArchiveTest, AnEntryCountBeyondTheFileLoadsWhatIsThere) {
    ArchiveImage image{kExecutableImage, {{"one", kStreamOfA}, {"two", kStreamOfTenA}}};
    image.entryCount = 0xFFFFFFFFu;
    PayloadArchive archive(package(image).c_str(), false);
    // The records are followed by the trailer, which is too short to be read as a third.
    EXPECT_EQ(archive.entryCount(), 2);
    EXPECT_TRUE(archive.extract("two", destination_.c_str()));
}

TEST_F(PayloadArchiveTest, OpeningAMissingPathCreatesAnEmptyFile) {
    for (bool writable : {false, true}) {
        SCOPED_TRACE(writable);
        auto path = scratch_.path() / (writable ? "new-rw.exe" : "new-ro.exe");
        {
            PayloadArchive archive(testing::toSystemForm(path).c_str(), writable);
            EXPECT_TRUE(archive.isOpen());
            EXPECT_EQ(archive.entryCount(), 0);
            EXPECT_EQ(archive.writePosition(), 0u);
        }
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
    }
}

TEST_F(PayloadArchiveTest, AnArchiveThatCannotBeOpenedIsReportedAndEmpty) {
    std::string unreachable = scratch_.systemPath("missing-folder\\package.exe");
    PayloadArchive archive(unreachable.c_str(), false);
    EXPECT_FALSE(archive.isOpen());
    EXPECT_FALSE(archive.extract("setup.dat", destination_.c_str()));
    auto shown = messages_.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unable to open '" + unreachable + "'");
    EXPECT_EQ(shown[0].caption, "Disk Read Error");
}

}  // namespace
}  // namespace tovik
