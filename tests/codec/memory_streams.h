// An in-memory context for the codec's callbacks (one context serves both), recording how the
// codec called them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/codec.h"
#include "codec/explode.h"
#include "codec/implode.h"

namespace tovik::testing {

struct MemoryStreams {
    explicit MemoryStreams(const std::vector<std::uint8_t>& data) : input(&data) {}

    const std::vector<std::uint8_t>* input;
    std::size_t inputPosition = 0;
    // Upper bounds of the first and of every later read call; 0 for none.
    std::uint32_t firstReadLimit = 0;
    std::uint32_t readLimit = 0;
    int readCalls = 0;
    // Read calls made after a read had already returned 0.
    int readsAfterEnd = 0;
    bool ended = false;

    std::vector<std::uint8_t> output;
    std::vector<std::uint32_t> writeSizes;

    static std::uint32_t read(std::uint8_t* buffer, std::uint32_t& size, void* context) {
        auto& streams = *static_cast<MemoryStreams*>(context);
        if (streams.ended) {
            ++streams.readsAfterEnd;
        }
        std::uint32_t limit = streams.readCalls == 0 ? streams.firstReadLimit : streams.readLimit;
        ++streams.readCalls;
        std::size_t count =
            std::min<std::size_t>(streams.input->size() - streams.inputPosition, size);
        if (limit != 0) {
            count = std::min<std::size_t>(count, limit);
        }
        // An empty vector's data() may be null, which memcpy must not get even for 0 bytes.
        if (count != 0) {
            std::memcpy(buffer, streams.input->data() + streams.inputPosition, count);
        }
        streams.inputPosition += count;
        streams.ended = count == 0;
        return static_cast<std::uint32_t>(count);
    }

    static void write(const std::uint8_t* buffer, std::uint32_t& size, void* context) {
        auto& streams = *static_cast<MemoryStreams*>(context);
        streams.writeSizes.push_back(size);
        streams.output.insert(streams.output.end(), buffer, buffer + size);
    }
};

// The stream implode makes of `input`; its status through `status`.
inline std::vector<std::uint8_t> implodeInMemory(const std::vector<std::uint8_t>& input,
                                                 std::uint32_t literalMode,
                                                 std::uint32_t dictionarySize,
                                                 CodecStatus& status) {
    MemoryStreams streams(input);
    auto work = std::make_unique<ImplodeWork>();
    status = implode(MemoryStreams::read, MemoryStreams::write, *work, &streams, literalMode,
                     dictionarySize);
    return streams.output;
}

// What explode delivers for `stream`; its status through `status`.
inline std::vector<std::uint8_t> explodeInMemory(const std::vector<std::uint8_t>& stream,
                                                 CodecStatus& status) {
    MemoryStreams streams(stream);
    auto work = std::make_unique<ExplodeWork>();
    status = explode(MemoryStreams::read, MemoryStreams::write, *work, &streams);
    return streams.output;
}

}  // namespace tovik::testing
