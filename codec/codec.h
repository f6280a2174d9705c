// The calling convention of the implode stream codec: the caller supplies read and write
// callbacks, an opaque context and the work area; the codec allocates nothing and does no I/O.
#pragma once

#include <cstdint>

namespace tovik {

enum class CodecStatus : std::uint32_t {
    Ok = 0,
    // Decoder: header byte 1 not 4, 5 or 6. Encoder: dictionary size not 1024, 2048 or 4096.
    BadDictionarySize = 1,
    // Header byte 0, or the encoder's literal mode, not 0 or 1.
    BadLiteralMode = 2,
    // Decoder: the first read returned 4 bytes or fewer.
    InputTooShort = 3,
    // Decoder: the input ran out inside a token or before the end code.
    StreamBroken = 4,
};

// Puts up to `size` bytes into `buffer` and returns how many; 0 means the input is exhausted.
using CodecReadFn = std::uint32_t (*)(std::uint8_t* buffer, std::uint32_t& size, void* context);
// Takes `size` bytes (possibly 0) from `buffer`. The codec never learns of a failure.
using CodecWriteFn = void (*)(const std::uint8_t* buffer, std::uint32_t& size, void* context);

}  // namespace tovik
