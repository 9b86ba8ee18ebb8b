#include <gtest/gtest.h>

#include <cmath>

#include "data/number_field.hpp"

namespace zeltric::data {
namespace {

TEST(NumberField, RealRoundsHalfAwayFromZeroOnExactExpansion) {
    EXPECT_EQ(realField(0.0625, 6, 3), " 0.063");  // printf would give 0.062
    EXPECT_EQ(realField(0.25, 6, 3), " 0.250");
    EXPECT_EQ(realField(-0.0625, 6, 3), "-0.063");
    EXPECT_EQ(realField(0.1666666716337204, 10, 5), "   0.16667");
    EXPECT_EQ(realField(2.5, 1, 0), "3");
    EXPECT_EQ(realField(0.9995, 6, 3), " 1.000");  // 0.9995 is below the tie in binary
    EXPECT_EQ(realField(9.9996, 6, 3), "10.000");
}

TEST(NumberField, RealWidensAndSigns) {
    EXPECT_EQ(realField(12345.67891, 10, 5), "12345.67891");
    EXPECT_EQ(realField(-0.00001, 8, 4), " -0.0000");  // negative keeps its sign
    EXPECT_EQ(realField(-0.0, 8, 4), "  0.0000");      // negative zero does not
    EXPECT_EQ(realField(100.0, 10, 2), "    100.00");
    EXPECT_EQ(realField(0.28284270763397217, 8, 4), "  0.2828");
}

TEST(NumberField, Integers) {
    EXPECT_EQ(integerField(2, 6), "     2");
    EXPECT_EQ(integerField(1234567, 4), "1234567");
    EXPECT_EQ(integerField(-5), "-5");
}

}  // namespace
}  // namespace zeltric::data
