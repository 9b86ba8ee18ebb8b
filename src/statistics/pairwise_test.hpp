#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "extended/extended_data.hpp"
#include "randomisation/permutation_engine.hpp"
#include "statistics/observed_statistics.hpp"

namespace zeltric::statistics {

// The permutation test of every pair's theta.
//
// Pairs in samplePairs' order. For each pair, R - 1 randomisations: the
// pair's individuals occupy positions 1..n_j+n_k (sample j's, then sample
// k's, in the order read); each randomisation continues from the previous
// arrangement with a Fisher-Yates pass over positions i = n_j+n_k, ..., 2
// (partner 1 + integerDeviate(i), exchanged with i), and the individuals in
// the first n_j positions form sample j. One generator, started at `seed1`,
// `seed2`, runs on from randomisation to randomisation and pair to pair:
// a pair of n individuals takes (R - 1)(n - 1) draws, so each pair's start
// is a jump (randomisation::GeneratorJump) from the seeds and workers take
// whole pairs in any order with the same bits as one thread.
//
// A randomisation reaches the observed theta when its theta >= observed -
// 1e-9 |observed|; P = (1 + reached) / R. A pair without an observed theta
// has no P, its draws are taken all the same.
struct PairwiseTestOptions {
    enum class Route {
        Fast,     // only s2 moves within a pair: the loci typed in all of the
                  // pair's individuals from their Gram matrix of shared allele
                  // copies, the others recounted over the pair
        Recount,  // every randomisation recounts every locus over the pair
    };
    std::int32_t randomisations = 0;  // R, at least 1
    std::int32_t seed1 = 1;
    std::int32_t seed2 = 1;
    int threads = 1;
    Route route = Route::Fast;
};

struct PairwiseTestResult {
    bool cancelled = false;                   // no P-values then
    std::vector<std::int64_t> reached;        // per pair
    std::vector<std::optional<double>> p;     // per pair, nothing without an observed theta
    std::vector<std::optional<double>> holm;  // holmAdjusted(p)
    std::int32_t seed1After = 0;              // the generator after the last pair
    std::int32_t seed2After = 0;
};

// `observed` is computeStatistics' pairTheta for `data`. The observer hears
// started(pairs), taken(pairs done) and finished(); its cancelRequested() is
// polled between batches of pairs.
PairwiseTestResult runPairwiseTest(const extended::ExtendedData& data,
                                   const std::vector<std::optional<double>>& observed,
                                   const PairwiseTestOptions& options, randomisation::TestObserver& observer);

// The theta of every arrangement of one pair, in order (the observed
// arrangement first), by the route asked for: what the tests compare.
std::vector<std::optional<double>> pairArrangementThetas(const extended::ExtendedData& data, SamplePair pair,
                                                         const PairwiseTestOptions& options);

// Holm's step-down adjustment: the P-values sorted ascending (ties in their
// given order), the i-th of m multiplied by m - i + 1, a running maximum
// taken and capped at 1. Entries without a P-value stay empty and do not
// count in m.
std::vector<std::optional<double>> holmAdjusted(const std::vector<std::optional<double>>& p);

}  // namespace zeltric::statistics
