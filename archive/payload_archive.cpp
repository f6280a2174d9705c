#include "archive/payload_archive.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "codec/file_codec.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/temp_storage.h"
#include "platform/text.h"

namespace tovik {

namespace {

// Stored bytes move between files in blocks of this size.
constexpr std::uint32_t kCopyBlockSize = 64 * 1024;

void showPackError(const char* format, const char* path) {
    char text[1000];
    std::snprintf(text, sizeof text, format, path);
    showMessageBox({text, "Installer", MessageIcon::Error});
}

std::uint32_t sumOfBytes(const std::uint8_t* bytes, std::uint32_t count, std::uint32_t sum) {
    for (std::uint32_t i = 0; i < count; ++i) {
        sum += bytes[i];
    }
    return sum;
}

}  // namespace

PayloadArchive::PayloadArchive(const char* path, bool writable) {
    if (!file_.open(path, writable ? FileAccess::ReadWrite : FileAccess::Read,
                    FileDisposition::OpenAlways, true, true)) {
        return;
    }
    loadDirectory();
}

PayloadArchive::~PayloadArchive() {
    close();
}

void PayloadArchive::loadDirectory() {
    std::uint64_t size = file_.size();
    writePosition_ = static_cast<std::uint32_t>(size);
    // Offsets are signed 32-bit seek distances: a larger file cannot hold a valid archive.
    if (size < kTrailerSize || size >= kArchiveLimit) {
        return;
    }
    std::uint8_t trailerBytes[kTrailerSize];
    file_.seek(static_cast<std::int32_t>(size - kTrailerSize), SeekOrigin::Start);
    if (file_.read(trailerBytes, kTrailerSize, FilePosition::Current) < kTrailerSize ||
        !isValidTrailer(trailerBytes)) {
        return;
    }
    ArchiveTrailer trailer = decodeTrailer(trailerBytes);
    writePosition_ = trailer.directoryOffset;
    if (trailer.directoryOffset >= kArchiveLimit) {
        return;
    }
    file_.seek(static_cast<std::int32_t>(trailer.directoryOffset), SeekOrigin::Start);
    // A count larger than the file can hold ends at the first short read: nothing more can
    // come after it.
    for (std::uint32_t attempt = 0; attempt < trailer.entryCount; ++attempt) {
        std::uint8_t record[kEntryRecordSize];
        if (file_.read(record, kEntryRecordSize, FilePosition::Current) < kEntryRecordSize) {
            break;
        }
        entries_.add(new ArchiveEntry(decodeEntry(record)));
    }
}

bool PayloadArchive::contains(const char* name) const {
    for (std::int32_t i = 0; i < entries_.count(); ++i) {
        if (equalsIgnoringCase(entries_.at(i)->name, name)) {
            return true;
        }
    }
    return false;
}

bool PayloadArchive::extract(const char* name, const char* destinationPath) {
    bool result = false;
    for (std::int32_t i = 0; i < entries_.count(); ++i) {
        const ArchiveEntry& entry = *entries_.at(i);
        if (equalsIgnoringCase(entry.name, name) && extractEntry(entry, destinationPath)) {
            result = true;
        }
    }
    return result;
}

// Copies the stored bytes into a temporary file, checks their byte sum, then decodes them into
// the destination. The destination is not touched unless the stored bytes are sound, and the
// temporary file is removed in every case.
bool PayloadArchive::extractEntry(const ArchiveEntry& entry, const char* destinationPath) {
    if (!file_.isOpen() || entry.offset >= kArchiveLimit) {
        return false;
    }
    file_.seek(static_cast<std::int32_t>(entry.offset), SeekOrigin::Start);
    TempFile stored("Ext");
    {
        FileHandle copy(stored.path(), FileAccess::Write, FileDisposition::CreateAlways, false,
                        true);
        if (!copy.isOpen()) {
            return false;
        }
        auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kCopyBlockSize);
        std::uint32_t sum = 0;
        for (std::uint32_t remaining = entry.storedSize; remaining > 0;) {
            std::uint32_t wanted = remaining < kCopyBlockSize ? remaining : kCopyBlockSize;
            bool readFailed = false;
            std::uint32_t got = file_.read(block.get(), wanted, FilePosition::Current, &readFailed);
            // A failed read has been reported; a short one means the entry runs past the end
            // of the file. Either way the stored bytes are incomplete.
            if (readFailed || got < wanted) {
                return false;
            }
            sum = sumOfBytes(block.get(), got, sum);
            if (!copy.write(block.get(), got, FilePosition::Current)) {
                return false;
            }
            remaining -= got;
        }
        if (sum != entry.byteSum) {
            return false;
        }
    }
    return decompressFile(stored.path(), destinationPath, true);
}

