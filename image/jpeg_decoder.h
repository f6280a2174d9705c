// JpegDecoder: a baseline sequential JPEG picture held in memory, decoded into 24-bit pixels.
//
// Baseline only: one frame (SOF0), Huffman coding, one component (grey) or three (Y, Cb, Cr),
// one scan holding every component interleaved, optional restart intervals. A picture the
// decoder cannot decode ends the process: its message goes to standard output and the exit
// code is -1. The try* operations report the same errors as values instead.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "image/huffman_table.h"
#include "image/inverse_dct.h"

namespace tovik {

// Why a picture cannot be decoded; jpegErrorMessage gives the text the decoder prints.
enum class JpegError {
    None,
    UnsupportedPlaneSize,      // component count not 1 or 3, or a frame over kMaxJpegSide
    InvalidHuffmanTable,       // table class or id out of range, or counts overflowing
    UnsupportedFormat,         // a coding process other than baseline
    UnsupportedSegment,        // a marker or header the decoder does not take
    UnexpectedRestart,         // a restart marker outside the entropy-coded data
    UnexpectedImageBeginning,  // a second start-of-image marker
    InvalidHuffmanCode,        // entropy-coded data that is broken or runs out
    UnexpectedMarker,          // a marker inside the entropy-coded data
};

const char* jpegErrorMessage(JpegError error);

// The largest width and height taken. Far beyond any dialog artwork, and small enough that
// width * height * 3 (805 MB at most) fits the 32-bit result of parseHeaders.
inline constexpr std::int32_t kMaxJpegSide = 16384;

class JpegDecoder {
public:
    JpegDecoder();
    // Frees what release frees, so a decoder cannot leak its buffers.
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Binds the decoder to `data` (owned by the caller, kept until the decoding is done) and
    // reads up to the frame header: width * height * 3, or 0 when the data does not begin with
    // a start-of-image marker or ends before a frame header.
    std::int32_t parseHeaders(const std::uint8_t* data, std::int32_t size);
    // Decodes the rest of the picture into `pixels` (width * height * 3 bytes, kept by the
    // caller), or with none into a buffer of the decoder's own. Returns 1.
    std::int32_t decode(std::uint8_t* pixels);

    [[nodiscard]] JpegError tryParseHeaders(const std::uint8_t* data, std::int32_t size,
                                            std::int32_t& pixelBytes);
    [[nodiscard]] JpegError tryDecode(std::uint8_t* pixels);

    std::int32_t width() const { return frame_.width; }
    std::int32_t height() const { return frame_.height; }
    // Blue, green, red for each pixel, rows from the top, width * 3 bytes per row.
    std::uint8_t* pixels() const { return pixels_; }

