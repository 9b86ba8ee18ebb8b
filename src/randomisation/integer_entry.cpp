#include "randomisation/integer_entry.hpp"

#include <cstddef>

#include "randomisation/random_generator.hpp"

namespace zeltric::randomisation {

std::optional<std::int32_t> parseIntegerEntry(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size()) return std::nullopt;
    // Magnitude limit of the sign: 2^31 for a negative value, 2^31 - 1 otherwise.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::pair<std::int32_t, std::int32_t> askSeedsUntilValid(run::UserInterface& ui) {
    for (;;) {
        const auto answer = ui.askSeeds();
        if (!answer) continue;
        const auto first = parseIntegerEntry(answer->first);
        const auto second = parseIntegerEntry(answer->second);
        if (!first || !second) continue;
        if (*first < 1 || *second < 1 || *first > kSeed1Max || *second > kSeed2Max) continue;
        return {*first, *second};
    }
}

std::int32_t askRandomisationCount(run::UserInterface& ui) {
    for (;;) {
        const auto answer = ui.askCount("100");
        if (!answer) continue;
        const auto count = parseIntegerEntry(*answer);
        if (count && *count >= kMinRandomisations && *count <= kMaxRandomisations) return *count;
    }
}

}  // namespace zeltric::randomisation
