#include "image/huffman_table.h"

namespace tovik {

std::unique_ptr<HuffmanTable> HuffmanTable::build(const std::uint8_t (&counts)[kMaxCodeLength],
                                                  const std::uint8_t* values) {
    std::unique_ptr<HuffmanTable> table(new HuffmanTable());
    std::int32_t total = 0;
    for (std::uint8_t count : counts) {
        total += count;
    }
    table->entries_ = std::make_unique<HuffmanEntry[]>(total);
    table->entryCount_ = total;

    // Codes as JPEG assigns them: consecutive within a length, and shifted left by the length
    // difference where the length grows. A code that no longer fits its length means the
    // counts ask for more codes than the lengths allow.
    std::int32_t code = 0;
    std::int32_t currentLength = 0;
    std::int32_t index = 0;
    for (std::int32_t length = 1; length <= kMaxCodeLength; ++length) {
        table->firstIndex_[length] = index;
        for (std::int32_t i = 0; i < counts[length - 1]; ++i, ++index) {
            if (length != currentLength) {
                code <<= length - currentLength;
                currentLength = length;
            }
            if (code >= (1 << length)) {
                return nullptr;
            }
            if (i == 0) {
                table->firstCode_[length] = code;
            }
            table->entries_[index] = {length, code, values[index]};
            ++code;
        }
        table->endCode_[length] = table->firstCode_[length] + counts[length - 1];
    }

    for (std::int32_t i = 0; i < total; ++i) {
        const HuffmanEntry& entry = table->entries_[i];
        if (entry.length > kLookupBits) {
            break;
        }
        int spare = kLookupBits - entry.length;
        std::uint32_t first = static_cast<std::uint32_t>(entry.code) << spare;
        auto packed = static_cast<std::uint16_t>(entry.length << 8 | entry.value);
        for (std::uint32_t tail = 0; tail < (1u << spare); ++tail) {
            table->lookup_[first | tail] = packed;
        }
    }
    return table;
}

HuffmanTable::Match HuffmanTable::matchLong(std::uint32_t window) const {
    for (std::int32_t length = kLookupBits + 1; length <= kMaxCodeLength; ++length) {
        auto code = static_cast<std::int32_t>(window >> (kMaxCodeLength - length));
        if (code >= firstCode_[length] && code < endCode_[length]) {
            return {length, entries_[firstIndex_[length] + code - firstCode_[length]].value};
        }
    }
    return {0, 0};
}

}  // namespace tovik
