// The decoder of the implode stream format.
#pragma once

#include <cstdint>

#include "codec/codec.h"

namespace tovik {

// The decoder's work area, owned by the caller for the duration of one explode call and given
// without initialisation: explode sets up what it uses.
struct ExplodeWork {
    // Output window: 4096 bytes of history, then output not yet written, then room for one
    // longest match and for the 8-byte steps of the match copy.
    static constexpr std::uint32_t kHistorySize = 4096;
    static constexpr std::uint32_t kFlushPosition = 8192;
    static constexpr std::uint32_t kInputSize = 2048;

    std::uint32_t literalMode;
    std::uint32_t outputPosition;
    std::uint32_t dictionaryBits;
    std::uint32_t dictionaryMask;
    std::uint32_t inputPosition;
    std::uint32_t inputCount;
    void* context;
    CodecReadFn read;
    CodecWriteFn write;
    std::uint8_t window[kFlushPosition + 518 + 8];
    std::uint8_t input[kInputSize];
};

// Decodes one whole stream, pulling input through `read` in blocks of 2048 bytes and pushing
// output through `write` in blocks of exactly 4096 bytes, then one final block of 0 to 4095.
// Everything decoded is delivered, also when the stream turns out to be broken.
[[nodiscard]] CodecStatus explode(CodecReadFn read, CodecWriteFn write, ExplodeWork& work,
                                  void* context);

}  // namespace tovik
