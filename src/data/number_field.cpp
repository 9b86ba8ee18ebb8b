#include "data/number_field.hpp"

#include <cmath>
#include <cstdio>
#include <vector>

#include "data/fatal_error.hpp"

namespace zeltric::data {

namespace {
std::string padLeft(std::string text, int width) {
    if (width > 0 && static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}
}  // namespace

std::string integerField(long long value, int width) { return padLeft(std::to_string(value), width); }

std::string realField(double value, int width, int decimals) {
    ZELTRIC_ASSERT(std::isfinite(value));
    ZELTRIC_ASSERT(decimals >= 0 && decimals <= 20);
    const bool negative = std::signbit(value) && value != 0.0;
    const double magnitude = std::fabs(value);

    // glibc prints the exact binary value; 40 extra digits lie far below any
    // double's distance from a decimal tie at these precisions, so the digit
    // after the last kept one decides the rounding exactly.
    const int extra = 40;
    const int precision = decimals + extra;
    std::vector<char> buffer(static_cast<std::size_t>(precision) + 400);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", precision, magnitude);
    std::string digits(buffer.data());
    const std::size_t point = digits.find('.');
    std::string integerPart = digits.substr(0, point);
    std::string fraction = digits.substr(point + 1, static_cast<std::size_t>(decimals));
    const char decider = digits[point + 1 + static_cast<std::size_t>(decimals)];

    std::string kept = integerPart + fraction;
    if (decider >= '5') {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') kept[static_cast<std::size_t>(i--)] = '0';
        if (i < 0)
            kept.insert(0, 1, '1');
        else
            ++kept[static_cast<std::size_t>(i)];
    }
    const std::size_t integerDigits = kept.size() - static_cast<std::size_t>(decimals);
    std::string text = kept.substr(0, integerDigits);
    if (decimals > 0) text += "." + kept.substr(integerDigits);
    if (negative) text.insert(0, 1, '-');
    return padLeft(text, width);
}

}  // namespace zeltric::data
