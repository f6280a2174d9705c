// The encoder of the implode stream format.
#pragma once

#include <cstdint>

#include "codec/codec.h"

namespace tovik {

// The encoder's work area, owned by the caller for the duration of one implode call and given
// without initialisation: implode sets up what it uses.
struct ImplodeWork {
    static constexpr std::uint32_t kMaxDictionarySize = 4096;
    // The longest match the encoder produces, and the look-ahead kept unencoded at a block's end
    // so that the block's last matches can run that far.
    static constexpr std::uint32_t kLookAhead = 516;
    static constexpr std::uint32_t kBlockSize = 4096;
    // History, look-ahead and one fresh block.
    static constexpr std::uint32_t kWindowSize = kMaxDictionarySize + kLookAhead + kBlockSize;
    // Pair hashes run from 0 to 4 x 255 + 5 x 255 = 2295.
    static constexpr std::uint32_t kHashCount = 2304;
    static constexpr std::uint32_t kOutputBlockSize = 2048;
    // Literals 0-255, then the match headers for lengths 2 to 519 (519 is the end code).
    static constexpr std::uint32_t kTokenCount = 774;

    // Distance - 1 of the match most recently found.
    std::uint32_t matchDistance;
    // Complete bytes in the output buffer; the byte being filled is not counted.
    std::uint32_t outputByteCount;
    // Bits already used in the byte being filled, 0 to 7.
    std::uint32_t outputBitCount;
    std::uint32_t dictionaryBits;
    std::uint32_t dictionaryMask;
    std::uint32_t literalMode;
    std::uint32_t dictionarySize;
    std::uint8_t distanceCodeBits[64];
    std::uint8_t distanceCodeValues[64];
    // Bits and stream value of each token, flag bit included.
    std::uint8_t tokenBits[kTokenCount];
    std::uint16_t tokenValues[kTokenCount];
    void* context;
    CodecReadFn read;
    CodecWriteFn write;
    // For each prefix length k of the input at the current position, the length of its longest
    // proper border; 0xFFFF for k = 0.
    std::uint16_t borderTable[kLookAhead];
    // For each pair hash, the index in the position list of the first position still worth
    // trying. Serves as the counters while a block is indexed.
    std::uint16_t hashCursor[kHashCount];
    // Stream bytes not yet written; room for the partly filled byte behind a full block.
    std::uint8_t output[kOutputBlockSize + 2];
    std::uint8_t window[kWindowSize];
    // Window positions grouped by pair hash, within a hash in increasing order.
    std::uint16_t positionList[kWindowSize];
};

// Compresses everything `read` delivers into one stream given to `write`. `read` is asked for
// what is still missing of the current 4096-byte block and is not called again once it has
// returned 0; `write` gets blocks of exactly 2048 bytes, then one final block of 0 to 2048.
// BadDictionarySize (checked first) or BadLiteralMode when a parameter is out of range; then
// no callback is called.
[[nodiscard]] CodecStatus implode(CodecReadFn read, CodecWriteFn write, ImplodeWork& work,
                                  void* context, const std::uint32_t& literalMode,
                                  const std::uint32_t& dictionarySize);

}  // namespace tovik
