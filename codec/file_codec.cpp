#include "codec/file_codec.h"

#include <cstdio>

#include "codec/explode.h"
#include "platform/message_box.h"

namespace tovik {

std::uint32_t readFromFile(std::uint8_t* buffer, std::uint32_t& size, void* context) {
    auto& files = *static_cast<FileCodecContext*>(context);
    bool failed = false;
    std::uint32_t count = files.source->read(buffer, size, FilePosition::Current, &failed);
    if (failed) {
        files.readFailed = true;
    }
    return count;
}

void writeToFile(const std::uint8_t* buffer, std::uint32_t& size, void* context) {
    auto& files = *static_cast<FileCodecContext*>(context);
    if (!files.target->write(buffer, size, FilePosition::Current)) {
        files.writeFailed = true;
    }
}

// An empty input is stored as the 4-byte stream of header and end code, which explode refuses
// as too short; every stream of real content is longer.
constexpr std::uint64_t kEmptyStreamSize = 4;

bool decompressFile(const char* compressedPath, const char* destinationPath, bool reportErrors) {
    if (fileSize(compressedPath) <= kEmptyStreamSize) {
        FileHandle empty(destinationPath, FileAccess::Write, FileDisposition::CreateAlways, false,
                         true);
        return true;
    }
    FileCodecContext files;
    bool result = false;
    FileHandle source(compressedPath, FileAccess::Read, FileDisposition::OpenExisting, false, true);
    if (source.isOpen()) {
        FileHandle target(destinationPath, FileAccess::Write, FileDisposition::CreateAlways, false,
                          true);
        if (target.isOpen()) {
            files.source = &source;
            files.target = &target;
            ExplodeWork work;
            result = explode(readFromFile, writeToFile, work, &files) == CodecStatus::Ok;
        }
    }
    if (reportErrors && (!result || files.writeFailed || files.readFailed)) {
        char text[1000];
        if (files.writeFailed) {
            std::snprintf(text, sizeof text,
                          "Error whilst uncompressing '%s', unable to write to '%s'",
                          destinationPath, destinationPath);
        } else {
            std::snprintf(text, sizeof text,
                          "Error whilst uncompressing '%s', unable to read from '%s'",
                          destinationPath, compressedPath);
        }
        showMessageBox({text, "Install", MessageIcon::Error, MessageButtons::Ok, 0, true});
    }
    return result;
}

}  // namespace tovik
