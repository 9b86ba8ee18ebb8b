#include "cli/number_list.hpp"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "base/decimal.hpp"
#include "base/messages_cli.hpp"

namespace zeltric::cli {
namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A positive decimal number of digits only; saturates far above any limit.
std::optional<long long> number(const std::string& text) {
    const base::Decimal d = base::parseDecimal(text, base::Sign::Refused);
    if (d.status == base::Decimal::Status::NotANumber) return std::nullopt;
    return std::min(d.value, 1000000000LL);
}

}  // namespace

std::optional<std::vector<int>> parseNumberList(const std::string& text, int maximum, int minimumCount,
                                                std::string& message) {
    if (trimmed(text).empty()) {
        message = base::emptyListReason();
        return std::nullopt;
    }
    std::vector<int> numbers;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string entry =
            trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        const std::size_t dash = entry.find('-');
        const auto first = number(dash == std::string::npos ? entry : trimmed(entry.substr(0, dash)));
        const auto last = dash == std::string::npos ? first : number(trimmed(entry.substr(dash + 1)));
        if (!first || !last) {
            message = base::notNumberOrRangeReason(entry, text);
            return std::nullopt;
        }
        if (*first > *last) {
            message = base::backwardsRangeReason(entry);
            return std::nullopt;
        }
        const std::string firstText = trimmed(dash == std::string::npos ? entry : entry.substr(0, dash));
        const std::string lastText = dash == std::string::npos ? firstText : trimmed(entry.substr(dash + 1));
        for (const auto& [n, written] : {std::pair{*first, firstText}, std::pair{*last, lastText}}) {
            if (n < 1 || n > maximum) {
                // The number as written: a saturated value would name another number.
                const std::string shown = written.size() > 40 ? written.substr(0, 40) + "..." : written;
                message = "there is no number " + shown + ": the numbers run from 1 to " + std::to_string(maximum);
                return std::nullopt;
            }
        }
        for (long long n = *first; n <= *last; ++n) numbers.push_back(static_cast<int>(n));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    if (static_cast<int>(numbers.size()) < minimumCount) {
        message = base::tooFewNumbersReason(minimumCount, numbers.size());
        return std::nullopt;
    }
    return numbers;
}

}  // namespace zeltric::cli
