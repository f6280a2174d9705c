// The marker walk and the segment parsers: what parseHeaders finds, the segments that change
// nothing, one crafted stream per error, and the process exit of the public interface.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "image/jpeg_decoder.h"
#include "tests/image/jpeg_stream.h"

namespace tovik {
namespace {

using testing::BitWriter;
using testing::Bytes;
using testing::bytesOf;
using testing::Decoded;
using testing::decodeStream;
using testing::FrameComponent;
using testing::jpegFixture;
using testing::JpegStream;
using testing::pictureHead;
using testing::putAc;
using testing::putAcSymbol;
using testing::putDc;
using testing::putEndOfBlock;
using testing::putFlatBlock;
using testing::readFileBytes;

// Two grey blocks with a few AC coefficients, coded with the test tables.
Bytes twoBlocks() {
    BitWriter bits;
    putDc(bits, 5);
    putAc(bits, 0, 7);
    putAc(bits, 2, -1);
    putEndOfBlock(bits);
    putDc(bits, -9);
    putAc(bits, 0, -300);
    putAc(bits, 14, 1);
    putEndOfBlock(bits);
    return bits.finish();
}

// SOI, DQT (step 4), SOF0 16 x 8 grey, DHT, SOS, the two blocks, EOI.
Bytes plainPicture() {
    JpegStream stream = pictureHead(16, 8, {{}}, 4);
    return stream.append(twoBlocks()).endOfImage().data();
}

Bytes concatenate(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// ---------------------------------------------------------------------------------------------
// What parseHeaders returns.

struct HeaderCase {
    const char* name;
    Bytes (*stream)();
    std::int32_t pixelBytes;  // expected result of parseHeaders
};

const HeaderCase kHeaderCases[] = {
    // No picture: 0, without an error.
    {"empty", [] { return Bytes{}; }, 0},
    {"first marker not start of image",
     [] { return JpegStream().endOfImage().startOfImage().frame(8, 8, {{}}).data(); }, 0},
    {"start then end of image", [] { return JpegStream().startOfImage().endOfImage().data(); }, 0},
    {"data ends before a frame header",
     [] { return JpegStream().startOfImage().quantisation(0, 1).data(); }, 0},
    {"data ends inside the first marker",
     [] {
         return Bytes{0xFF, 0xD8, 0xFF};
     },
     0},
    {"zero height", [] { return JpegStream().startOfImage().frame(8, 0, {{}}).data(); }, 0},
    // A frame header: width * height * 3.
    {"stray bytes before the start of image",
     [] {
         return JpegStream().bytes({0x00, 0x12, 0xD8}).startOfImage().frame(4, 2, {{}}).data();
     },
     24},
    {"16-bit sizes are big-endian (01 2C is 300)",
     [] {
         return JpegStream().startOfImage().frame(300, 2, {{}, {}, {}}).data();
     },
     1800},
    {"largest frame", [] { return JpegStream().startOfImage().frame(16384, 16384, {{}}).data(); },
     16384 * 16384 * 3},
    {"tables before the frame header", [] { return plainPicture(); }, 16 * 8 * 3},
};

TEST(JpegSegments, ParseHeadersReturnsThePixelBytesOfTheFrame) {
    for (const HeaderCase& c : kHeaderCases) {
        SCOPED_TRACE(c.name);
        Bytes data = c.stream();
        JpegDecoder decoder;
        std::int32_t pixelBytes = -1;
        ASSERT_EQ(decoder.tryParseHeaders(data.data(), static_cast<std::int32_t>(data.size()),
                                          pixelBytes),
                  JpegError::None);
        EXPECT_EQ(pixelBytes, c.pixelBytes);
        if (pixelBytes == 0) {
            EXPECT_EQ(decoder.parseHeaders(data.data(), static_cast<std::int32_t>(data.size())), 0);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Segments that must not change the picture: each stream decodes to the pixels of
// plainPicture.

struct EquivalentCase {
    const char* name;
    Bytes (*stream)();
};

Bytes withBeforeFrame(const Bytes& segments) {
    JpegStream stream;
    stream.startOfImage().append(segments).quantisation(0, 4).frame(16, 8, {{}});
    return stream.testTables().scan(1).append(twoBlocks()).endOfImage().data();
}

Bytes segmentBytes(int code, const Bytes& payload) {
    return JpegStream().segment(code, payload).data();
}

const EquivalentCase kEquivalentCases[] = {
    // Application segments and comments, whatever they hold.
    {"JFIF header with a thumbnail",
     [] {
         return withBeforeFrame(segmentBytes(
             0xE0, {'J', 'F', 'I', 'F', 0, 1, 2, 1, 0, 72, 0, 72, 1, 1, 0xFF, 0xD9, 0xFF}));
     }},
    {"JFXX header",
     [] {
         return withBeforeFrame(segmentBytes(0xE0, {'J', 'F', 'X', 'X', 0, 0x13, 0xFF, 0xD8}));
     }},
    {"APP0 of another kind",
     [] {
         return withBeforeFrame(segmentBytes(0xE0, {'A', 'B', 'C', 'D', 0, 0xFF, 0xC2}));
     }},
    {"APP0 shorter than an identifier",
     [] {
         return withBeforeFrame(segmentBytes(0xE0, {'J', 'F'}));
     }},
    {"APP1 holding marker bytes",
     [] {
         return withBeforeFrame(
             segmentBytes(0xE1, concatenate({bytesOf("Exif"), {0, 0, 0xFF, 0xD9, 0xFF, 0xC0}})));
     }},
    {"APP15",
     [] {
         return withBeforeFrame(segmentBytes(0xEF, {1, 2, 3}));
     }},
    {"comment holding marker bytes",
     [] {
         return withBeforeFrame(
             segmentBytes(0xFE, concatenate({bytesOf("made by hand"), {0xFF, 0xC2, 0xFF, 0xD8}})));
     }},
    // Markers without a length; a pair of fill bytes reads as the marker 0xFF.
    {"reserved markers without a length",
     [] {
         return withBeforeFrame({0xFF, 0x03, 0xFF, 0x4F, 0xFF, 0xBE});
     }},
    {"two fill bytes before a marker",
     [] {
         return withBeforeFrame({0xFF, 0xFF});
     }},
    {"restart interval 0",
     [] {
         return withBeforeFrame(segmentBytes(0xDD, {0, 0}));
     }},
    // Tables in other forms.
    {"16-bit quantisation entries",
     [] {
         Bytes payload = {0x10};
         for (int i = 0; i < 64; ++i) {
             payload.insert(payload.end(), {0x00, 0x04});
         }
         JpegStream stream;
         stream.startOfImage().segment(0xDB, payload).frame(16, 8, {{}}).testTables().scan(1);
         return stream.append(twoBlocks()).endOfImage().data();
     }},
    {"quantisation id 4 folds onto table 0",
     [] {
         Bytes payload(65, 4);
         payload[0] = 0x04;
         JpegStream stream;
         stream.startOfImage().segment(0xDB, payload).frame(16, 8, {{}}).testTables().scan(1);
         return stream.append(twoBlocks()).endOfImage().data();
     }},
    {"a later quantisation table replaces an earlier one",
     [] { return withBeforeFrame(JpegStream().quantisation(0, 9).data()); }},
    {"Huffman tables in separate segments, after the frame header",
     [] {
         JpegStream stream;
         stream.startOfImage().quantisation(0, 4).frame(16, 8, {{}});
         stream.segment(0xC4, JpegStream::testAcTable()).segment(0xC4, JpegStream::testDcTable());
         return stream.scan(1).append(twoBlocks()).endOfImage().data();
     }},
    {"a later Huffman table replaces an earlier one",
     [] {
         return withBeforeFrame(segmentBytes(0xC4, JpegStream::huffmanTable(0, 0, {2}, {5, 6})));
     }},
    // Scan selectors name no component: scan position i is frame component i.
    {"scan component selector 7",
     [] {
         JpegStream stream;
         stream.startOfImage().quantisation(0, 4).frame(16, 8, {{}}).testTables();
         stream.segment(0xDA, {1, 7, 0x00, 0, 63, 0});
         return stream.append(twoBlocks()).endOfImage().data();
     }},
    // After the scan.
    {"DNL restating the height",
     [] {
         JpegStream stream = pictureHead(16, 8, {{}}, 4);
         stream.append(twoBlocks()).segment(0xDC, {0, 8});
         return stream.endOfImage().data();
     }},
    {"no end-of-image marker",
     [] {
         JpegStream stream = pictureHead(16, 8, {{}}, 4);
         return stream.append(twoBlocks()).data();
     }},
};

TEST(JpegSegments, SegmentsThatChangeNothing) {
    Decoded plain = decodeStream(plainPicture());
    ASSERT_EQ(plain.error, JpegError::None);
    ASSERT_EQ(plain.pixels.size(), 16u * 8 * 3);
    for (const EquivalentCase& c : kEquivalentCases) {
        SCOPED_TRACE(c.name);
        Decoded decoded = decodeStream(c.stream());
        ASSERT_EQ(decoded.error, JpegError::None);
        EXPECT_EQ(decoded.pixels, plain.pixels);
    }
}

// ---------------------------------------------------------------------------------------------
// Every marker code the walk may meet after the start of image.

struct MarkerRange {
    int first;
    int last;
    JpegError error;  // None: passed over
};

constexpr MarkerRange kMarkerRanges[] = {
    {0x01, 0x02, JpegError::UnsupportedSegment},       {0x03, 0xBE, JpegError::None},
    {0xBF, 0xBF, JpegError::UnsupportedSegment},       {0xC1, 0xC3, JpegError::UnsupportedFormat},
    {0xC5, 0xC7, JpegError::UnsupportedFormat},        {0xC8, 0xC8, JpegError::UnsupportedSegment},
    {0xC9, 0xCB, JpegError::UnsupportedFormat},        {0xCC, 0xCC, JpegError::UnsupportedSegment},
    {0xCD, 0xCF, JpegError::UnsupportedFormat},        {0xD0, 0xD7, JpegError::UnexpectedRestart},
    {0xD8, 0xD8, JpegError::UnexpectedImageBeginning}, {0xDE, 0xDF, JpegError::UnsupportedSegment},
    {0xF0, 0xFD, JpegError::UnsupportedSegment},       {0xFF, 0xFF, JpegError::None},
};

TEST(JpegSegments, EachMarkerCodeIsPassedOverOrRefused) {
    for (const MarkerRange& range : kMarkerRanges) {
        for (int code = range.first; code <= range.last; ++code) {
            SCOPED_TRACE(code);
            // Four bytes that would be a segment length and two bytes of data.
            JpegStream stream;
            stream.startOfImage().marker(code).bytes({0x00, 0x04, 0x11, 0x22});
            stream.frame(8, 8, {{}});
            JpegDecoder decoder;
            std::int32_t pixelBytes = 0;
            EXPECT_EQ(decoder.tryParseHeaders(stream.data().data(), stream.size(), pixelBytes),
                      range.error);
            if (range.error == JpegError::None) {
                EXPECT_EQ(pixelBytes, 8 * 8 * 3);
            }
        }
    }
}

TEST(JpegSegments, CjpegProgressiveAndArithmeticPicturesAreRefused) {
    for (const char* name : {"progressive.jpg", "arithmetic.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(decodeStream(readFileBytes(jpegFixture(name))).error,
                  JpegError::UnsupportedFormat);
    }
}

// ---------------------------------------------------------------------------------------------
// One crafted stream per error.

struct ErrorCase {
    const char* name;
    Bytes (*stream)();
    const char* message;
};

Bytes frameWith(int width, int height, std::vector<FrameComponent> components) {
    return JpegStream().startOfImage().frame(width, height, std::move(components)).data();
}

Bytes frameByte(int offset, int value) {
    // In a grey 8 x 8 frame header after SOI: offset 11 is the component count, 13 the
    // sampling factors, 14 the quantisation selector.
    Bytes data = frameWith(8, 8, {{}});
    data[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value);
    return data;
}

Bytes withHuffmanTable(const Bytes& table) {
    return JpegStream().startOfImage().segment(0xC4, table).frame(8, 8, {{}}).data();
}

// A grey 8 x 8 picture with the test tables whose scan header and data are given.
Bytes scanWith(const Bytes& scanHeader, const Bytes& data, int components = 1) {
    std::vector<FrameComponent> frame(static_cast<std::size_t>(components));
    JpegStream stream;
    stream.startOfImage().quantisation(0, 4).frame(8 * components, 8, frame).testTables();
    return stream.segment(0xDA, scanHeader).append(data).endOfImage().data();
}

// A grey picture with the given blocks' data.
Bytes greyWithData(int blocks, const Bytes& data) {
    JpegStream stream = pictureHead(8 * blocks, 8, {{}}, 4);
    return stream.append(data).endOfImage().data();
}

const ErrorCase kErrorCases[] = {
    // Frame header.
    {"2 components",
     [] {
         return frameWith(8, 8, {{}, {}});
     },
     "Unsupported plane size.\n"},
    {"4 components",
     [] {
         return frameWith(8, 8, {{}, {}, {}, {}});
     },
     "Unsupported plane size.\n"},
    {"0 components", [] { return frameByte(11, 0); }, "Unsupported plane size.\n"},
    {"width 16385", [] { return frameWith(16385, 8, {{}}); }, "Unsupported plane size.\n"},
    {"height 16385", [] { return frameWith(8, 16385, {{}}); }, "Unsupported plane size.\n"},
    {"width 65535",
     [] {
         return frameWith(65535, 65535, {{}, {}, {}});
     },
     "Unsupported plane size.\n"},
    {"horizontal sampling 0", [] { return frameByte(13, 0x01); }, "Unsupported segment.\n"},
    {"vertical sampling 0", [] { return frameByte(13, 0x10); }, "Unsupported segment.\n"},
    {"horizontal sampling 5", [] { return frameByte(13, 0x51); }, "Unsupported segment.\n"},
    {"vertical sampling 5", [] { return frameByte(13, 0x15); }, "Unsupported segment.\n"},
    {"quantisation selector 4", [] { return frameByte(14, 4); }, "Unsupported segment.\n"},
    {"second frame header",
     [] {
         JpegStream stream = pictureHead(8, 8, {{}}, 4);
         BitWriter bits;
         putFlatBlock(bits, 1);
         return stream.entropy(bits).frame(64, 64, {{}}).endOfImage().data();
     },
     "Unsupported segment.\n"},
    {"DNL changing the height",
     [] {
         JpegStream stream = pictureHead(8, 8, {{}}, 4);
         BitWriter bits;
         putFlatBlock(bits, 1);
         return stream.entropy(bits).segment(0xDC, {0, 16}).endOfImage().data();
     },
     "Unsupported segment.\n"},
    // Huffman tables.
    {"Huffman class 2", [] { return withHuffmanTable(JpegStream::huffmanTable(2, 0, {1}, {0})); },
     "Invalid huffman table.\n"},
    {"Huffman id 4", [] { return withHuffmanTable(JpegStream::huffmanTable(0, 4, {1}, {0})); },
     "Invalid huffman table.\n"},
    {"3 codes of length 1",
     [] {
         return withHuffmanTable(JpegStream::huffmanTable(0, 0, {3}, {0, 1, 2}));
     },
     "Invalid huffman table.\n"},
    {"codes overflowing at length 2",
     [] {
         return withHuffmanTable(JpegStream::huffmanTable(1, 0, {1, 3}, {0, 1, 2, 3}));
     },
     "Invalid huffman table.\n"},
    {"codes overflowing at length 9",
     [] {
         std::vector<int> symbols(510, 1);
         return withHuffmanTable(
             JpegStream::huffmanTable(1, 3, {0, 0, 0, 0, 0, 0, 0, 255, 255}, symbols));
     },
     "Invalid huffman table.\n"},
    // Scan header.
    {"scan before the frame header",
     [] { return JpegStream().startOfImage().testTables().scan(1).endOfImage().data(); },
     "Unsupported segment.\n"},
    {"scan of 2 components in a grey frame",
     [] {
         return scanWith({2, 1, 0, 2, 0, 0, 63, 0}, {});
     },
     "Unsupported segment.\n"},
    {"scan of 4 components in a colour frame",
     [] {
         return scanWith({4, 1, 0, 2, 0, 3, 0, 4, 0, 0, 63, 0}, {}, 3);
     },
     "Unsupported segment.\n"},
    {"DC table selector 4",
     [] {
         return scanWith({1, 1, 0x40, 0, 63, 0}, {});
     },
     "Unsupported segment.\n"},
    {"AC table selector 4",
     [] {
         return scanWith({1, 1, 0x04, 0, 63, 0}, {});
     },
     "Unsupported segment.\n"},
    // Entropy-coded data.
    {"DC table never defined",
     [] {
         return scanWith({1, 1, 0x10, 0, 63, 0}, {0x00, 0x00});
     },
     "Invalid huffman code.\n"},
    {"Huffman table without entries",
     [] {
         JpegStream stream;
         stream.startOfImage().frame(8, 8, {{}}).testTables();
         stream.segment(0xC4, JpegStream::huffmanTable(0, 0, {}, {})).scan(1);
         return stream.bytes({0x00, 0x00}).endOfImage().data();
     },
     "Invalid huffman code.\n"},
    {"data cut short",
     [] {
         JpegStream stream = pictureHead(16, 8, {{}}, 4);
         Bytes data = twoBlocks();
         return stream.append(Bytes(data.begin(), data.end() - 2)).data();
     },
     "Invalid huffman code.\n"},
    {"no code matches",
     [] {
         JpegStream stream;
         stream.startOfImage().frame(8, 8, {{}}).testTables();
         stream.segment(0xC4, JpegStream::huffmanTable(0, 0, {1}, {0})).scan(1);
         return stream.bytes({0x80, 0x00}).endOfImage().data();
     },
     "Invalid huffman code.\n"},
    {"AC symbol of size 0 and run 1",
     [] {
         BitWriter bits;
         putDc(bits, 1);
         putAcSymbol(bits, 0x10);
         putEndOfBlock(bits);
         return greyWithData(1, bits.finish());
     },
     "Invalid huffman code.\n"},
    {"AC run past coefficient 63",
     [] {
         BitWriter bits;
         putDc(bits, 1);
         for (int i = 0; i < 4; ++i) {
             putAcSymbol(bits, 0xF0);  // 16 zeros each: the fourth starts at 49
         }
         putEndOfBlock(bits);
         return greyWithData(1, bits.finish());
     },
     "Invalid huffman code.\n"},
    {"DC difference of 17 bits",
     [] {
         JpegStream stream;
         stream.startOfImage().frame(8, 8, {{}}).testTables();
         stream.segment(0xC4, JpegStream::huffmanTable(0, 0, {1}, {17})).scan(1);
         return stream.bytes({0x00, 0x00, 0x00, 0x00}).endOfImage().data();
     },
     "Invalid huffman code.\n"},
    {"marker inside the data",
     [] {
         BitWriter bits;
         putFlatBlock(bits, 3);
         // The second block reads the marker's 0xFF as data and then meets D0.
         bits.align().raw(0xFF).raw(0xD0);
         putFlatBlock(bits, 3);
         return greyWithData(2, bits.finish());
     },
     "Unexpected marker.\n"},
    {"data running into the end-of-image marker",
     [] {
         BitWriter bits;
         putFlatBlock(bits, 3);
         return greyWithData(2, bits.finish());
     },
     "Unexpected marker.\n"},
};

TEST(JpegErrors, EachErrorHasItsMessage) {
    for (const ErrorCase& c : kErrorCases) {
        SCOPED_TRACE(c.name);
        Decoded decoded = decodeStream(c.stream());
        EXPECT_STREQ(jpegErrorMessage(decoded.error), c.message);
    }
}

// An AC run may end exactly at the last coefficient: three runs of 16 zeros reach 49, then 14
// zeros and a coefficient at 63.
TEST(JpegErrors, AcRunMayEndAtTheLastCoefficient) {
    BitWriter bits;
    putDc(bits, 0);
    for (int i = 0; i < 3; ++i) {
        putAcSymbol(bits, 0xF0);
    }
    putAc(bits, 14, 1);
    JpegStream stream = pictureHead(8, 8, {{}}, 255);
    Decoded decoded = decodeStream(stream.entropy(bits).endOfImage().data());
    ASSERT_EQ(decoded.error, JpegError::None);
    // Coefficient 63 (u = v = 7) of 255 gives 130 and 121 in the first two pixels.
    EXPECT_EQ(decoded.pixels[0], 130);
    EXPECT_EQ(decoded.pixels[3], 121);
}

// ---------------------------------------------------------------------------------------------
// The public interface ends the process with the message on standard output and exit code -1
// (255 as the system reports it).

// Death tests see standard error only: the message is sent there too.
void sendStandardOutputToStandardError() {
    std::fflush(stdout);
#ifdef _WIN32
    _dup2(_fileno(stderr), _fileno(stdout));
#else
    dup2(fileno(stderr), fileno(stdout));
#endif
}

bool exitedWithMinusOne(int status) {
#ifdef _WIN32
    // Windows reports -1 itself; wine passes on the low byte.
    return status == -1 || status == 255;
#else
    return ::testing::ExitedWithCode(255)(status);
#endif
}

TEST(JpegErrorsDeathTest, ParseHeadersEndsTheProcess) {
    Bytes data = readFileBytes(jpegFixture("progressive.jpg"));
    JpegDecoder decoder;
    EXPECT_EXIT(
        {
            sendStandardOutputToStandardError();
            decoder.parseHeaders(data.data(), static_cast<std::int32_t>(data.size()));
        },
        exitedWithMinusOne, "Unsupported JPEG format\\.");
}

TEST(JpegErrorsDeathTest, DecodeEndsTheProcess) {
    BitWriter bits;
    putFlatBlock(bits, 3);
    Bytes data = greyWithData(2, bits.finish());
    JpegDecoder decoder;
    ASSERT_EQ(decoder.parseHeaders(data.data(), static_cast<std::int32_t>(data.size())),
              16 * 8 * 3);
    EXPECT_EXIT(
        {
            sendStandardOutputToStandardError();
            decoder.decode(nullptr);
        },
        exitedWithMinusOne, "Unexpected marker\\.");
}

}  // namespace
}  // namespace tovik
