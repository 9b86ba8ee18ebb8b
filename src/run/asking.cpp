#include "run/asking.hpp"

#include "base/limits.hpp"
#include "randomisation/integer_entry.hpp"
#include "randomisation/seed_file.hpp"

namespace zeltric::run {

using randomisation::parseIntegerEntry;

std::pair<std::int32_t, std::int32_t> askSeedsUntilValid(UserInterface& ui) {
    for (;;) {
        const auto answer = ui.askSeeds();
        if (!answer) continue;
        const auto first = parseIntegerEntry(answer->first);
        const auto second = parseIntegerEntry(answer->second);
        if (!first || !second) continue;
        if (!base::validSeeds(*first, *second)) continue;
        return {*first, *second};
    }
}

std::int32_t askRandomisationCount(UserInterface& ui) {
    for (;;) {
        const auto answer = ui.askCount("100");
        if (!answer) continue;
        const auto count = parseIntegerEntry(*answer);
        if (count && *count >= base::kMinRandomisations && *count <= base::kMaxRandomisations) return *count;
    }
}

bool loadSeeds(randomisation::RandomGenerator& generator, const std::string& fileName, UserInterface& ui) {
    const auto [first, second] = randomisation::readSeedFile(fileName);
    if (randomisation::seedsUsable(first, second)) {
        generator.seed1 = first;
        generator.seed2 = second;
        return true;
    }
    const auto [seed1, seed2] = askSeedsUntilValid(ui);
    generator.seed1 = seed1;
    generator.seed2 = seed2;
    return randomisation::writeSeedFile(fileName, seed1, seed2, " ");
}

}  // namespace zeltric::run
