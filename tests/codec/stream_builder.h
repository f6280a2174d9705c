// Builds implode streams token by token, for decoder inputs no encoder would produce (distance
// 1, coded literals, small dictionaries, exact block sizes).
#pragma once

#include <cstdint>
#include <vector>

#include "codec/code_tables.h"

namespace tovik::testing {

class StreamBuilder {
public:
    StreamBuilder(std::uint8_t literalMode, std::uint8_t dictionaryBits)
        : literalMode_(literalMode), dictionaryBits_(dictionaryBits) {
        bytes_ = {literalMode, dictionaryBits};
    }

    StreamBuilder& literal(std::uint8_t byte) {
        put(0, 1);
        if (literalMode_ == 0) {
            put(byte, 8);
        } else {
            put(code_tables::kLiteralCodeValues[byte], code_tables::kLiteralCodeBits[byte]);
        }
        return *this;
    }

    StreamBuilder& match(std::uint32_t length, std::uint32_t distance) {
        putLength(length);
        std::uint32_t d = distance - 1;
        std::uint32_t lowBits = length == 2 ? 2 : dictionaryBits_;
        std::uint32_t high = d >> lowBits;
        put(code_tables::kDistanceCodeValues[high], code_tables::kDistanceCodeBits[high]);
        put(d & ((1u << lowBits) - 1), lowBits);
        return *this;
    }

    StreamBuilder& end() {
        putLength(code_tables::kEndOfStreamLength);
        return *this;
    }

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> result = bytes_;
        if (bitCount_ != 0) {
            result.push_back(partial_);
        }
        return result;
    }

private:
    void putLength(std::uint32_t length) {
        put(1, 1);
        std::uint32_t code = 15;
        while (code_tables::kLengthBase[code] > length - 2) {
            --code;
        }
        put(code_tables::kLengthCodeValues[code], code_tables::kLengthCodeBits[code]);
        put(length - 2 - code_tables::kLengthBase[code], code_tables::kLengthExtraBits[code]);
    }

    void put(std::uint32_t value, std::uint32_t count) {
        for (std::uint32_t bit = 0; bit < count; ++bit) {
            partial_ |= static_cast<std::uint8_t>(((value >> bit) & 1) << bitCount_);
            if (++bitCount_ == 8) {
                bytes_.push_back(partial_);
                partial_ = 0;
                bitCount_ = 0;
            }
        }
    }

    std::uint8_t literalMode_;
    std::uint8_t dictionaryBits_;
    std::vector<std::uint8_t> bytes_;
    std::uint8_t partial_ = 0;
    std::uint32_t bitCount_ = 0;
};

}  // namespace tovik::testing
