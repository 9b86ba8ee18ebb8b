#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "statistics/locus_tallies.hpp"

namespace zeltric::statistics {

// Weir and Cockerham's (1984) variance components of one locus, summed over
// its alleles, for the samples `which` of `tally` (those with nobody typed
// are left out). For one allele over the r samples typed: n_i typed
// individuals, nbar = sum n_i / r, n_c = (r nbar - sum n_i^2 / (r nbar)) /
// (r - 1), p_i the allele's frequency, pbar = sum n_i p_i / (r nbar),
// s2 = sum n_i (p_i - pbar)^2 / ((r - 1) nbar), h_i the share heterozygous
// for it, hbar = sum n_i h_i / (r nbar);
//   a = nbar / n_c [s2 - (pbar (1 - pbar) - (r - 1) s2 / r - hbar / 4) / (nbar - 1)]
//   b = nbar / (nbar - 1) [pbar (1 - pbar) - (r - 1) s2 / r - (2 nbar - 1) hbar / (4 nbar)]
//   c = hbar / 2
// each computed in doubles as written. `counted` is false (and the sums 0)
// when fewer than 2 samples are typed or nbar <= 1: the locus adds nothing.
struct Components {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    bool counted = false;
    double total() const { return a + b + c; }
};
Components varianceComponents(const LocusTally& tally, std::span<const std::size_t> which);

// A tally's frequencies p = copies / (2n) and heterozygote shares
// h = carriers / n, divided once for the many pairs of samples at a locus;
// varianceComponents of them gives the same bits as of the tally.
struct LocusFrequencies {
    std::size_t alleles = 0;
    std::vector<double> typed;  // per sample
    std::vector<double> p;      // [s * alleles + a], 0 where nobody is typed
    std::vector<double> h;
};
void frequenciesOf(const LocusTally& tally, LocusFrequencies& out);
Components varianceComponents(const LocusFrequencies& frequencies, std::span<const std::size_t> which);

// a / (a + b + c), nothing when the locus adds nothing or the sum is 0.
std::optional<double> thetaOf(const Components& components);

// Nei's (1987) gene diversities of one locus over the samples typed there
// (np of them): Ho the mean share of heterozygotes; with ntilde the harmonic
// mean of their typed counts and pbar_a the unweighted mean frequency,
//   Hs = ntilde / (ntilde - 1) [1 - mean_j sum_a p_ja^2 - Ho / (2 ntilde)]
//   Ht = 1 - sum_a pbar_a^2 + Hs / (ntilde np) - Ho / (2 ntilde np)
// Hs and Ht are nothing when ntilde <= 1 (nobody typed twice over).
struct Diversity {
    std::optional<double> ho;
    std::optional<double> hs;
    std::optional<double> ht;
    bool counted = false;  // ntilde > 1: the locus enters the overall means
};
Diversity neiDiversity(const LocusTally& tally);

// Within sample s at the tally's locus: Ho = heterozygotes / typed and
// Hs = n / (n - 1) (1 - sum_a p^2 - Ho / (2n)); nothing below 2 typed.
struct SampleLocusDiversity {
    double ho = 0.0;
    double hs = 0.0;
};
std::optional<SampleLocusDiversity> sampleDiversity(const LocusTally& tally, std::size_t s);

// 1 - x / y, nothing when y is 0; Dst / Ht as Fst is 1 - Hs / Ht.
std::optional<double> oneMinusRatio(std::optional<double> x, std::optional<double> y);

}  // namespace zeltric::statistics
