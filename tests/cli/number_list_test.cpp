#include "cli/number_list.hpp"

#include <gtest/gtest.h>

namespace zeltric::cli {
namespace {

struct Good {
    std::string text;
    std::vector<int> numbers;
};

TEST(NumberList, ReadsNumbersAndRanges) {
    const std::vector<Good> cases = {
        {"1,3,5-8", {1, 3, 5, 6, 7, 8}},           {"3,1,3", {1, 3}}, {" 2 , 4-4 ,1", {1, 2, 4}},
        {"1-10", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}, {"010", {10}},
    };
    for (const Good& c : cases) {
        std::string message;
        const auto numbers = parseNumberList(c.text, 10, 1, message);
        ASSERT_TRUE(numbers.has_value()) << c.text << ": " << message;
        EXPECT_EQ(*numbers, c.numbers) << c.text;
    }
}

TEST(NumberList, RefusesWithAReason) {
    struct Bad {
        std::string text;
        int minimum;
        std::string reason;
    };
    const std::vector<Bad> cases = {
        {"", 1, "empty"},
        {"  ", 1, "empty"},
        {"1,,3", 1, "not a number"},
        {"1,", 1, "not a number"},
        {"a", 1, "not a number"},
        {"1-", 1, "not a number"},
        {"-3", 1, "not a number"},
        {"1-2-3", 1, "not a number"},
        {"+2", 1, "not a number"},
        {"1.5", 1, "not a number"},
        {"8-5", 1, "backwards"},
        {"0", 1, "no number 0"},
        {"3,11", 1, "no number 11"},
        {"9-12", 1, "no number 12"},
        {"99999999999999999999", 1, "no number 99999999999999999999: the numbers run from 1 to 10"},
        {"1-99999999999999999999", 1, "no number 99999999999999999999: the numbers run from 1 to 10"},
        {"1-1000000000", 1, "no number 1000000000:"},
        {"1-" + std::string(60, '9'), 1, "no number " + std::string(40, '9') + "...: the numbers"},
        {"4,4", 2, "at least 2"},
    };
    for (const Bad& c : cases) {
        std::string message;
        EXPECT_FALSE(parseNumberList(c.text, 10, c.minimum, message).has_value()) << c.text;
        EXPECT_NE(message.find(c.reason), std::string::npos) << c.text << ": " << message;
    }
}

}  // namespace
}  // namespace zeltric::cli