bool PayloadArchive::add(const char* sourcePath) {
    if (!file_.isOpen()) {
        return false;
    }
    auto entry = std::make_unique<ArchiveEntry>();
    PathText name;
    baseName(sourcePath, name);
    if (std::strlen(name) >= kEntryNameSize) {
        showPackError("Cannot add '%s': its name is longer than 99 characters.", sourcePath);
        return false;
    }
    copyText(entry->name, name);
    // Offsets are signed 32-bit seek distances: nothing may reach 2 GiB. The file's real size
    // counts, since the write position holds only its low 32 bits.
    if (file_.size() >= kArchiveLimit || fileSize(sourcePath) >= kArchiveLimit) {
        showPackError("Cannot add '%s': the package would reach 2 GiB.", sourcePath);
        return false;
    }
    TempFile compressed("Ext");
    if (!compressFile(sourcePath, compressed.path(), true)) {
        return false;
    }
    std::uint64_t storedSize = fileSize(compressed.path());
    std::uint64_t end = std::uint64_t{writePosition_} + storedSize +
                        kEntryRecordSize * (std::uint64_t(entries_.count()) + 1) + kTrailerSize;
    if (end >= kArchiveLimit) {
        showPackError("Cannot add '%s': the package would reach 2 GiB.", sourcePath);
        return false;
    }
    entry->offset = writePosition_;
    // From the first byte written on, the old directory is overwritten: close() must write
    // one again, with or without the new entry.
    modified_ = true;
    if (!appendStoredBytes(compressed.path(), *entry)) {
        return false;
    }
    writePosition_ += entry->storedSize;
    entries_.add(entry.release());
    return true;
}

// Copies the compressed file to the write position, recording its size and byte sum. False,
// with the failure reported, when not every byte arrived.
bool PayloadArchive::appendStoredBytes(const char* compressedPath, ArchiveEntry& entry) {
    FileHandle compressed(compressedPath, FileAccess::Read, FileDisposition::OpenExisting, false,
                          true);
    if (!compressed.isOpen()) {
        showPackError("Cannot add an entry: the compressed copy '%s' cannot be read.",
                      compressedPath);
        return false;
    }
    file_.seek(static_cast<std::int32_t>(writePosition_), SeekOrigin::Start);
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kCopyBlockSize);
    entry.storedSize = 0;
    entry.byteSum = 0;
    for (;;) {
        bool readFailed = false;
        std::uint32_t got =
            compressed.read(block.get(), kCopyBlockSize, FilePosition::Current, &readFailed);
        if (readFailed) {
            showPackError("Cannot add an entry: the compressed copy '%s' cannot be read.",
                          compressedPath);
            return false;
        }
        if (got == 0) {
            return true;
        }
        // The archive's FileHandle reports a failing write itself, once.
        if (!file_.write(block.get(), got, FilePosition::Current)) {
            return false;
        }
        entry.byteSum = sumOfBytes(block.get(), got, entry.byteSum);
        entry.storedSize += got;
    }
}

void PayloadArchive::writeDirectory() {
    file_.seek(static_cast<std::int32_t>(writePosition_), SeekOrigin::Start);
    for (std::int32_t i = 0; i < entries_.count(); ++i) {
        std::uint8_t record[kEntryRecordSize];
        encodeEntry(*entries_.at(i), record);
        file_.write(record, kEntryRecordSize, FilePosition::Current);
    }
    std::uint8_t trailer[kTrailerSize];
    encodeTrailer(writePosition_, static_cast<std::uint32_t>(entries_.count()), trailer);
    file_.write(trailer, kTrailerSize, FilePosition::Current);
    // The trailer must be the file's last 20 bytes. Normally the new directory ends beyond the
    // old end; after a failed addition, or when not every old record could be loaded, stale
    // bytes would follow it.
    std::uint64_t end = std::uint64_t{writePosition_} +
                        std::uint64_t{kEntryRecordSize} * std::uint64_t(entries_.count()) +
                        kTrailerSize;
    if (file_.size() > end) {
        file_.truncate();
    }
}

void PayloadArchive::releaseEntries() {
    for (std::int32_t i = 0; i < entries_.count(); ++i) {
        delete entries_.at(i);
    }
    entries_.clear();
}

void PayloadArchive::close() {
    if (file_.isOpen() && modified_) {
        writeDirectory();
    }
    modified_ = false;
    file_.close();
    releaseEntries();
}

}  // namespace tovik
