#include "image/inverse_dct.h"

#include <bit>
#include <cmath>
#include <limits>

namespace tovik {

namespace {

double weight(int u, int v) {
    if (u == 0 && v == 0) {
        return InverseDct::kWeightBothZero;
    }
    if (u == 0 || v == 0) {
        return InverseDct::kWeightOneZero;
    }
    return InverseDct::kWeightNeitherZero;
}

// Truncation toward zero, then an arithmetic shift (a division by 4 rounding down).
std::int32_t finishSample(double sum, std::int32_t levelShift) {
    // Nearly every sum fits 32 bits. The 64-bit conversion is for absurd input only: on i686 it
    // goes through the x87 unit and is slow (it is exact either way).
    if (sum > -2147483648.0 && sum < 2147483648.0) {
        return (static_cast<std::int32_t>(sum) >> 2) + levelShift;
    }
    // The sum of 64 terms of 32-bit coefficients stays below 2^38, so its integer part fits.
    std::int64_t value = (static_cast<std::int64_t>(sum) >> 2) + levelShift;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

InverseDct::InverseDct() {
    for (int x = 0; x < 8; ++x) {
        for (int u = 0; u < 8; ++u) {
            cosine_[x][u] = std::cos(static_cast<double>((2 * x + 1) * u) * kAngleStep);
        }
    }
}

void InverseDct::transform(const std::int32_t* coefficients, std::uint64_t nonZero,
                           std::int32_t levelShift, std::int32_t* samples) const {
    // A term whose coefficient is 0 is +0 or -0, and adding either leaves the sum as it was (the
    // sum starts at +0 and never becomes -0), so only the non-zero terms are summed; in the
    // same order, so every sample is bit for bit the full sum.
    if (nonZero <= 1) {
        // At most the DC term, the same for every sample: T[x][0] is cos(0) for every x.
        double sum = 0.0;
        if (nonZero == 1) {
            sum += weight(0, 0) * coefficients[0] * cosine_[0][0] * cosine_[0][0];
        }
        std::int32_t sample = finishSample(sum, levelShift);
        for (int i = 0; i < 64; ++i) {
            samples[i] = sample;
        }
        return;
    }

    // Without vertical frequencies every row is the same, since T[y][0] is cos(0) for every y;
    // without horizontal ones every row is flat.
    constexpr std::uint64_t kFirstColumn = 0x0101010101010101;
    bool rowsAlike = (nonZero >> 8) == 0;
    bool flatRows = (nonZero & ~kFirstColumn) == 0;

    // The first three factors of each term, w(u, v) * F[j] * T[x][u], do not depend on y.
    double partial[64][8];
    int rowFrequency[64];
    int termCount = 0;
    while (nonZero != 0) {
        int j = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int u = j & 7;
        int v = j >> 3;
        double scaled = weight(u, v) * coefficients[j];
        for (int x = 0; x < 8; ++x) {
            partial[termCount][x] = scaled * cosine_[x][u];
        }
        rowFrequency[termCount] = v;
        ++termCount;
    }

    if (flatRows) {
        for (int y = 0; y < 8; ++y) {
            double sum = 0.0;
            for (int term = 0; term < termCount; ++term) {
                sum += partial[term][0] * cosine_[y][rowFrequency[term]];
            }
            std::int32_t sample = finishSample(sum, levelShift);
            for (int x = 0; x < 8; ++x) {
                samples[y * 8 + x] = sample;
            }
        }
        return;
    }

    int rows = rowsAlike ? 1 : 8;
    for (int y = 0; y < rows; ++y) {
        // Eight separate sums, so that they stay in registers across the terms.
        double sum0 = 0.0, sum1 = 0.0, sum2 = 0.0, sum3 = 0.0;
        double sum4 = 0.0, sum5 = 0.0, sum6 = 0.0, sum7 = 0.0;
        for (int term = 0; term < termCount; ++term) {
            const double* row = partial[term];
            double rowCosine = cosine_[y][rowFrequency[term]];
            sum0 += row[0] * rowCosine;
            sum1 += row[1] * rowCosine;
            sum2 += row[2] * rowCosine;
            sum3 += row[3] * rowCosine;
            sum4 += row[4] * rowCosine;
            sum5 += row[5] * rowCosine;
            sum6 += row[6] * rowCosine;
            sum7 += row[7] * rowCosine;
        }
        std::int32_t* out = samples + y * 8;
        out[0] = finishSample(sum0, levelShift);
        out[1] = finishSample(sum1, levelShift);
        out[2] = finishSample(sum2, levelShift);
        out[3] = finishSample(sum3, levelShift);
        out[4] = finishSample(sum4, levelShift);
        out[5] = finishSample(sum5, levelShift);
        out[6] = finishSample(sum6, levelShift);
        out[7] = finishSample(sum7, levelShift);
    }
    for (int y = rows; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            samples[y * 8 + x] = samples[x];
        }
    }
}

}  // namespace tovik
