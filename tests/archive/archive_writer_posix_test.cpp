#include <gtest/gtest.h>

#include "archive/payload_archive.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

// /dev/full takes the open and fails every write. The copy of a large entry fails at its first
// block and is reported once, not once per byte or block; the trailer's write is the other.
TEST(ArchiveWriterPosix, AFailingWriteIsReportedOnce) {
    testing::ScratchFolder scratch;
    testing::Bytes content(300000);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>(i * 7919 >> 5);
    }
    testing::writeFileBytes(scratch.path() / "big.bin", content);
    testing::MessageRecorder messages;
    {
        PayloadArchive archive("\\dev\\full", true);
        EXPECT_FALSE(archive.add(scratch.systemPath("big.bin").c_str()));
    }
    auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 2u);
    for (const auto& message : shown) {
        EXPECT_EQ(message.text, "Unable to write to '\\dev\\full'");
    }
}

}  // namespace
}  // namespace tovik
