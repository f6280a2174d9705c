#include <cstdio>
#include <cstring>
#include <memory>

#include "codec/explode.h"
#include "platform/file.h"
#include "tools/commands.h"
#include "tools/tool_support.h"

namespace tovik {

namespace {

// Whole files stream through large buffers, so the codec's small blocks never turn into small
// system calls.
constexpr std::uint32_t kStreamBufferSize = 1 << 20;

struct StreamingFiles {
    FileHandle source;
    FileHandle target;
    std::unique_ptr<std::uint8_t[]> input =
        std::make_unique_for_overwrite<std::uint8_t[]>(kStreamBufferSize);
    std::unique_ptr<std::uint8_t[]> output =
        std::make_unique_for_overwrite<std::uint8_t[]>(kStreamBufferSize);
    std::uint32_t inputPosition = 0;
    std::uint32_t inputCount = 0;
    std::uint32_t outputCount = 0;
    bool readFailed = false;
    bool writeFailed = false;

    bool flush() {
        if (outputCount > 0 && !target.write(output.get(), outputCount, FilePosition::Current)) {
            writeFailed = true;
        }
        outputCount = 0;
        return !writeFailed;
    }
};

std::uint32_t readStreaming(std::uint8_t* buffer, std::uint32_t& size, void* context) {
    auto& files = *static_cast<StreamingFiles*>(context);
    if (files.inputPosition == files.inputCount) {
        bool failed = false;
        files.inputCount =
            files.source.read(files.input.get(), kStreamBufferSize, FilePosition::Current, &failed);
        files.inputPosition = 0;
        files.readFailed = files.readFailed || failed;
        if (files.inputCount == 0) {
            return 0;
        }
    }
    std::uint32_t count = files.inputCount - files.inputPosition;
    if (count > size) {
        count = size;
    }
    std::memcpy(buffer, files.input.get() + files.inputPosition, count);
    files.inputPosition += count;
    return count;
}

void writeStreaming(const std::uint8_t* buffer, std::uint32_t& size, void* context) {
    auto& files = *static_cast<StreamingFiles*>(context);
    if (files.outputCount + size > kStreamBufferSize) {
        files.flush();
    }
    std::memcpy(files.output.get() + files.outputCount, buffer, size);
    files.outputCount += size;
}

const char* describe(CodecStatus status) {
    switch (status) {
        case CodecStatus::Ok:
            return "ok";
        case CodecStatus::BadDictionarySize:
            return "the header names no valid dictionary size";
        case CodecStatus::BadLiteralMode:
            return "the header names no valid literal mode";
        case CodecStatus::InputTooShort:
            return "the stream is too short";
        case CodecStatus::StreamBroken:
            return "the stream is broken or cut short";
    }
    return "unknown status";
}

}  // namespace

int runExplodeCommand(int argumentCount, char** arguments) {
    if (argumentCount != 2) {
        return usageError("usage: tovik-pack explode IN OUT");
    }
    PathText inputPath;
    PathText outputPath;
    if (!toSystemPath(arguments[0], inputPath) || !toSystemPath(arguments[1], outputPath)) {
        return 2;
    }
    StreamingFiles files;
    if (!files.source.open(inputPath, FileAccess::Read, FileDisposition::OpenExisting, false,
                           true)) {
        std::fprintf(stderr, "tovik-pack: cannot open %s\n", arguments[0]);
        return 1;
    }
    PendingOutput pending(outputPath);
    if (!files.target.open(pending.path(), FileAccess::Write, FileDisposition::CreateAlways, false,
                           true)) {
        std::fprintf(stderr, "tovik-pack: cannot create %s\n", arguments[1]);
        return 1;
    }
    auto work = std::make_unique_for_overwrite<ExplodeWork>();
    CodecStatus status = explode(readStreaming, writeStreaming, *work, &files);
    files.flush();
    files.target.close();
    if (files.readFailed || files.writeFailed || status != CodecStatus::Ok) {
        std::fprintf(stderr, "tovik-pack: %s: %s\n", arguments[0],
                     files.readFailed    ? "read error"
                     : files.writeFailed ? "write error"
                                         : describe(status));
        return 1;
    }
    if (!pending.commit()) {
        std::fprintf(stderr, "tovik-pack: cannot create %s\n", arguments[1]);
        return 1;
    }
    return 0;
}

}  // namespace tovik
