// Hand-made JPEG streams for the decoder tests: segments byte by byte, and entropy-coded data
// written bit by bit with two small Huffman tables whose codes are easy to write down.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "image/jpeg_decoder.h"
#include "tests/support/scratch.h"

namespace tovik::testing {

// The path of a committed fixture. Under wine the Linux root is drive Z:.
inline std::filesystem::path jpegFixture(const std::string& name) {
    std::string folder = TOVIK_SOURCE_DIR "/tests/image/fixtures/";
#ifdef _WIN32
    folder = "Z:" + folder;
#endif
    return std::filesystem::path(folder + name);
}

// Entropy-coded data: bits first to last, most significant first; finish() pads the last byte
// with 1-bits and stuffs a 0 after every 0xFF, as an encoder does.
class BitWriter {
public:
    BitWriter& put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>(current_ << 1 | ((bits >> i) & 1));
            if (++used_ == 8) {
                flush();
            }
        }
        return *this;
    }
    // A byte as it stands in the data, without stuffing (for markers inside the data).
    BitWriter& raw(std::uint8_t byte) {
        bytes_.push_back(byte);
        return *this;
    }
    // Pads to the byte boundary with 1-bits.
    BitWriter& align() {
        while (used_ != 0) {
            put(1, 1);
        }
        return *this;
    }
    Bytes finish() {
        align();
        return bytes_;
    }

private:
    void flush() {
        bytes_.push_back(current_);
        if (current_ == 0xFF) {
            bytes_.push_back(0);
        }
        current_ = 0;
        used_ = 0;
    }

    Bytes bytes_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

