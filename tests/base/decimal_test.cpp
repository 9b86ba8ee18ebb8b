#include "base/decimal.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace zeltric::base {
namespace {

using Status = Decimal::Status;

TEST(Decimal, ReadsSignsDigitsAndTheEdgesOfLongLong) {
    EXPECT_EQ(decimalValue("0"), 0);
    EXPECT_EQ(decimalValue("+17"), 17);
    EXPECT_EQ(decimalValue("-17"), -17);
    EXPECT_EQ(decimalValue("000042"), 42);
    EXPECT_EQ(decimalValue("9223372036854775807"), std::numeric_limits<long long>::max());
    EXPECT_EQ(decimalValue("-9223372036854775808"), std::numeric_limits<long long>::min());
}

TEST(Decimal, RefusesAnythingButOneSignAndDigits) {
    for (const char* text :
         {"", "+", "-", " 1", "1 ", "1a", "a1", "+-1", "-+1", "--1", "1.0", "1e3", "0x10", "1,2"})
        EXPECT_EQ(parseDecimal(text).status, Status::NotANumber) << '"' << text << '"';
    EXPECT_EQ(parseDecimal("+5", Sign::Refused).status, Status::NotANumber);
    EXPECT_EQ(parseDecimal("-5", Sign::Refused).status, Status::NotANumber);
    EXPECT_EQ(decimalValue("5", Sign::Refused), 5);
}

TEST(Decimal, TooLargeSaturatesTowardsItsSign) {
    const Decimal above = parseDecimal("9223372036854775808");
    EXPECT_EQ(above.status, Status::TooLarge);
    EXPECT_EQ(above.value, std::numeric_limits<long long>::max());
    const Decimal below = parseDecimal("-9223372036854775809");
    EXPECT_EQ(below.status, Status::TooLarge);
    EXPECT_EQ(below.value, std::numeric_limits<long long>::min());
    EXPECT_EQ(parseDecimal(std::string(400, '7')).status, Status::TooLarge);
    EXPECT_FALSE(decimalValue(std::string(400, '7')).has_value());
    // Digits first, then the size: a long run with a letter is not a number.
    EXPECT_EQ(parseDecimal(std::string(400, '7') + "x").status, Status::NotANumber);
}

}  // namespace
}  // namespace zeltric::base
