// The encoder against a plain model of its rules: positions counted from the start of the
// input instead of a sliding window, every candidate compared in full instead of the hash
// index, the hash cursor and the long-match phase. Both must give the same stream byte for
// byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "codec/implode.h"
#include "tests/codec/memory_streams.h"
#include "tests/codec/sample_inputs.h"
#include "tests/codec/stream_builder.h"
#include "tests/support/scratch.h"

namespace tovik {
namespace {

using testing::Bytes;
using testing::StreamBuilder;

constexpr std::size_t kBlock = 4096;
constexpr std::size_t kLookAhead = 516;

class ReferenceEncoder {
public:
    ReferenceEncoder(const Bytes& input, std::uint32_t literalMode, std::uint32_t dictionarySize)
        : input_(input),
          dictionarySize_(dictionarySize),
          stream_(static_cast<std::uint8_t>(literalMode),
                  static_cast<std::uint8_t>(dictionarySize == 1024   ? 4
                                            : dictionarySize == 2048 ? 5
                                                                     : 6)) {
        // Only candidates that agree on two bytes can match, so the positions are grouped by
        // their pair, in increasing order within each; this just spares comparing the others.
        for (std::size_t q = 0; q + 1 < input.size(); ++q) {
            ++pairStart_[pairOf(q) + 1];
        }
        for (std::size_t pair = 1; pair < pairStart_.size(); ++pair) {
            pairStart_[pair] += pairStart_[pair - 1];
        }
        byPair_.resize(pairStart_.back());
        std::vector<std::size_t> next(pairStart_.begin(), pairStart_.end() - 1);
        for (std::size_t q = 0; q + 1 < input.size(); ++q) {
            byPair_[next[pairOf(q)]++] = q;
        }
    }

    Bytes encode() {
        const std::size_t size = input_.size();
        std::size_t position = 0;
        for (std::size_t block = 0; size > 0; ++block) {
            // A block holds up to 4096 fresh bytes; short of that, the input has ended there.
            ended_ = size - block * kBlock < kBlock;
            end_ = ended_ ? size : (block + 1) * kBlock - kLookAhead;
            // In block 1 of a 4096-byte dictionary the index leaves out the positions more
            // than 4096 - 516 bytes before the block's first position.
            lowestIndexed_ =
                block == 1 && dictionarySize_ == 4096 ? position - (kBlock - kLookAhead) : 0;
            while (position < end_) {
                position = step(position);
            }
            if (ended_) {
                break;
            }
        }
        return stream_.end().bytes();
    }

private:
    struct Match {
        std::size_t length;
        std::size_t distance;
    };

    std::size_t step(std::size_t position) {
        Match match = find(position);
        for (;;) {
            if (match.length == 0 || (match.length == 2 && match.distance > 256)) {
                stream_.literal(input_[position]);
                return position + 1;
            }
            if (match.length >= 8 || position + 1 >= end_) {
                break;
            }
            Match next = find(position + 1);
            if (next.length > match.length &&
                (next.length > match.length + 1 || match.distance > 129)) {
                stream_.literal(input_[position]);
                ++position;
                match = next;
                continue;
            }
            break;
        }
        stream_.match(static_cast<std::uint32_t>(match.length),
                      static_cast<std::uint32_t>(match.distance));
        return position + match.length;
    }

    // The greatest match length over the candidates from dictionary size - 1 to 2 bytes back;
    // ties go to the nearest, but among matches of 516 bytes the farthest wins.
    Match find(std::size_t position) {
        std::size_t limit = ended_ ? std::min(kLookAhead, input_.size() - position) : kLookAhead;
        Match best{0, 0};
        if (limit < 2) {
            return best;
        }
        std::size_t lowest = std::max(lowestIndexed_, position >= dictionarySize_ - 1
                                                          ? position - (dictionarySize_ - 1)
                                                          : std::size_t{0});
        std::size_t pair = pairOf(position);
        for (std::size_t i = pairStart_[pair + 1]; i-- > pairStart_[pair];) {
            std::size_t q = byPair_[i];
            if (q + 2 > position) {
                continue;
            }
            if (q < lowest) {
                break;
            }
            std::size_t length = 0;
            while (length < limit && input_[q + length] == input_[position + length]) {
                ++length;
            }
            if (length > best.length || (length == kLookAhead && length == best.length)) {
                best = {length, position - q};
            }
        }
        return best.length >= 2 ? best : Match{0, 0};
    }

