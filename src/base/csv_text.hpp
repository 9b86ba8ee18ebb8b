#pragma once

#include <string>
#include <vector>

namespace zeltric::base {

// The pieces of the CSV tables (RFC 4180) every table writer shares.

// The shortest decimal text that reads back to the same value (std::to_chars:
// a float as a float, a double as a double).
std::string shortestDecimal(double value);
std::string shortestDecimal(float value);

// One field: quoted, with quotes doubled, when it holds a comma, a quote or
// a line end; as it is otherwise.
std::string csvField(const std::string& text);

// The records of a table as csvField and CR LF (or LF) line ends wrote it,
// each a list of its fields unquoted; a quoted field keeps its commas,
// quotes and line ends. What the windows show of a table.
std::vector<std::vector<std::string>> csvRecords(const std::string& text);

}  // namespace zeltric::base
