// The inverse DCT: its cosine table, and its result against the plain sum it stands for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "image/inverse_dct.h"

namespace tovik {
namespace {

// cos((2x + 1) * u * 0.196349540875) as glibc computes it on x86-64. The Windows runtimes give
// the same bits (their cos goes through the x87 fcos), so pictures decode alike everywhere; a
// runtime that differs in the last bit would shift some samples by 1.
constexpr double kCosines[8][8] = {
    {0x1p+0, 0x1.f6297cff6acb5p-1, 0x1.d906bcf2fdadfp-1, 0x1.a9b662908c22cp-1, 0x1.6a09e66754467p-1,
     0x1.1c73b399fc2a1p-1, 0x1.87de2a68798b6p-2, 0x1.8f8b83c08e1d6p-3},
    {0x1p+0, 0x1.a9b662908c22cp-1, 0x1.87de2a68798b6p-2, -0x1.8f8b83ce61006p-3,
     -0x1.6a09e669d21fcp-1, -0x1.f6297d001ac6bp-1, -0x1.d906bcf1a47a7p-1, -0x1.1c73b3970e226p-1},
    {0x1p+0, 0x1.1c73b399fc2a1p-1, -0x1.87de2a6efc52ep-2, -0x1.f6297d001ac6bp-1,
     -0x1.6a09e664d66d3p-1, 0x1.8f8b83dc33e26p-3, 0x1.d906bcf5b015p-1, 0x1.a9b6628ca1d38p-1},
    {0x1p+0, 0x1.8f8b83c08e1d6p-3, -0x1.d906bcf456e18p-1, -0x1.1c73b3970e226p-1,
     0x1.6a09e66c4ff91p-1, 0x1.a9b6628ca1d38p-1, -0x1.87de2a7c01e0ep-2, -0x1.f6297cfd5ad92p-1},
    {0x1p+0, -0x1.8f8b83ce61006p-3, -0x1.d906bcf1a47a7p-1, 0x1.1c73b39fd83a1p-1,
     0x1.6a09e6625893ep-1, -0x1.a9b662966b996p-1, -0x1.87de2a54f134p-2, 0x1.f6297d022ab9p-1},
    {0x1p+0, -0x1.1c73b39cea31fp-1, -0x1.87de2a61f6c3ep-2, 0x1.f6297cfe0ad48p-1,
     -0x1.6a09e66ecdd25p-1, -0x1.8f8b839715735p-3, 0x1.d906bced98ep-1, -0x1.a9b6629a55e88p-1},
    {0x1p+0, -0x1.a9b66292814a5p-1, 0x1.87de2a757f1a5p-2, 0x1.8f8b83a4e8565p-3,
     -0x1.6a09e65fdaba9p-1, 0x1.f6297cfcaaddbp-1, -0x1.d906bcf9bbafcp-1, 0x1.1c73b3ab9059ap-1},
    {0x1p+0, -0x1.f6297d001ac6bp-1, 0x1.d906bcf5b015p-1, -0x1.a9b662966b996p-1,
     0x1.6a09e6714babap-1, -0x1.1c73b3a8a251cp-1, 0x1.87de2a8f8a375p-2, -0x1.8f8b842152556p-3},
};

TEST(InverseDct, CosineTableIsTheSameOnEveryPlatform) {
    InverseDct transform;
    for (int x = 0; x < 8; ++x) {
        for (int u = 0; u < 8; ++u) {
            EXPECT_EQ(transform.cosine(x, u), kCosines[x][u]) << x << "," << u;
        }
    }
}

// The definition, term by term: all 64 products w(u, v) * F[j] * T[x][j] * T[y][v] summed in
// order of j, with no term skipped and nothing formed ahead.
void referenceTransform(const InverseDct& transform, const std::int32_t* coefficients,
                        std::int32_t levelShift, std::int32_t* samples) {
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            double sum = 0.0;
            for (int j = 0; j < 64; ++j) {
                int u = j % 8;
                int v = j / 8;
                double w = u == 0 && v == 0   ? 0.499999999736182
                           : u == 0 || v == 0 ? 0.707106781
                                              : 1.0;
                sum += w * coefficients[j] * transform.cosine(x, u) * transform.cosine(y, v);
            }
            std::int64_t value = (static_cast<std::int64_t>(sum) >> 2) + levelShift;
            value = std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max());
            value = std::max<std::int64_t>(value, std::numeric_limits<std::int32_t>::min());
            samples[y * 8 + x] = static_cast<std::int32_t>(value);
        }
    }
}

