#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "run/user_interface.hpp"

namespace zeltric::randomisation {

// The text of a one-line number field, as the seed and count dialogs accept
// it: the whole text must be a signed 32-bit decimal integer. Leading blanks
// and one sign ("+" or "-") are allowed; an empty text, any other character
// (a trailing blank included) or a value beyond the 32-bit range is invalid.
std::optional<std::int32_t> parseIntegerEntry(const std::string& text);

// The seed prompt with the generator's range check: shows the seed dialog
// (fields empty) until an OK gives two valid entries with the first in
// 1..kSeed1Max and the second in 1..kSeed2Max. Closing the dialog without
// OK shows it again. There is no other way out.
std::pair<std::int32_t, std::int32_t> askSeedsUntilValid(run::UserInterface& ui);

// Range of the permutation test's randomisation count, both bounds allowed.
inline constexpr std::int32_t kMinRandomisations = 100;
inline constexpr std::int32_t kMaxRandomisations = 15000;
// The count prompt the Testing command runs: offers "100" at every showing
// and repeats until an OK gives a valid entry within 100..15000. Closing the
// dialog without OK shows it again.
std::int32_t askRandomisationCount(run::UserInterface& ui);

}  // namespace zeltric::randomisation
