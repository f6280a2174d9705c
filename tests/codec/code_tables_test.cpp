#include <gtest/gtest.h>

#include <string>

#include "codec/code_tables.h"

namespace tovik {
namespace {

using namespace code_tables;

// A code's bits in stream order, first bit on the left.
std::string streamBits(std::uint16_t value, std::uint8_t length) {
    std::string bits;
    for (std::uint8_t bit = 0; bit < length; ++bit) {
        bits += ((value >> bit) & 1) ? '1' : '0';
    }
    return bits;
}

TEST(CodeTables, LengthCodesAreTheDocumentedBitStrings) {
    constexpr const char* kExpected[16] = {
        "101",   "11",    "100",   "011",    "0101",   "0100",   "0011",    "00101",
        "00100", "00011", "00010", "000011", "000010", "000001", "0000001", "0000000"};
    for (std::size_t code = 0; code < 16; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(streamBits(kLengthCodeValues[code], kLengthCodeBits[code]), kExpected[code]);
    }
}

TEST(CodeTables, DistanceCodesRunDownWithinEachLength) {
    struct Case {
        std::size_t high;
        const char* bits;
    };
    constexpr Case kCases[] = {
        {0, "11"},       {1, "1011"},     {2, "1010"},      {3, "10011"},     {6, "10000"},
        {7, "011111"},   {8, "011110"},   {21, "010001"},   {22, "0100001"},  {23, "0100000"},
        {24, "0011111"}, {47, "0001000"}, {48, "00001111"}, {63, "00000000"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.high);
        EXPECT_EQ(streamBits(kDistanceCodeValues[c.high], kDistanceCodeBits[c.high]), c.bits);
    }
}

TEST(CodeTables, LiteralCodesMatchTheCheckValues) {
    struct Case {
        std::size_t byte;
        const char* bits;
    };
    constexpr Case kCases[] = {
        {0x20, "1111"},     {0x61, "11100"},       {0x65, "11011"},
        {0x41, "100011"},   {0x0A, "0100011"},     {0x0D, "0100010"},
        {0x09, "00011101"}, {0x00, "00001001001"}, {0xFF, "0000000000000"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.byte);
        EXPECT_EQ(streamBits(kLiteralCodeValues[c.byte], kLiteralCodeBits[c.byte]), c.bits);
    }
}

// Every table is a complete prefix code: the code lengths fill the code space exactly.
TEST(CodeTables, EveryTableIsACompletePrefixCode) {
    auto kraftSum = [](const auto& lengths) {
        std::uint64_t sum = 0;
        for (auto length : lengths) {
            sum += std::uint64_t{1} << (16 - length);
        }
        return sum;
    };
    EXPECT_EQ(kraftSum(kLengthCodeBits), 1u << 16);
    EXPECT_EQ(kraftSum(kDistanceCodeBits), 1u << 16);
    EXPECT_EQ(kraftSum(kLiteralCodeBits), 1u << 16);
}

}  // namespace
}  // namespace tovik
