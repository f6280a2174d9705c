// The codec's file adapters: one whole file decoded into (or encoded into) another, with the
// codec's own messages under the caption "Install".
#pragma once

#include <cstdint>

#include "platform/file.h"

namespace tovik {

// What the file callbacks read from and write to, and whether either side failed.
struct FileCodecContext {
    FileHandle* source = nullptr;
    FileHandle* target = nullptr;
    bool readFailed = false;
    bool writeFailed = false;
};

// The read and write callbacks over a FileCodecContext, shared by both directions.
std::uint32_t readFromFile(std::uint8_t* buffer, std::uint32_t& size, void* context);
void writeToFile(const std::uint8_t* buffer, std::uint32_t& size, void* context);

// Decodes the stream held in one file into another, creating or truncating it. A file of 4
// bytes or fewer (or one that cannot be opened) is an empty file's stream: the destination is
// created empty. False also when a write failed, since the destination then lacks a block.
// With reportErrors a failure is shown in a message box.
bool decompressFile(const char* compressedPath, const char* destinationPath, bool reportErrors);

// Compresses one file into another (literal mode 0, 4096-byte dictionary), creating or
// truncating the destination. False when either file cannot be opened, and also when a read or
// a write failed on the way, since the destination then holds no faithful copy. With
// reportErrors a failure is shown in a message box.
bool compressFile(const char* sourcePath, const char* destinationPath, bool reportErrors);

}  // namespace tovik
