#include "archive/archive_format.h"

#include <cstring>

#include "platform/text.h"

namespace tovik {

ArchiveEntry decodeEntry(const std::uint8_t (&record)[kEntryRecordSize]) {
    ArchiveEntry entry;
    std::memcpy(entry.name, record, kEntryNameSize);
    entry.name[kEntryNameSize - 1] = '\0';
    entry.offset = readLittleEndian32(record + 100);
    entry.storedSize = readLittleEndian32(record + 104);
    entry.byteSum = readLittleEndian32(record + 108);
    return entry;
}

void encodeEntry(const ArchiveEntry& entry, std::uint8_t (&record)[kEntryRecordSize]) {
    std::memset(record, 0, kEntryRecordSize);
    copyText(reinterpret_cast<char*>(record), kEntryNameSize, entry.name);
    writeLittleEndian32(record + 100, entry.offset);
    writeLittleEndian32(record + 104, entry.storedSize);
    writeLittleEndian32(record + 108, entry.byteSum);
}

ArchiveTrailer decodeTrailer(const std::uint8_t (&bytes)[kTrailerSize]) {
    return {static_cast<std::int32_t>(readLittleEndian32(bytes)), readLittleEndian32(bytes + 4),
            readLittleEndian32(bytes + 8), readLittleEndian32(bytes + 12),
            readLittleEndian32(bytes + 16)};
}

std::int32_t trailerCheck(const std::uint8_t (&bytes)[kTrailerSize]) {
    std::int32_t sum = 0;
    for (std::uint32_t i = 4; i < kTrailerSize; ++i) {
        sum += static_cast<std::int8_t>(bytes[i]);
    }
    return sum;
}

void encodeTrailer(std::uint32_t directoryOffset, std::uint32_t entryCount,
                   std::uint8_t (&bytes)[kTrailerSize]) {
    std::memset(bytes, 0, kTrailerSize);
    writeLittleEndian32(bytes + 4, directoryOffset);
    writeLittleEndian32(bytes + 8, entryCount);
    writeLittleEndian32(bytes + 12, kTrailerMagic1);
    writeLittleEndian32(bytes + 16, kTrailerMagic2);
    writeLittleEndian32(bytes, static_cast<std::uint32_t>(trailerCheck(bytes)));
}

bool isValidTrailer(const std::uint8_t (&bytes)[kTrailerSize]) {
    ArchiveTrailer trailer = decodeTrailer(bytes);
    return trailer.magic1 == kTrailerMagic1 && trailer.magic2 == kTrailerMagic2 &&
           trailer.check == trailerCheck(bytes);
}

}  // namespace tovik
