#include "randomisation/random_generator.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace zeltric::randomisation {
namespace {

RandomGenerator seeded(std::int32_t seed1, std::int32_t seed2) {
    RandomGenerator generator;
    generator.seed1 = seed1;
    generator.seed2 = seed2;
    return generator;
}

struct Draw {
    std::int32_t seed1, seed2, z;
    double uniform;
    std::int32_t deviate10;
};

// The combined value z of the last step, taken from the state it left.
std::int32_t combined(const RandomGenerator& generator) {
    std::int32_t z = generator.seed1 - generator.seed2;
    return z < 1 ? z + 2147483562 : z;
}

TEST(RandomGenerator, SeedsOneOneGiveTheKnownStream) {
    const Draw expected[] = {
        {40014, 40692, 2147482884, 0.9999996714911892, 9},
        {1601120196, 1655838864, 2092764894, 0.9745196211344022, 9},
        {1346387765, 2103410263, 1390461064, 0.6474839066616233, 6},
    };
    RandomGenerator uniformStream = seeded(1, 1);
    RandomGenerator deviateStream = seeded(1, 1);
    for (const Draw& draw : expected) {
        EXPECT_EQ(uniformStream.uniform(), draw.uniform);
        EXPECT_EQ(uniformStream.seed1, draw.seed1);
        EXPECT_EQ(uniformStream.seed2, draw.seed2);
        EXPECT_EQ(combined(uniformStream), draw.z);
        EXPECT_EQ(deviateStream.integerDeviate(10), draw.deviate10);
        EXPECT_EQ(deviateStream.seed1, draw.seed1);
        EXPECT_EQ(deviateStream.seed2, draw.seed2);
    }
}

TEST(RandomGenerator, JumpLeavesTheStateThatSteppingLeaves) {
    std::mt19937 engine(77u);
    std::vector<std::pair<std::int32_t, std::int32_t>> states = {
        {1, 1},
        {2147483562, 2147483398},
        {0, 5},
        {12345, 67890},
        // Outside the moduli (no valid seed reaches them): stepped, not jumped.
        {-7, 3},
        {5, 2147483647},
        {2147483647, -1}};
    for (int n = 0; n < 5; ++n)
        states.emplace_back(static_cast<std::int32_t>(1 + engine() % 2147483562u),
                            static_cast<std::int32_t>(1 + engine() % 2147483398u));
    for (const std::uint64_t steps : {0ull, 1ull, 2ull, 3ull, 4999ull, 65536ull, 200001ull}) {
        const GeneratorJump jump(steps);
        for (const auto& [seed1, seed2] : states) {
            SCOPED_TRACE(testing::Message() << steps << " steps from " << seed1 << "," << seed2);
            RandomGenerator stepped = seeded(seed1, seed2);
            for (std::uint64_t k = 0; k < steps; ++k) stepped.uniform();
            RandomGenerator jumped = seeded(seed1, seed2);
            jump.apply(jumped);
            EXPECT_EQ(jumped.seed1, stepped.seed1);
            EXPECT_EQ(jumped.seed2, stepped.seed2);
        }
    }
}

TEST(RandomGenerator, OtherSeedsFirstDraw) {
    RandomGenerator generator = seeded(12345, 67890);
    EXPECT_EQ(generator.uniform(), 0.9435973904241443);
    EXPECT_EQ(generator.seed1, 493972830);
    EXPECT_EQ(generator.seed2, 615096481);
    EXPECT_EQ(combined(generator), 2026359911);
}

TEST(RandomGenerator, SeedsAtTheEndsOfTheRangeStayInRange) {
    // Negative seeds and the extreme 32-bit values are used as read: the
    // first step maps each component into its range without overflow.
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {-1, -1}, {-12345, 67890}, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {kSeed1Max, kSeed2Max}};
    for (const auto& [seed1, seed2] : cases) {
        RandomGenerator generator = seeded(seed1, seed2);
        for (int i = 0; i < 3; ++i) {
            const double u = generator.uniform();
            EXPECT_GT(u, 0.0);
            EXPECT_LT(u, 1.0);
            EXPECT_GE(generator.seed1, 0) << seed1;
            EXPECT_LE(generator.seed1, kSeed1Max) << seed1;
            EXPECT_GE(generator.seed2, 0) << seed2;
            EXPECT_LE(generator.seed2, kSeed2Max) << seed2;
        }
    }
}

TEST(RandomGenerator, IntegerDeviateStaysBelowItsCount) {
    RandomGenerator generator = seeded(987654, 123);
    for (int i = 0; i < 20000; ++i) {
        const std::int32_t value = generator.integerDeviate(5000);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 5000);
    }
    EXPECT_EQ(generator.integerDeviate(1), 0);
}

