#include "base/csv_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeltric::base {
namespace {

using Records = std::vector<std::vector<std::string>>;

// The windows show a table by reading back what csvField wrote: every field,
// however awkward, must come back as it went in.
TEST(CsvRecords, ReadsBackWhatCsvFieldWrote) {
    const std::vector<std::string> awkward{"plain", "", "a,b", "say \"hi\"", "two\r\nlines", "\"", ",", "end\n"};
    std::string text;
    for (std::size_t i = 0; i < awkward.size(); ++i) text += (i ? "," : "") + csvField(awkward[i]);
    text += "\r\n1,,3\r\n";
    EXPECT_EQ(csvRecords(text), (Records{awkward, {"1", "", "3"}}));
}

TEST(CsvRecords, LineEndsEmptyFieldsAndAMissingLastLineEnd) {
    EXPECT_EQ(csvRecords(""), Records{});
    EXPECT_EQ(csvRecords("a,b\nc,d"), (Records{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(csvRecords("a,\r\n,b\r\n"), (Records{{"a", ""}, {"", "b"}}));
    EXPECT_EQ(csvRecords("j,k,theta,P,Holm_P\r\n1,2,0.5,,\r\n"),
              (Records{{"j", "k", "theta", "P", "Holm_P"}, {"1", "2", "0.5", "", ""}}));
    EXPECT_EQ(csvRecords("\"\"\r\n"), (Records{{""}}));
}

}  // namespace
}  // namespace zeltric::base
