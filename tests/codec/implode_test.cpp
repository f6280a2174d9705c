#include "codec/implode.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codec/explode.h"
#include "tests/codec/memory_streams.h"
#include "tests/codec/sample_inputs.h"
#include "tests/codec/stream_builder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::MemoryStreams;
using testing::StreamBuilder;

std::uint32_t dictionaryBitsOf(std::uint32_t dictionarySize) {
    return dictionarySize == 1024 ? 4 : dictionarySize == 2048 ? 5 : 6;
}

Bytes compress(const Bytes& input, std::uint32_t literalMode = 0,
               std::uint32_t dictionarySize = 4096) {
    CodecStatus status;
    Bytes stream = testing::implodeInMemory(input, literalMode, dictionarySize, status);
    EXPECT_EQ(status, CodecStatus::Ok);
    return stream;
}

Bytes concatenated(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Literal tokens for every byte of `bytes`.
StreamBuilder literals(StreamBuilder stream, const Bytes& bytes) {
    for (std::uint8_t byte : bytes) {
        stream.literal(byte);
    }
    return stream;
}

// The streams listed byte for byte with the encoder's definition (literal mode 0, 4096-byte
// dictionary).
TEST(Implode, KnownStreams) {
    struct Case {
        const char* input;  // the whole input, as text
        Bytes stream;       // the exact stream
    };
    const Case cases[] = {
        // end
        {"", {0x00, 0x06, 0x01, 0xFF}},
        // A, end
        {"A", {0x00, 0x06, 0x82, 0x02, 0xFE, 0x01}},
        // A, B, end
        {"AB", {0x00, 0x06, 0x82, 0x08, 0x05, 0xFC, 0x03}},
        // A, A, match 8 at distance 2, end
        {"AAAAAAAAAA", {0x00, 0x06, 0x82, 0x04, 0xE5, 0x83, 0x80, 0x7F}},
        // a, b, c, match 9 at distance 3, end
        {"abcabcabcabc", {0x00, 0x06, 0xC2, 0x88, 0x19, 0x4B, 0x17, 0x02, 0xFE, 0x01}},
        // H, e, l, l, o, comma, space, match 12 at distance 7, exclamation mark, end
        {"Hello, Hello, Hello!",
         {0x00, 0x06, 0x90, 0x94, 0x61, 0xC3, 0xE6, 0x0D, 0x0B, 0x90, 0x98, 0x0D, 0x21, 0x01,
          0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(compress(bytesOf(c.input)), c.stream);
    }
}

// The encoder's choices on inputs described token by token; the expected stream is built from
// those tokens.
TEST(Implode, TokenChoices) {
    const Bytes dots(130, '.');
    const Bytes filler254 = testing::unrepeatedPairs(254);
    const Bytes filler255 = testing::unrepeatedPairs(255);
    struct Case {
        const char* name;  // what the row shows
        Bytes input;       // the whole input
        Bytes expected;    // the exact stream, built token by token
    };
    const Case cases[] = {
        // A run begins with two literals, the longest match is 516 bytes, and the match cut by
        // the end of the input goes to the nearest of the tied candidates.
        {"1000 times A", Bytes(1000, 'A'),
         StreamBuilder(0, 6).literal('A').literal('A').match(516, 2).match(482, 2).end().bytes()},
        // Past the first 516 bytes of a run, the first candidate (the farthest) already reaches
        // 516 bytes and wins.
        {"2000 times A", Bytes(2000, 'A'),
         StreamBuilder(0, 6)
             .literal('A')
             .literal('A')
             .match(516, 2)
             .match(516, 518)
             .match(516, 1034)
             .match(450, 2)
             .end()
             .bytes()},
        // At the second a: 3 bytes at distance 10, one byte further 5 bytes at distance 7: a
        // literal, then the longer match.
        {"abcXbcdefYabcdef", bytesOf("abcXbcdefYabcdef"),
         literals(
             StreamBuilder(0, 6).literal('a').literal('b').literal('c').literal('X').match(2, 3),
             bytesOf("defYa"))
             .match(5, 7)
             .end()
             .bytes()},
        // At the second a: 3 bytes at distance 9, one byte further only one byte longer, and the
        // distance is not above 129: the 3-byte match stays.
        {"abcQbcdeRabcdeS", bytesOf("abcQbcdeRabcdeS"),
         literals(StreamBuilder(0, 6), bytesOf("abcQ"))
             .match(2, 3)
             .literal('d')
             .literal('e')
             .literal('R')
             .match(3, 9)
             .match(2, 6)
             .literal('S')
             .end()
             .bytes()},
        // The same 3-byte match at distance 139: the literal is put and the 4-byte match follows.
        {"abcQ, 130 full stops, bcdeRabcdeS",
         concatenated({bytesOf("abcQ"), dots, bytesOf("bcdeRabcdeS")}),
         literals(StreamBuilder(0, 6), bytesOf("abcQ.."))
             .match(128, 2)
             .match(2, 133)
             .literal('d')
             .literal('e')
             .literal('R')
             .literal('a')
             .match(4, 6)
             .literal('S')
             .end()
             .bytes()},
        // The distance rule at its edge: 129 is not above 129, 130 is.
        {"abcQ, 120 full stops, bcdeRabcdeS",
         concatenated({bytesOf("abcQ"), Bytes(120, '.'), bytesOf("bcdeRabcdeS")}),
         literals(StreamBuilder(0, 6), bytesOf("abcQ.."))
             .match(118, 2)
             .match(2, 123)
             .literal('d')
             .literal('e')
             .literal('R')
             .match(3, 129)
             .match(2, 6)
             .literal('S')
             .end()
             .bytes()},
        {"abcQ, 121 full stops, bcdeRabcdeS",
         concatenated({bytesOf("abcQ"), Bytes(121, '.'), bytesOf("bcdeRabcdeS")}),
         literals(StreamBuilder(0, 6), bytesOf("abcQ.."))
             .match(119, 2)
             .match(2, 124)
             .literal('d')
             .literal('e')
             .literal('R')
             .literal('a')
             .match(4, 6)
             .literal('S')
             .end()
             .bytes()},
        // A 2-byte match reaches 256 bytes back, and no farther.
        {"2-byte match at distance 256", concatenated({bytesOf("ab"), filler254, bytesOf("ab")}),
         literals(StreamBuilder(0, 6), concatenated({bytesOf("ab"), filler254}))
             .match(2, 256)
             .end()
             .bytes()},
        {"2-byte repetition at distance 257",
         concatenated({bytesOf("ab"), filler255, bytesOf("ab")}),
         literals(StreamBuilder(0, 6), concatenated({bytesOf("ab"), filler255, bytesOf("ab")}))
             .end()
             .bytes()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(compress(c.input), c.expected);
    }
}

// The farthest match is dictionary size - 1 bytes back, in every dictionary size and also
// across the first block boundary.
TEST(Implode, MatchesReachOneByteLessThanTheDictionary) {
    const Bytes repeated = bytesOf("ABCDEFGH");
    for (std::uint32_t dictionarySize : {1024u, 2048u, 4096u}) {
        for (std::uint32_t distance : {dictionarySize - 1, dictionarySize}) {
            SCOPED_TRACE(std::to_string(dictionarySize) + " at distance " +
                         std::to_string(distance));
            Bytes filler = testing::unrepeatedPairs(distance - repeated.size());
            Bytes head = concatenated({repeated, filler});
            Bytes input = concatenated({head, repeated});
            StreamBuilder expected = literals(
                StreamBuilder(0, static_cast<std::uint8_t>(dictionaryBitsOf(dictionarySize))),
                head);
            if (distance < dictionarySize) {
                expected.match(8, distance);
            } else {
                expected = literals(expected, repeated);
            }
            EXPECT_EQ(compress(input, 0, dictionarySize), expected.end().bytes());
        }
    }
}

TEST(Implode, CodedLiteralsUseTheLiteralTable) {
    Bytes input = bytesOf("Hi\n");
    input.push_back(0xFF);
    EXPECT_EQ(compress(input, 1, 4096), literals(StreamBuilder(1, 6), input).end().bytes());
}

TEST(Implode, ParameterErrorsCallNoCallback) {
    struct Case {
        std::uint32_t literalMode;
        std::uint32_t dictionarySize;
        CodecStatus expected;
    };
    const Case cases[] = {
        {0, 3000, CodecStatus::BadDictionarySize},
        {0, 0, CodecStatus::BadDictionarySize},
        {1, 8192, CodecStatus::BadDictionarySize},
        {2, 4096, CodecStatus::BadLiteralMode},
        {0xFFFFFFFF, 1024, CodecStatus::BadLiteralMode},
        // The size is checked first.
        {2, 3000, CodecStatus::BadDictionarySize},
    };
    const Bytes input = bytesOf("some input");
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.literalMode) + ", size " +
                     std::to_string(c.dictionarySize));
        MemoryStreams streams(input);
        auto work = std::make_unique<ImplodeWork>();
        EXPECT_EQ(implode(MemoryStreams::read, MemoryStreams::write, *work, &streams, c.literalMode,
                          c.dictionarySize),
                  c.expected);
        EXPECT_EQ(streams.readCalls, 0);
        EXPECT_TRUE(streams.writeSizes.empty());
    }
}

// Records what each read call asked for and got, on top of MemoryStreams.
struct ReadLog {
    explicit ReadLog(const Bytes& input) : streams(input) {}

    static std::uint32_t read(std::uint8_t* buffer, std::uint32_t& size, void* context) {
        auto& log = *static_cast<ReadLog*>(context);
        log.requested.push_back(size);
        std::uint32_t count = MemoryStreams::read(buffer, size, &log.streams);
        log.returned.push_back(count);
        return count;
    }
    static void write(const std::uint8_t* buffer, std::uint32_t& size, void* context) {
        MemoryStreams::write(buffer, size, &static_cast<ReadLog*>(context)->streams);
    }

    MemoryStreams streams;
    std::vector<std::uint32_t> requested;
    std::vector<std::uint32_t> returned;
};

// The bytes a stream decodes to; the 4-byte stream of an empty input is too short for the
// decoder and stands for no bytes.
Bytes decoded(const Bytes& stream) {
    if (stream.size() <= 4) {
        return {};
    }
    CodecStatus status;
    Bytes output = testing::explodeInMemory(stream, status);
    EXPECT_EQ(status, CodecStatus::Ok);
    return output;
}

Bytes compressLogged(ReadLog& log) {
    auto work = std::make_unique<ImplodeWork>();
    EXPECT_EQ(implode(ReadLog::read, ReadLog::write, *work, &log, 0, 4096), CodecStatus::Ok);
    return log.streams.output;
}

// Each read asks for what the 4096-byte block still misses; after a 0 nothing more is asked.
TEST(Implode, ReadsFillBlocksAndStopAtTheFirstZero) {
    struct Case {
        const char* name;
        std::size_t size;                      // input bytes
        std::uint32_t readLimit;               // most bytes one read call returns; 0 for no limit
        std::vector<std::uint32_t> requested;  // the size asked for by each read call
    };
    const Case cases[] = {
        {"empty", 0, 0, {4096}},
        {"one short block", 100, 0, {4096, 3996}},
        // A full block asks no more within it; the end shows in the next one, and the block's
        // last 516 bytes are encoded after that.
        {"one full block", 4096, 0, {4096, 4096}},
        {"two full blocks", 8192, 0, {4096, 4096, 4096}},
        {"small reads", 5000, 1500, {4096, 2596, 1096, 4096, 3192}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes input = testing::textLike(c.size, 7);
        ReadLog log(input);
        log.streams.readLimit = c.readLimit;
        log.streams.firstReadLimit = c.readLimit;
        Bytes stream = compressLogged(log);
        EXPECT_EQ(log.requested, c.requested);
        EXPECT_EQ(log.returned.back(), 0u);
        EXPECT_EQ(log.streams.readsAfterEnd, 0);
        // Everything read is encoded, also the look-ahead of a full last block.
        EXPECT_EQ(decoded(stream), input);
    }
}

// However the input arrives, the stream is the same.
TEST(Implode, ReadSizesDoNotChangeTheStream) {
    Bytes input = testing::textLike(20000, 3);
    Bytes whole = compress(input);
    for (std::uint32_t limit : {1u, 7u, 516u, 4095u}) {
        SCOPED_TRACE(limit);
        MemoryStreams streams(input);
        streams.readLimit = limit;
        streams.firstReadLimit = limit;
        auto work = std::make_unique<ImplodeWork>();
        ASSERT_EQ(implode(MemoryStreams::read, MemoryStreams::write, *work, &streams, 0, 4096),
                  CodecStatus::Ok);
        EXPECT_EQ(streams.output, whole);
        EXPECT_EQ(streams.readsAfterEnd, 0);
    }
}

// The stream goes out in blocks of exactly 2048 bytes, then one final block of 0 to 2048.
TEST(Implode, WritesFullBlocksThenOneFinalBlock) {
    for (std::size_t size : {0u, 1000u, 3000u, 50000u}) {
        SCOPED_TRACE(size);
        Bytes input = testing::randomBytes(size, 11);
        MemoryStreams streams(input);
        auto work = std::make_unique<ImplodeWork>();
        ASSERT_EQ(implode(MemoryStreams::read, MemoryStreams::write, *work, &streams, 0, 4096),
                  CodecStatus::Ok);
        ASSERT_FALSE(streams.writeSizes.empty());
        for (std::size_t i = 0; i + 1 < streams.writeSizes.size(); ++i) {
            EXPECT_EQ(streams.writeSizes[i], 2048u) << "call " << i;
        }
        EXPECT_LE(streams.writeSizes.back(), 2048u);
    }
}

// Inputs without a repeated pair give literals only, 9 bits a byte after the 16 header bits and
// before the 16 bits of the end code, so their stream lengths are known exactly.
TEST(Implode, TheFinalBlockMayBeFullOrEmpty) {
    struct Case {
        std::size_t size;                   // input bytes, all literals
        std::vector<std::uint32_t> writes;  // the size of each write call
    };
    const Case cases[] = {
        // 32765 bits: 4096 bytes, the last one partly filled, go out as two blocks.
        {3637, {2048, 2048}},
        // 32774 bits: the second block fills inside the end code; one byte follows.
        {3638, {2048, 2048, 1}},
        // Exactly 131072 bits: eight full blocks, then an empty final block.
        {14560, {2048, 2048, 2048, 2048, 2048, 2048, 2048, 2048, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        Bytes input = testing::unrepeatedPairs(c.size);
        MemoryStreams streams(input);
        auto work = std::make_unique<ImplodeWork>();
        ASSERT_EQ(implode(MemoryStreams::read, MemoryStreams::write, *work, &streams, 0, 4096),
                  CodecStatus::Ok);
        EXPECT_EQ(streams.writeSizes, c.writes);
        EXPECT_EQ(streams.output, literals(StreamBuilder(0, 6), input).end().bytes());
    }
}

}  // namespace
}  // namespace tovik
