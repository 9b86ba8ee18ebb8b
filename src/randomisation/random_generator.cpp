#include "randomisation/random_generator.hpp"

#include <bit>
#include <cmath>

namespace zeltric::randomisation {

namespace {

// GCC and Clang have it on every 64-bit target.
__extension__ typedef unsigned __int128 Wide;

// 4.656613e-10 rounded to the x87 extended type: this significand times 2^-94.
constexpr std::uint64_t kScaleSignificand = 0x8000003A88606E1DULL;
constexpr int kScaleExponent = -94;

constexpr int kExtendedDigits = 64;
constexpr int kDoubleDigits = 53;

[[gnu::always_inline]] inline int bitLength(Wide v) {
    const auto high = static_cast<std::uint64_t>(v >> 64);
    const auto low = static_cast<std::uint64_t>(v);
    return high != 0 ? 128 - std::countl_zero(high) : 64 - std::countl_zero(low);
}

// Rounds v * 2^exponent to `digits` significant bits, nearest with ties to
// even; returns the new significand and adjusts exponent.
// Inlined so that each caller's constant digits fold in: the permutation
// test calls it twice per draw.
[[gnu::always_inline]] inline Wide roundToDigits(Wide v, int digits, int& exponent) {
    const int length = bitLength(v);
    if (length <= digits) return v;
    const int shift = length - digits;
    Wide kept = v >> shift;
    const Wide rest = v & ((Wide{1} << shift) - 1);
    const Wide half = Wide{1} << (shift - 1);
    if (rest > half || (rest == half && (kept & 1) != 0)) ++kept;
    exponent += shift;
    if (bitLength(kept) > digits) {  // carried into a new leading bit; the low bit is 0
        kept >>= 1;
        ++exponent;
    }
    return kept;
}

std::uint64_t magnitude(std::int32_t v) {
    return static_cast<std::uint64_t>(v < 0 ? -static_cast<std::int64_t>(v) : v);
}

}  // namespace

double scaledUniform(std::int32_t z) {
    if (z == 0) return 0.0;
    int exponent = kScaleExponent;
    Wide significand = roundToDigits(Wide{magnitude(z)} * kScaleSignificand, kExtendedDigits, exponent);
    significand = roundToDigits(significand, kDoubleDigits, exponent);
    // Exact: fewer than 54 bits, and the result is a normal double.
    const double value = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(significand)), exponent);
    return z < 0 ? -value : value;
}

std::int32_t truncatedExtendedProduct(double u, std::int32_t n) {
    if (u == 0.0 || n == 0) return 0;
    int exponent = 0;
    // frexp and the scaling by 2^53 are exact, subnormal u included.
    const double fraction = std::frexp(std::fabs(u), &exponent);
    const auto uSignificand = static_cast<std::uint64_t>(std::ldexp(fraction, kDoubleDigits));
    exponent -= kDoubleDigits;
    const Wide significand = roundToDigits(Wide{uSignificand} * magnitude(n), kExtendedDigits, exponent);
    Wide whole = 0;
    if (exponent >= 0)
        whole = significand << exponent;
    else if (exponent > -128)
        whole = significand >> -exponent;
    const auto value = static_cast<std::int64_t>(whole);
    return static_cast<std::int32_t>((u < 0.0) != (n < 0) ? -value : value);
}

namespace {

// The two components' moduli m1 and m2. A component's state lies in
// 1..m-1, so the seed ranges are the moduli less one, and the combined value
// seed1 - seed2 is brought into 1..m1-1 by adding m1 - 1.
constexpr std::int32_t kM1 = 2147483563;
constexpr std::int32_t kM2 = 2147483399;
static_assert(kSeed1Max == kM1 - 1 && kSeed2Max == kM2 - 1);
constexpr std::uint64_t kModulus1 = kM1;
constexpr std::uint64_t kModulus2 = kM2;

// a^steps mod m; every product stays below 2^62.
std::uint64_t powerMod(std::uint64_t a, std::uint64_t steps, std::uint64_t m) {
    std::uint64_t result = 1 % m;
    for (a %= m; steps != 0; steps >>= 1) {
        if ((steps & 1) != 0) result = result * a % m;
        a = a * a % m;
    }
    return result;
}

bool withinModulus(std::int32_t seed, std::uint64_t m) {
    return seed >= 0 && static_cast<std::uint64_t>(seed) < m;
}

}  // namespace

GeneratorJump::GeneratorJump(std::uint64_t steps)
    : steps_(steps), factor1_(powerMod(40014, steps, kModulus1)), factor2_(powerMod(40692, steps, kModulus2)) {}

void GeneratorJump::apply(RandomGenerator& generator) const {
    // Schrage's steps are exact multiplications mod m only for a state
    // below m; any other state (never reached from valid seeds) is stepped.
    if (!withinModulus(generator.seed1, kModulus1) || !withinModulus(generator.seed2, kModulus2)) {
        for (std::uint64_t n = 0; n < steps_; ++n) generator.uniform();
        return;
    }
    generator.seed1 =
        static_cast<std::int32_t>(static_cast<std::uint64_t>(generator.seed1) * factor1_ % kModulus1);
    generator.seed2 =
        static_cast<std::int32_t>(static_cast<std::uint64_t>(generator.seed2) * factor2_ % kModulus2);
}

