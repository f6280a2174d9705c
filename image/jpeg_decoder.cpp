// The decoder's interface, its byte reader, the walk over the markers and the segment parsers.
#include "image/jpeg_decoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tovik {

namespace {

// The one place where a picture the decoder cannot decode ends the process.
void endOnError(JpegError error) {
    if (error == JpegError::None) {
        return;
    }
    std::fputs(jpegErrorMessage(error), stdout);
    std::exit(-1);
}

}  // namespace

const char* jpegErrorMessage(JpegError error) {
    switch (error) {
        case JpegError::None:
            return "";
        case JpegError::UnsupportedPlaneSize:
            return "Unsupported plane size.\n";
        case JpegError::InvalidHuffmanTable:
            return "Invalid huffman table.\n";
        case JpegError::UnsupportedFormat:
            return "Unsupported JPEG format.\n";
        case JpegError::UnsupportedSegment:
            return "Unsupported segment.\n";
        case JpegError::UnexpectedRestart:
            return "Unexpected termination of restart interval.\n";
        case JpegError::UnexpectedImageBeginning:
            return "Unexpected image beginning signal.\n";
        case JpegError::InvalidHuffmanCode:
            return "Invalid huffman code.\n";
        case JpegError::UnexpectedMarker:
            return "Unexpected marker.\n";
    }
    return "";
}

JpegDecoder::JpegDecoder() = default;

JpegDecoder::~JpegDecoder() {
    release();
}

std::int32_t JpegDecoder::parseHeaders(const std::uint8_t* data, std::int32_t size) {
    std::int32_t pixelBytes = 0;
    endOnError(tryParseHeaders(data, size, pixelBytes));
    return pixelBytes;
}

std::int32_t JpegDecoder::decode(std::uint8_t* pixels) {
    endOnError(tryDecode(pixels));
    return 1;
}

JpegError JpegDecoder::tryParseHeaders(const std::uint8_t* data, std::int32_t size,
                                       std::int32_t& pixelBytes) {
    // Everything of an earlier picture is forgotten, the quantisation tables included, so a
    // picture decodes the same whatever the decoder read before.
    release();
    data_ = data;
    size_ = data != nullptr && size > 0 ? size : 0;
    position_ = 0;
    bitPosition_ = 7;
    markerFlag_ = false;
    error_ = JpegError::None;
    quantisationTables_ = {};
    frame_ = Frame{};
    scan_ = Scan{};
    application_ = Application{};
    dcPredictors_ = {};

    pixelBytes = 0;
    if (nextMarker() != 0xD8) {
        return JpegError::None;
    }
    if (walkSegments() == 1 && !failed()) {
        pixelBytes = frame_.width * frame_.height * 3;
    }
    return error_;
}

JpegError JpegDecoder::tryDecode(std::uint8_t* pixels) {
    if (pixels != nullptr) {
        ownedPixels_.reset();
        pixels_ = pixels;
    }
    while (!failed() && walkSegments() != 0) {
    }
    // A picture without a scan still gets its buffer, so width * height * 3 bytes can always be
    // read from pixels(): black.
    if (!failed() && pixels_ == nullptr) {
        ownedPixels_ = std::make_unique<std::uint8_t[]>(
            static_cast<std::size_t>(frame_.width) * static_cast<std::size_t>(frame_.height) * 3);
        pixels_ = ownedPixels_.get();
    }
    return error_;
}

void JpegDecoder::release() {
    for (auto& table : huffmanTables_) {
        table.reset();
    }
    for (auto& buffer : componentBuffers_) {
        buffer.reset();
    }
    ownedPixels_.reset();
    pixels_ = nullptr;
}

// Byte reader. Every byte-level operation first gives up a partly read byte of entropy-coded
// data, and clears the marker flag: only the entropy decoder reads across stuffed bytes.

std::int32_t JpegDecoder::remainingBytes() const {
    return size_ - position_ - (bitPosition_ != 7 ? 1 : 0);
}

void JpegDecoder::moveToByteBoundary() {
    if (bitPosition_ != 7) {
        position_ += 1;
        bitPosition_ = 7;
    }
    markerFlag_ = false;
}

