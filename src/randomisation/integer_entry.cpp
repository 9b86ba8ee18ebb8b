#include "randomisation/integer_entry.hpp"

#include <cstddef>
#include <limits>

#include "base/decimal.hpp"

namespace zeltric::randomisation {

std::optional<std::int32_t> parseIntegerEntry(const std::string& text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) return std::nullopt;
    const auto value = base::decimalValue(std::string_view(text).substr(start));
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

}  // namespace zeltric::randomisation
