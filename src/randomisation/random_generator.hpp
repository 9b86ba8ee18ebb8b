#pragma once

#include <cstdint>

namespace zeltric::randomisation {

// Combined multiplicative congruential generator of two 32-bit components
// (multipliers 40014 and 40692, moduli 2147483563 and 2147483399), each
// step by Schrage's decomposition so no product leaves the signed 32-bit
// range. The scale factor and the products are formed at extended precision
// (long double, 80-bit on x86-64) and rounded to double, which the stored
// streams were produced with.
class RandomGenerator {
public:
    std::int32_t seed1 = 0;
    std::int32_t seed2 = 0;

    // Advances the state by one step; a value in (0, 1).
    double uniform();
    // trunc(uniform() * n) in 0..n-1, for n >= 1.
    std::int32_t integerDeviate(std::int32_t n);
};

inline constexpr std::int32_t kSeed1Max = 2147483562;
inline constexpr std::int32_t kSeed2Max = 2147483398;

}  // namespace zeltric::randomisation
