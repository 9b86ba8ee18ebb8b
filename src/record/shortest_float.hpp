#pragma once

#include <optional>

namespace zeltric::record {

// The value of a float's shortest decimal text, read back as a double: the
// fewest significant digits (1 to 9) that read back as the float, the
// nearest such text of that length (at a power of two, where the gap below
// is half the gap above, that may not be the correctly rounded one); from
// 2^24 on, a float whose integer is no longer than that text in scientific
// form is written out in full, so its value is the float's own. The same
// double as std::to_chars(float) followed by std::strtod, computed with
// integer arithmetic only, for a C++ library without floating-point
// to_chars whose printf and strtod work in software long double (hundreds
// of times slower). Nothing for zero, a value that is not finite, or where
// the decimal exponent of the text lies outside -22..22 (a double's exact
// powers of ten): the caller then takes its slow path.
std::optional<double> shortestFloatValue(float value);

}  // namespace zeltric::record
