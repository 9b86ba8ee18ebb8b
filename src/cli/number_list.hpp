#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zeltric::cli {

// Reads a list of item numbers such as "1,3,5-8": numbers and ranges A-B
// (A <= B) separated by commas, blanks allowed around each entry. Gives the
// numbers ascending without repeats, each within 1..maximum, and at least
// `minimumCount` of them. Otherwise gives nothing and puts a one-line reason
// in `message` (the caller names the option).
std::optional<std::vector<int>> parseNumberList(const std::string& text, int maximum, int minimumCount,
                                                std::string& message);

}  // namespace zeltric::cli
