#pragma once

namespace zeltric::data {

// Capacity limits fixed at build time; a data file beyond them is refused.
inline constexpr int NPMax = 500;   // samples (populations) per data file
inline constexpr int NLMax = 50;    // loci per data file
inline constexpr int NUMax = 99;    // highest allele number at any locus
inline constexpr int NIMax = 5000;  // genotype lines, all samples together

}  // namespace zeltric::data