// Seed pairs of every size: the smallest, the largest, negative and extreme
// 32-bit values as read from a seed file, and random ones.
std::vector<std::pair<std::int32_t, std::int32_t>> streamSeeds() {
    std::vector<std::pair<std::int32_t, std::int32_t>> seeds = {
        {1, 1}, {kSeed1Max, kSeed2Max}, {12345, 67890}, {-1, -1}, {INT32_MIN, INT32_MAX}};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 3; ++i) {
        const std::int32_t seed1 = any(random);  // drawn in this order on every compiler
        seeds.emplace_back(seed1, any(random));
    }
    return seeds;
}

// Counts of the deviates in a stream: small ones as the permutation test
// draws them, and some up to the largest count.
std::int32_t deviateCount(std::mt19937& random, long i) {
    if (i % 8 == 7) return std::uniform_int_distribution<std::int32_t>(1, INT32_MAX)(random);
    return static_cast<std::int32_t>(1 + i % 5000);
}

constexpr long kDraws = 2000000;

std::uint64_t bitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

#if LDBL_MANT_DIG == 64
// The x87 extended type itself, which the streams were recorded with: the
// oracle of the integer emulation, wherever long double is that type.
constexpr bool kExtendedOracle = true;
double extendedUniform(std::int32_t z) { return static_cast<double>(static_cast<long double>(z) * 4.656613e-10L); }
std::int32_t extendedDeviate(double u, std::int32_t n) {
    return static_cast<std::int32_t>(static_cast<long double>(u) * static_cast<long double>(n));
}
#else
constexpr bool kExtendedOracle = false;
double extendedUniform(std::int32_t) { return 0.0; }
std::int32_t extendedDeviate(double, std::int32_t) { return 0; }
#endif

TEST(RandomGenerator, StreamsEqualTheExtendedTypeOnes) {
    if (!kExtendedOracle) GTEST_SKIP() << "long double is not the x87 extended type here";
    for (const auto& [seed1, seed2] : streamSeeds()) {
        RandomGenerator uniforms = seeded(seed1, seed2);
        RandomGenerator deviates = seeded(seed1, seed2);
        std::mt19937 counts(static_cast<std::uint32_t>(seed1));
        for (long i = 0; i < kDraws; ++i) {
            const double u = uniforms.uniform();
            ASSERT_EQ(bitsOf(u), bitsOf(extendedUniform(combined(uniforms))))
                << seed1 << "," << seed2 << " draw " << i;
            const std::int32_t n = deviateCount(counts, i);
            ASSERT_EQ(deviates.integerDeviate(n), extendedDeviate(u, n))
                << seed1 << "," << seed2 << " draw " << i << " n " << n;
        }
    }
}

