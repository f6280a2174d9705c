// libFuzzer entry for the JPEG decoder: any bytes through parseHeaders and decode, by the
// interface that reports errors instead of ending the process. Built and run by
// run-jpeg-fuzz.sh, outside the normal build.
#include <cstddef>
#include <cstdint>

#include "image/jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    tovik::JpegDecoder decoder;
    std::int32_t pixelBytes = 0;
    if (decoder.tryParseHeaders(data, static_cast<std::int32_t>(size), pixelBytes) !=
            tovik::JpegError::None ||
        pixelBytes == 0) {
        return 0;
    }
    if (decoder.tryDecode(nullptr) == tovik::JpegError::None) {
        // The whole buffer must be there to read: the sanitizer checks every byte.
        volatile std::uint8_t sink = 0;
        const std::uint8_t* pixels = decoder.pixels();
        for (std::int32_t i = 0; i < pixelBytes; i += 4093) {
            sink = sink + pixels[i];
        }
        sink = sink + pixels[pixelBytes - 1];
    }
    return 0;
}
