#include "base/number_field.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/fatal_error.hpp"

namespace zeltric::base {

namespace {
std::string padLeft(std::string text, int width) {
    if (width > 0 && static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

__extension__ typedef unsigned __int128 Wide;  // GCC and Clang on 64-bit targets

constexpr std::array<std::uint64_t, 10> kPowersOfTen = {1,      10,      100,      1000,      10000,
                                                        100000, 1000000, 10000000, 100000000, 1000000000};
// Magnitudes below this take the integer path: the scaled value then stays
// far inside 64 bits even with nine decimals.
constexpr double kIntegerPathBound = 4294967296.0;  // 2^32

// The decimal text of the exact binary value, rounded: slow, any magnitude.
std::string exactDigitsField(double value, int width, int decimals) {
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

}  // namespace

std::string integerField(long long value, int width) { return padLeft(std::to_string(value), width); }

std::string realField(double value, int width, int decimals) {
    ZELTRIC_ASSERT(std::isfinite(value));
    ZELTRIC_ASSERT(decimals >= 0 && decimals <= 20);
    const double magnitude = std::fabs(value);
    if (decimals >= static_cast<int>(kPowersOfTen.size()) || !(magnitude < kIntegerPathBound))
        return exactDigitsField(value, width, decimals);

    // The magnitude is m * 2^-shift exactly (m < 2^53); m * 10^decimals fits
    // in 128 bits, so the scaled value's integer part and whether its
    // fraction reaches one half come out exact: the same text as the exact
    // expansion gives, without printing some fifty digits.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const auto biased = static_cast<int>(bits >> 52);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    // Below 2^32 a normal double's exponent is negative: at least 20 bits of
    // the mantissa lie right of the binary point.
    const int shift = biased == 0 ? 1074 : 1075 - biased;
    const Wide scaled = static_cast<Wide>(mantissa) * kPowersOfTen[static_cast<std::size_t>(decimals)];
    std::uint64_t rounded = 0;
    if (shift < 128) {
        const Wide one = 1;
        const Wide rest = scaled & ((one << shift) - 1);
        rounded = static_cast<std::uint64_t>(scaled >> shift);
        if (rest >= (one << (shift - 1))) ++rounded;  // half away from zero
    }                                                 // else below 2^-75: rounds to 0 at any of these precisions

    const std::uint64_t unit = kPowersOfTen[static_cast<std::size_t>(decimals)];
    std::array<char, 48> buffer{};
    char* out = buffer.data();
    // A negative value keeps its sign even when it rounds to zero; -0 does not.
    if (std::signbit(value) && value != 0.0) *out++ = '-';
    out = std::to_chars(out, buffer.data() + buffer.size(), rounded / unit).ptr;
    if (decimals > 0) {
        *out++ = '.';
        std::uint64_t rest = rounded % unit;
        for (int k = decimals - 1; k >= 0; --k) {
            out[k] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        out += decimals;
    }
    const auto length = static_cast<int>(out - buffer.data());
    if (length >= width) return std::string(buffer.data(), static_cast<std::size_t>(length));
    std::string text(static_cast<std::size_t>(width - length), ' ');
    text.append(buffer.data(), static_cast<std::size_t>(length));
    return text;
}

}  // namespace zeltric::base
