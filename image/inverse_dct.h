// InverseDct: the decoder's inverse DCT, the direct double-precision sum over a cosine table.
#pragma once

#include <cstdint>

namespace tovik {

class InverseDct {
public:
    // The stored value of pi / 16 on which the cosine table is built.
    static constexpr double kAngleStep = 0.196349540875;
    // w(u, v): both frequencies 0, one of them 0, neither 0.
    static constexpr double kWeightBothZero = 0.499999999736182;
    static constexpr double kWeightOneZero = 0.707106781;
    static constexpr double kWeightNeitherZero = 1.0;

    // Builds the cosine table.
    InverseDct();

    // T[x][u] = cos((2x + 1) * u * kAngleStep).
    double cosine(int x, int u) const { return cosine_[x][u]; }

    // Samples of one block (natural order) from its dequantised coefficients (natural order).
    // Bit j of `nonZero` is set for every coefficient j that is not 0; coefficients whose bit is
    // clear are taken as 0 and not read. Each sample is the sum over j = 0 to 63, in that order,
    // of w(u, v) * F[j] * T[x][u] * T[y][v], truncated toward zero, shifted right by 2 and
    // raised by `levelShift`; the result is cut to the 32-bit range only where absurd input
    // would overflow it.
    void transform(const std::int32_t* coefficients, std::uint64_t nonZero, std::int32_t levelShift,
                   std::int32_t* samples) const;

private:
    double cosine_[8][8];
};

}  // namespace tovik
