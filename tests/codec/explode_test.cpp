#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codec/explode.h"
#include "tests/codec/memory_streams.h"
#include "tests/codec/stream_builder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::MemoryStreams;
using testing::StreamBuilder;

CodecStatus decode(MemoryStreams& streams) {
    auto work = std::make_unique<ExplodeWork>();
    return explode(MemoryStreams::read, MemoryStreams::write, *work, &streams);
}

struct KnownStream {
    const char* name;
    Bytes stream;        // the compressed input
    CodecStatus status;  // what explode returns
    std::string output;  // everything delivered to the write callback
};

// The streams an encoder produces for small inputs, and damaged variants of them.
const KnownStream kKnownStreams[] = {
    {"empty input: too short to decode", {0x00, 0x06, 0x01, 0xFF}, CodecStatus::InputTooShort, ""},
    {"one byte", {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01}, CodecStatus::Ok, "A"},
    {"two bytes", {0x00, 0x06, 0x82, 0x08, 0x05, 0xFC, 0x03}, CodecStatus::Ok, "AB"},
    {"ten times A: a match of 8 at distance 2",
     {0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80, 0x7F},
     CodecStatus::Ok,
     "AAAAAAAAAA"},
    {"cut before the end code: the ten bytes still arrive",
     {0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80},
     CodecStatus::StreamBroken,
     "AAAAAAAAAA"},
    {"abcabcabcabc",
     {0x00, 0x06, 0xC2, 0x88, 0x19, 0x4B, 0x17, 0x02, 0xFE, 0x01},
     CodecStatus::Ok,
     "abcabcabcabc"},
    {"Hello three times",
     {0x00, 0x06, 0x90, 0x94, 0x61, 0xC3, 0xE6, 0x0D, 0x0B, 0x90, 0x98, 0x0D, 0x21, 0x01, 0xFF},
     CodecStatus::Ok,
     "Hello, Hello, Hello!"},
    {"bytes after the end code are ignored",
     {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01, 0x00},
     CodecStatus::Ok,
     "A"},
    {"dictionary bits 7", {0x00, 0x07, 0x82, 0x02, 0xFE, 0x01}, CodecStatus::BadDictionarySize, ""},
    {"dictionary bits 3", {0x00, 0x03, 0x82, 0x02, 0xFE, 0x01}, CodecStatus::BadDictionarySize, ""},
    {"literal mode 2", {0x02, 0x06, 0x82, 0x02, 0xFE, 0x01}, CodecStatus::BadLiteralMode, ""},
    {"both header bytes bad: the dictionary is checked first",
     {0x02, 0x07, 0x82, 0x02, 0xFE, 0x01},
     CodecStatus::BadDictionarySize,
     ""},
    {"no end code at all: runs out after the literal",
     {0x00, 0x06, 0x82, 0x02, 0x00},
     CodecStatus::StreamBroken,
     "A"},
};

TEST(Explode, KnownStreams) {
    for (const KnownStream& known : kKnownStreams) {
        SCOPED_TRACE(known.name);
        MemoryStreams streams(known.stream);
        EXPECT_EQ(decode(streams), known.status);
        EXPECT_EQ(std::string(streams.output.begin(), streams.output.end()), known.output);
        if (known.status == CodecStatus::InputTooShort ||
            known.status == CodecStatus::BadDictionarySize ||
            known.status == CodecStatus::BadLiteralMode) {
            EXPECT_TRUE(streams.writeSizes.empty()) << "nothing is written for a bad header";
        }
        EXPECT_EQ(streams.readsAfterEnd, 0) << "no read after the input has ended";
    }
}

TEST(Explode, OneByteIsWrittenInOneCall) {
    Bytes stream = {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01};
    MemoryStreams streams(stream);
    ASSERT_EQ(decode(streams), CodecStatus::Ok);
    EXPECT_EQ(streams.writeSizes, std::vector<std::uint32_t>{1});
}

// Output leaves in blocks of exactly 4096 bytes and a last block of 0 to 4095.
TEST(Explode, OutputBlocksAreExactly4096Bytes) {
    struct Case {
        std::uint32_t size;                 // decoded size
        std::vector<std::uint32_t> writes;  // sizes given to the write callback
    };
    const Case kCases[] = {
        {4095, {4095}},          {4096, {4096, 0}},           {4097, {4096, 1}},
        {8192, {4096, 4096, 0}}, {10000, {4096, 4096, 1808}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.size);
        // One literal, then copies of it at distance 1 in the longest steps the format has.
        StreamBuilder builder(0, 6);
        builder.literal('z');
        for (std::uint32_t produced = 1; produced < c.size;) {
            std::uint32_t length = std::min<std::uint32_t>(518, c.size - produced);
            if (length == 1) {
                builder.literal('z');
            } else {
                builder.match(length, 1);
            }
            produced += length;
        }
        Bytes stream = builder.end().bytes();
        MemoryStreams streams(stream);
        ASSERT_EQ(decode(streams), CodecStatus::Ok);
        EXPECT_EQ(streams.writeSizes, c.writes);
        EXPECT_EQ(streams.output, Bytes(c.size, 'z'));
    }
}

