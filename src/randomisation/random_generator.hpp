#pragma once

#include <cstdint>

#include "base/limits.hpp"

namespace zeltric::randomisation {

// Combined multiplicative congruential generator of two 32-bit components
// (multipliers 40014 and 40692, moduli 2147483563 and 2147483399), each
// step by Schrage's decomposition so no product leaves the signed 32-bit
// range. The stored streams were produced with the scale factor and the
// products in the x87 extended type (64-bit significand) rounded to double;
// those roundings are done here in integer arithmetic, so every processor
// gives the same bits whatever its long double is.
class RandomGenerator {
public:
    std::int32_t seed1 = 0;
    std::int32_t seed2 = 0;

    // Advances the state by one step; a value in (0, 1).
    double uniform();
    // trunc(uniform() * n) in 0..n-1, for n >= 1.
    std::int32_t integerDeviate(std::int32_t n);

private:
    // Advances the state; the combined value, 1..kSeed1Max from any valid state.
    std::int32_t step();
};

// The generator `steps` steps on, without taking them: each component is
// x <- a x mod m, so a jump is one multiplication by a^steps mod m. The
// permutation test gives each worker the state its arrangement starts from.
class GeneratorJump {
public:
    explicit GeneratorJump(std::uint64_t steps);
    // The same state as `steps` calls of uniform() leave.
    void apply(RandomGenerator& generator) const;

private:
    std::uint64_t steps_;
    std::uint64_t factor1_;
    std::uint64_t factor2_;
};

inline constexpr std::int32_t kSeed1Max = static_cast<std::int32_t>(base::kSeed1Max);
inline constexpr std::int32_t kSeed2Max = static_cast<std::int32_t>(base::kSeed2Max);

// z times the scale factor 4.656613e-10, both held with a 64-bit
// significand, the product rounded to a 64-bit significand and then to
// double, each time to nearest with ties to even: what the x87 unit gives.
double scaledUniform(std::int32_t z);

// u times n rounded to a 64-bit significand (nearest, ties to even), then
// truncated toward zero: what the x87 unit gives. u must be finite and the
// result must fit in 32 bits.
std::int32_t truncatedExtendedProduct(double u, std::int32_t n);

// For z >= 1: scaledUniform(z) as its 53-bit significand (the leading bit
// set), times 2^exponent. The product by the scale factor has at least 64
// bits, so that double is normal and has exactly 53.
std::uint64_t scaledSignificand(std::int32_t z, int& exponent);

// truncatedExtendedProduct(scaledUniform(z), n), the deviate a step with
// combined value z gives, without forming the double in between.
std::int32_t deviateOf(std::int32_t z, std::int32_t n);

}  // namespace zeltric::randomisation
