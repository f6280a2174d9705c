// Inside a scan: entropy decoding, dequantisation and the inverse DCT of each block, stretching
// each component to the MCU, and the colour conversion into the pixel buffer.
#include <bit>
#include <cstddef>

#include "image/jpeg_decoder.h"

namespace tovik {

namespace {

// The JPEG sign rule: a `size`-bit value below 2^(size - 1) stands for a negative number.
std::int32_t extend(std::uint32_t bits, std::int32_t size) {
    if (bits < (1u << (size - 1))) {
        return static_cast<std::int32_t>(bits) - (1 << size) + 1;
    }
    return static_cast<std::int32_t>(bits);
}

// 32-bit arithmetic that wraps instead of overflowing: absurd data then gives absurd pixels,
// never undefined behaviour.
std::int32_t wrappingAdd(std::int32_t left, std::int32_t right) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(left) +
                                     static_cast<std::uint32_t>(right));
}

std::int32_t wrappingMultiply(std::int32_t left, std::int32_t right) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(left) *
                                     static_cast<std::uint32_t>(right));
}

std::uint8_t clampChannel(double value) {
    if (value > 255.0) {
        return 255;
    }
    if (value < 0.0) {
        return 0;
    }
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(value));
}

}  // namespace

// Format notes: components come interleaved in frame order, each with H * V blocks per MCU;
// the DC predictors start at 0 and return to 0 at every restart marker. After every restart
// interval the decoder looks for the next marker; one that is not a restart marker is passed
// over.
void JpegDecoder::decodeScan() {
    ScanGeometry geometry = scanGeometry();
    if (pixels_ == nullptr) {
        // Not cleared: the MCU that covers a pixel writes it, and a scan that stops early
        // ends the decoding.
        ownedPixels_ = std::make_unique_for_overwrite<std::uint8_t[]>(
            static_cast<std::size_t>(frame_.width) * static_cast<std::size_t>(frame_.height) * 3);
        pixels_ = ownedPixels_.get();
    }
    auto bufferSize = static_cast<std::size_t>(geometry.mcuWidth * geometry.mcuHeight);
    for (std::size_t c = 0; c < componentBuffers_.size(); ++c) {
        componentBuffers_[c] = std::make_unique<std::int32_t[]>(bufferSize);
        // Neutral chroma: a grey picture never writes slots 1 and 2.
        if (c > 0) {
            for (std::size_t i = 0; i < bufferSize; ++i) {
                componentBuffers_[c][i] = 128;
            }
        }
    }
    dcPredictors_ = {};
    std::int32_t restartCount = 0;
    enterEntropyData();

    for (std::int32_t mcuRow = 0; mcuRow < geometry.mcusDown && !failed(); ++mcuRow) {
        for (std::int32_t mcuColumn = 0; mcuColumn < geometry.mcusAcross; ++mcuColumn) {
            decodeMcu(geometry);
            if (failed()) {
                break;
            }
            convertMcu(geometry, mcuColumn, mcuRow);
            if (frame_.restartInterval != 0 && ++restartCount == frame_.restartInterval) {
                restartCount = 0;
                std::int32_t marker = nextMarker();
                if (marker >= 0xD0 && marker <= 0xD7) {
                    dcPredictors_ = {};
                    enterEntropyData();
                }
            }
        }
    }

    for (auto& buffer : componentBuffers_) {
        buffer.reset();
    }
}

