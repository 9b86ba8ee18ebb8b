#include "record/shortest_float.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace zeltric::record {
namespace {

// The reference: the shortest text of the C++ library, read as a double.
double referenceValue(float value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    EXPECT_EQ(error, std::errc());
    return std::strtod(std::string(text, end).c_str(), nullptr);
}

float fromBits(std::uint32_t bits) {
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Either the reference's double to the bit, or nothing where the decimal
// exponent is past a double's exact powers of ten.
void expectReference(float value) {
    const auto fast = shortestFloatValue(value);
    const double expected = referenceValue(value);
    if (!fast) {
        const double magnitude = std::fabs(static_cast<double>(value));
        EXPECT_TRUE(magnitude < 1e-13 || magnitude >= 1e22) << "no value for " << expected;
        return;
    }
    EXPECT_EQ(std::memcmp(&*fast, &expected, sizeof expected), 0) << "float bits " << std::hex << [&] {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }() << std::dec << ": " << *fast << " against " << expected;
}

// The places where rounding and the neighbours' gaps change: powers of two
// (the lower gap halves) and of ten (the digit count changes), their
// neighbours, the ends of the range, subnormals, values with ties.
TEST(ShortestFloat, EdgesAgreeWithTheLibrary) {
    std::vector<float> values = {1.0f,         0.1f,        0.5f,         0.125f,       3.0f,     1e-5f,
                                 123456789.0f, 16777216.0f, 0.3f,         2.5f,         0.00001f, 1.17549435e-38f,
                                 FLT_MAX,      FLT_MIN,     FLT_TRUE_MIN, 9.999999e21f, 1e22f,    4.2e-14f,
                                 0.05f,        7.0e-10f};
    for (int exponent = -149; exponent <= 127; ++exponent) {
        const float power = std::ldexp(1.0f, exponent);
        values.insert(values.end(), {power, std::nextafter(power, 0.0f), std::nextafter(power, INFINITY)});
    }
    for (int exponent = -45; exponent <= 38; ++exponent) {
        const float power = std::pow(10.0f, static_cast<float>(exponent));
        if (std::isfinite(power) && power > 0.0f)
            values.insert(values.end(), {power, std::nextafter(power, 0.0f), std::nextafter(power, INFINITY)});
    }
    for (const float value : values) {
        expectReference(value);
        expectReference(-value);
    }
    EXPECT_FALSE(shortestFloatValue(0.0f));
    EXPECT_FALSE(shortestFloatValue(-0.0f));
    EXPECT_FALSE(shortestFloatValue(std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(shortestFloatValue(std::numeric_limits<float>::quiet_NaN()));
}

// Every bit pattern in steps across the whole range, and a random sample of
// the values a record holds (coordinates and shares of order 1e-6 to 1e2).
TEST(ShortestFloat, SweepsAgreeWithTheLibrary) {
    for (std::uint64_t bits = 1; bits < 0x7f800000u; bits += 4099)
        expectReference(fromBits(static_cast<std::uint32_t>(bits)));
    std::mt19937 generator(20261208);
    std::uniform_int_distribution<std::uint32_t> near(0x35000000u, 0x43000000u);
    for (int i = 0; i < 300000; ++i) expectReference(fromBits(near(generator)));
}

}  // namespace
}  // namespace zeltric::record
