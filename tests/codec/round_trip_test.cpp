// Everything the encoder writes reads back through the decoder, in every literal mode and
// dictionary size, for inputs of every length class and kind.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codec/explode.h"
#include "codec/implode.h"
#include "tests/codec/memory_streams.h"
#include "tests/codec/sample_inputs.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::Bytes;

struct Setting {
    std::uint32_t literalMode;
    std::uint32_t dictionarySize;
};

constexpr Setting kSettings[] = {{0, 1024}, {0, 2048}, {0, 4096}, {1, 1024}, {1, 2048}, {1, 4096}};

std::string nameOf(const Setting& setting) {
    return "mode " + std::to_string(setting.literalMode) + ", dictionary " +
           std::to_string(setting.dictionarySize);
}

// Compresses, decodes again and expects the input back.
void expectRoundTrip(const Bytes& input, const Setting& setting) {
    CodecStatus status;
    Bytes stream =
        testing::implodeInMemory(input, setting.literalMode, setting.dictionarySize, status);
    ASSERT_EQ(status, CodecStatus::Ok);
    ASSERT_GE(stream.size(), 4u);
    EXPECT_EQ(stream[0], setting.literalMode);
    EXPECT_EQ(stream[1], setting.dictionarySize == 1024   ? 4
                         : setting.dictionarySize == 2048 ? 5
                                                          : 6);
    if (input.empty()) {
        // Header and end code only, which the decoder refuses as too short; the file adapter
        // turns such a stream into an empty file.
        EXPECT_EQ(stream, (Bytes{stream[0], stream[1], 0x01, 0xFF}));
        return;
    }
    Bytes decoded = testing::explodeInMemory(stream, status);
    ASSERT_EQ(status, CodecStatus::Ok);
    // Compared as a whole only when equal, so that a failure names the first wrong byte.
    if (decoded != input) {
        ASSERT_EQ(decoded.size(), input.size());
        for (std::size_t i = 0; i < input.size(); ++i) {
            ASSERT_EQ(decoded[i], input[i]) << "at byte " << i;
        }
    }
}

TEST(ImplodeRoundTrip, EveryLengthClassAndKind) {
    struct Kind {
        const char* name;
        Bytes (*make)(std::size_t size);
    };
    const Kind kinds[] = {
        {"random", [](std::size_t size) { return testing::randomBytes(size, 21); }},
        {"all zero", [](std::size_t size) { return Bytes(size, 0); }},
        {"text", [](std::size_t size) { return testing::textLike(size, 22); }},
        // A period longer than every dictionary: only the mutations and the far repeats match.
        {"repeated 5000-byte block",
         [](std::size_t size) { return testing::repeatedBlock(size, 5000, 23, 211); }},
        {"repeated 700-byte block",
         [](std::size_t size) { return testing::repeatedBlock(size, 700, 24); }},
        // A period that divides the block size: the stale window bytes behind the end of the
        // input continue it, and the last match must stop at the end all the same.
        {"repeated 1024-byte block",
         [](std::size_t size) { return testing::repeatedBlock(size, 1024, 25); }},
    };
    const std::size_t lengths[] = {0,    1,    2,    515,  516,   517,   1000,
                                   4095, 4096, 4097, 8192, 12288, 20000, 4096 * 5 + 516};
    for (const Setting& setting : kSettings) {
        for (const Kind& kind : kinds) {
            for (std::size_t length : lengths) {
                SCOPED_TRACE(nameOf(setting) + ", " + kind.name + ", " + std::to_string(length) +
                             " bytes");
                expectRoundTrip(kind.make(length), setting);
            }
        }
    }
}

// Several megabytes, switching kind every 300 KB, so that the window, the index and the output
// blocks go through many hundreds of cycles.
TEST(ImplodeRoundTrip, SeveralMegabytes) {
    Bytes input;
    for (std::uint32_t part = 0; input.size() < 3 * 1024 * 1024; ++part) {
        constexpr std::size_t kPart = 300 * 1024;
        Bytes piece = part % 4 == 0   ? testing::randomBytes(kPart, part)
                      : part % 4 == 1 ? testing::textLike(kPart, part)
                      : part % 4 == 2 ? Bytes(kPart, static_cast<std::uint8_t>(part))
                                      : testing::repeatedBlock(kPart, 3000, part, 1000);
        input.insert(input.end(), piece.begin(), piece.end());
    }
    for (const Setting& setting : kSettings) {
        SCOPED_TRACE(nameOf(setting));
        expectRoundTrip(input, setting);
    }
}

}  // namespace
}  // namespace tovik