JpegDecoder::ScanGeometry JpegDecoder::scanGeometry() const {
    ScanGeometry geometry;
    geometry.mcuWidth = 8 * frame_.maxH;
    geometry.mcuHeight = 8 * frame_.maxV;
    std::int32_t blocksAcross = (frame_.width + 7) / 8;
    std::int32_t blocksDown = (frame_.height + 7) / 8;
    geometry.mcusAcross = (blocksAcross + frame_.maxH - 1) / frame_.maxH;
    geometry.mcusDown = (blocksDown + frame_.maxV - 1) / frame_.maxV;
    for (std::int32_t c = 0; c < frame_.componentCount; ++c) {
        // Nearest neighbour: each sample covers sx * sy pixels.
        std::int32_t sx = frame_.maxH / frame_.h[c];
        std::int32_t sy = frame_.maxV / frame_.v[c];
        geometry.stretchedWidth[c] = 8 * sx;
        geometry.stretchedHeight[c] = 8 * sy;
        for (std::int32_t k = 0; k < 8 * sx; ++k) {
            geometry.sourceColumn[c][k] = static_cast<std::uint8_t>(k / sx);
        }
        for (std::int32_t r = 0; r < 8 * sy; ++r) {
            geometry.sourceRow[c][r] = static_cast<std::uint8_t>(r / sy);
        }
    }
    return geometry;
}

// Entropy-coded data begins (after a scan header or a restart marker) with a byte that may be
// a stuffed 0xFF.
void JpegDecoder::enterEntropyData() {
    if (position_ < size_ && data_[position_] == 0xFF) {
        markerFlag_ = true;
    }
}

// The current byte is used up. After a 0xFF the next byte must be the stuffed 0, which is
// passed over.
void JpegDecoder::finishByte() {
    position_ += 1;
    bitPosition_ = 7;
    if (markerFlag_) {
        markerFlag_ = false;
        if (position_ >= size_) {
            fail(JpegError::InvalidHuffmanCode);
            return;
        }
        if (data_[position_] != 0) {
            fail(JpegError::UnexpectedMarker);
            return;
        }
        position_ += 1;
    }
    if (position_ < size_ && data_[position_] == 0xFF) {
        markerFlag_ = true;
    }
}

// The next `count` bits (16 at most), the first the most significant.
//
// The next three bytes as one 24-bit number, when none of them is 0xFF: then no byte boundary
// within them passes a stuffed byte or sets the marker flag, and bits can be taken at once.
bool JpegDecoder::plainWindow(std::uint32_t& window) const {
    if (position_ + 3 > size_) {
        return false;
    }
    const std::uint8_t* bytes = data_ + position_;
    if (bytes[0] == 0xFF || bytes[1] == 0xFF || bytes[2] == 0xFF) {
        return false;
    }
    window = static_cast<std::uint32_t>(bytes[0]) << 16 |
             static_cast<std::uint32_t>(bytes[1]) << 8 | bytes[2];
    return true;
}

// Moves on by `count` bits (at most 16) within a plain window.
void JpegDecoder::skipPlainBits(std::int32_t count) {
    std::int32_t bitsLeft = bitPosition_ - count;
    std::int32_t bytesDone = (7 - bitsLeft) >> 3;
    position_ += bytesDone;
    bitPosition_ = bitsLeft + 8 * bytesDone;
}

// Format notes: the count of bits read includes stuffed bytes, and a read that would reach the
// end of the data fails as a whole, so the last bit of the data is never read.
std::uint32_t JpegDecoder::getBits(std::int32_t count) {
    if (failed()) {
        return 0;
    }
    std::int64_t bitsRead = static_cast<std::int64_t>(position_) * 8 + 7 - bitPosition_;
    if (bitsRead + count >= static_cast<std::int64_t>(size_) * 8) {
        fail(JpegError::InvalidHuffmanCode);
        return 0;
    }
    if (std::uint32_t window; plainWindow(window)) {
        std::uint32_t bits = (window >> (17 + bitPosition_ - count)) & ((1u << count) - 1);
        skipPlainBits(count);
        return bits;
    }
    std::uint32_t result = 0;
    while (count > 0) {
        // Passing a stuffed byte can carry the position to the end before all bits are read.
        if (position_ >= size_) {
            fail(JpegError::InvalidHuffmanCode);
            return 0;
        }
        std::int32_t available = bitPosition_ + 1;
        std::int32_t take = count < available ? count : available;
        std::uint32_t byte = data_[position_];
        result = result << take | ((byte >> (available - take)) & ((1u << take) - 1));
        count -= take;
        bitPosition_ -= take;
        if (bitPosition_ < 0) {
            finishByte();
            if (failed()) {
                return 0;
            }
        }
    }
    return result;
}

