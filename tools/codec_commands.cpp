#include <cstdio>
#include <cstring>
#include <memory>

#include "codec/explode.h"
#include "codec/implode.h"
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

namespace {

// Streams one whole file through `code` into another that appears only when complete.
template <typename Code>
int streamThroughCodec(const char* inputArgument, const char* outputArgument, Code code) {
    PathText inputPath;
    PathText outputPath;
    if (!toSystemPath(inputArgument, inputPath) || !toSystemPath(outputArgument, outputPath)) {
        return 2;
    }
    StreamingFiles files;
    if (!files.source.open(inputPath, FileAccess::Read, FileDisposition::OpenExisting, false,
                           true)) {
        std::fprintf(stderr, "tovik-pack: cannot open %s\n", inputArgument);
        return 1;
    }
    PendingOutput pending(outputPath);
    if (!files.target.open(pending.path(), FileAccess::Write, FileDisposition::CreateAlways, false,
                           true)) {
        std::fprintf(stderr, "tovik-pack: cannot create %s\n", outputArgument);
        return 1;
    }
    CodecStatus status = code(files);
    files.flush();
    files.target.close();
    // A failed read leaves a well-formed but truncated result: nothing is kept.
    if (files.readFailed || files.writeFailed || status != CodecStatus::Ok) {
        std::fprintf(stderr, "tovik-pack: %s: %s\n", inputArgument,
                     files.readFailed    ? "read error"
                     : files.writeFailed ? "write error"
                                         : describe(status));
        return 1;
    }
    if (!pending.commit()) {
        std::fprintf(stderr, "tovik-pack: cannot create %s\n", outputArgument);
        return 1;
    }
    return 0;
}

}  // namespace

int runExplodeCommand(int argumentCount, char** arguments) {
    if (argumentCount != 2) {
        return usageError("usage: tovik-pack explode IN OUT");
    }
    return streamThroughCodec(arguments[0], arguments[1], [](StreamingFiles& files) {
        auto work = std::make_unique_for_overwrite<ExplodeWork>();
        return explode(readStreaming, writeStreaming, *work, &files);
    });
}

namespace {

constexpr const char* kImplodeUsage =
    "usage: tovik-pack implode IN OUT [--ascii] [--dictionary 1024|2048|4096]";

struct ImplodeOptions {
    const char* inputPath = nullptr;
    const char* outputPath = nullptr;
    // Plain 8-bit literals unless --ascii asks for the coded ones.
    std::uint32_t literalMode = 0;
    std::uint32_t dictionarySize = 4096;
};

// The two paths in order, the options anywhere among them.
bool parseImplodeOptions(int argumentCount, char** arguments, ImplodeOptions& options) {
    for (int i = 0; i < argumentCount; ++i) {
        const char* argument = arguments[i];
        if (std::strcmp(argument, "--ascii") == 0) {
            options.literalMode = 1;
        } else if (std::strcmp(argument, "--dictionary") == 0) {
            if (++i == argumentCount) {
                return false;
            }
            const char* size = arguments[i];
            if (std::strcmp(size, "1024") == 0) {
                options.dictionarySize = 1024;
            } else if (std::strcmp(size, "2048") == 0) {
                options.dictionarySize = 2048;
            } else if (std::strcmp(size, "4096") == 0) {
                options.dictionarySize = 4096;
            } else {
                return false;
            }
        } else if (argument[0] == '-' && argument[1] == '-') {
            return false;
        } else if (options.inputPath == nullptr) {
            options.inputPath = argument;
        } else if (options.outputPath == nullptr) {
            options.outputPath = argument;
        } else {
            return false;
        }
    }
    return options.outputPath != nullptr;
}

}  // namespace

int runImplodeCommand(int argumentCount, char** arguments) {
    ImplodeOptions options;
    if (!parseImplodeOptions(argumentCount, arguments, options)) {
        return usageError(kImplodeUsage);
    }
    return streamThroughCodec(options.inputPath, options.outputPath, [&](StreamingFiles& files) {
        auto work = std::make_unique_for_overwrite<ImplodeWork>();
        return implode(readStreaming, writeStreaming, *work, &files, options.literalMode,
                       options.dictionarySize);
    });
}

}  // namespace tovik
