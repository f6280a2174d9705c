#include <gtest/gtest.h>

#include <filesystem>

#include "codec/file_codec.h"
#include "tests/codec/stream_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::MessageRecorder;
using testing::readFileBytes;
using testing::ScratchFolder;
using testing::writeFileBytes;

class DecompressFileTest : public ::testing::Test {
protected:
    std::string compressed(const Bytes& stream) {
        writeFileBytes(scratch_.path() / "stream.imp", stream);
        return scratch_.systemPath("stream.imp");
    }

    ScratchFolder scratch_;
    MessageRecorder messages_;
    std::string destination_ = scratch_.systemPath("out.bin");
    std::filesystem::path destinationFile_ = scratch_.path() / "out.bin";
};

TEST_F(DecompressFileTest, DecodesAWholeFile) {
    Bytes stream = {0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80, 0x7F};
    EXPECT_TRUE(decompressFile(compressed(stream).c_str(), destination_.c_str(), true));
    EXPECT_EQ(readFileBytes(destinationFile_), Bytes(10, 'A'));
    EXPECT_EQ(messages_.count(), 0u);
}

// Files of 4 bytes or fewer are the stream of an empty file, or no stream at all: the
// destination is created empty, without a message.
TEST_F(DecompressFileTest, TinyOrMissingSourcesGiveAnEmptyFile) {
    struct Case {
        const char* name;
        Bytes content;  // written to the source; missing when `absent`
        bool absent;
    };
    const Case kCases[] = {
        {"the stream of an empty file", {0x00, 0x06, 0x01, 0xFF}, false},
        {"an empty source", {}, false},
        {"two bytes", {0x12, 0x34}, false},
        {"no source at all", {}, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        writeFileBytes(destinationFile_, bytesOf("old content"));
        std::string source = scratch_.systemPath("tiny.imp");
        std::filesystem::remove(scratch_.path() / "tiny.imp");
        if (!c.absent) {
            writeFileBytes(scratch_.path() / "tiny.imp", c.content);
        }
        EXPECT_TRUE(decompressFile(source.c_str(), destination_.c_str(), true));
        EXPECT_TRUE(std::filesystem::exists(destinationFile_));
        EXPECT_EQ(std::filesystem::file_size(destinationFile_), 0u);
    }
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(DecompressFileTest, ABrokenStreamKeepsItsPartialOutputAndIsReported) {
    std::string source = compressed({0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80});
    EXPECT_FALSE(decompressFile(source.c_str(), destination_.c_str(), true));
    EXPECT_EQ(readFileBytes(destinationFile_), Bytes(10, 'A'));
    auto shown = messages_.messages();
    ASSERT_EQ(shown.size(), 1u);
    // The destination comes first and the compressed file second.
    EXPECT_EQ(shown[0].text, "Error whilst uncompressing '" + destination_ +
                                 "', unable to read from '" + source + "'");
    EXPECT_EQ(shown[0].caption, "Install");
    EXPECT_EQ(shown[0].icon, MessageIcon::Error);
    EXPECT_TRUE(shown[0].topmost);
}

TEST_F(DecompressFileTest, ABadHeaderLeavesAnEmptyDestination) {
    std::string source = compressed({0x00, 0x09, 0x82, 0x02, 0xFE, 0x01});
    EXPECT_FALSE(decompressFile(source.c_str(), destination_.c_str(), true));
    EXPECT_TRUE(std::filesystem::exists(destinationFile_));
    EXPECT_EQ(std::filesystem::file_size(destinationFile_), 0u);
    EXPECT_EQ(messages_.count(), 1u);
}

TEST_F(DecompressFileTest, ADestinationThatCannotBeCreatedIsAReadFailure) {
    std::string source = compressed({0x00, 0x06, 0x82, 0x02, 0xFE, 0x01});
    std::string unreachable = scratch_.systemPath("no-folder\\out.bin");
    EXPECT_FALSE(decompressFile(source.c_str(), unreachable.c_str(), true));
    auto shown = messages_.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error whilst uncompressing '" + unreachable +
                                 "', unable to read from '" + source + "'");
}

TEST_F(DecompressFileTest, FailuresAreSilentWithoutReports) {
    std::string source = compressed({0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80});
    EXPECT_FALSE(decompressFile(source.c_str(), destination_.c_str(), false));
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(DecompressFileTest, LargeOutputsCrossManyBlocks) {
    testing::StreamBuilder builder(0, 6);
    Bytes expected;
    for (int i = 0; i < 3000; ++i) {
        auto byte = static_cast<std::uint8_t>(i * 13);
        builder.literal(byte).match(100, 1);
        expected.insert(expected.end(), 101, byte);
    }
    std::string source = compressed(builder.end().bytes());
    EXPECT_TRUE(decompressFile(source.c_str(), destination_.c_str(), true));
    EXPECT_EQ(readFileBytes(destinationFile_), expected);
}

}  // namespace
}  // namespace tovik
