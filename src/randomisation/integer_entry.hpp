#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zeltric::randomisation {

// The text of a one-line number field, as the seed and count dialogs accept
// it: the whole text must be a signed 32-bit decimal integer. Leading blanks
// and one sign ("+" or "-") are allowed; an empty text, any other character
// (a trailing blank included) or a value beyond the 32-bit range is invalid.
std::optional<std::int32_t> parseIntegerEntry(const std::string& text);

// Range of the permutation test's randomisation count, both bounds allowed.
inline constexpr std::int32_t kMinRandomisations = 100;
inline constexpr std::int32_t kMaxRandomisations = 15000;

}  // namespace zeltric::randomisation
