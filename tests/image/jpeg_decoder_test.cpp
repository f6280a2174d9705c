// Whole pictures: cjpeg fixtures against djpeg's pixels, and hand-made streams whose exact
// pixel values follow from the decoder's arithmetic.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/jpeg_decoder.h"
#include "tests/image/jpeg_stream.h"

namespace tovik {
namespace {

using testing::BitWriter;
using testing::Bytes;
using testing::Decoded;
using testing::decodeStream;
using testing::FrameComponent;
using testing::jpegFixture;
using testing::JpegStream;
using testing::pictureHead;
using testing::putAc;
using testing::putDc;
using testing::putEndOfBlock;
using testing::putFlatBlock;
using testing::readFileBytes;

struct Pixel {
    int blue;
    int green;
    int red;
    bool operator==(const Pixel&) const = default;
};

Pixel pixelAt(const Decoded& picture, int x, int y) {
    const std::uint8_t* p = &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 3];
    return {p[0], p[1], p[2]};
}

// A binary PPM or PGM file as blue, green, red pixels.
struct Reference {
    int width = 0;
    int height = 0;
    Bytes pixels;
};

Reference readPortableMap(const std::string& name) {
    Bytes file = readFileBytes(jpegFixture(name));
    Reference reference;
    int maximum = 0;
    int headerLength = 0;
    char kind = 0;
    std::string header(file.begin(), file.begin() + std::min<std::size_t>(file.size(), 32));
    if (std::sscanf(header.c_str(), "P%c %d %d %d%n", &kind, &reference.width, &reference.height,
                    &maximum, &headerLength) != 4 ||
        maximum != 255) {
        ADD_FAILURE() << name << " is not a binary portable map";
        return reference;
    }
    std::size_t offset = static_cast<std::size_t>(headerLength) + 1;
    int channels = kind == '6' ? 3 : 1;
    std::size_t count = static_cast<std::size_t>(reference.width) * reference.height;
    EXPECT_EQ(file.size(), offset + count * channels) << name;
    for (std::size_t i = 0; i < count && offset + i * channels + channels <= file.size(); ++i) {
        const std::uint8_t* p = &file[offset + i * channels];
        if (channels == 1) {
            reference.pixels.insert(reference.pixels.end(), {p[0], p[0], p[0]});
        } else {
            reference.pixels.insert(reference.pixels.end(), {p[2], p[1], p[0]});
        }
    }
    return reference;
}

// ---------------------------------------------------------------------------------------------
// cjpeg pictures against djpeg -nosmooth (which repeats chroma samples as the decoder does).

struct FixtureCase {
    const char* jpeg;       // made by make-fixtures.sh with cjpeg
    const char* reference;  // djpeg -nosmooth of the same file
    int width;
    int height;
    int maxDifference;      // largest allowed difference of one channel
    double meanDifference;  // largest allowed mean difference over all channels
};

// The decoder truncates where djpeg rounds (inverse DCT and colour conversion) and uses its own
// colour constants, so its channels lie about 1 lower on average. Measured: colour pictures
// max 4, mean 1.12 to 1.23; grey max 1, mean 0.33. Any fault in the geometry, the tables or
// the entropy decoding gives differences far beyond these tolerances.
constexpr FixtureCase kFixtureCases[] = {
    // 4:4:4, 4:2:2 and 4:2:0 sampling.
    {"gradient_444.jpg", "gradient_444.ppm", 48, 32, 5, 1.5},
    {"gradient_422.jpg", "gradient_422.ppm", 48, 32, 5, 1.5},
    {"photo_420.jpg", "photo_420.ppm", 64, 48, 5, 1.5},
    // Partial MCUs at the right and the bottom.
    {"odd_420.jpg", "odd_420.ppm", 33, 17, 5, 1.5},
    // A restart marker after every MCU, and one after every 5 (none after the last).
    {"restart_each_mcu_420.jpg", "restart_each_mcu_420.ppm", 64, 48, 5, 1.5},
    {"restart_five_444.jpg", "restart_five_444.ppm", 33, 17, 5, 1.5},
    // One component.
    {"grey_17x9.jpg", "grey_17x9.pgm", 17, 9, 2, 0.5},
    // One component whose frame header says 2 x 2: its scan still has one block per MCU, so it
    // decodes to the same picture.
    {"grey_17x9_sampled_2x2.jpg", "grey_17x9.pgm", 17, 9, 2, 0.5},
};

TEST(JpegFixtures, MatchDjpegWithinTheRoundingTolerance) {
    for (const FixtureCase& c : kFixtureCases) {
        SCOPED_TRACE(c.jpeg);
        Decoded decoded = decodeStream(readFileBytes(jpegFixture(c.jpeg)));
        ASSERT_EQ(decoded.error, JpegError::None);
        ASSERT_EQ(decoded.pixelBytes, c.width * c.height * 3);
        EXPECT_EQ(decoded.width, c.width);
        EXPECT_EQ(decoded.height, c.height);
        Reference reference = readPortableMap(c.reference);
        ASSERT_EQ(reference.pixels.size(), decoded.pixels.size());
        int maxDifference = 0;
        double total = 0.0;
        for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
            int difference = std::abs(decoded.pixels[i] - reference.pixels[i]);
            maxDifference = std::max(maxDifference, difference);
            total += difference;
        }
        double mean = total / static_cast<double>(decoded.pixels.size());
        EXPECT_LE(maxDifference, c.maxDifference);
        EXPECT_LE(mean, c.meanDifference);
    }
}

