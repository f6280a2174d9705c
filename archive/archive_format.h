// The payload archive's on-disk records: 112-byte directory entries and the 20-byte trailer
// that ends the file. All integers are 32 bits, little-endian.
#pragma once

#include <cstdint>

namespace tovik {

inline constexpr std::uint32_t kEntryRecordSize = 112;
inline constexpr std::uint32_t kTrailerSize = 20;
inline constexpr std::uint32_t kEntryNameSize = 100;
inline constexpr std::uint32_t kTrailerMagic1 = 0x03345283;
inline constexpr std::uint32_t kTrailerMagic2 = 0x0EFFF343;
// Offsets are used as signed 32-bit seek distances, so nothing of an archive lies at 2 GiB or
// beyond.
inline constexpr std::uint64_t kArchiveLimit = 0x80000000u;

struct ArchiveEntry {
    // Zero-terminated within the field: at most 99 characters.
    char name[kEntryNameSize];
    std::uint32_t offset;
    std::uint32_t storedSize;
    // Sum of the stored bytes as unsigned values, modulo 2^32.
    std::uint32_t byteSum;
};

struct ArchiveTrailer {
    std::int32_t check;
    std::uint32_t directoryOffset;
    std::uint32_t entryCount;
    std::uint32_t magic1;
    std::uint32_t magic2;
};

// A record read from a file; a name without a terminator in its field is cut to 99 characters.
ArchiveEntry decodeEntry(const std::uint8_t (&record)[kEntryRecordSize]);
void encodeEntry(const ArchiveEntry& entry, std::uint8_t (&record)[kEntryRecordSize]);

ArchiveTrailer decodeTrailer(const std::uint8_t (&bytes)[kTrailerSize]);
// A complete trailer for a directory, its check included.
void encodeTrailer(std::uint32_t directoryOffset, std::uint32_t entryCount,
                   std::uint8_t (&bytes)[kTrailerSize]);
// The check over trailer bytes 4 to 19, each taken as a signed 8-bit value.
std::int32_t trailerCheck(const std::uint8_t (&bytes)[kTrailerSize]);
// Right magic words and a check that matches.
bool isValidTrailer(const std::uint8_t (&bytes)[kTrailerSize]);

}  // namespace tovik
