#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "extended/extended_data.hpp"
#include "statistics/fixation.hpp"

namespace zeltric::statistics {

// Pairs of samples in the order the tables list them: (0,1), (0,2), ...,
// (0,P-1), (1,2), ... (0-based).
struct SamplePair {
    std::size_t j = 0;
    std::size_t k = 0;
};
std::vector<SamplePair> samplePairs(std::size_t samples);

struct LocusStatistics {
    bool typed = false;  // somebody is typed here
    Components components;
    std::optional<double> theta;  // nothing: left out (see varianceComponents and thetaOf)
    std::optional<double> ho, hs, ht, dst, fst, fis;
};

struct SampleStatistics {
    std::int64_t individuals = 0;
    std::int64_t loci = 0;  // loci with at least 2 typed, over which Ho and Hs are means
    std::optional<double> ho, hs, fis;
};

// The statistics of a data set, all in doubles:
// - theta = sum a / sum (a + b + c), F = 1 - sum c / sum (a + b + c),
//   f = 1 - sum c / sum (b + c), the sums over the loci in order of their
//   sums over alleles (Weir and Cockerham 1984); loci that add nothing
//   (varianceComponents' `counted`) are left out;
// - Nei's (1987) Ho, Hs, Ht per locus and their means over the loci with
//   ntilde > 1, Dst = Ht - Hs, Fst = Dst / Ht, Fis = 1 - Ho / Hs;
// - per sample, Ho and Hs the means over its loci with at least 2 typed and
//   Fis = 1 - sum Ho / sum Hs over those loci;
// - the theta of every pair of samples (samplePairs' order), the same sums
//   over those two samples alone.
// A figure whose denominator is 0 is nothing; its locus is listed.
struct Statistics {
    std::vector<LocusStatistics> loci;
    std::optional<double> theta, bigF, smallF;
    std::optional<double> ho, hs, ht, dst, fst, fis;
    std::size_t neiLoci = 0;  // loci in the overall Nei means
    std::vector<SampleStatistics> samples;
    std::vector<SamplePair> pairs;
    std::vector<std::optional<double>> pairTheta;
    // 0-based loci typed in somebody whose theta (resp. Hs, Ht, Fis) is nothing.
    std::vector<std::size_t> thetaLeftOut, neiLeftOut, fisLeftOut;
};

// `threads` workers (1: the calling thread only) give the same bits.
Statistics computeStatistics(const extended::ExtendedData& data, int threads);

// The theta of samples j and k alone over all loci (the definition's sums).
std::optional<double> pairTheta(const extended::ExtendedData& data, std::size_t j, std::size_t k);

}  // namespace zeltric::statistics
