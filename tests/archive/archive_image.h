// Whole package files built byte by byte for the reader's tests: an executable image, the
// stored bytes of each entry, the directory and the trailer, with every field open to damage.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tovik::testing {

struct FixtureEntry {
    std::string name;
    std::vector<std::uint8_t> stored;
    // Overrides of the record's fields; by default they describe `stored` truthfully.
    std::optional<std::uint32_t> offset = std::nullopt;
    std::optional<std::uint32_t> storedSize = std::nullopt;
    std::optional<std::uint32_t> byteSum = std::nullopt;
    // Fills all 100 bytes of the name field, leaving no terminator.
    bool unterminatedName = false;
};

inline void putLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// The 20-byte trailer; `unsignedCheck` computes the check the wrong way, over unsigned bytes.
inline std::vector<std::uint8_t> trailerBytes(std::uint32_t directoryOffset,
                                              std::uint32_t entryCount,
                                              bool unsignedCheck = false) {
    std::vector<std::uint8_t> body;
    putLittleEndian(body, directoryOffset);
    putLittleEndian(body, entryCount);
    putLittleEndian(body, 0x03345283);
    putLittleEndian(body, 0x0EFFF343);
    std::int32_t check = 0;
    for (std::uint8_t byte : body) {
        check += unsignedCheck ? byte : static_cast<std::int8_t>(byte);
    }
    std::vector<std::uint8_t> trailer;
    putLittleEndian(trailer, static_cast<std::uint32_t>(check));
    trailer.insert(trailer.end(), body.begin(), body.end());
    return trailer;
}

struct ArchiveImage {
    std::vector<std::uint8_t> prefix;
    std::vector<FixtureEntry> entries;
    std::optional<std::uint32_t> entryCount = std::nullopt;
    bool unsignedCheck = false;

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> file = prefix;
        std::vector<std::uint8_t> directory;
        for (const FixtureEntry& entry : entries) {
            auto offset = static_cast<std::uint32_t>(file.size());
            std::uint32_t sum = 0;
            for (std::uint8_t byte : entry.stored) {
                sum += byte;
            }
            file.insert(file.end(), entry.stored.begin(), entry.stored.end());
            std::uint8_t name[100] = {};
            if (entry.unterminatedName) {
                std::memset(name, 'n', sizeof name);
            }
            std::memcpy(name, entry.name.data(), std::min<std::size_t>(entry.name.size(), 100));
            directory.insert(directory.end(), name, name + 100);
            putLittleEndian(directory, entry.offset.value_or(offset));
            putLittleEndian(directory, entry.storedSize.value_or(
                                           static_cast<std::uint32_t>(entry.stored.size())));
            putLittleEndian(directory, entry.byteSum.value_or(sum));
        }
        auto directoryOffset = static_cast<std::uint32_t>(file.size());
        file.insert(file.end(), directory.begin(), directory.end());
        auto trailer = trailerBytes(directoryOffset,
                                    entryCount.value_or(static_cast<std::uint32_t>(entries.size())),
                                    unsignedCheck);
        file.insert(file.end(), trailer.begin(), trailer.end());
        return file;
    }
};

}  // namespace tovik::testing
