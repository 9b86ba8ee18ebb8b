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

}  // namespace zeltric::randomisation