// The test DC table: sixteen 4-bit codes, code s for size s.
inline constexpr std::uint8_t kDcSizes[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
// The test AC table: sixteen 4-bit codes, code i for kAcSymbols[i]. 0x10 (size 0, run 1) is
// invalid; 0xF0 is the run of 16 zeros.
inline constexpr std::uint8_t kAcSymbols[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                                0x08, 0x09, 0x0A, 0x11, 0x21, 0xE1, 0xF0, 0x10};

inline int bitSize(int value) {
    int magnitude = value < 0 ? -value : value;
    int size = 0;
    while (magnitude != 0) {
        ++size;
        magnitude >>= 1;
    }
    return size;
}

// The `size` bits that stand for `value` (negative values as value + 2^size - 1).
inline std::uint32_t valueBits(int value, int size) {
    return static_cast<std::uint32_t>(value < 0 ? value + (1 << size) - 1 : value);
}

// A DC difference in the test DC table.
inline void putDc(BitWriter& bits, int difference) {
    int size = bitSize(difference);
    bits.put(static_cast<std::uint32_t>(size), 4).put(valueBits(difference, size), size);
}

// The code of a symbol of the test AC table.
inline void putAcSymbol(BitWriter& bits, std::uint8_t symbol) {
    for (int code = 0; code < 16; ++code) {
        if (kAcSymbols[code] == symbol) {
            bits.put(static_cast<std::uint32_t>(code), 4);
            return;
        }
    }
    ADD_FAILURE() << "no code for AC symbol " << static_cast<int>(symbol);
}

// An AC coefficient after `run` zeros: its symbol and its value bits.
inline void putAc(BitWriter& bits, int run, int value) {
    int size = bitSize(value);
    putAcSymbol(bits, static_cast<std::uint8_t>(run << 4 | size));
    bits.put(valueBits(value, size), size);
}

inline void putEndOfBlock(BitWriter& bits) {
    putAcSymbol(bits, 0x00);
}

// A block with only a DC difference.
inline void putFlatBlock(BitWriter& bits, int difference) {
    putDc(bits, difference);
    putEndOfBlock(bits);
}

struct FrameComponent {
    int h = 1;
    int v = 1;
    int quantisation = 0;
};

// A JPEG stream, segment by segment.
class JpegStream {
public:
    JpegStream& bytes(std::initializer_list<int> values) {
        for (int value : values) {
            data_.push_back(static_cast<std::uint8_t>(value));
        }
        return *this;
    }
    JpegStream& append(const Bytes& more) {
        data_.insert(data_.end(), more.begin(), more.end());
        return *this;
    }
    JpegStream& marker(int code) { return bytes({0xFF, code}); }
    // A marker, its length (counting itself) and the payload.
    JpegStream& segment(int code, const Bytes& payload) {
        auto length = static_cast<int>(payload.size() + 2);
        marker(code).bytes({length >> 8, length & 0xFF});
        return append(payload);
    }
    JpegStream& startOfImage() { return marker(0xD8); }
    JpegStream& endOfImage() { return marker(0xD9); }

    // A table of 8-bit entries, all `step`.
    JpegStream& quantisation(int id, int step) {
        Bytes payload(65, static_cast<std::uint8_t>(step));
        payload[0] = static_cast<std::uint8_t>(id);
        return segment(0xDB, payload);
    }
    JpegStream& frame(int width, int height, std::vector<FrameComponent> components,
                      int code = 0xC0) {
        Bytes payload = {8,
                         static_cast<std::uint8_t>(height >> 8),
                         static_cast<std::uint8_t>(height),
                         static_cast<std::uint8_t>(width >> 8),
                         static_cast<std::uint8_t>(width),
                         static_cast<std::uint8_t>(components.size())};
        for (std::size_t i = 0; i < components.size(); ++i) {
            payload.push_back(static_cast<std::uint8_t>(i + 1));
            payload.push_back(static_cast<std::uint8_t>(components[i].h << 4 | components[i].v));
            payload.push_back(static_cast<std::uint8_t>(components[i].quantisation));
        }
        return segment(code, payload);
    }
    // One table: class (0 DC, 1 AC) and id, counts of codes of lengths 1-16, symbols.
    static Bytes huffmanTable(int tableClass, int id, const std::vector<int>& counts,
                              const std::vector<int>& symbols) {
        Bytes table = {static_cast<std::uint8_t>(tableClass << 4 | id)};
        for (int i = 0; i < 16; ++i) {
            table.push_back(
                static_cast<std::uint8_t>(i < static_cast<int>(counts.size()) ? counts[i] : 0));
        }
        for (int symbol : symbols) {
            table.push_back(static_cast<std::uint8_t>(symbol));
        }
        return table;
    }
    static Bytes testDcTable(int id = 0) {
        return huffmanTable(0, id, {0, 0, 0, 16}, {kDcSizes, kDcSizes + 16});
    }
    static Bytes testAcTable(int id = 0) {
        return huffmanTable(1, id, {0, 0, 0, 16}, {kAcSymbols, kAcSymbols + 16});
    }
    // The test DC and AC tables 0, in one segment.
    JpegStream& testTables() {
        Bytes payload = testDcTable();
        Bytes ac = testAcTable();
        payload.insert(payload.end(), ac.begin(), ac.end());
        return segment(0xC4, payload);
    }
    // A scan header naming `count` components, all with DC and AC tables 0.
    JpegStream& scan(int count) {
        Bytes payload = {static_cast<std::uint8_t>(count)};
        for (int i = 0; i < count; ++i) {
            payload.push_back(static_cast<std::uint8_t>(i + 1));
            payload.push_back(0x00);
        }
        payload.insert(payload.end(), {0, 63, 0});
        return segment(0xDA, payload);
    }
    JpegStream& restartInterval(int mcus) {
        return segment(0xDD,
                       {static_cast<std::uint8_t>(mcus >> 8), static_cast<std::uint8_t>(mcus)});
    }
    JpegStream& entropy(BitWriter& bits) { return append(bits.finish()); }

    const Bytes& data() const { return data_; }
    std::int32_t size() const { return static_cast<std::int32_t>(data_.size()); }

private:
    Bytes data_;
};

// Everything up to the scan of a picture with the test tables, one quantisation table of the
// given step, and the given components.
inline JpegStream pictureHead(int width, int height, std::vector<FrameComponent> components,
                              int step = 1) {
    JpegStream stream;
    auto count = static_cast<int>(components.size());
    stream.startOfImage().quantisation(0, step).frame(width, height, std::move(components));
    stream.testTables().scan(count);
    return stream;
}

// The outcome of parsing and decoding a stream through the non-exiting interface.
struct Decoded {
    JpegError error = JpegError::None;
    std::int32_t pixelBytes = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    Bytes pixels;  // blue, green, red, rows from the top
};

inline Decoded decodeStream(const Bytes& data) {
    Decoded result;
    JpegDecoder decoder;
    result.error = decoder.tryParseHeaders(data.data(), static_cast<std::int32_t>(data.size()),
                                           result.pixelBytes);
    if (result.error != JpegError::None || result.pixelBytes == 0) {
        return result;
    }
    result.error = decoder.tryDecode(nullptr);
    result.width = decoder.width();
    result.height = decoder.height();
    if (result.error == JpegError::None) {
        result.pixels.assign(decoder.pixels(), decoder.pixels() + result.pixelBytes);
    }
    return result;
}

}  // namespace tovik::testing
