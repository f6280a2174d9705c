#include <cinttypes>
#include <cstdio>

#include "archive/payload_archive.h"
#include "platform/file.h"
#include "tools/commands.h"
#include "tools/tool_support.h"

namespace tovik {

namespace {

// Whether the file can be read and carries an archive, with a message when not: the reader
// treats a file without one as an empty archive, but a vendor asking about it wants to know.
bool isPackage(const char* path, const char* shownPath) {
    FileHandle file(path, FileAccess::Read, FileDisposition::OpenExisting, false, true);
    if (!file.isOpen()) {
        std::fprintf(stderr, "tovik-pack: cannot open %s\n", shownPath);
        return false;
    }
    std::uint64_t size = file.size();
    std::uint8_t trailer[kTrailerSize];
    if (size >= kTrailerSize && size < kArchiveLimit) {
        file.seek(static_cast<std::int32_t>(size - kTrailerSize), SeekOrigin::Start);
        if (file.read(trailer, kTrailerSize, FilePosition::Current) == kTrailerSize &&
            isValidTrailer(trailer)) {
            return true;
        }
    }
    std::fprintf(stderr, "tovik-pack: %s carries no valid payload archive\n", shownPath);
    return false;
}

}  // namespace

int runListCommand(int argumentCount, char** arguments) {
    if (argumentCount != 1) {
        return usageError("usage: tovik-pack list PACKAGE");
    }
    PathText package;
    if (!toSystemPath(arguments[0], package)) {
        return 2;
    }
    if (!isPackage(package, arguments[0])) {
        return 1;
    }
    PayloadArchive archive(package, false);
    std::printf("%-40s %10s %10s %10s\n", "name", "offset", "stored", "byte sum");
    for (std::int32_t i = 0; i < archive.entryCount(); ++i) {
        const ArchiveEntry& entry = archive.entryAt(i);
        std::printf("%-40s %10" PRIu32 " %10" PRIu32 " %10" PRIu32 "\n", entry.name, entry.offset,
                    entry.storedSize, entry.byteSum);
    }
    return 0;
}

int runExtractCommand(int argumentCount, char** arguments) {
    if (argumentCount != 3) {
        return usageError("usage: tovik-pack extract PACKAGE NAME OUT");
    }
    PathText package;
    PathText output;
    if (!toSystemPath(arguments[0], package) || !toSystemPath(arguments[2], output)) {
        return 2;
    }
    if (!isPackage(package, arguments[0])) {
        return 1;
    }
    PayloadArchive archive(package, false);
    if (!archive.contains(arguments[1])) {
        std::fprintf(stderr, "tovik-pack: %s has no entry named %s\n", arguments[0], arguments[1]);
        return 1;
    }
    PendingOutput pending(output);
    if (!archive.extract(arguments[1], pending.path()) || !pending.commit()) {
        std::fprintf(stderr, "tovik-pack: the entry %s of %s is damaged\n", arguments[1],
                     arguments[0]);
        return 1;
    }
    return 0;
}

}  // namespace tovik