    // Frees the Huffman tables, the component buffers and the decoder's own pixel buffer.
    // Safe to call more than once.
    void release();

private:
    static constexpr int kMaxComponents = 3;
    // kZigzag[i]: the natural index of the i-th coefficient in zigzag order.
    static constexpr std::array<std::uint8_t, 64> kZigzag = {
        0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
        41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
        30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

    // What the frame header says, and what the segments before it set up.
    struct Frame {
        bool seen = false;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::int32_t componentCount = 0;
        std::int32_t precision = 0;
        std::int32_t maxH = 0;
        std::int32_t maxV = 0;
        std::array<std::int32_t, kMaxComponents> h = {};
        std::array<std::int32_t, kMaxComponents> v = {};
        std::array<std::int32_t, kMaxComponents> quantisationSelectors = {};
        std::int32_t restartInterval = 0;
    };

    // The latest scan header.
    struct Scan {
        std::int32_t componentCount = 0;
        std::array<std::int32_t, 4> componentSelectors = {};
        std::array<std::int32_t, 4> dcTableSelectors = {};
        std::array<std::int32_t, 4> acTableSelectors = {};
    };

    // What an APP0 segment held; read, and not used for decoding.
    struct Application {
        std::int32_t headerKind = 0;  // 0 none, 1 JFIF, 2 JFXX
        std::int32_t extensionCode = 0;
        std::int32_t xDensity = 0;
        std::int32_t yDensity = 0;
    };

    // The size of the MCUs and how each component's samples are stretched to fill one.
    struct ScanGeometry {
        std::int32_t mcusAcross = 0;
        std::int32_t mcusDown = 0;
        std::int32_t mcuWidth = 0;  // also the row length of the component buffers
        std::int32_t mcuHeight = 0;
        // For each component: the sample-block row and column that MCU row r and column k of
        // each of its blocks repeat.
        std::array<std::array<std::uint8_t, 32>, kMaxComponents> sourceRow = {};
        std::array<std::array<std::uint8_t, 32>, kMaxComponents> sourceColumn = {};
        std::array<std::int32_t, kMaxComponents> stretchedWidth = {};   // 8 * sx
        std::array<std::int32_t, kMaxComponents> stretchedHeight = {};  // 8 * sy
    };

    void fail(JpegError error) {
        if (error_ == JpegError::None) {
            error_ = error;
        }
    }
    bool failed() const { return error_ != JpegError::None; }

    // Byte reader (jpeg_decoder.cpp).
    std::int32_t remainingBytes() const;
    void moveToByteBoundary();
    std::int32_t readBytes(std::uint8_t* destination, std::int32_t count);
    std::int32_t readByte();
    std::int32_t read16();
    void skip(std::int32_t count);

    // Markers and segments (jpeg_decoder.cpp).
    std::int32_t nextMarker();
    std::int32_t walkSegments();
    void parseFrameHeader();
    void parseHuffmanTables(std::int32_t length);
    void parseQuantisationTables(std::int32_t length);
    void parseScanHeader();
    void parseApplicationZero();
    void parseHeightSegment();

    // Entropy-coded data and reconstruction (jpeg_scan.cpp).
    void decodeScan();
    ScanGeometry scanGeometry() const;
    void enterEntropyData();
    void finishByte();
    bool plainWindow(std::uint32_t& window) const;
    void skipPlainBits(std::int32_t count);
    std::uint32_t getBits(std::int32_t count);
    std::int32_t decodeHuffman(const HuffmanTable* table);
    std::int32_t decodeHuffmanBitByBit(const HuffmanTable& table);
    void decodeMcu(const ScanGeometry& geometry);
    void decodeBlock(std::int32_t component);
    void convertMcu(const ScanGeometry& geometry, std::int32_t mcuColumn, std::int32_t mcuRow);

    // Byte reader, over the caller's data.
    const std::uint8_t* data_ = nullptr;
    std::int32_t size_ = 0;
    std::int32_t position_ = 0;
    // The next bit of the current byte, 7 (most significant) down to 0; 7 also at a boundary.
    std::int32_t bitPosition_ = 7;
    // Set while the current byte of entropy-coded data is 0xFF, so the byte after it must be
    // the stuffed 0.
    bool markerFlag_ = false;
    JpegError error_ = JpegError::None;

    // Index class * 4 + id: DC tables 0-3, then AC tables 0-3.
    std::array<std::unique_ptr<HuffmanTable>, 8> huffmanTables_;
    // Natural (row-major) order.
    std::array<std::array<std::int32_t, 64>, 4> quantisationTables_ = {};
    Frame frame_;
    Scan scan_;
    Application application_;

    std::uint8_t* pixels_ = nullptr;
    std::unique_ptr<std::uint8_t[]> ownedPixels_;

    // Live during a scan: the current MCU of each component, stretched to the MCU's size.
    std::array<std::unique_ptr<std::int32_t[]>, kMaxComponents> componentBuffers_;
    std::array<std::int32_t, kMaxComponents> dcPredictors_ = {};
    // Coefficients of the current block in natural order, 0 wherever its bit in
    // nonZeroCoefficients_ is clear.
    std::array<std::int32_t, 64> coefficients_ = {};
    std::uint64_t nonZeroCoefficients_ = 0;
    std::array<std::int32_t, 64> samples_ = {};
    InverseDct inverseDct_;
};

}  // namespace tovik
