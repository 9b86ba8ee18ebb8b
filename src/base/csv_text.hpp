#pragma once

#include <string>

namespace zeltric::base {

// The pieces of the CSV tables (RFC 4180) every table writer shares.

// The shortest decimal text that reads back to the same value (std::to_chars:
// a float as a float, a double as a double).
std::string shortestDecimal(double value);
std::string shortestDecimal(float value);

// One field: quoted, with quotes doubled, when it holds a comma, a quote or
// a line end; as it is otherwise.
std::string csvField(const std::string& text);

}  // namespace zeltric::base
