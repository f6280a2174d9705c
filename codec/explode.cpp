#include "codec/explode.h"

#include <array>
#include <bit>
#include <cstring>

#include "codec/code_tables.h"

namespace tovik {

namespace {

using namespace code_tables;

static_assert(std::endian::native == std::endian::little,
              "the bit reader loads 8 input bytes at once in little-endian order");

// Token values: 0-255 a literal byte, 256 + (length - 2) a match, then the end and an error.
constexpr std::uint32_t kFirstMatchToken = 256;
constexpr std::uint32_t kEndToken = kFirstMatchToken + kEndOfStreamLength - 2;
constexpr std::uint32_t kErrorToken = kEndToken + 1;

// For each value of the 8-bit look-ahead, the symbol whose code it begins with. Shorter codes
// are entered last, so they win where a longer code's pattern would also fit.
template <std::size_t N>
constexpr std::array<std::uint8_t, 256> shortCodeLookup(
    const std::array<std::uint8_t, N>& bits, const std::array<std::uint16_t, N>& values) {
    std::array<std::uint8_t, 256> lookup{};
    for (std::size_t symbol = N; symbol-- > 0;) {
        for (std::uint32_t entry = values[symbol]; entry < 256; entry += 1u << bits[symbol]) {
            lookup[entry] = static_cast<std::uint8_t>(symbol);
        }
    }
    return lookup;
}

constexpr auto kLengthLookup = shortCodeLookup(kLengthCodeBits, kLengthCodeValues);
constexpr auto kDistanceLookup = shortCodeLookup(kDistanceCodeBits, kDistanceCodeValues);

// Literal codes are 4 to 13 bits long, so they are found in two steps. Codes of up to 8 bits
// come straight from the first table. Longer codes whose low 8 bits are not all zero are marked
// 255 there (byte 255 has a 13-bit code, so it is never a short result) and continue in table A
// after 4 bits, or in table B after 6 bits when their low 6 bits are zero; codes whose low 8
// bits are zero continue in table C after 8 bits. `remaining` is what is left to consume.
struct LiteralLookups {
    std::array<std::uint8_t, 256> first{};
    std::array<std::uint8_t, 256> afterFour{};
    std::array<std::uint8_t, 128> afterSix{};
    std::array<std::uint8_t, 256> afterEight{};
    std::array<std::uint8_t, 256> remaining{};
};

constexpr LiteralLookups kLiteralLookups = [] {
    LiteralLookups lookups;
    auto fill = [](auto& table, std::uint32_t start, std::uint32_t step, std::uint8_t byte) {
        for (std::uint32_t entry = start; entry < table.size(); entry += step) {
            table[entry] = byte;
        }
    };
    for (std::uint32_t byte = 256; byte-- > 0;) {
        std::uint32_t code = kLiteralCodeValues[byte];
        std::uint32_t length = kLiteralCodeBits[byte];
        auto symbol = static_cast<std::uint8_t>(byte);
        if (length <= 8) {
            fill(lookups.first, code, 1u << length, symbol);
            lookups.remaining[byte] = static_cast<std::uint8_t>(length);
        } else if ((code & 0xFF) != 0) {
            lookups.first[code & 0xFF] = 255;
            if ((code & 0x3F) != 0) {
                fill(lookups.afterFour, code >> 4, 1u << (length - 4), symbol);
                lookups.remaining[byte] = static_cast<std::uint8_t>(length - 4);
            } else {
                fill(lookups.afterSix, code >> 6, 1u << (length - 6), symbol);
                lookups.remaining[byte] = static_cast<std::uint8_t>(length - 6);
            }
        } else {
            fill(lookups.afterEight, code >> 8, 1u << (length - 8), symbol);
            lookups.remaining[byte] = static_cast<std::uint8_t>(length - 8);
        }
    }
    return lookups;
}();

// Asks for the next block of input; false when the input is exhausted.
[[gnu::noinline]] bool pullInput(ExplodeWork& work) {
    std::uint32_t size = ExplodeWork::kInputSize;
    std::uint32_t count = work.read(work.input, size, work.context);
    if (count == 0) {
        return false;
    }
    work.inputCount = count < ExplodeWork::kInputSize ? count : ExplodeWork::kInputSize;
    work.inputPosition = 0;
    return true;
}

// The stream's bits, least significant first. `bits` always holds the 8-bit look-ahead that
// every code and field is read from before it is consumed; a consume fails when the input
// cannot supply the look-ahead that must stay behind it. Format note: the bits above `count`
// may already hold the next input bytes at their final places, so loading them again is
// harmless.
class BitReader {
public:
    explicit BitReader(ExplodeWork& work) : work_(work) {}

