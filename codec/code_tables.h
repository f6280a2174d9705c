// The three fixed prefix-code tables of the stream format, shared read-only by the decoder and
// the encoder. Each code follows from its length alone: canonical codes (by length, then symbol)
// sent with every bit inverted, most significant bit first. A code's "stream value" is the
// number whose bit k is the code's k-th bit in stream order, so the decoder can match it
// against the next bits of the stream taken least significant first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tovik::code_tables {

template <std::size_t N>
constexpr std::array<std::uint16_t, N> streamValues(const std::array<std::uint8_t, N>& lengths) {
    std::array<std::uint16_t, N> values{};
    std::uint32_t code = 0;
    std::uint32_t currentLength = 0;
    bool first = true;
    for (std::uint32_t length = 1; length <= 16; ++length) {
        for (std::size_t symbol = 0; symbol < N; ++symbol) {
            if (lengths[symbol] != length) {
                continue;
            }
            if (first) {
                first = false;
                code = 0;
            } else {
                code = (code + 1) << (length - currentLength);
            }
            currentLength = length;
            std::uint32_t inverted = ~code & ((1u << length) - 1);
            std::uint32_t value = 0;
            for (std::uint32_t bit = 0; bit < length; ++bit) {
                if (inverted & (1u << (length - 1 - bit))) {
                    value |= 1u << bit;
                }
            }
            values[symbol] = static_cast<std::uint16_t>(value);
        }
    }
    return values;
}

// Length codes 0 to 15: code length, extra bits and base (as length - 2).
inline constexpr std::array<std::uint8_t, 16> kLengthCodeBits = {3, 2, 3, 3, 4, 4, 4, 5,
                                                                 5, 5, 5, 6, 6, 6, 7, 7};
inline constexpr std::array<std::uint8_t, 16> kLengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0,
                                                                  1, 2, 3, 4, 5, 6, 7, 8};
inline constexpr std::array<std::uint16_t, 16> kLengthBase = {0, 1,  2,  3,  4,  5,  6,   7,
                                                              8, 10, 14, 22, 38, 70, 134, 262};
inline constexpr auto kLengthCodeValues = streamValues(kLengthCodeBits);

// Distance high parts 0 to 63.
inline constexpr std::array<std::uint8_t, 64> kDistanceCodeBits = [] {
    std::array<std::uint8_t, 64> bits{};
    for (std::size_t high = 0; high < 64; ++high) {
        bits[high] = high == 0    ? 2
                     : high <= 2  ? 4
                     : high <= 6  ? 5
                     : high <= 21 ? 6
                     : high <= 47 ? 7
                                  : 8;
    }
    return bits;
}();
inline constexpr auto kDistanceCodeValues = streamValues(kDistanceCodeBits);

// Literal mode 1: one code per byte value.
// clang-format off
inline constexpr std::array<std::uint8_t, 256> kLiteralCodeBits = {
    11, 12, 12, 12, 12, 12, 12, 12, 12,  8,  7, 12, 12,  7, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,
     4, 10,  8, 12, 10, 12, 10,  8,  7,  7,  8,  9,  7,  6,  7,  8,
     7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8, 12, 11,  7,  9, 11,
    12,  6,  7,  6,  6,  5,  7,  8,  8,  6, 11,  9,  6,  7,  6,  6,
     7, 11,  6,  6,  6,  7,  9,  8,  9,  9, 11,  8, 11,  9, 12,  8,
    12,  5,  6,  6,  6,  5,  6,  6,  6,  5, 11,  7,  5,  6,  5,  5,
     6, 10,  5,  5,  5,  5,  8,  7,  8,  8, 10, 11, 11, 12, 12, 12,
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,
    13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
};
// clang-format on
inline constexpr auto kLiteralCodeValues = streamValues(kLiteralCodeBits);

// The length of a match that means "end of stream": code 15 with extra value 255.
inline constexpr std::uint32_t kEndOfStreamLength = 519;

}  // namespace tovik::code_tables