TEST(RandomGenerator, RoundingsEqualTheExtendedTypeOnAnyOperand) {
    if (!kExtendedOracle) GTEST_SKIP() << "long double is not the x87 extended type here";
    std::mt19937_64 random(42);
    std::uniform_int_distribution<std::int32_t> anyZ(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<std::int32_t> anyN(INT32_MIN + 1, INT32_MAX);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (std::int32_t z : {0, 1, -1, 2, 165, kSeed1Max, INT32_MAX, INT32_MIN, INT32_MIN + 1})
        ASSERT_EQ(bitsOf(scaledUniform(z)), bitsOf(extendedUniform(z))) << z;
    for (int i = 0; i < 2000000; ++i) {
        const std::int32_t z = anyZ(random);
        ASSERT_EQ(bitsOf(scaledUniform(z)), bitsOf(extendedUniform(z))) << z;
    }
    // Products on and next to whole numbers, where the rounding to 64 bits
    // decides the truncation; negative operands, subnormal and tiny ones.
    for (int i = 0; i < 2000000; ++i) {
        std::int32_t n = i % 3 == 0 ? anyN(random) : static_cast<std::int32_t>(1 + random() % 100000);
        double u = unit(random);
        if (i % 4 == 1) {
            const double k = std::floor(u * n);
            u = std::nextafter(k / n, (i & 8) != 0 ? 2.0 : -2.0);
        } else if (i % 4 == 2) {
            u = std::ldexp(u, -static_cast<int>(random() % 1080));
        }
        if (i % 5 == 0) u = -u;
        if (std::fabs(u) >= 1.0) continue;
        ASSERT_EQ(truncatedExtendedProduct(u, n), extendedDeviate(u, n)) << u << " * " << n;
    }
    for (double u : {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
                     std::nextafter(1.0, 0.0), 0.5, 0.0, -0.0})
        for (std::int32_t n : {1, 2, 3, INT32_MAX, -INT32_MAX, 0})
            ASSERT_EQ(truncatedExtendedProduct(u, n), extendedDeviate(u, n)) << u << " * " << n;
}

// The draw's shortcut against the two roundings it stands for, on any
// processor: every combined value a valid state gives, edge ones and the
// counts of both ends, the ones that carry into a new leading bit included.
TEST(RandomGenerator, DeviateOfEqualsTheDoubleRoundTrip) {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int32_t> anyZ(1, kSeed1Max);
    std::uniform_int_distribution<std::int32_t> anyN(1, INT32_MAX);
    const std::int32_t edgeZ[] = {1,         2,         3, 165, 1 << 20,  (1 << 30) - 1, 1 << 30, kSeed1Max - 1,
                                  kSeed1Max, INT32_MAX, 0, -1,  INT32_MIN};
    const std::int32_t edgeN[] = {
        1, 2, 3, 4999, 5000, 65535, (1 << 22) - 1, (1 << 22), (1 << 22) + 1, INT32_MAX, 0, -1, -INT32_MAX};
    for (std::int32_t z : edgeZ)
        for (std::int32_t n : edgeN)
            ASSERT_EQ(deviateOf(z, n), truncatedExtendedProduct(scaledUniform(z), n)) << z << " * " << n;
    for (std::int32_t z : edgeZ) {
        if (z < 1) continue;
        int exponent = 0;
        const std::uint64_t significand = scaledSignificand(z, exponent);
        ASSERT_EQ(significand >> 52, 1u) << z;
        ASSERT_EQ(bitsOf(std::ldexp(static_cast<double>(significand), exponent)), bitsOf(scaledUniform(z))) << z;
    }
    for (int i = 0; i < 2000000; ++i) {
        const std::int32_t z = anyZ(random);
        int exponent = 0;
        const std::uint64_t significand = scaledSignificand(z, exponent);
        ASSERT_EQ(bitsOf(std::ldexp(static_cast<double>(significand), exponent)), bitsOf(scaledUniform(z))) << z;
        // Counts either side of the largest one the double estimate takes.
        const std::int32_t n = i % 4 == 0   ? anyN(random)
                               : i % 4 == 1 ? static_cast<std::int32_t>((1 << 22) - 2 + random() % 5)
                                            : static_cast<std::int32_t>(1 + random() % 5000);
        ASSERT_EQ(deviateOf(z, n), truncatedExtendedProduct(scaledUniform(z), n)) << z << " * " << n;
    }
    // Whole numbers of z times the scale factor times n sit where the
    // truncation turns: z near k / (n * 4.656613e-10) for each k.
    for (int i = 0; i < 200000; ++i) {
        const auto n = static_cast<std::int32_t>(1 + random() % 5000);
        const auto k = static_cast<double>(random() % static_cast<std::uint64_t>(n));
        const auto centre = static_cast<std::int64_t>(k / (static_cast<double>(n) * 4.656613e-10));
        for (std::int64_t z = centre - 2; z <= centre + 2; ++z)
            if (z >= 1 && z <= kSeed1Max) {
                const auto z32 = static_cast<std::int32_t>(z);
                ASSERT_EQ(deviateOf(z32, n), truncatedExtendedProduct(scaledUniform(z32), n)) << z << " * " << n;
            }
    }
}

// z * scale within about one unit in the last place of j / 2^22, so that
// z * scale * 2^22 lies within 2^-30 of the whole number j: the draws
// whose double estimate cannot tell which side of j they fall.
TEST(RandomGenerator, DeviateOfDrawsNextToAWholeNumberTakeTheExactPath) {
    const std::int32_t nearWhole[] = {1467544024, 1724364241, 256820217, 1981184458,
                                      513640434,  770460651,  953903590, 1210723807};
    for (std::int32_t z : nearWhole)
        for (std::int32_t n : {1 << 22, 1 << 21, 1 << 20, (1 << 22) - 1})
            ASSERT_EQ(deviateOf(z, n), truncatedExtendedProduct(scaledUniform(z), n)) << z << " * " << n;
}

// Recorded from the x87 extended type; the same on every processor.
TEST(RandomGenerator, LongStreamsGiveTheRecordedDigests) {
    const std::uint64_t expected[] = {0xa73f00788e9ecb00, 0x3bc088d4babe604f, 0x0b8a5e905bcbaa2c,
                                      0xa562b89c19e43f85, 0x479e25c872fb4a33, 0x5428506785f93f35,
                                      0x0f75ddfc07f16c5e, 0x31325d6979967276};
    std::size_t index = 0;
    for (const auto& [seed1, seed2] : streamSeeds()) {
        RandomGenerator uniforms = seeded(seed1, seed2);
        RandomGenerator deviates = seeded(seed1, seed2);
        std::mt19937 counts(static_cast<std::uint32_t>(seed1));
        // FNV-1a over the bits of every value.
        std::uint64_t digest = 14695981039346656037ULL;
        auto add = [&](std::uint64_t bits) {
            for (int b = 0; b < 64; b += 8) digest = (digest ^ ((bits >> b) & 0xff)) * 1099511628211ULL;
        };
        for (long i = 0; i < kDraws; ++i) {
            add(bitsOf(uniforms.uniform()));
            add(static_cast<std::uint64_t>(deviates.integerDeviate(deviateCount(counts, i))));
        }
        EXPECT_EQ(digest, expected[index]) << seed1 << "," << seed2 << " 0x" << std::hex << digest;
        ++index;
    }
}

}  // namespace
}  // namespace zeltric::randomisation
