#include <gtest/gtest.h>

#include <filesystem>

#include "codec/file_codec.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

// /dev/full accepts the open and fails every write: the output is lost, so the result is
// false, and the "write" message names the destination twice.
TEST(DecompressFilePosix, AFailingWriteIsReportedAndFailsTheResult) {
    testing::ScratchFolder scratch;
    testing::writeFileBytes(scratch.path() / "a.imp", {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01});
    testing::MessageRecorder messages;
    std::string source = scratch.systemPath("a.imp");
    EXPECT_FALSE(decompressFile(source.c_str(), "\\dev\\full", true));
    auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "Error whilst uncompressing '\\dev\\full', unable to write to '\\dev\\full'");
}

}  // namespace
}  // namespace tovik