std::int32_t JpegDecoder::readBytes(std::uint8_t* destination, std::int32_t count) {
    moveToByteBoundary();
    std::int32_t available = size_ - position_;
    if (count > available) {
        count = available;
    }
    if (count <= 0) {
        return 0;
    }
    std::memcpy(destination, data_ + position_, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int32_t JpegDecoder::readByte() {
    // Past the end of the data no byte is copied and the value is 0.
    std::uint8_t byte = 0;
    readBytes(&byte, 1);
    return byte;
}

std::int32_t JpegDecoder::read16() {
    std::int32_t high = readByte();
    return high << 8 | readByte();
}

void JpegDecoder::skip(std::int32_t count) {
    moveToByteBoundary();
    std::int32_t available = size_ - position_;
    if (count > available) {
        count = available;
    }
    // A length field below its own 2 bytes gives a negative count: nothing to skip.
    if (count > 0) {
        position_ += count;
    }
}

// Markers.

// The code of the next marker: the first 0xFF followed by a byte other than 0 (0xFF 0xFF gives
// 0xFF); 0 when fewer than 2 bytes remain.
std::int32_t JpegDecoder::nextMarker() {
    while (remainingBytes() >= 2) {
        if (readByte() != 0xFF) {
            continue;
        }
        std::int32_t code = readByte();
        if (code != 0) {
            return code;
        }
    }
    return 0;
}

// Acts on markers until a frame header (1) or the end of the picture or of the data (0).
std::int32_t JpegDecoder::walkSegments() {
    std::int32_t marker = nextMarker();
    while (!failed() && marker != 0xD9) {
        if (marker == 0x00) {
            return 0;
        }
        if (marker == 0xC0) {
            read16();
            parseFrameHeader();
            return 1;
        }
        if (marker == 0xC4) {
            parseHuffmanTables(read16());
        } else if (marker == 0xDB) {
            parseQuantisationTables(read16());
        } else if (marker == 0xDA) {
            read16();
            parseScanHeader();
            if (!failed()) {
                decodeScan();
            }
        } else if (marker == 0xDD) {
            read16();
            frame_.restartInterval = read16();
        } else if (marker == 0xDC) {
            read16();
            parseHeightSegment();
        } else if (marker == 0xE0) {
            parseApplicationZero();
        } else if ((marker >= 0xE1 && marker <= 0xEF) || marker == 0xFE) {
            // Other application segments and comments: passed over whatever they hold.
            skip(read16() - 2);
        } else if (marker == 0xFF || (marker >= 0x03 && marker <= 0xBE)) {
            // Fill bytes and reserved codes: no length follows.
        } else if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                   marker != 0xCC) {
            read16();
            fail(JpegError::UnsupportedFormat);
        } else if (marker >= 0xD0 && marker <= 0xD7) {
            read16();
            fail(JpegError::UnexpectedRestart);
        } else if (marker == 0xD8) {
            read16();
            fail(JpegError::UnexpectedImageBeginning);
        } else if (marker == 0xDE || marker == 0xDF) {
            read16();
            fail(JpegError::UnsupportedSegment);
        } else {
            // 0x01, 0x02, 0xBF, 0xC8, 0xCC and 0xF0-0xFD.
            fail(JpegError::UnsupportedSegment);
        }
        if (failed()) {
            return 0;
        }
        marker = nextMarker();
    }
    return 0;
}

// Segments. Each field is checked where it is read, so nothing out of range reaches a table
// index, a division or an allocation.

void JpegDecoder::parseFrameHeader() {
    // A second frame would change the size of the pixel buffer under the decoder.
    if (frame_.seen) {
        fail(JpegError::UnsupportedSegment);
        return;
    }
    frame_.precision = readByte();
    frame_.height = read16();
    frame_.width = read16();
    if (frame_.width > kMaxJpegSide || frame_.height > kMaxJpegSide) {
        fail(JpegError::UnsupportedPlaneSize);
        return;
    }
    frame_.componentCount = readByte();
    if (frame_.componentCount != 1 && frame_.componentCount != 3) {
        fail(JpegError::UnsupportedPlaneSize);
        return;
    }
    frame_.maxH = 0;
    frame_.maxV = 0;
    for (std::int32_t c = 0; c < frame_.componentCount; ++c) {
        readByte();  // identifier: components are taken in frame order
        std::int32_t sampling = readByte();
        std::int32_t h = sampling >> 4;
        std::int32_t v = sampling & 15;
        std::int32_t quantisationSelector = readByte();
        if (h < 1 || h > 4 || v < 1 || v > 4 || quantisationSelector > 3) {
            fail(JpegError::UnsupportedSegment);
            return;
        }
        // A scan of one component holds one block per MCU whatever its sampling factors
        // say, so a grey picture is decoded as sampled 1 x 1.
        if (frame_.componentCount == 1) {
            h = 1;
            v = 1;
        }
        frame_.h[c] = h;
        frame_.v[c] = v;
        frame_.quantisationSelectors[c] = quantisationSelector;
        frame_.maxH = h > frame_.maxH ? h : frame_.maxH;
        frame_.maxV = v > frame_.maxV ? v : frame_.maxV;
    }
    frame_.seen = true;
}

// Format notes: one segment may hold several tables; a later table of the same class and id
// replaces the earlier one.
void JpegDecoder::parseHuffmanTables(std::int32_t length) {
    std::int32_t end = remainingBytes() - (length - 2);
    // Data that ends inside the segment ends it: past the end every byte reads as 0 and the
    // segment would never be left.
    while (!failed() && remainingBytes() > end && remainingBytes() > 0) {
        std::int32_t classAndId = readByte();
        std::int32_t tableClass = classAndId >> 4;
        std::int32_t id = classAndId & 15;
        if (tableClass > 1 || id > 3) {
            fail(JpegError::InvalidHuffmanTable);
            return;
        }
        std::uint8_t counts[HuffmanTable::kMaxCodeLength];
        std::int32_t total = 0;
        for (std::uint8_t& count : counts) {
            count = static_cast<std::uint8_t>(readByte());
            total += count;
        }
        std::uint8_t values[HuffmanTable::kMaxCodeLength * 255];
        for (std::int32_t i = 0; i < total; ++i) {
            values[i] = static_cast<std::uint8_t>(readByte());
        }
        std::unique_ptr<HuffmanTable> table = HuffmanTable::build(counts, values);
        if (table == nullptr) {
            fail(JpegError::InvalidHuffmanTable);
            return;
        }
        huffmanTables_[tableClass * 4 + id] = std::move(table);
    }
}

// Format notes: the high 4 bits of the first byte choose 8-bit (0) or 16-bit entries, the low
// 2 bits the table (ids 4-15 fold onto 0-3); entries come in zigzag order.
void JpegDecoder::parseQuantisationTables(std::int32_t length) {
    std::int32_t end = remainingBytes() - (length - 2);
    while (remainingBytes() > end && remainingBytes() > 0) {
        std::int32_t precisionAndId = readByte();
        auto& table = quantisationTables_[precisionAndId & 3];
        bool wide = (precisionAndId >> 4) != 0;
        for (std::uint8_t naturalIndex : kZigzag) {
            table[naturalIndex] = wide ? read16() : readByte();
        }
    }
}

// Format notes: scan position i is frame component i whatever the selectors say; the
// spectral selection and approximation bytes mean nothing to a baseline scan.
void JpegDecoder::parseScanHeader() {
    if (!frame_.seen) {
        fail(JpegError::UnsupportedSegment);
        return;
    }
    std::int32_t count = readByte();
    if (count > frame_.componentCount) {
        fail(JpegError::UnsupportedSegment);
        return;
    }
    scan_.componentCount = count;
    for (std::int32_t i = 0; i < count; ++i) {
        scan_.componentSelectors[i] = readByte();
        std::int32_t tables = readByte();
        scan_.dcTableSelectors[i] = tables >> 4;
        scan_.acTableSelectors[i] = tables & 15;
        if (scan_.dcTableSelectors[i] > 3 || scan_.acTableSelectors[i] > 3) {
            fail(JpegError::UnsupportedSegment);
            return;
        }
    }
    skip(3);
}

// Format notes: JFIF and JFXX are told apart by their first 4 bytes; the thumbnail is passed
// over. Nothing here changes the decoding.
void JpegDecoder::parseApplicationZero() {
    std::int32_t dataLength = read16() - 2;
    if (dataLength < 5) {
        skip(dataLength);
        return;
    }
    std::uint8_t identifier[5] = {};
    readBytes(identifier, 5);
    if (std::memcmp(identifier, "JFIF", 4) == 0) {
        application_.headerKind = 1;
        skip(3);  // version and density unit
        application_.xDensity = read16();
        application_.yDensity = read16();
        skip(2);  // thumbnail width and height
        skip(dataLength - 14);
    } else if (std::memcmp(identifier, "JFXX", 4) == 0) {
        application_.headerKind = 2;
        application_.extensionCode = readByte();
        skip(dataLength - 6);
    } else {
        skip(dataLength - 5);
    }
}

// A DNL segment. Once the frame header has given the height, the pixel buffer and the caller
// go by it, so a different height is refused rather than taken.
void JpegDecoder::parseHeightSegment() {
    std::int32_t height = read16();
    if (frame_.seen && height != frame_.height) {
        fail(JpegError::UnsupportedSegment);
        return;
    }
    frame_.height = height;
}

}  // namespace tovik
