// HuffmanTable: one table of a DHT segment, its codes in segment order and a lookup by the
// leading bits of the entropy-coded data.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace tovik {

struct HuffmanEntry {
    std::int32_t length;  // code length in bits, 1 to 16
    std::int32_t code;
    std::int32_t value;  // the symbol
};

class HuffmanTable {
public:
    static constexpr int kMaxCodeLength = 16;
    // Codes up to this length are found with one look-up; longer ones by length.
    static constexpr int kLookupBits = 9;

    struct Match {
        std::int32_t length;  // 0 when no code matches
        std::int32_t value;
    };

    // A table from the number of codes of each length 1 to 16 and the symbols in code order
    // (as many as the counts add up to); null when the counts overflow the code space, which
    // would give codes longer than their lengths.
    static std::unique_ptr<HuffmanTable> build(const std::uint8_t (&counts)[kMaxCodeLength],
                                               const std::uint8_t* values);

    std::int32_t entryCount() const { return entryCount_; }
    const HuffmanEntry& entry(std::int32_t index) const { return entries_[index]; }

    // The code at the start of `window`, 16 bits with the first bit the most significant.
    Match match(std::uint32_t window) const {
        std::uint32_t packed = lookup_[window >> (kMaxCodeLength - kLookupBits)];
        if (packed != 0) {
            return {static_cast<std::int32_t>(packed >> 8),
                    static_cast<std::int32_t>(packed & 0xFF)};
        }
        return matchLong(window);
    }

private:
    HuffmanTable() = default;
    Match matchLong(std::uint32_t window) const;

    std::unique_ptr<HuffmanEntry[]> entries_;
    std::int32_t entryCount_ = 0;
    // By the first kLookupBits bits: length << 8 | value of the code they begin with, or 0.
    std::array<std::uint16_t, 1 << kLookupBits> lookup_ = {};
    // By length: the codes of that length are firstCode_ to endCode_ - 1 and are entries
    // firstIndex_ onwards (codes of one length are consecutive).
    std::array<std::int32_t, kMaxCodeLength + 1> firstCode_ = {};
    std::array<std::int32_t, kMaxCodeLength + 1> endCode_ = {};
    std::array<std::int32_t, kMaxCodeLength + 1> firstIndex_ = {};
};

}  // namespace tovik
