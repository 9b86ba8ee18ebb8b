#pragma once

#include <cstdint>

namespace zeltric::base {

// Capacity limits fixed at build time; a data file beyond them is refused.
inline constexpr int NPMax = 500;   // samples (populations) per data file
inline constexpr int NLMax = 50;    // loci per data file
inline constexpr int NUMax = 99;    // highest allele number at any locus
inline constexpr int NIMax = 5000;  // genotype lines, all samples together

// Range of the permutation test's randomisation count, both bounds allowed.
inline constexpr std::int32_t kMinRandomisations = 100;
inline constexpr std::int32_t kMaxRandomisations = 15000;
// The extended analysis's test goes further: its arrangements cost far less.
inline constexpr std::int32_t kMaxExtendedRandomisations = 1000000;

// Range of the bootstrap's replicate count, both bounds allowed.
inline constexpr std::int32_t kMinReplicates = 100;
inline constexpr std::int32_t kMaxReplicates = 100000;

// A PNG figure's width in pixels: the range, both bounds allowed, and the default.
inline constexpr int kMinPngWidth = 200;
inline constexpr int kMaxPngWidth = 20000;
inline constexpr int kDefaultPngWidth = 2400;

// The generator's seed ranges, both bounds allowed: a seed outside them
// (from an option, a dialog or a run record) is refused where it is given.
inline constexpr long long kSeed1Max = 2147483562;
inline constexpr long long kSeed2Max = 2147483398;
inline constexpr bool validSeeds(long long seed1, long long seed2) {
    return seed1 >= 1 && seed1 <= kSeed1Max && seed2 >= 1 && seed2 <= kSeed2Max;
}

}  // namespace zeltric::base
