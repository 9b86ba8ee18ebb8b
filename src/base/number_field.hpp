#pragma once

#include <string>

namespace zeltric::base {

// The one number-field helper every file writer uses.
//
// integerField(v, w): v in decimal, right-aligned in w characters (wider when
// it does not fit); w = 0 gives the plain digits.
std::string integerField(long long value, int width = 0);

// realField(v, w, d): fixed point with exactly d decimals, right-aligned in
// w characters and widened when it does not fit. Rounding is half away from
// zero on the value's exact decimal expansion (0.0625 at 3 decimals is
// "0.063"). A negative value keeps its minus sign even when it rounds to
// zero; negative zero prints without one. Non-finite values never reach a
// file: they are an internal error.
std::string realField(double value, int width, int decimals);

// Appends the CR LF that ends every written line.
inline void endLine(std::string& out) { out += "\r\n"; }

}  // namespace zeltric::base
