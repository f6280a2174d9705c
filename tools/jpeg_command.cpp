// tovik-pack jpeg2bmp: a JPEG picture decoded as the installer decodes its artwork, written as
// a BMP file so a person can look at it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "image/jpeg_decoder.h"
#include "platform/file.h"
#include "tools/commands.h"
#include "tools/tool_support.h"

namespace tovik {

namespace {

constexpr std::uint32_t kBmpHeadersSize = 14 + 40;
// Rows go out through a buffer of about this size: no second copy of a large picture.
constexpr std::uint32_t kWriteBufferSize = 1 << 18;

void writeLittleEndian16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

// A 24-bit BMP: file header, 40-byte information header, rows from the bottom up, each padded
// to a multiple of 4 bytes. The decoder's pixels already have the BMP's byte order.
bool writeBmp(FileHandle& file, const JpegDecoder& decoder) {
    auto width = static_cast<std::uint32_t>(decoder.width());
    auto height = static_cast<std::uint32_t>(decoder.height());
    std::uint32_t rowSize = (width * 3 + 3) & ~3u;
    std::uint32_t imageSize = rowSize * height;
    std::uint8_t header[kBmpHeadersSize] = {'B', 'M'};
    writeLittleEndian32(header + 2, kBmpHeadersSize + imageSize);
    writeLittleEndian32(header + 10, kBmpHeadersSize);
    writeLittleEndian32(header + 14, 40);
    writeLittleEndian32(header + 18, width);
    writeLittleEndian32(header + 22, height);
    writeLittleEndian16(header + 26, 1);   // planes
    writeLittleEndian16(header + 28, 24);  // bits per pixel
    writeLittleEndian32(header + 34, imageSize);
    writeLittleEndian32(header + 38, 2835);  // 72 dots per inch
    writeLittleEndian32(header + 42, 2835);
    if (!file.write(header, kBmpHeadersSize, FilePosition::Current)) {
        return false;
    }
    std::uint32_t rowsPerWrite = rowSize == 0 ? 1 : std::max(1u, kWriteBufferSize / rowSize);
    auto buffer =
        std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(rowSize) * rowsPerWrite);
    for (std::uint32_t done = 0; done < height;) {
        std::uint32_t count = std::min(rowsPerWrite, height - done);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t pictureRow = height - 1 - (done + i);
            std::memcpy(buffer.get() + static_cast<std::size_t>(i) * rowSize,
                        decoder.pixels() + static_cast<std::size_t>(pictureRow) * width * 3,
                        width * 3);
        }
        if (!file.write(buffer.get(), count * rowSize, FilePosition::Current)) {
            return false;
        }
        done += count;
    }
    return true;
}

}  // namespace

int runJpegToBmpCommand(int argumentCount, char** arguments) {
    if (argumentCount != 2) {
        return usageError("usage: tovik-pack jpeg2bmp IN.jpg OUT.bmp");
    }
    PathText inputPath;
    PathText outputPath;
    if (!toSystemPath(arguments[0], inputPath) || !toSystemPath(arguments[1], outputPath)) {
        return 2;
    }
    FileHandle input(inputPath, FileAccess::Read, FileDisposition::OpenExisting, false, true);
    if (!input.isOpen()) {
        std::fprintf(stderr, "tovik-pack: cannot open %s\n", arguments[0]);
        return 1;
    }
    std::uint64_t size = input.size();
    if (size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        std::fprintf(stderr, "tovik-pack: %s is too large for a picture\n", arguments[0]);
        return 1;
    }
    auto data = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    bool readFailed = false;
    auto byteCount = static_cast<std::uint32_t>(size);
    if (input.read(data.get(), byteCount, FilePosition::Start, &readFailed) != byteCount ||
        readFailed) {
        std::fprintf(stderr, "tovik-pack: cannot read %s\n", arguments[0]);
        return 1;
    }
    input.close();

    // A picture the decoder cannot decode ends the process here with its message on standard
    // output and exit code 255, as it would end the installer.
    JpegDecoder decoder;
    if (decoder.parseHeaders(data.get(), static_cast<std::int32_t>(byteCount)) == 0) {
        std::fprintf(stderr,
                     "tovik-pack: %s holds no picture to decode (no start-of-image marker, no "
                     "frame header, or a width or height of 0)\n",
                     arguments[0]);
        return 1;
    }
    decoder.decode(nullptr);

    PendingOutput pending(outputPath);
    FileHandle output(pending.path(), FileAccess::Write, FileDisposition::CreateAlways, false,
                      true);
    if (!output.isOpen() || !writeBmp(output, decoder)) {
        std::fprintf(stderr, "tovik-pack: cannot write %s\n", arguments[1]);
        return 1;
    }
    output.close();
    if (!pending.commit()) {
        std::fprintf(stderr, "tovik-pack: cannot create %s\n", arguments[1]);
        return 1;
    }
    return 0;
}

}  // namespace tovik
