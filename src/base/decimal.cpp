#include "base/decimal.hpp"

#include <charconv>
#include <limits>
#include <system_error>

namespace zeltric::base {

Decimal parseDecimal(std::string_view text, Sign sign) {
    Decimal result;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        if (sign == Sign::Refused) return result;
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // from_chars would take a second '-' itself; the digits must start here.
    if (text.empty() || text[0] < '0' || text[0] > '9') return result;
    unsigned long long magnitude = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, magnitude);
    if (stop != end) return result;
    constexpr unsigned long long maxMagnitude = std::numeric_limits<long long>::max();
    if (error == std::errc::result_out_of_range || magnitude > maxMagnitude + (negative ? 1ULL : 0ULL)) {
        result.status = Decimal::Status::TooLarge;
        result.value = negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
        return result;
    }
    result.status = Decimal::Status::Ok;
    result.value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    return result;
}

std::optional<long long> decimalValue(std::string_view text, Sign sign) {
    const Decimal d = parseDecimal(text, sign);
    if (d.status != Decimal::Status::Ok) return std::nullopt;
    return d.value;
}

}  // namespace zeltric::base
