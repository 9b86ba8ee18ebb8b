#include "base/messages_ranges.hpp"

#include "base/limits.hpp"

namespace zeltric::base {

namespace {

std::string range(long long lowest, long long highest) {
    return std::to_string(lowest) + ".." + std::to_string(highest);
}

}  // namespace

std::string randomisationRange() { return range(kMinRandomisations, kMaxRandomisations); }
std::string replicateRange() { return range(kMinReplicates, kMaxReplicates); }
std::string firstSeedRange() { return range(1, kSeed1Max); }
std::string secondSeedRange() { return range(1, kSeed2Max); }
std::string pngWidthRange() { return range(kMinPngWidth, kMaxPngWidth); }

std::string seedQuestionTitle() { return "Seeds Random Number generator?"; }
std::string firstSeedQuestion() { return "First seed? [" + firstSeedRange() + "]"; }
std::string secondSeedQuestion() { return "Second seed?  [" + secondSeedRange() + "]"; }
std::string randomisationCountQuestion() { return "Number of randomisations ? [" + randomisationRange() + "]"; }
std::string replicateCountQuestion() { return "Number of replicates ? [" + replicateRange() + "]"; }

}  // namespace zeltric::base