TEST(Explode, OverlappingMatchesRepeatTheirOwnOutput) {
    Bytes stream = StreamBuilder(0, 6)
                       .literal('a')
                       .match(5, 1)  // distance 1 repeats the last byte
                       .literal('b')
                       .literal('c')
                       .match(7, 3)   // "bc" + the copy's own output
                       .match(2, 12)  // length 2 takes its distance from 2 low bits
                       .end()
                       .bytes();
    MemoryStreams streams(stream);
    ASSERT_EQ(decode(streams), CodecStatus::Ok);
    EXPECT_EQ(std::string(streams.output.begin(), streams.output.end()),
              std::string("aaaaaa") + "bc" + "abcabca" + "aa");
}

TEST(Explode, EveryDictionarySizeReachesItsFarthestDistance) {
    for (std::uint8_t bits : {4, 5, 6}) {
        SCOPED_TRACE(static_cast<int>(bits));
        std::uint32_t dictionarySize = 64u << bits;
        StreamBuilder builder(0, bits);
        Bytes expected;
        for (std::uint32_t i = 0; i < dictionarySize; ++i) {
            auto byte = static_cast<std::uint8_t>(i * 7 + i / 256);
            builder.literal(byte);
            expected.push_back(byte);
        }
        // The farthest match of each kind: the dictionary size, and 256 for length 2.
        builder.match(3, dictionarySize).match(2, 256);
        for (std::uint32_t i = 0; i < 3; ++i) {
            expected.push_back(expected[expected.size() - dictionarySize]);
        }
        for (std::uint32_t i = 0; i < 2; ++i) {
            expected.push_back(expected[expected.size() - 256]);
        }
        Bytes stream = builder.end().bytes();
        MemoryStreams streams(stream);
        ASSERT_EQ(decode(streams), CodecStatus::Ok);
        EXPECT_EQ(streams.output, expected);
    }
}

TEST(Explode, CodedLiteralsDecodeEveryByteValue) {
    StreamBuilder builder(1, 6);
    Bytes expected;
    for (int round = 0; round < 3; ++round) {
        for (int byte = 0; byte < 256; ++byte) {
            builder.literal(static_cast<std::uint8_t>(byte));
            expected.push_back(static_cast<std::uint8_t>(byte));
        }
    }
    Bytes stream = builder.match(300, 256).end().bytes();
    expected.insert(expected.end(), expected.end() - 256, expected.end() - 256 + 256);
    expected.insert(expected.end(), expected.end() - 256, expected.end() - 256 + 44);
    MemoryStreams streams(stream);
    ASSERT_EQ(decode(streams), CodecStatus::Ok);
    EXPECT_EQ(streams.output, expected);
}

TEST(Explode, SmallReadsGiveTheSameOutput) {
    Bytes stream =
        StreamBuilder(0, 6).literal('x').match(200, 1).literal('y').match(9, 2).end().bytes();
    MemoryStreams whole(stream);
    ASSERT_EQ(decode(whole), CodecStatus::Ok);
    for (std::uint32_t limit : {1u, 2u, 3u, 7u}) {
        SCOPED_TRACE(limit);
        MemoryStreams pieces(stream);
        pieces.firstReadLimit = 5;
        pieces.readLimit = limit;
        EXPECT_EQ(decode(pieces), CodecStatus::Ok);
        EXPECT_EQ(pieces.output, whole.output);
    }
}

// A stream cut anywhere before its end code is broken, and what was decoded before the cut is
// still delivered: a prefix of the full output.
TEST(Explode, ACutStreamDeliversWhatWasDecoded) {
    StreamBuilder builder(0, 6);
    for (int i = 0; i < 40; ++i) {
        builder.literal(static_cast<std::uint8_t>('a' + i % 26)).match(3 + i, 1 + i % 5);
    }
    Bytes stream = builder.end().bytes();
    MemoryStreams full(stream);
    ASSERT_EQ(decode(full), CodecStatus::Ok);
    for (std::size_t cut = 5; cut < stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        Bytes shortened(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
        MemoryStreams streams(shortened);
        EXPECT_EQ(decode(streams), CodecStatus::StreamBroken);
        ASSERT_LE(streams.output.size(), full.output.size());
        EXPECT_TRUE(std::equal(streams.output.begin(), streams.output.end(), full.output.begin()));
        EXPECT_EQ(streams.readsAfterEnd, 0);
    }
}

TEST(Explode, ADistanceBeforeTheFirstByteReadsZeros) {
    Bytes stream = StreamBuilder(0, 6).literal('q').match(4, 100).end().bytes();
    MemoryStreams streams(stream);
    ASSERT_EQ(decode(streams), CodecStatus::Ok);
    EXPECT_EQ(streams.output, (Bytes{'q', 0, 0, 0, 0}));
}

}  // namespace
}  // namespace tovik