// One symbol of `table`; 0 (which also ends a block) after a failure.
std::int32_t JpegDecoder::decodeHuffman(const HuffmanTable* table) {
    if (table == nullptr || table->entryCount() == 0) {
        fail(JpegError::InvalidHuffmanCode);
        return 0;
    }
    if (failed()) {
        return 0;
    }
    // Common case, as in getBits: the next 16 bits lie in three bytes without 0xFF, and within
    // them nothing but a missing code can fail, so one look-up does what reading bit by bit
    // would.
    if (std::uint32_t window; plainWindow(window)) {
        HuffmanTable::Match match = table->match((window >> (bitPosition_ + 1)) & 0xFFFF);
        if (match.length == 0) {
            fail(JpegError::InvalidHuffmanCode);
            return 0;
        }
        skipPlainBits(match.length);
        return match.value;
    }
    return decodeHuffmanBitByBit(*table);
}

// Near a 0xFF or the end of the data: a bit at a time, comparing with the entries of each
// length in segment order.
std::int32_t JpegDecoder::decodeHuffmanBitByBit(const HuffmanTable& table) {
    std::int32_t code = 0;
    std::int32_t index = 0;
    for (std::int32_t length = 1; length <= HuffmanTable::kMaxCodeLength; ++length) {
        code = code * 2 + static_cast<std::int32_t>(getBits(1));
        if (failed()) {
            return 0;
        }
        while (index < table.entryCount() && table.entry(index).length == length) {
            if (table.entry(index).code == code) {
                return table.entry(index).value;
            }
            ++index;
        }
        if (index == table.entryCount()) {
            break;
        }
    }
    fail(JpegError::InvalidHuffmanCode);
    return 0;
}

// Each block of each component in turn, transformed and stretched into its component buffer.
void JpegDecoder::decodeMcu(const ScanGeometry& geometry) {
    std::int32_t levelShift = frame_.precision == 8 ? 128 : 2048;
    for (std::int32_t c = 0; c < frame_.componentCount; ++c) {
        const auto& quantisation = quantisationTables_[frame_.quantisationSelectors[c]];
        std::int32_t* buffer = componentBuffers_[c].get();
        const auto& sourceRow = geometry.sourceRow[c];
        const auto& sourceColumn = geometry.sourceColumn[c];
        for (std::int32_t blockRow = 0; blockRow < frame_.v[c]; ++blockRow) {
            for (std::int32_t blockColumn = 0; blockColumn < frame_.h[c]; ++blockColumn) {
                decodeBlock(c);
                if (failed()) {
                    return;
                }
                // Dequantising a zero coefficient gives 0: only the others are multiplied.
                for (std::uint64_t rest = nonZeroCoefficients_; rest != 0; rest &= rest - 1) {
                    int j = std::countr_zero(rest);
                    coefficients_[j] = wrappingMultiply(coefficients_[j], quantisation[j]);
                    if (coefficients_[j] == 0) {
                        nonZeroCoefficients_ &= ~(std::uint64_t{1} << j);
                    }
                }
                inverseDct_.transform(coefficients_.data(), nonZeroCoefficients_, levelShift,
                                      samples_.data());
                // Sample (r, k) of the stretched block goes to row 8 * blockRow + r, column
                // 8 * blockColumn + k. With sampling factors that do not divide the largest
                // ones, blocks overlap or leave gaps, but stay inside the buffer.
                for (std::int32_t r = 0; r < geometry.stretchedHeight[c]; ++r) {
                    std::int32_t* out =
                        buffer + (8 * blockRow + r) * geometry.mcuWidth + 8 * blockColumn;
                    const std::int32_t* in = samples_.data() + sourceRow[r] * 8;
                    for (std::int32_t k = 0; k < geometry.stretchedWidth[c]; ++k) {
                        out[k] = in[sourceColumn[k]];
                    }
                }
            }
        }
    }
}