TEST(JpegFixtures, GreyPictureHasEqualChannels) {
    Decoded decoded = decodeStream(readFileBytes(jpegFixture("grey_17x9.jpg")));
    ASSERT_EQ(decoded.error, JpegError::None);
    for (int y = 0; y < decoded.height; ++y) {
        for (int x = 0; x < decoded.width; ++x) {
            Pixel pixel = pixelAt(decoded, x, y);
            ASSERT_EQ(pixel.blue, pixel.green) << x << "," << y;
            ASSERT_EQ(pixel.green, pixel.red) << x << "," << y;
        }
    }
}

// Flat blocks of 138 and 118 at quality 100 have DC values of exactly 80 and -80, which the
// decoder turns into (trunc(D * 0.499999999736182) >> 2) + 128: 137 and 118 (djpeg gives 138
// and 118).
TEST(JpegFixtures, FlatBlocksTruncateAndShiftDown) {
    Decoded decoded = decodeStream(readFileBytes(jpegFixture("flat_q100.jpg")));
    ASSERT_EQ(decoded.error, JpegError::None);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            int expected = x < 8 ? 137 : 118;
            ASSERT_EQ(pixelAt(decoded, x, y), (Pixel{expected, expected, expected}))
                << x << "," << y;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// One flat block per component: the values follow from the transform, the colour constants
// and the truncation and clamping.

struct FlatCase {
    int y;   // dequantised DC values of the three components (multiples of 4, the step)
    int cb;  //
    int cr;  //
    Pixel expected;
};

// Samples: D = 80 gives 137, -80 gives 118, 1380 gives 300, -1180 gives -20, 0 gives 128.
constexpr FlatCase kFlatCases[] = {
    // Neutral chroma: grey, clamped at both ends.
    {0, 0, 0, {128, 128, 128}},
    {80, 0, 0, {137, 137, 137}},
    {-80, 0, 0, {118, 118, 118}},
    {1380, 0, 0, {255, 255, 255}},
    {-1180, 0, 0, {0, 0, 0}},
    // Y 137, Cr 137: red 137 + 1.402 * 9 = 149.618, green 137 - 0.7139 * 9 = 130.5749.
    {80, 0, 80, {137, 130, 149}},
    // Y 137, Cb 118: blue 137 - 17.718 = 119.282, green 137 + 3.441 = 140.441.
    {80, -80, 0, {119, 140, 137}},
    // Y 118, Cb 137, Cr 118: blue 133.9462, green 118 - 3.0969 + 7.139 = 122.0421, red 103.98.
    {-80, 80, -80, {133, 122, 103}},
    // Y 300 with Cb 118: blue 282.282 clamps, green 303.441 clamps, red 300 clamps.
    {1380, -80, 0, {255, 255, 255}},
    // Y -20 with Cr 137: red -20 + 12.618 = -7.382 clamps to 0.
    {-1180, 0, 80, {0, 0, 0}},
    // Values close to a whole number, where other constants or rounding would change a
    // channel. Y 78, Cb 87, Cr 222: blue 5.3562, green 78 + 14.1081 - 67.1066 = 25.0015 (24
    // with 0.34414 and 0.71414), red 209.788.
    {-400, -328, 760, {5, 25, 209}},
    // Y 78, Cb 185, Cr 74: blue 78 + 100.9926 = 178.9926 (179 rounded, or with 1.772), green
    // 78 - 19.6137 + 38.5506 = 96.9369, red 78 - 75.708 = 2.292.
    {-400, 464, -432, {178, 96, 2}},
};

TEST(JpegDecoder, FlatBlocksGiveTheDefinedColours) {
    constexpr int kStep = 4;
    for (const FlatCase& c : kFlatCases) {
        SCOPED_TRACE(::testing::Message() << c.y << " " << c.cb << " " << c.cr);
        JpegStream stream = pictureHead(8, 8, {{}, {}, {}}, kStep);
        BitWriter bits;
        putFlatBlock(bits, c.y / kStep);
        putFlatBlock(bits, c.cb / kStep);
        putFlatBlock(bits, c.cr / kStep);
        Decoded decoded = decodeStream(stream.entropy(bits).endOfImage().data());
        ASSERT_EQ(decoded.error, JpegError::None);
        for (int i = 0; i < 64; ++i) {
            ASSERT_EQ(pixelAt(decoded, i % 8, i / 8), c.expected) << i;
        }
    }
}

TEST(JpegDecoder, GreyPictureIsItsClampedLuminance) {
    constexpr int kStep = 4;
    const std::pair<int, int> cases[] = {{80, 137}, {-80, 118}, {1380, 255}, {-1180, 0}};
    for (auto [dc, expected] : cases) {
        SCOPED_TRACE(dc);
        JpegStream stream = pictureHead(8, 8, {{}}, kStep);
        BitWriter bits;
        putFlatBlock(bits, dc / kStep);
        Decoded decoded = decodeStream(stream.entropy(bits).endOfImage().data());
        ASSERT_EQ(decoded.error, JpegError::None);
        EXPECT_EQ(pixelAt(decoded, 3, 5), (Pixel{expected, expected, expected}));
    }
}

// ---------------------------------------------------------------------------------------------
// Geometry.

// 17 x 9 pixels with 1 x 1 sampling: 3 x 2 MCUs, of which only 17 columns and 9 rows are
// written. Each block is flat with its own value.
TEST(JpegDecoder, PartialMcusWriteOnlyThePicture) {
    // DC values 80, -80, 160, -160, 240, -240 (step 8) give these samples.
    const int dcCoefficients[6] = {10, -10, 20, -20, 30, -30};
    const int samples[6] = {137, 118, 147, 108, 157, 98};
    JpegStream stream = pictureHead(17, 9, {{}}, 8);
    BitWriter bits;
    int previous = 0;
    for (int dc : dcCoefficients) {
        putFlatBlock(bits, dc - previous);
        previous = dc;
    }
    stream.entropy(bits).endOfImage();

    // Decoded into a buffer of the caller's with room to spare: nothing beyond 17 * 9 * 3 bytes
    // may change.
    constexpr std::size_t kPixelBytes = 17 * 9 * 3;
    Bytes buffer(kPixelBytes + 64, 0xA5);
    JpegDecoder decoder;
    std::int32_t pixelBytes = 0;
    ASSERT_EQ(decoder.tryParseHeaders(stream.data().data(), stream.size(), pixelBytes),
              JpegError::None);
    ASSERT_EQ(pixelBytes, static_cast<std::int32_t>(kPixelBytes));
    ASSERT_EQ(decoder.tryDecode(buffer.data()), JpegError::None);
    EXPECT_EQ(decoder.pixels(), buffer.data());
    EXPECT_EQ(decoder.width(), 17);
    EXPECT_EQ(decoder.height(), 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 17; ++x) {
            int expected = samples[(y / 8) * 3 + x / 8];
            const std::uint8_t* pixel = &buffer[(static_cast<std::size_t>(y) * 17 + x) * 3];
            ASSERT_EQ((Pixel{pixel[0], pixel[1], pixel[2]}), (Pixel{expected, expected, expected}))
                << x << "," << y;
        }
    }
    for (std::size_t i = kPixelBytes; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], 0xA5) << i;
    }
}