    std::size_t pairOf(std::size_t position) const {
        return input_[position] * 256u + input_[position + 1];
    }

    const Bytes& input_;
    std::size_t dictionarySize_;
    StreamBuilder stream_;
    std::vector<std::size_t> pairStart_ = std::vector<std::size_t>(65537);
    std::vector<std::size_t> byPair_;
    bool ended_ = false;
    std::size_t end_ = 0;
    std::size_t lowestIndexed_ = 0;
};

Bytes compress(const Bytes& input, std::uint32_t literalMode, std::uint32_t dictionarySize) {
    CodecStatus status;
    Bytes stream = testing::implodeInMemory(input, literalMode, dictionarySize, status);
    EXPECT_EQ(status, CodecStatus::Ok);
    return stream;
}

struct Sample {
    std::string name;
    Bytes bytes;
};

std::vector<Sample> samples() {
    using namespace testing;
    std::vector<Sample> all = {
        // Nothing to find: every position is searched and most searches come back empty.
        {"random", randomBytes(13000, 1)},
        // Small alphabets: long matches, many of them tied, many reaching the long-match phase.
        {"random over 2 letters", randomBytes(12000, 2, 2, 'a')},
        {"random over 4 letters", randomBytes(12000, 3, 4, 'a')},
        {"text", textLike(14000, 4)},
        // Prefixes with many borders, for the border table.
        {"Fibonacci word", fibonacciWord(12500)},
        // Matches of every length up to 516 and ties between runs.
        {"runs", runs(13000, 700, 5)},
        {"one long run", Bytes(9000, 'x')},
        // Runs of zeros of every length between other bytes, as in executables.
        {"mostly zero", mostlyZero(13000, 14)},
        {"mostly zero, longer runs", mostlyZero(13000, 15, 12)},
        {"integer table", integerTable(13000, 16)},
        {"short runs", runs(13000, 12, 17)},
        // Long periods: matches ending at scattered places, and one that would run on past the
        // end of the input into bytes left in the window by the block before.
        {"period 600 with mutations", repeatedBlock(12000, 600, 6, 97)},
        {"period 4096", repeatedBlock(4096 * 2 + 1000, 4096, 7)},
        // The bytes left in the window behind the end of the input continue the period, so an
        // uncut last match would run on into them.
        {"period 2048", repeatedBlock(4096 * 2 + 1000, 2048, 18)},
        {"period 4095 with mutations", repeatedBlock(11000, 4095, 8, 401)},
        {"period 3 with mutations", repeatedBlock(11000, 3, 9, 53)},
        // Block boundaries: look-ahead only, an exact multiple, one byte beyond.
        {"516 bytes", randomBytes(516, 10, 3, 'a')},
        {"4096 bytes", randomBytes(4096, 11, 3, 'a')},
        {"8192 bytes", randomBytes(8192, 12, 3, 'a')},
        {"4097 bytes", randomBytes(4097, 13, 3, 'a')},
    };
    // Lines sharing long prefixes: many candidates of nearly the best length.
    Bytes lines;
    for (int i = 0; lines.size() < 12000; ++i) {
        std::string line = "if (status == CodecStatus::BadDictionarySize) return " +
                           std::to_string(i * 7 % 1000) + ";\n";
        lines.insert(lines.end(), line.begin(), line.end());
    }
    all.push_back({"lines with long common prefixes", lines});
    return all;
}

TEST(ImplodeReference, EverySettingGivesTheModelsStream) {
    const std::vector<Sample> inputs = samples();
    for (std::uint32_t literalMode : {0u, 1u}) {
        for (std::uint32_t dictionarySize : {1024u, 2048u, 4096u}) {
            for (const Sample& sample : inputs) {
                SCOPED_TRACE(sample.name + ", mode " + std::to_string(literalMode) + ", " +
                             std::to_string(dictionarySize));
                Bytes expected =
                    ReferenceEncoder(sample.bytes, literalMode, dictionarySize).encode();
                Bytes actual = compress(sample.bytes, literalMode, dictionarySize);
                std::size_t common = std::min(actual.size(), expected.size());
                auto mismatch =
                    std::mismatch(actual.begin(), actual.begin() + common, expected.begin());
                ASSERT_EQ(mismatch.first - actual.begin(), static_cast<std::ptrdiff_t>(common))
                    << "the streams differ from this byte on";
                ASSERT_EQ(actual.size(), expected.size());
            }
        }
    }
}

}  // namespace
}  // namespace tovik
