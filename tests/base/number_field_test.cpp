#include "base/number_field.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace zeltric::base {
namespace {

TEST(NumberField, RealRoundsHalfAwayFromZeroOnExactExpansion) {
    EXPECT_EQ(realField(0.0625, 6, 3), " 0.063");  // printf would give 0.062
    EXPECT_EQ(realField(0.25, 6, 3), " 0.250");
    EXPECT_EQ(realField(-0.0625, 6, 3), "-0.063");
    EXPECT_EQ(realField(0.1666666716337204, 10, 5), "   0.16667");
    EXPECT_EQ(realField(2.5, 1, 0), "3");
    EXPECT_EQ(realField(0.9995, 6, 3), " 1.000");  // 0.9995 is just above the tie in binary
    EXPECT_EQ(realField(9.9996, 6, 3), "10.000");
}

TEST(NumberField, RealWidensAndSigns) {
    EXPECT_EQ(realField(12345.67891, 10, 5), "12345.67891");
    EXPECT_EQ(realField(-0.00001, 8, 4), " -0.0000");  // negative keeps its sign
    EXPECT_EQ(realField(-0.0, 8, 4), "  0.0000");      // negative zero does not
    EXPECT_EQ(realField(100.0, 10, 2), "    100.00");
    EXPECT_EQ(realField(0.28284270763397217, 8, 4), "  0.2828");
}

// The field as the exact decimal expansion of the binary value gives it,
// rounded by hand: glibc prints every digit exactly, and 70 digits beyond
// the kept ones reach past any double's distance from a decimal tie.
std::string expandedField(double value, int width, int decimals) {
    const bool negative = std::signbit(value) && value != 0.0;
    std::vector<char> buffer(2000);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals + 70, std::fabs(value));
    const std::string digits(buffer.data());
    const std::size_t point = digits.find('.');
    std::string kept = digits.substr(0, point) + digits.substr(point + 1, static_cast<std::size_t>(decimals));
    if (digits[point + 1 + static_cast<std::size_t>(decimals)] >= '5') {
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
        if (i == 0)
            kept.insert(0, 1, '1');
        else
            ++kept[i - 1];
    }
    const std::size_t integerDigits = kept.size() - static_cast<std::size_t>(decimals);
    std::string text = kept.substr(0, integerDigits);
    if (decimals > 0) text += "." + kept.substr(integerDigits);
    if (negative) text.insert(0, 1, '-');
    if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

TEST(NumberField, RealMatchesTheExactExpansionOnRandomFloats) {
    // Every bit pattern is as likely, so tiny, huge and subnormal values all
    // come up; the share and coordinate fields (10:5, 8:4) most of all.
    std::mt19937_64 engine(20240612u);
    int compared = 0;
    for (int n = 0; n < 1'000'000; ++n) {
        const auto bits = static_cast<std::uint32_t>(engine());
        float single = 0.0f;
        std::memcpy(&single, &bits, sizeof single);
        if (!std::isfinite(single)) continue;
        const double value = single;
        const int decimals = n % 4 == 0 ? static_cast<int>(engine() % 12) : n % 4 == 1 ? 4 : 5;
        const int width = n % 4 == 1 ? 8 : 10;
        ASSERT_EQ(realField(value, width, decimals), expandedField(value, width, decimals))
            << "value " << value << " decimals " << decimals;
        ++compared;
    }
    EXPECT_GT(compared, 990'000);
}

TEST(NumberField, RealMatchesTheExactExpansionAtEveryTie) {
    // The ties of d decimals that a double holds exactly are the odd
    // multiples of 2^-(d+1); each one, its neighbours and its negative.
    for (int decimals = 0; decimals <= 10; ++decimals)
        for (long odd = 1; odd < 60'000; odd += 2) {
            const double tie = std::ldexp(static_cast<double>(odd), -(decimals + 1));
            for (const double value : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300), -tie})
                ASSERT_EQ(realField(value, 10, decimals), expandedField(value, 10, decimals))
                    << "value " << value << " decimals " << decimals;
        }
    // Around the largest magnitudes of the fast path and beyond it.
    for (const double value : {4294967295.999995, 4294967296.0, 4294967296.000005, 1e15 + 0.5, 1e300, 5e-324,
                               1e-300, 0.000005, 0.0000049999999999999996})
        for (int decimals : {0, 5, 9, 12})
            EXPECT_EQ(realField(value, 10, decimals), expandedField(value, 10, decimals))
                << "value " << value << " decimals " << decimals;
}

TEST(NumberField, Integers) {
    EXPECT_EQ(integerField(2, 6), "     2");
    EXPECT_EQ(integerField(1234567, 4), "1234567");
    EXPECT_EQ(integerField(-5), "-5");
}

}  // namespace
}  // namespace zeltric::base
