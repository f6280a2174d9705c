// Failures in the middle of a compression, which only POSIX devices produce on demand.
#include <gtest/gtest.h>

#include "codec/file_codec.h"
#include "tests/codec/sample_inputs.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

// /dev/full accepts the open and fails every write. The stream is lost, so the result is false
// (not true with a warning: the archive writer would store the damaged stream as an entry), and
// the "write" message names the destination twice.
TEST(CompressFilePosix, AFailingWriteFailsTheCompression) {
    testing::ScratchFolder scratch;
    testing::writeFileBytes(scratch.path() / "in.bin", testing::textLike(10000, 41));
    std::string source = scratch.systemPath("in.bin");
    testing::MessageRecorder messages;
    EXPECT_FALSE(compressFile(source.c_str(), "\\dev\\full", true));
    auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "Error whilst compressing '\\dev\\full', unable to write to '\\dev\\full'");
    EXPECT_EQ(shown[0].caption, "Install");
}

// Reading this process's memory from offset 0 fails (nothing is mapped there) once the file is
// open. The input ends early, so the stream is that of a truncated file: false, and the "read"
// message.
TEST(CompressFilePosix, AFailingReadFailsTheCompression) {
    testing::ScratchFolder scratch;
    std::string destination = scratch.systemPath("out.imp");
    testing::MessageRecorder messages;
    EXPECT_FALSE(compressFile("\\proc\\self\\mem", destination.c_str(), true));
    auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error whilst compressing '" + destination +
                                 "', unable to read from '\\proc\\self\\mem'");
}

}  // namespace
}  // namespace tovik