    void start(std::uint8_t firstByte, std::uint32_t position, std::uint32_t count) {
        bits_ = firstByte;
        count_ = 8;
        position_ = position;
        available_ = count;
    }

    std::uint32_t peek(std::uint32_t width) const {
        return static_cast<std::uint32_t>(bits_) & ((1u << width) - 1);
    }

    // Removes n bits (1 to 8) and keeps 8 valid bits behind them.
    [[nodiscard]] bool consume(std::uint32_t n) {
        if (count_ < n + 8 && !fill(n + 8)) {
            return false;
        }
        bits_ >>= n;
        count_ -= n;
        return true;
    }

    // Loads what the current input block still holds, without asking for more.
    void topUp() {
        if (available_ - position_ >= 8) {
            std::uint64_t next;
            std::memcpy(&next, work_.input + position_, 8);
            bits_ |= next << count_;
            position_ += (63 - count_) >> 3;
            count_ |= 56;
        } else {
            while (count_ < 56 && position_ < available_) {
                bits_ |= static_cast<std::uint64_t>(work_.input[position_++]) << count_;
                count_ += 8;
            }
        }
    }

private:
    bool fill(std::uint32_t needed) {
        for (;;) {
            topUp();
            if (count_ >= needed) {
                return true;
            }
            if (!pullInput(work_)) {
                return false;
            }
            position_ = 0;
            available_ = work_.inputCount;
        }
    }