// Subsampled chroma is repeated, never interpolated: with flat luminance, each pixel of a
// subsampled picture has the colour of the full-resolution picture (same chroma blocks, 4:4:4)
// at (x / sx, y / sy).
TEST(JpegDecoder, ChromaSamplesAreRepeatedOverTheirPixels) {
    // A Cb block that varies across and down: coefficients at (u, v) = (1, 0) and (0, 1).
    auto putChromaBlock = [](BitWriter& bits) {
        putDc(bits, 0);
        putAc(bits, 0, 20);
        putAc(bits, 0, -13);
        putEndOfBlock(bits);
    };
    JpegStream full = pictureHead(8, 8, {{}, {}, {}}, 4);
    BitWriter fullBits;
    putFlatBlock(fullBits, 0);
    putChromaBlock(fullBits);
    putFlatBlock(fullBits, 0);
    Decoded reference = decodeStream(full.entropy(fullBits).endOfImage().data());
    ASSERT_EQ(reference.error, JpegError::None);
    ASSERT_NE(pixelAt(reference, 0, 0), pixelAt(reference, 7, 0));
    ASSERT_NE(pixelAt(reference, 0, 0), pixelAt(reference, 0, 7));

    const std::pair<int, int> samplings[] = {{2, 2}, {2, 1}, {1, 2}, {4, 1}, {1, 1}};
    for (auto [h, v] : samplings) {
        SCOPED_TRACE(::testing::Message() << h << "x" << v);
        JpegStream stream = pictureHead(8 * h, 8 * v, {{h, v, 0}, {}, {}}, 4);
        BitWriter bits;
        for (int block = 0; block < h * v; ++block) {
            putFlatBlock(bits, 0);
        }
        putChromaBlock(bits);
        putFlatBlock(bits, 0);
        Decoded decoded = decodeStream(stream.entropy(bits).endOfImage().data());
        ASSERT_EQ(decoded.error, JpegError::None);
        for (int y = 0; y < 8 * v; ++y) {
            for (int x = 0; x < 8 * h; ++x) {
                ASSERT_EQ(pixelAt(decoded, x, y), pixelAt(reference, x / h, y / v))
                    << x << "," << y;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Restart intervals.

struct RestartCase {
    int interval;               // MCUs per restart interval
    std::vector<int> dcValues;  // DC coefficient of each block, predicted within an interval
    std::vector<int> expected;  // sample of each block
};

TEST(JpegDecoder, RestartMarkersResetTheDcPredictors) {
    // DC coefficients 10, 20 (step 8) give 137 and 147.
    const RestartCase cases[] = {
        {1, {10, 10, 10}, {137, 137, 137}},
        // No marker follows the last MCU: the search for one takes the end-of-image marker.
        {2, {10, 20, 10, 20}, {137, 147, 137, 147}},
        // An interval that does not divide the number of MCUs.
        {3, {10, 20, 10, 10}, {137, 147, 137, 137}},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.interval);
        auto blocks = static_cast<int>(c.dcValues.size());
        JpegStream stream;
        stream.startOfImage().quantisation(0, 8).frame(8 * blocks, 8, {{}});
        stream.testTables().restartInterval(c.interval).scan(1);
        BitWriter bits;
        int previous = 0;
        for (int i = 0; i < blocks; ++i) {
            if (i > 0 && i % c.interval == 0) {
                bits.align().raw(0xFF).raw(
                    static_cast<std::uint8_t>(0xD0 + (i / c.interval - 1) % 8));
                previous = 0;
            }
            putFlatBlock(bits, c.dcValues[i] - previous);
            previous = c.dcValues[i];
        }
        Decoded decoded = decodeStream(stream.entropy(bits).endOfImage().data());
        ASSERT_EQ(decoded.error, JpegError::None);
        for (int i = 0; i < blocks; ++i) {
            EXPECT_EQ(pixelAt(decoded, 8 * i + 4, 4).green, c.expected[i]) << i;
        }
    }
}

// A stuffed FF 00 reads as the data byte 0xFF: as the first byte of the scan and of a restart
// interval, and in the middle of the data.
TEST(JpegDecoder, StuffedBytesReadAsOneDataByte) {
    // The same two blocks, each with one AC coefficient of value 255 (bits 11111111), coded
    // twice: with the test DC table (code 0000 for size 0), which puts an FF byte in the middle
    // of each interval, and with a DC table whose code for size 0 is 11111111, which puts one
    // at the start of each interval.
    auto encode = [](bool ffFirst) {
        JpegStream stream;
        stream.startOfImage().quantisation(0, 1).frame(16, 8, {{}});
        Bytes dcTable = ffFirst ? JpegStream::huffmanTable(0, 0, {1, 1, 1, 1, 1, 1, 1, 2},
                                                           {1, 2, 3, 4, 5, 6, 7, 8, 0})
                                : JpegStream::testDcTable();
        Bytes tables = JpegStream::testAcTable();
        tables.insert(tables.begin(), dcTable.begin(), dcTable.end());
        stream.segment(0xC4, tables).restartInterval(1).scan(1);
        BitWriter bits;
        for (int block = 0; block < 2; ++block) {
            if (block == 1) {
                bits.align().raw(0xFF).raw(0xD0);
            }
            if (ffFirst) {
                bits.put(0xFF, 8);
            } else {
                putDc(bits, 0);
            }
            putAc(bits, 0, 255);
            putEndOfBlock(bits);
        }
        Bytes data = bits.finish();
        return std::pair{stream.append(data).endOfImage().data(), data};
    };
    auto [middleStream, middleData] = encode(false);
    auto [firstStream, firstData] = encode(true);
    // The data are as described: 08 FF 00 0F twice over, and FF 00 8F F0 twice over.
    ASSERT_EQ(middleData, (Bytes{0x08, 0xFF, 0x00, 0x0F, 0xFF, 0xD0, 0x08, 0xFF, 0x00, 0x0F}));
    ASSERT_EQ(firstData, (Bytes{0xFF, 0x00, 0x8F, 0xF0, 0xFF, 0xD0, 0xFF, 0x00, 0x8F, 0xF0}));

    Decoded middle = decodeStream(middleStream);
    Decoded first = decodeStream(firstStream);
    ASSERT_EQ(middle.error, JpegError::None);
    ASSERT_EQ(first.error, JpegError::None);
    EXPECT_EQ(first.pixels, middle.pixels);
    // Both blocks carry the coefficient: the left and right columns of each block differ.
    EXPECT_NE(pixelAt(middle, 0, 0), pixelAt(middle, 7, 0));
    EXPECT_EQ(pixelAt(middle, 0, 0), pixelAt(middle, 8, 0));
}

// ---------------------------------------------------------------------------------------------
// The public interface.

TEST(JpegDecoder, PublicInterfaceDecodesIntoItsOwnBuffer) {
    Bytes data = readFileBytes(jpegFixture("odd_420.jpg"));
    JpegDecoder decoder;
    ASSERT_EQ(decoder.parseHeaders(data.data(), static_cast<std::int32_t>(data.size())),
              33 * 17 * 3);
    EXPECT_EQ(decoder.pixels(), nullptr);
    EXPECT_EQ(decoder.decode(nullptr), 1);
    ASSERT_NE(decoder.pixels(), nullptr);
    EXPECT_EQ(Bytes(decoder.pixels(), decoder.pixels() + 33 * 17 * 3), decodeStream(data).pixels);
    decoder.release();
    EXPECT_EQ(decoder.pixels(), nullptr);
    decoder.release();
}

// A picture without a scan still gets a pixel buffer of width * height * 3 bytes (black), so a
// caller that reads them reads inside it.
TEST(JpegDecoder, PictureWithoutScanDecodesBlack) {
    JpegStream stream;
    stream.startOfImage().frame(5, 3, {{}}).endOfImage();
    Decoded decoded = decodeStream(stream.data());
    ASSERT_EQ(decoded.error, JpegError::None);
    EXPECT_EQ(decoded.pixels, Bytes(5 * 3 * 3, 0));
}

// parseHeaders forgets the previous picture's tables: after a picture with Huffman tables and
// a quantisation step of 4, one without them finds none.
TEST(JpegDecoder, ParseHeadersForgetsThePreviousPicture) {
    BitWriter bits;
    putFlatBlock(bits, 20);
    Bytes data = bits.finish();
    JpegStream first = pictureHead(8, 8, {{}}, 4);
    first.append(data).endOfImage();
    JpegStream noTables;
    noTables.startOfImage().frame(8, 8, {{}}).scan(1).append(data).endOfImage();
    JpegStream noQuantisation;
    noQuantisation.startOfImage().frame(8, 8, {{}}).testTables().scan(1).append(data).endOfImage();

    JpegDecoder decoder;
    std::int32_t pixelBytes = 0;
    ASSERT_EQ(decoder.tryParseHeaders(first.data().data(), first.size(), pixelBytes),
              JpegError::None);
    ASSERT_EQ(decoder.tryDecode(nullptr), JpegError::None);
    EXPECT_EQ(decoder.pixels()[0], 137);

    ASSERT_EQ(decoder.tryParseHeaders(noTables.data().data(), noTables.size(), pixelBytes),
              JpegError::None);
    EXPECT_EQ(decoder.tryDecode(nullptr), JpegError::InvalidHuffmanCode);

    // Without a quantisation table every step is 0: a flat 128.
    ASSERT_EQ(decoder.tryParseHeaders(first.data().data(), first.size(), pixelBytes),
              JpegError::None);
    ASSERT_EQ(decoder.tryDecode(nullptr), JpegError::None);
    ASSERT_EQ(
        decoder.tryParseHeaders(noQuantisation.data().data(), noQuantisation.size(), pixelBytes),
        JpegError::None);
    ASSERT_EQ(decoder.tryDecode(nullptr), JpegError::None);
    EXPECT_EQ(decoder.pixels()[0], 128);
}

}  // namespace
}  // namespace tovik
