// PayloadArchive: the named, compressed entries appended to an executable, found from the
// trailer in the file's last 20 bytes. A file without a valid trailer is an empty archive that
// begins at the end of the file, so any executable can start one.
#pragma once

#include <cstdint>

#include "archive/archive_format.h"
#include "platform/file.h"
#include "platform/pointer_list.h"

namespace tovik {

class PayloadArchive {
public:
    // Opens the file, creating it empty when it does not exist, shared for reading and
    // writing, with error reports on; `writable` asks for write access too (pack mode).
    PayloadArchive(const char* path, bool writable);
    ~PayloadArchive();
    PayloadArchive(const PayloadArchive&) = delete;
    PayloadArchive& operator=(const PayloadArchive&) = delete;

    // Whether an entry of that name exists, ignoring the case of letters.
    bool contains(const char* name) const;
    // Writes the decompressed contents of every entry of that name, in directory order, to the
    // destination; true when at least one of them was extracted.
    bool extract(const char* name, const char* destinationPath);
    // Compresses the file and appends it as a new entry named after its base name, over the
    // old directory and trailer, which close() rewrites. True when the entry was added; on a
    // failure (shown in a message box) the package keeps its previous entries.
    bool add(const char* sourcePath);
    // Rewrites directory and trailer when an entry was added, closes the file and forgets the
    // directory. Also done on destruction.
    void close();

    std::int32_t entryCount() const { return entries_.count(); }
    const ArchiveEntry& entryAt(std::int32_t index) const { return *entries_.at(index); }
    std::uint32_t writePosition() const { return writePosition_; }
    bool isOpen() const { return file_.isOpen(); }

private:
    void loadDirectory();
    bool extractEntry(const ArchiveEntry& entry, const char* destinationPath);
    bool appendStoredBytes(const char* compressedPath, ArchiveEntry& entry);
    void writeDirectory();
    void releaseEntries();

    PointerList<ArchiveEntry> entries_;  // owned records, in file order
    FileHandle file_;
    bool modified_ = false;
    std::uint32_t writePosition_ = 0;
};

}  // namespace tovik