    ExplodeWork& work_;
    std::uint64_t bits_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t position_ = 0;
    std::uint32_t available_ = 0;
};

// A literal of mode 1: a prefix code of 4 to 13 bits from the literal table.
std::uint32_t decodeCodedLiteral(BitReader& reader) {
    std::uint32_t symbol;
    if (reader.peek(8) != 0) {
        symbol = kLiteralLookups.first[reader.peek(8)];
        if (symbol == 255) {
            if (reader.peek(6) != 0) {
                if (!reader.consume(4)) {
                    return kErrorToken;
                }
                symbol = kLiteralLookups.afterFour[reader.peek(8)];
            } else {
                if (!reader.consume(6)) {
                    return kErrorToken;
                }
                symbol = kLiteralLookups.afterSix[reader.peek(7)];
            }
        }
    } else {
        if (!reader.consume(8)) {
            return kErrorToken;
        }
        symbol = kLiteralLookups.afterEight[reader.peek(8)];
    }
    return reader.consume(kLiteralLookups.remaining[symbol]) ? symbol : kErrorToken;
}

// One token: flag 0 and a literal, or flag 1 and a length code with its extra bits.
// Format note: the end code may end the input exactly, so its extra bits are accepted even when
// nothing can follow them.
inline std::uint32_t decodeToken(BitReader& reader, std::uint32_t literalMode) {
    if (reader.peek(1) != 0) {
        if (!reader.consume(1)) {
            return kErrorToken;
        }
        std::uint32_t code = kLengthLookup[reader.peek(8)];
        if (!reader.consume(kLengthCodeBits[code])) {
            return kErrorToken;
        }
        std::uint32_t token = kFirstMatchToken + kLengthBase[code];
        if (std::uint32_t extraBits = kLengthExtraBits[code]; extraBits != 0) {
            token += reader.peek(extraBits);
            if (!reader.consume(extraBits)) {
                return token == kEndToken ? kEndToken : kErrorToken;
            }
        }
        return token;
    }
    if (!reader.consume(1)) {
        return kErrorToken;
    }
    if (literalMode == 0) {
        std::uint32_t byte = reader.peek(8);
        return reader.consume(8) ? byte : kErrorToken;
    }
    return decodeCodedLiteral(reader);
}

// The distance of a match: a high part from the distance code, then 2 low bits for a match of
// length 2 and dictionary-bits low bits otherwise. 0 when the input runs out.
inline std::uint32_t decodeDistance(BitReader& reader, std::uint32_t length,
                                    std::uint32_t dictionaryBits) {
    std::uint32_t high = kDistanceLookup[reader.peek(8)];
    if (!reader.consume(kDistanceCodeBits[high])) {
        return 0;
    }
    std::uint32_t lowBits = length == 2 ? 2 : dictionaryBits;
    std::uint32_t low = reader.peek(lowBits);
    if (!reader.consume(lowBits)) {
        return 0;
    }
    return (high << lowBits | low) + 1;
}

// Repeats `length` bytes from `distance` back. Format note: the copy runs forward one byte at a
// time, so a match may overlap the bytes it produces; 8-byte steps give the same result when
// the distance is at least 8.
inline void copyMatch(std::uint8_t* out, std::uint32_t distance, std::uint32_t length) {
    const std::uint8_t* from = out - distance;
    if (distance >= 8) {
        for (std::uint32_t i = 0; i < length; i += 8) {
            std::memcpy(out + i, from + i, 8);
        }
    } else {
        for (std::uint32_t i = 0; i < length; ++i) {
            out[i] = from[i];
        }
    }
}

void writeOut(ExplodeWork& work, const std::uint8_t* data, std::uint32_t size) {
    work.write(data, size, work.context);
}

}  // namespace

CodecStatus explode(CodecReadFn read, CodecWriteFn write, ExplodeWork& work, void* context) {
    work.read = read;
    work.write = write;
    work.context = context;
    std::uint32_t size = ExplodeWork::kInputSize;
    std::uint32_t count = read(work.input, size, context);
    if (count > ExplodeWork::kInputSize) {
        count = ExplodeWork::kInputSize;
    }
    if (count <= 4) {
        return CodecStatus::InputTooShort;
    }
    work.inputCount = count;
    work.literalMode = work.input[0];
    work.dictionaryBits = work.input[1];
    if (work.dictionaryBits < 4 || work.dictionaryBits > 6) {
        return CodecStatus::BadDictionarySize;
    }
    work.dictionaryMask = (1u << work.dictionaryBits) - 1;
    if (work.literalMode > 1) {
        return CodecStatus::BadLiteralMode;
    }

    // A distance reaching back before the first output byte reads zeros.
    std::memset(work.window, 0, ExplodeWork::kHistorySize);
    BitReader reader(work);
    reader.start(work.input[2], 3, count);
    std::uint32_t position = ExplodeWork::kHistorySize;
    bool broken = false;
    for (;;) {
        reader.topUp();
        std::uint32_t token = decodeToken(reader, work.literalMode);
        if (token >= kEndToken) {
            broken = token == kErrorToken;
            break;
        }
        if (token < kFirstMatchToken) {
            work.window[position++] = static_cast<std::uint8_t>(token);
        } else {
            std::uint32_t length = token - kFirstMatchToken + 2;
            std::uint32_t distance = decodeDistance(reader, length, work.dictionaryBits);
            if (distance == 0) {
                broken = true;
                break;
            }
            copyMatch(work.window + position, distance, length);
            position += length;
        }
        if (position >= ExplodeWork::kFlushPosition) {
            writeOut(work, work.window + ExplodeWork::kHistorySize, ExplodeWork::kHistorySize);
            std::memmove(work.window, work.window + ExplodeWork::kHistorySize,
                         position - ExplodeWork::kHistorySize);
            position -= ExplodeWork::kHistorySize;
        }
    }
    work.outputPosition = position;
    writeOut(work, work.window + ExplodeWork::kHistorySize, position - ExplodeWork::kHistorySize);
    return broken ? CodecStatus::StreamBroken : CodecStatus::Ok;
}

}  // namespace tovik
