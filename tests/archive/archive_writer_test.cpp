#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "archive/payload_archive.h"
#include "tests/archive/archive_image.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::ArchiveImage;
using testing::Bytes;
using testing::bytesOf;
using testing::MessageRecorder;
using testing::readFileBytes;
using testing::ScratchFolder;
using testing::writeFileBytes;

const Bytes kExecutableImage = bytesOf("MZ\x90\x00 an executable image of some length");

Bytes randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

class ArchiveWriterTest : public ::testing::Test {
protected:
    std::string source(const std::string& name, const Bytes& content) {
        writeFileBytes(scratch_.path() / name, content);
        return scratch_.systemPath(name);
    }
    bool pack(const std::string& sourcePath) {
        PayloadArchive archive(target_.c_str(), true);
        return archive.add(sourcePath.c_str());
    }
    Bytes extracted(const char* name) {
        PayloadArchive archive(target_.c_str(), false);
        std::string out = scratch_.systemPath("extracted.bin");
        std::filesystem::remove(scratch_.path() / "extracted.bin");
        EXPECT_TRUE(archive.extract(name, out.c_str())) << name;
        return readFileBytes(scratch_.path() / "extracted.bin");
    }
    std::uint32_t trailerField(std::size_t offset) {
        Bytes file = readFileBytes(targetFile_);
        return readLittleEndian32(file.data() + file.size() - kTrailerSize + offset);
    }

    ScratchFolder scratch_;
    MessageRecorder messages_;
    std::string target_ = scratch_.systemPath("package.exe");
    std::filesystem::path targetFile_ = scratch_.path() / "package.exe";
};

TEST_F(ArchiveWriterTest, TheFirstEntryFollowsTheExecutableImage) {
    writeFileBytes(targetFile_, kExecutableImage);
    Bytes content = bytesOf("[Project Name]\r\nSample\r\n");
    ASSERT_TRUE(pack(source("setup.dat", content)));
    Bytes file = readFileBytes(targetFile_);
    EXPECT_TRUE(std::equal(kExecutableImage.begin(), kExecutableImage.end(), file.begin()));
    std::uint32_t directoryOffset = trailerField(4);
    EXPECT_EQ(trailerField(8), 1u);
    EXPECT_EQ(file.size(), directoryOffset + kEntryRecordSize + kTrailerSize);
    PayloadArchive archive(target_.c_str(), false);
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_EQ(archive.entryAt(0).offset, kExecutableImage.size());
    EXPECT_EQ(directoryOffset, kExecutableImage.size() + archive.entryAt(0).storedSize);
    EXPECT_EQ(extracted("setup.dat"), content);
}

TEST_F(ArchiveWriterTest, AMissingTargetBecomesAPackageOfTheArchiveAlone) {
    ASSERT_TRUE(pack(source("readme.txt", bytesOf("read me"))));
    PayloadArchive archive(target_.c_str(), false);
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_EQ(archive.entryAt(0).offset, 0u);
}

TEST_F(ArchiveWriterTest, LaterEntriesFollowInOrderAndTheDirectoryGrows) {
    writeFileBytes(targetFile_, kExecutableImage);
    Bytes big = randomBytes(200000, 1);
    ASSERT_TRUE(pack(source("setup.dat", bytesOf("script"))));
    std::uint32_t firstDirectory = trailerField(4);
    ASSERT_TRUE(pack(source("Player.exe", big)));
    ASSERT_TRUE(pack(source("empty.txt", {})));
    PayloadArchive archive(target_.c_str(), false);
    ASSERT_EQ(archive.entryCount(), 3);
    EXPECT_STREQ(archive.entryAt(0).name, "setup.dat");
    EXPECT_STREQ(archive.entryAt(1).name, "Player.exe");
    EXPECT_EQ(archive.entryAt(1).offset, firstDirectory);
    EXPECT_EQ(archive.entryAt(2).offset, archive.entryAt(1).offset + archive.entryAt(1).storedSize);
    EXPECT_EQ(archive.writePosition(), trailerField(4));
    EXPECT_EQ(extracted("setup.dat"), bytesOf("script"));
    EXPECT_EQ(extracted("PLAYER.EXE"), big);
    EXPECT_EQ(extracted("empty.txt"), Bytes{});
}

