#pragma once

#include <functional>
#include <string>
#include <vector>

#include "extended/arrangement_analysis.hpp"
#include "extended/extended_analysis.hpp"
#include "extended/extended_data.hpp"
#include "randomisation/permutation_engine.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::run {

// The permutation test of the extended analysis.
//
// The individuals occupy positions 1..N sample by sample (samples in their
// number order, each sample's individuals in the data's order); the
// position decides the sample, so the samples keep their sizes. Each of the
// R - 1 arrangements continues from the previous one with one pass
// i = N, N-1, ..., 2: k = 1 + integerDeviate(i), then positions i and k
// exchange their individuals. Every individual takes part, typed or not.
//
// An arrangement reaches the observed global Fst (or axis k's share, k =
// 1..p-1) when its value >= observed x (1 - 1e-9); P = (1 + reached) / R.
//
// The arrangements are drawn in order on the calling thread and analysed by
// `threads` workers, each arrangement by one of them in a fixed order of
// operations, and taken back in order: the share lines, P-values and the
// generator left behind are the same for any thread count. One share line
// per arrangement is appended to `sharePath` (the caller wrote the observed
// line).
//
// Observer: started(R), taken(r), finished() always; cancelRequested() is
// polled before each arrangement is taken. On cancel the share lines taken
// so far stay written and the generator is left as after the last
// arrangement taken. An analysis error is rethrown after the share lines of
// the batches before its own were written, the generator left as before
// that batch.
struct ExtendedTestOutcome {
    bool cancelled = false;
    double fstPValue = 0.0;
    std::vector<double> axisPValues;  // axes 1..p-1, 0-based
};

// Where the arrangements are analysed: by default on this process's
// threads. A caller spreading them over processes gives a function that
// returns the figures of arrangements first..last (1-based) given their
// sample assignments (individual -> sample), in order.
struct ArrangementBatch {
    int first = 0;
    std::vector<std::vector<int>> assignments;
    std::vector<extended::ArrangementFigures> figures;
};

// The positions' individuals and samples the test starts from.
struct StartingArrangement {
    std::vector<int> individualAt;  // position (0-based) -> individual
    std::vector<int> sampleAt;      // position (0-based) -> sample
};
StartingArrangement StartArrangement(const extended::ExtendedData& data);

// One Fisher-Yates pass over `individualAt` (positions 1..N as 0..N-1).
void ShuffleArrangement(std::vector<int>& individualAt, randomisation::RandomGenerator& generator);

// Analyses assignments first..last-1 of `batch` into its figures on
// `threads` threads (`work`: one scratch per thread, kept between calls);
// the first analysis error is rethrown once all are done.
void AnalyseArrangements(const extended::ArrangementAnalyser& analyser, ArrangementBatch& batch, std::size_t first,
                         std::size_t last, int threads, std::vector<extended::ArrangementAnalyser::Work>& work);

// Arrangements a batch for `threads` workers: fewer when loci are recounted,
// so that a cancel is answered soon.
int ArrangementBatchSize(const extended::ArrangementAnalyser& analyser, int threads);

ExtendedTestOutcome RunExtendedPermutationTest(const extended::ExtendedData& data,
                                               const extended::ExtendedResult& observed,
                                               const extended::ArrangementAnalyser& analyser,
                                               randomisation::RandomGenerator& generator, int randomisations,
                                               int threads, const std::string& sharePath,
                                               randomisation::TestObserver& observer);

// The same with the analysis of each batch of arrangements done by
// `analyseBatch` (which fills batch.figures); `batchSize` arrangements a
// batch.
ExtendedTestOutcome RunExtendedPermutationTestBatched(
    const extended::ExtendedData& data, const extended::ExtendedResult& observed,
    randomisation::RandomGenerator& generator, int randomisations, int batchSize, const std::string& sharePath,
    randomisation::TestObserver& observer, const std::function<void(ArrangementBatch&)>& analyseBatch);

}  // namespace zeltric::run