// Format notes: a DC difference, then run/size symbols of AC coefficients in zigzag order up
// to the end of block (0) or the 63rd; 0xF0 is a run of 16 zeros, any other size 0 is invalid.
void JpegDecoder::decodeBlock(std::int32_t component) {
    for (; nonZeroCoefficients_ != 0; nonZeroCoefficients_ &= nonZeroCoefficients_ - 1) {
        coefficients_[std::countr_zero(nonZeroCoefficients_)] = 0;
    }
    const HuffmanTable* dcTable = huffmanTables_[scan_.dcTableSelectors[component]].get();
    const HuffmanTable* acTable = huffmanTables_[4 + scan_.acTableSelectors[component]].get();

    std::int32_t size = decodeHuffman(dcTable);
    // No DC difference needs more than 16 bits; more would not fit the bit reader.
    if (size > 16) {
        fail(JpegError::InvalidHuffmanCode);
        return;
    }
    std::int32_t difference = size != 0 ? extend(getBits(size), size) : 0;
    dcPredictors_[component] = wrappingAdd(dcPredictors_[component], difference);
    if (dcPredictors_[component] != 0) {
        coefficients_[0] = dcPredictors_[component];
        nonZeroCoefficients_ = 1;
    }

    for (std::int32_t k = 1; k < 64;) {
        std::int32_t runAndSize = decodeHuffman(acTable);
        if (runAndSize == 0) {
            break;
        }
        std::int32_t run = runAndSize >> 4;
        size = runAndSize & 15;
        std::int32_t value = 0;
        if (size != 0) {
            value = extend(getBits(size), size);
        } else if (run != 15) {
            fail(JpegError::InvalidHuffmanCode);
            return;
        }
        // A run past the last coefficient would write outside the block.
        if (k + run > 63) {
            fail(JpegError::InvalidHuffmanCode);
            return;
        }
        k += run;
        if (value != 0) {
            coefficients_[kZigzag[k]] = value;
            nonZeroCoefficients_ |= std::uint64_t{1} << kZigzag[k];
        }
        ++k;
    }
}

// The pixels of one MCU that lie inside the picture, from the three component buffers.
void JpegDecoder::convertMcu(const ScanGeometry& geometry, std::int32_t mcuColumn,
                             std::int32_t mcuRow) {
    std::int32_t x0 = geometry.mcuWidth * mcuColumn;
    std::int32_t y0 = geometry.mcuHeight * mcuRow;
    std::int32_t columns =
        geometry.mcuWidth < frame_.width - x0 ? geometry.mcuWidth : frame_.width - x0;
    std::int32_t rows =
        geometry.mcuHeight < frame_.height - y0 ? geometry.mcuHeight : frame_.height - y0;
    if (rows < 1 || columns < 1) {
        return;
    }
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int32_t* luminance = componentBuffers_[0].get() + r * geometry.mcuWidth;
        const std::int32_t* blue = componentBuffers_[1].get() + r * geometry.mcuWidth;
        const std::int32_t* red = componentBuffers_[2].get() + r * geometry.mcuWidth;
        std::uint8_t* out =
            pixels_ + (static_cast<std::size_t>(y0 + r) * static_cast<std::size_t>(frame_.width) +
                       static_cast<std::size_t>(x0)) *
                          3;
        for (std::int32_t k = 0; k < columns; ++k) {
            // The differences from 128 are formed in double, where no 32-bit sample can
            // overflow them; for every other sample they equal the integer differences.
            double y = luminance[k];
            double blueDifference = static_cast<double>(blue[k]) - 128.0;
            double redDifference = static_cast<double>(red[k]) - 128.0;
            out[0] = clampChannel(y + 1.7718 * blueDifference);
            out[1] = clampChannel(y - 0.3441 * blueDifference - 0.7139 * redDifference);
            out[2] = clampChannel(y + 1.402 * redDifference);
            out += 3;
        }
    }
}

}  // namespace tovik