std::int32_t RandomGenerator::step() {
    std::int32_t k = seed1 / 53668;
    seed1 = 40014 * (seed1 - k * 53668) - k * 12211;
    if (seed1 < 0) seed1 += kM1;
    k = seed2 / 52774;
    seed2 = 40692 * (seed2 - k * 52774) - k * 3791;
    if (seed2 < 0) seed2 += kM2;
    std::int32_t z = seed1 - seed2;
    if (z < 1) z += kSeed1Max;  // m1 - 1
    return z;
}

double RandomGenerator::uniform() { return scaledUniform(step()); }

std::int32_t RandomGenerator::integerDeviate(std::int32_t n) { return deviateOf(step(), n); }

namespace {

// The top 64 bits of v (at most 64 + 63 bits long), rounded to nearest with
// ties to even, and how many bits were dropped (the carry into a new leading
// bit included). The 128-bit arithmetic of roundToDigits, on the two halves:
// every draw of the test takes this twice.
[[gnu::always_inline]] inline std::uint64_t leading64(Wide v, int& dropped) {
    const auto high = static_cast<std::uint64_t>(v >> 64);
    const auto low = static_cast<std::uint64_t>(v);
    if (high == 0) {
        dropped = 0;
        return low;
    }
    const int shift = 64 - std::countl_zero(high);
    std::uint64_t kept = (high << (64 - shift)) | (low >> shift);
    const std::uint64_t rest = low & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    dropped = shift;
    if (rest > half || (rest == half && (kept & 1) != 0)) {
        if (++kept == 0) {  // all ones carried into a new leading bit
            kept = std::uint64_t{1} << 63;
            ++dropped;
        }
    }
    return kept;
}

}  // namespace

std::uint64_t scaledSignificand(std::int32_t z, int& exponent) {
    // z >= 1 and the scale factor has its leading bit set: the product has
    // at least 64 bits.
    int dropped = 0;
    const std::uint64_t wide = leading64(Wide{static_cast<std::uint64_t>(z)} * kScaleSignificand, dropped);
    exponent = kScaleExponent + dropped;
    // Exactly 64 bits, so the rounding to double is a fixed shift by 11.
    constexpr int kDropped = kExtendedDigits - kDoubleDigits;
    std::uint64_t significand = wide >> kDropped;
    const std::uint64_t rest = wide & ((std::uint64_t{1} << kDropped) - 1);
    constexpr std::uint64_t kHalf = std::uint64_t{1} << (kDropped - 1);
    if (rest > kHalf || (rest == kHalf && (significand & 1) != 0)) ++significand;
    exponent += kDropped;
    if (significand >> kDoubleDigits != 0) {  // carried into a new leading bit
        significand >>= 1;
        ++exponent;
    }
    return significand;
}

namespace {

// The scale factor rounded to double.
constexpr double kScaleDouble = static_cast<double>(kScaleSignificand) / 0x1p94;
constexpr std::int32_t kEstimateCountMax = 1 << 22;
constexpr double kEstimateMargin = 0x1p-20;

}  // namespace

std::int32_t deviateOf(std::int32_t z, std::int32_t n) {
    if (z <= 0 || n <= 0) return truncatedExtendedProduct(scaledUniform(z), n);
    // First an estimate in double: z * n is exact (below 2^53), and the
    // estimate (z * n) * scale in double differs from the rounded product of
    // the draw, p = round64(round53(round64(z * scale)) * n), by at most
    // 3.01 * 2^-53 of p, below n * 2^-51 <= 2^-29. When the estimate lies
    // farther than 2^-20 from a whole number, p has the same whole part.
    // Otherwise (about one draw in 500,000) the exact integer arithmetic below.
    if (n <= kEstimateCountMax) {
        const double estimate = static_cast<double>(static_cast<std::int64_t>(z) * n) * kScaleDouble;
        const auto whole = static_cast<std::int64_t>(estimate);
        const double fraction = estimate - static_cast<double>(whole);  // exact
        if (fraction >= kEstimateMargin && fraction <= 1.0 - kEstimateMargin)
            return static_cast<std::int32_t>(whole);
    }
    // The permutation test draws one deviate per individual, so this skips
    // the trip through a double: the 53 bits and exponent of scaledUniform(z)
    // are what truncatedExtendedProduct would take back out of it.
    int exponent = 0;
    const std::uint64_t significand = scaledSignificand(z, exponent);
    // 53 bits times at most 31: never more than 64 + 63 bits.
    int dropped = 0;
    const std::uint64_t product = leading64(Wide{significand} * static_cast<std::uint64_t>(n), dropped);
    exponent += dropped;
    // The value is below n, so the point lies inside or left of the 64 bits.
    if (exponent >= 0 || exponent <= -64) {
        Wide whole = 0;
        if (exponent >= 0)
            whole = Wide{product} << exponent;
        else if (exponent > -128)
            whole = Wide{product} >> -exponent;
        return static_cast<std::int32_t>(static_cast<std::int64_t>(whole));
    }
    return static_cast<std::int32_t>(static_cast<std::int64_t>(product >> -exponent));
}

}  // namespace zeltric::randomisation
