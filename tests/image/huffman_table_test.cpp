// Huffman tables: the codes JPEG assigns from the counts, the counts refused, and the look-up
// against the entries it stands for.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "image/huffman_table.h"

namespace tovik {
namespace {

using Counts = std::uint8_t[16];

std::vector<std::uint8_t> symbolsFor(const Counts& counts) {
    int total = 0;
    for (std::uint8_t count : counts) {
        total += count;
    }
    std::vector<std::uint8_t> symbols(static_cast<std::size_t>(total));
    for (int i = 0; i < total; ++i) {
        symbols[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return symbols;
}

// The DC luminance table of the JPEG standard's Annex K (table K.3), with its codes.
TEST(HuffmanTable, AssignsTheCodesOfTheStandardTables) {
    const Counts counts = {0, 1, 5, 1, 1, 1, 1, 1, 1};
    const std::uint8_t symbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    struct Code {
        int length;
        int code;
    };
    const Code expected[12] = {{2, 0b00},     {3, 0b010},     {3, 0b011},      {3, 0b100},
                               {3, 0b101},    {3, 0b110},     {4, 0b1110},     {5, 0b11110},
                               {6, 0b111110}, {7, 0b1111110}, {8, 0b11111110}, {9, 0b111111110}};
    std::unique_ptr<HuffmanTable> table = HuffmanTable::build(counts, symbols);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->entryCount(), 12);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table->entry(i).length, expected[i].length);
        EXPECT_EQ(table->entry(i).code, expected[i].code);
        EXPECT_EQ(table->entry(i).value, i);
    }
}

struct CountsCase {
    const char* name;
    Counts counts;
    bool accepted;
};

const CountsCase kCountsCases[] = {
    {"no codes", {}, true},
    {"two codes of length 1 fill the space", {2}, true},
    {"every length up to 16, the last twice",
     {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2},
     true},
    {"255 codes of length 8 and 2 of length 9", {0, 0, 0, 0, 0, 0, 0, 255, 2}, true},
    {"3 codes of length 1", {3}, false},
    {"one code of length 1, 3 of length 2", {1, 3}, false},
    {"every length up to 16, the last 3 times",
     {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 3},
     false},
    {"255 codes of length 8 and 3 of length 9", {0, 0, 0, 0, 0, 0, 0, 255, 3}, false},
    {"255 codes of every length",
     {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
     false},
};

TEST(HuffmanTable, RefusesCountsThatOverflowTheCodeSpace) {
    for (const CountsCase& c : kCountsCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> symbols = symbolsFor(c.counts);
        EXPECT_EQ(HuffmanTable::build(c.counts, symbols.data()) != nullptr, c.accepted);
    }
}

// For every 16-bit window, match() finds the entry whose code begins it, as a search through
// the entries in order does, or none.
TEST(HuffmanTable, LookupAgreesWithTheEntries) {
    const Counts tables[] = {
        // The AC luminance table of Annex K (table K.5): codes up to 16 bits.
        {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D},
        // Incomplete: most windows match nothing.
        {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        // Only long codes.
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 9},
    };
    for (const Counts& counts : tables) {
        std::vector<std::uint8_t> symbols = symbolsFor(counts);
        std::unique_ptr<HuffmanTable> table = HuffmanTable::build(counts, symbols.data());
        ASSERT_NE(table, nullptr);
        for (std::uint32_t window = 0; window < 0x10000; ++window) {
            HuffmanTable::Match expected = {0, 0};
            for (int i = 0; i < table->entryCount(); ++i) {
                const HuffmanEntry& entry = table->entry(i);
                if (static_cast<std::int32_t>(window >> (16 - entry.length)) == entry.code) {
                    expected = {entry.length, entry.value};
                    break;
                }
            }
            HuffmanTable::Match actual = table->match(window);
            ASSERT_EQ(actual.length, expected.length) << std::hex << window;
            ASSERT_EQ(actual.value, expected.value) << std::hex << window;
        }
    }
}

}  // namespace
}  // namespace tovik
