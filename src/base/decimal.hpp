#pragma once

#include <optional>
#include <string_view>

namespace zeltric::base {

// The one reader of decimal integers in text the user gives (files, options,
// dialog fields): an optional sign ('+' or '-', where signs are allowed) and
// decimal digits, nothing before or after. TooLarge when the digits do not
// fit a long long; `value` then holds the nearest long long, so a caller that
// checks a range reports the number as out of range.
struct Decimal {
    enum class Status { Ok, NotANumber, TooLarge };
    Status status = Status::NotANumber;
    long long value = 0;
};

enum class Sign { Allowed, Refused };

Decimal parseDecimal(std::string_view text, Sign sign = Sign::Allowed);

// The value of a text that parseDecimal reads as Ok; nothing otherwise.
std::optional<long long> decimalValue(std::string_view text, Sign sign = Sign::Allowed);

}  // namespace zeltric::base
