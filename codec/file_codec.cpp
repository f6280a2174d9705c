#include "codec/file_codec.h"

#include <cstdio>

#include "codec/explode.h"
#include "codec/implode.h"
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

namespace {

struct Conversion {
    const char* verb;  // in the messages: "uncompressing", "compressing"
    // Whether a failed read leaves the result incomplete. The decoder's input may fail after
    // the end code is in hand; the encoder's input then ends early, and the stream with it.
    bool readFailureSpoils;
    CodecStatus (*run)(FileCodecContext& files);
};

CodecStatus runExplode(FileCodecContext& files) {
    ExplodeWork work;
    return explode(readFromFile, writeToFile, work, &files);
}

CodecStatus runImplode(FileCodecContext& files) {
    ImplodeWork work;
    constexpr std::uint32_t kLiteralMode = 0;
    constexpr std::uint32_t kDictionarySize = 4096;
    return implode(readFromFile, writeToFile, work, &files, kLiteralMode, kDictionarySize);
}

bool convertFile(const char* sourcePath, const char* destinationPath, bool reportErrors,
                 const Conversion& conversion) {
    FileCodecContext files;
    bool result = false;
    FileHandle source(sourcePath, FileAccess::Read, FileDisposition::OpenExisting, false, true);
    if (source.isOpen()) {
        FileHandle target(destinationPath, FileAccess::Write, FileDisposition::CreateAlways, false,
                          true);
        if (target.isOpen()) {
            files.source = &source;
            files.target = &target;
            result = conversion.run(files) == CodecStatus::Ok;
        }
    }
    // The codec never learns of a failed write, and the stream still ends normally: a block is
    // lost, and the destination may not pass for a faithful copy.
    if (files.writeFailed || (conversion.readFailureSpoils && files.readFailed)) {
        result = false;
    }
    if (reportErrors && (!result || files.writeFailed || files.readFailed)) {
        char text[1000];
        if (files.writeFailed) {
            std::snprintf(text, sizeof text, "Error whilst %s '%s', unable to write to '%s'",
                          conversion.verb, destinationPath, destinationPath);
        } else {
            std::snprintf(text, sizeof text, "Error whilst %s '%s', unable to read from '%s'",
                          conversion.verb, destinationPath, sourcePath);
        }
        showMessageBox({text, "Install", MessageIcon::Error, MessageButtons::Ok, 0, true});
    }
    return result;
}

}  // namespace

bool decompressFile(const char* compressedPath, const char* destinationPath, bool reportErrors) {
    if (fileSize(compressedPath) <= kEmptyStreamSize) {
        FileHandle empty(destinationPath, FileAccess::Write, FileDisposition::CreateAlways, false,
                         true);
        return true;
    }
    return convertFile(compressedPath, destinationPath, reportErrors,
                       {"uncompressing", false, runExplode});
}

bool compressFile(const char* sourcePath, const char* destinationPath, bool reportErrors) {
    return convertFile(sourcePath, destinationPath, reportErrors,
                       {"compressing", true, runImplode});
}

}  // namespace tovik
