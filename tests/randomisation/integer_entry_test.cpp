#include "randomisation/integer_entry.hpp"

#include <gtest/gtest.h>

#include "randomisation/random_generator.hpp"
#include "run/asking.hpp"
#include "test_support.hpp"

namespace zeltric::randomisation {
namespace {

using run::askRandomisationCount;
using run::askSeedsUntilValid;

using Seeds = std::optional<std::pair<std::string, std::string>>;

TEST(IntegerEntry, ValidTexts) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"42", 42},
        {" 42", 42},
        {"   42", 42},
        {"+7", 7},
        {"-7", -7},
        {" -7", -7},
        {"007", 7},
        {"0", 0},
        {"-0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"00000000000000000012", 12},
    };
    for (const auto& [text, value] : cases) {
        const auto parsed = parseIntegerEntry(text);
        ASSERT_TRUE(parsed.has_value()) << '"' << text << '"';
        EXPECT_EQ(*parsed, value) << '"' << text << '"';
    }
}

TEST(IntegerEntry, InvalidTexts) {
    const char* cases[] = {"",
                           " ",
                           "+",
                           "-",
                           "42a",
                           "a42",
                           "4 2",
                           "42 ",
                           "- 7",
                           "+-7",
                           "--7",
                           "1.5",
                           "1e3",
                           "\t42",
                           "$2A",
                           "0x10",
                           "2147483648",
                           "-2147483649",
                           "99999999999999999999"};
    for (const char* text : cases) EXPECT_FALSE(parseIntegerEntry(text).has_value()) << '"' << text << '"';
}

TEST(SeedPrompt, RepeatsUntilBothFieldsAreValidAndInRange) {
    test::RecordingInterface ui;
    ui.seedAnswers = {
        std::nullopt,                // closed without OK
        Seeds{{"42", ""}},           // second field empty
        Seeds{{"42a", "7"}},         // first field does not convert
        Seeds{{"0", "7"}},           // below the first range
        Seeds{{"2147483563", "7"}},  // above the first range
        Seeds{{"7", "0"}},           // below the second range
        Seeds{{"7", "2147483399"}},  // above the second range
        Seeds{{"-5", "7"}},
        Seeds{{" 42", "+9"}},
    };
    EXPECT_EQ(askSeedsUntilValid(ui), std::make_pair(42, 9));
    EXPECT_EQ(ui.seedPrompts, 9);
    EXPECT_TRUE(ui.seedAnswers.empty());
}

TEST(SeedPrompt, AcceptsTheBoundsOfBothRanges) {
    test::RecordingInterface ui;
    ui.seedAnswers = {Seeds{{"1", "1"}}, Seeds{{"2147483562", "2147483398"}}};
    EXPECT_EQ(askSeedsUntilValid(ui), std::make_pair(1, 1));
    EXPECT_EQ(askSeedsUntilValid(ui), std::make_pair(kSeed1Max, kSeed2Max));
    EXPECT_EQ(ui.seedPrompts, 2);
}

TEST(CountPrompt, RefusesOutOfRangeAndInvalidEntriesOfferingHundredEachTime) {
    test::RecordingInterface ui;
    ui.countAnswers = {std::string("99"), std::string("15001"), std::string("abc"),  std::string(""),
                       std::nullopt,      std::string("-100"),  std::string("150 "), std::string("15000")};
    EXPECT_EQ(askRandomisationCount(ui), 15000);
    EXPECT_EQ(ui.countOffers, std::vector<std::string>(8, "100"));
    EXPECT_TRUE(ui.countAnswers.empty());
}

TEST(CountPrompt, AcceptsTheOfferedHundredAndTheLowerBound) {
    test::RecordingInterface ui;
    ui.countAnswers = {std::string("100"), std::string(" 1000")};
    EXPECT_EQ(askRandomisationCount(ui), 100);
    EXPECT_EQ(askRandomisationCount(ui), 1000);
    EXPECT_EQ(ui.countOffers, std::vector<std::string>(2, "100"));
}

}  // namespace
}  // namespace zeltric::randomisation
