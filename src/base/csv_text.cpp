#include "base/csv_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/fatal_error.hpp"

namespace zeltric::base {

namespace {

#ifdef __EMSCRIPTEN__
// Its C++ library has no floating-point to_chars: the shortest correctly
// rounded digits that read back (printf's %.*e, strtod), written as
// to_chars writes them: fixed or scientific, whichever is shorter (fixed on
// a tie), the exponent with at least two digits.
template <typename T>
std::string shortest(T value) {
    if (value == 0) return std::signbit(value) ? "-0" : "0";
    char text[64];
    int digits = 1;
    for (; digits < 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
        if (static_cast<T>(std::strtod(text, nullptr)) == value) break;
    }
    std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
    const std::string all(text);
    const bool negative = all[0] == '-';
    const std::size_t e = all.find('e');
    std::string mantissa;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (all[i] != '.') mantissa += all[i];
    const int exponent = std::atoi(all.c_str() + e + 1);
    std::string scientific = mantissa.substr(0, 1);
    if (mantissa.size() > 1) scientific += "." + mantissa.substr(1);
    scientific += exponent < 0 ? "e-" : "e+";
    const int magnitude = exponent < 0 ? -exponent : exponent;
    scientific += (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
    std::string fixed;
    const int n = static_cast<int>(mantissa.size());
    if (exponent < 0)
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
    else if (exponent + 1 >= n)
        fixed = mantissa + std::string(static_cast<std::size_t>(exponent + 1 - n), '0');
    else
        fixed = mantissa.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
                mantissa.substr(static_cast<std::size_t>(exponent + 1));
    return (negative ? "-" : "") + (fixed.size() <= scientific.size() ? fixed : scientific);
}
#else
template <typename T>
std::string shortest(T value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    ZELTRIC_ASSERT(result.ec == std::errc());
    return std::string(text, result.ptr);
}
#endif

}  // namespace

std::string shortestDecimal(double value) { return shortest(value); }
std::string shortestDecimal(float value) { return shortest(value); }

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace zeltric::base