std::uint64_t nonZeroMask(const std::int32_t* coefficients) {
    std::uint64_t mask = 0;
    for (int j = 0; j < 64; ++j) {
        if (coefficients[j] != 0) {
            mask |= std::uint64_t{1} << j;
        }
    }
    return mask;
}

struct BlockKind {
    const char* name;
    int nonZeroCount;      // coefficients set at random places among `places`
    std::uint64_t places;  // bit j: coefficient j may be set
    std::int32_t limit;    // magnitude of each
};

constexpr std::uint64_t kAll = ~std::uint64_t{0};
constexpr BlockKind kBlockKinds[] = {
    {"empty", 0, kAll, 0},
    {"DC only", 1, 1, 2047},
    {"sparse", 4, kAll, 1023},
    {"typical", 12, kAll, 255},
    {"dense", 64, kAll, 2047},
    // Horizontal or vertical frequencies only: rows alike, or each row flat.
    {"first row", 5, 0xFF, 1023},
    {"first column", 5, 0x0101010101010101, 1023},
    // Absurd dequantised values: the sums leave the 32-bit range and are cut to it.
    {"huge", 64, kAll, std::numeric_limits<std::int32_t>::max()},
};

TEST(InverseDct, SkippingZeroTermsGivesTheFullSumBitForBit) {
    InverseDct transform;
    std::mt19937 random(20240611);
    for (const BlockKind& kind : kBlockKinds) {
        SCOPED_TRACE(kind.name);
        std::vector<int> places;
        for (int j = 0; j < 64; ++j) {
            if ((kind.places >> j & 1) != 0) {
                places.push_back(j);
            }
        }
        for (int round = 0; round < 200; ++round) {
            std::int32_t coefficients[64] = {};
            std::uniform_int_distribution<std::int32_t> value(-kind.limit, kind.limit);
            std::uniform_int_distribution<std::size_t> place(0, places.size() - 1);
            for (int i = 0; i < kind.nonZeroCount; ++i) {
                coefficients[places[place(random)]] = value(random);
            }
            std::int32_t levelShift = round % 2 == 0 ? 128 : 2048;
            std::int32_t expected[64];
            std::int32_t actual[64];
            referenceTransform(transform, coefficients, levelShift, expected);
            transform.transform(coefficients, nonZeroMask(coefficients), levelShift, actual);
            for (int i = 0; i < 64; ++i) {
                ASSERT_EQ(actual[i], expected[i]) << "round " << round << " sample " << i;
            }
        }
    }
}

// The sums truncate toward zero and then shift down (rounding toward minus infinity): D = 80
// and -80 give 137 and 118; D = 16 sums to just below 8 and gives 129, not 130.
TEST(InverseDct, FlatBlocksTruncateThenShift) {
    InverseDct transform;
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {80, 137}, {-80, 118}, {0, 128},  {1, 128},    {-1, 128},
        {8, 128},  {-8, 127},  {16, 129}, {1380, 300}, {-1180, -20}};
    for (auto [dc, expected] : cases) {
        SCOPED_TRACE(dc);
        std::int32_t coefficients[64] = {dc};
        std::int32_t samples[64];
        transform.transform(coefficients, dc != 0 ? 1 : 0, 128, samples);
        for (std::int32_t sample : samples) {
            ASSERT_EQ(sample, expected);
        }
    }
}

}  // namespace
}  // namespace tovik
