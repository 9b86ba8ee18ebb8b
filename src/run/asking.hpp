#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "randomisation/random_generator.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// The prompts that repeat until an answer is valid. They live here, above
// the randomisation layer, because they talk to a person through the port.

// The seed prompt with the generator's range check: shows the seed dialog
// (fields empty) until an OK gives two valid entries with the first in
// 1..kSeed1Max and the second in 1..kSeed2Max. Closing the dialog without
// OK shows it again. There is no other way out.
std::pair<std::int32_t, std::int32_t> askSeedsUntilValid(UserInterface& ui);

// The count prompt the Testing command runs: offers "100" at every showing
// and repeats until an OK gives a valid entry within
// kMinRandomisations..kMaxRandomisations. Closing the
// dialog without OK shows it again.
std::int32_t askRandomisationCount(UserInterface& ui);

// Program start: sets both seeds from the file, used as read (no range
// check) when seedsUsable. Otherwise (missing, unreadable, a zero or a
// multiple of the modulus) asks through the seed prompt until valid seeds are given and writes them
// with one blank between them. False only when that write failed; the
// generator holds the typed seeds either way and the old file is untouched.
bool loadSeeds(randomisation::RandomGenerator& generator, const std::string& fileName, UserInterface& ui);

}  // namespace zeltric::run
