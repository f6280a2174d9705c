#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "codec/file_codec.h"
#include "codec/implode.h"
#include "tests/codec/memory_streams.h"
#include "tests/codec/sample_inputs.h"
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

class CompressFileTest : public ::testing::Test {
protected:
    std::string source(const Bytes& content) {
        writeFileBytes(sourceFile_, content);
        return source_;
    }

    ScratchFolder scratch_;
    MessageRecorder messages_;
    std::string source_ = scratch_.systemPath("in.bin");
    std::filesystem::path sourceFile_ = scratch_.path() / "in.bin";
    std::string destination_ = scratch_.systemPath("out.imp");
    std::filesystem::path destinationFile_ = scratch_.path() / "out.imp";
};

// The stream implode writes in memory with the adapter's settings.
Bytes streamOf(const Bytes& input) {
    testing::MemoryStreams streams(input);
    auto work = std::make_unique<ImplodeWork>();
    EXPECT_EQ(implode(testing::MemoryStreams::read, testing::MemoryStreams::write, *work, &streams,
                      0, 4096),
              CodecStatus::Ok);
    return streams.output;
}

// The destination holds exactly the in-memory stream (literal mode 0, 4096-byte dictionary),
// also when it existed before with longer content, and decodes back to the source.
TEST_F(CompressFileTest, CompressesAWholeFile) {
    for (std::size_t size : {0u, 1u, 4096u, 300000u}) {
        SCOPED_TRACE(size);
        Bytes content = testing::textLike(size, 31);
        writeFileBytes(destinationFile_, Bytes(500000, 'x'));
        EXPECT_TRUE(compressFile(source(content).c_str(), destination_.c_str(), true));
        Bytes stream = readFileBytes(destinationFile_);
        EXPECT_EQ(stream, streamOf(content));
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(stream[0], 0x00);
        EXPECT_EQ(stream[1], 0x06);

        std::string decoded = scratch_.systemPath("decoded.bin");
        EXPECT_TRUE(decompressFile(destination_.c_str(), decoded.c_str(), true));
        EXPECT_EQ(readFileBytes(scratch_.path() / "decoded.bin"), content);
    }
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(CompressFileTest, AMissingSourceLeavesTheDestinationAlone) {
    writeFileBytes(destinationFile_, bytesOf("old content"));
    std::string missing = scratch_.systemPath("missing.bin");
    EXPECT_FALSE(compressFile(missing.c_str(), destination_.c_str(), true));
    EXPECT_EQ(readFileBytes(destinationFile_), bytesOf("old content"));
    auto shown = messages_.messages();
    ASSERT_EQ(shown.size(), 1u);
    // The destination comes first and the source second.
    EXPECT_EQ(shown[0].text, "Error whilst compressing '" + destination_ +
                                 "', unable to read from '" + missing + "'");
    EXPECT_EQ(shown[0].caption, "Install");
    EXPECT_EQ(shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(shown[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(shown[0].topmost);
}

TEST_F(CompressFileTest, AMissingSourceCreatesNoDestination) {
    std::string missing = scratch_.systemPath("missing.bin");
    EXPECT_FALSE(compressFile(missing.c_str(), destination_.c_str(), true));
    EXPECT_FALSE(std::filesystem::exists(destinationFile_));
}

// The "write" message is only for a write that failed; a destination that cannot be created
// gets the "read" message.
TEST_F(CompressFileTest, ADestinationThatCannotBeCreatedIsAReadFailure) {
    std::string input = source(bytesOf("content"));
    std::string unreachable = scratch_.systemPath("no-folder\\out.imp");
    EXPECT_FALSE(compressFile(input.c_str(), unreachable.c_str(), true));
    auto shown = messages_.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error whilst compressing '" + unreachable +
                                 "', unable to read from '" + input + "'");
    EXPECT_EQ(shown[0].caption, "Install");
}

TEST_F(CompressFileTest, FailuresAreSilentWithoutReports) {
    std::string missing = scratch_.systemPath("missing.bin");
    EXPECT_FALSE(compressFile(missing.c_str(), destination_.c_str(), false));
    std::string input = source(bytesOf("content"));
    std::string unreachable = scratch_.systemPath("no-folder\\out.imp");
    EXPECT_FALSE(compressFile(input.c_str(), unreachable.c_str(), false));
    EXPECT_EQ(messages_.count(), 0u);
}

}  // namespace
}  // namespace tovik