TEST_F(ArchiveWriterTest, TheSameNameTwiceGivesTwoEntries) {
    ASSERT_TRUE(pack(source("Setup.dat", bytesOf("first"))));
    ASSERT_TRUE(pack(source("Setup.dat", bytesOf("second"))));
    PayloadArchive archive(target_.c_str(), false);
    ASSERT_EQ(archive.entryCount(), 2);
    EXPECT_STREQ(archive.entryAt(0).name, "Setup.dat");
    EXPECT_STREQ(archive.entryAt(1).name, "Setup.dat");
    // Both are extracted in turn, the later one last.
    EXPECT_EQ(extracted("setup.DAT"), bytesOf("second"));
}

TEST_F(ArchiveWriterTest, RecordsAreWrittenWithTheNameFieldZeroFilled) {
    ASSERT_TRUE(pack(source("a.txt", bytesOf("x"))));
    Bytes file = readFileBytes(targetFile_);
    std::size_t record = trailerField(4);
    EXPECT_EQ(file[record], 'a');
    EXPECT_TRUE(std::all_of(file.begin() + static_cast<std::ptrdiff_t>(record) + 5,
                            file.begin() + static_cast<std::ptrdiff_t>(record) + 100,
                            [](std::uint8_t byte) { return byte == 0; }));
}

// When the old trailer claimed records the file did not hold, the new directory would end
// before the old end of the file; the trailer must still be the file's last 20 bytes.
TEST_F(ArchiveWriterTest, StaleBytesNeverFollowTheTrailer) {
    ArchiveImage image{kExecutableImage, {{"one", {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01}}}};
    Bytes damaged = image.bytes();
    // Pad the directory with junk the trailer does not describe, then a valid trailer that
    // points at the one real record.
    Bytes junk(5000, 0x55);
    damaged.insert(damaged.end() - kTrailerSize, junk.begin(), junk.end());
    writeFileBytes(targetFile_, damaged);
    ASSERT_TRUE(pack(source("two.txt", bytesOf("two"))));
    PayloadArchive archive(target_.c_str(), false);
    ASSERT_EQ(archive.entryCount(), 2);
    EXPECT_EQ(extracted("one"), bytesOf("A"));
    EXPECT_EQ(extracted("two.txt"), bytesOf("two"));
}

TEST_F(ArchiveWriterTest, AMissingSourceLeavesThePackageUnchanged) {
    ASSERT_TRUE(pack(source("setup.dat", bytesOf("script"))));
    Bytes before = readFileBytes(targetFile_);
    std::string missing = scratch_.systemPath("absent.bin");
    EXPECT_FALSE(pack(missing));
    EXPECT_EQ(readFileBytes(targetFile_), before);
    auto shown = messages_.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Install");
    EXPECT_NE(shown[0].text.find("unable to read from '" + missing + "'"), std::string::npos);
}

TEST_F(ArchiveWriterTest, ANameTooLongForTheFieldIsRefused) {
    ASSERT_TRUE(pack(source("setup.dat", bytesOf("script"))));
    Bytes before = readFileBytes(targetFile_);
    EXPECT_FALSE(pack(source(std::string(100, 'n'), bytesOf("long"))));
    EXPECT_EQ(readFileBytes(targetFile_), before);
    EXPECT_TRUE(pack(source(std::string(99, 'n'), bytesOf("fits"))));
    EXPECT_EQ(extracted(std::string(99, 'n').c_str()), bytesOf("fits"));
    EXPECT_EQ(messages_.count(), 1u);
    EXPECT_NE(messages_.messages()[0].text.find("longer than 99"), std::string::npos);
}

// Offsets are signed 32-bit seek distances: a package may not reach 2 GiB. The large files
// are sparse, so the test writes almost nothing.
TEST_F(ArchiveWriterTest, NothingIsWrittenThatWouldReach2GiB) {
    struct Case {
        const char* name;
        std::uintmax_t targetSize;  // of a sparse target without an archive
        std::uintmax_t sourceSize;  // of a sparse source
    };
    const Case kCases[] = {
        {"a target of 2 GiB", 0x80000000u, 10},
        {"a target just short of 2 GiB", 0x80000000u - 100, 10},
        {"a source of 2 GiB", 0, 0x80000000u},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MessageRecorder messages;
        writeFileBytes(targetFile_, {});
        std::filesystem::resize_file(targetFile_, c.targetSize);
        std::string sourcePath = source("big.bin", {});
        std::filesystem::resize_file(scratch_.path() / "big.bin", c.sourceSize);
        EXPECT_FALSE(pack(sourcePath));
        EXPECT_EQ(std::filesystem::file_size(targetFile_), c.targetSize);
        ASSERT_EQ(messages.count(), 1u);
        EXPECT_NE(messages.messages()[0].text.find("2 GiB"), std::string::npos);
    }
}

}  // namespace
}  // namespace tovik
