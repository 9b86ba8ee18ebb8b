#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/fast_kernels.hpp"
#include "analysis/pca_result.hpp"
#include "data/dataset.hpp"
#include "randomisation/permutation_engine.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::randomisation {

// One figure summarised over the replicates, in double precision.
struct BootstrapFigure {
    double observed = 0.0;  // the observed analysis's value
    // The replicates' measure applied to the observed data: the observed
    // value computed the replicates' way (in double), what the interval is
    // centred on.
    double estimate = 0.0;
    double mean = 0.0;
    double se = 0.0;  // standard deviation of the B values, divisor B - 1
    // Bias correction: the normal quantile of the share of replicate values
    // below the estimate, ties counting half.
    double z0 = 0.0;
    bool hasInterval = false;
    double lower = 0.0;  // with hasInterval: the bias-corrected 95 % bounds
    double upper = 0.0;
    std::string noInterval;  // without: why there is none, one sentence
};
struct BootstrapAxis {
    int axis = 0;  // 1-based, descending eigenvalue
    // Measured along the observed axis k (randomisation/observed_axes.hpp):
    // a replicate's inertia along it over its H, and over its total inertia.
    BootstrapFigure fst;
    BootstrapFigure share;
};

// What a completed bootstrap gives; plain data for the results file, the run
// record and figures.
struct BootstrapSummaries {
    int replicates = 0;
    std::int32_t seed1 = 1;
    std::int32_t seed2 = 1;
    BootstrapFigure globalFst;
    // Axes 1..dimension-1 of the observed analysis: the axes that have
    // coordinates in the sample and allele coordinate files.
    std::vector<BootstrapAxis> axes;
};

struct BootstrapOutcome {
    bool cancelled = false;  // the user stopped it: nothing to write
    BootstrapSummaries summaries;
};

// Linear interpolation between order statistics: with `sorted` ascending
// (n >= 1 values) and h = (n - 1) * q counted from 0, i = floor(h),
// value = sorted[i] + (h - i) * (sorted[i + 1] - sorted[i]) (sorted[i] when
// i is the last index). Every step in double.
double percentile(const std::vector<double>& sorted, double q);

// The standard normal distribution function and its inverse (0 < p < 1;
// relative error below 1e-12).
double normalCdf(double x);
double normalQuantile(double p);

// A replicate value within this relative distance of the estimate is a tie:
// a replicate identical to the data lands on the estimate.
inline constexpr double kTieTolerance = 1e-9;

// Observed, estimate, mean (sum in replicate order / B), se (sum of squared
// deviations from that mean in replicate order / (B - 1), square root; 0
// when B = 1), and the bias-corrected percentile interval of `values`:
// z0 = normalQuantile((below + ties / 2) / B), bounds at the percentiles
// normalCdf(2 z0 - 1.96) and normalCdf(2 z0 + 1.96). When |z0| > 1.96 (more
// than 97.5 % of the values on one side of the estimate) the interval would
// exclude the estimate: none is given, and noInterval says why; likewise
// should interpolation at the edge leave the estimate outside.
BootstrapFigure summariseFigure(double observed, double estimate, const std::vector<double>& values);

// The interval method, as the results file and the run record name it.
inline constexpr const char* kIntervalMethod =
    "bias-corrected percentile (95 %), replicate values measured along the observed axes";

// The loci of one replicate: nl draws in order, each 1 + integerDeviate(nl).
void drawLoci(RandomGenerator& generator, int nl, std::vector<int>& loci);

// The count tables of the data set whose locus l' (1..loci.size()) is locus
// loci[l' - 1] of `ds`, read from ds.counts (the observed counts): the
// counts of a locus depend on that locus alone.
void replicateCounts(const data::Dataset& ds, const std::vector<int>& loci, data::CountTables& counts);

// What one replicate gives: global Fst, and per axis k = 1..axes the axis
// Fst (0 where the replicate has fewer axes) and its share.
// Every value is a single-precision figure of the analysis, kept as such.
struct ReplicateFigures {
    float globalFst = 0.0f;
    std::vector<float> axisFst;  // index k - 1
    std::vector<float> share;
    int tqliNotices = 0;
};

// The analysis of one replicate (counts from replicateCounts, np and nu of
// `ds`, nl = loci count): a randomised analysis call
// (analysis::RunFrequencyPca, which takes its wide path for a replicate
// with more than 500 retained alleles, possible when loci are drawn twice),
// with the fast kernels or the reference kernels as `kernels` selects, the
// same bits.
struct ReplicateTables;
class ReplicateAnalyser {
public:
    ReplicateAnalyser(const data::Dataset& ds, int axes, analysis::KernelSelection kernels);
    ~ReplicateAnalyser();
    ReplicateAnalyser(const ReplicateAnalyser&) = delete;
    ReplicateAnalyser& operator=(const ReplicateAnalyser&) = delete;

    void analyse(const std::vector<int>& loci, ReplicateFigures& figures);
    // The same by analysis::RunWideFrequencyPca whatever the width (np <= nA),
    // so that tests can set both paths side by side.
    void analyseWide(const std::vector<int>& loci, ReplicateFigures& figures);

private:
    const data::Dataset& ds_;
    int axes_;
    std::unique_ptr<ReplicateTables> tables_;
};

// The bootstrap over loci: B replicates of the analysed data set `ds`
// (counts of the observed pass in ds.counts), each with nl loci drawn with
// replacement from a generator seeded (seed1, seed2) and continued from
// replicate to replicate. Replicates are drawn in order on the calling
// thread, analysed on `threads` workers (<= 0: one per hardware thread) and
// taken in replicate order, so the summaries are the same for any thread
// count. `observed` is the observed call's result.
//
// Observer as the permutation test's: started(B), taken(b), finished();
// cancelRequested() polled before each replicate is taken. Eigen-solver
// notices reach notice() in replicate order. An analysis error ends the
// bootstrap and is rethrown. `kernels` as the analysis (the same bits).
BootstrapOutcome runBootstrap(const data::Dataset& ds, const analysis::PcaResult& observed, int replicates,
                              std::int32_t seed1, std::int32_t seed2, int threads, TestObserver& observer,
                              analysis::KernelSelection kernels);

// The same bootstrap on the calling thread, no worker thread at all, for
// front ends without threads: each advance() takes at most `count`
// replicates and returns, so the caller keeps control between batches. The
// summaries, observer calls, cancel and errors (rethrown by advance) are
// those runBootstrap gives.
class SteppedBootstrap {
public:
    SteppedBootstrap(const data::Dataset& ds, const analysis::PcaResult& observed, int replicates,
                     std::int32_t seed1, std::int32_t seed2, TestObserver& observer,
                     analysis::KernelSelection kernels);
    ~SteppedBootstrap();
    SteppedBootstrap(const SteppedBootstrap&) = delete;
    SteppedBootstrap& operator=(const SteppedBootstrap&) = delete;

    // False once the bootstrap is over (all taken, or cancelled).
    bool advance(int count);
    bool done() const;
    // Complete once done() holds.
    const BootstrapOutcome& outcome() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The section appended to the results file, every line ending CR LF:
//   *******************************************
//   Bootstrap over loci: B replicates, seeds S1,S2
//   Intervals: <kIntervalMethod>
//                     observed      mean        se     lower     upper
//   Global Fst       (five 10:5 fields)
//   Axis k Fst       (five 10:5 fields)    for every summarised axis
//   Axis k share     (five 10:5 fields)
//   (then, for each figure without an interval: "<label>: <why>")
//   (an empty line)
// Labels are left-aligned in 16 characters; lower and upper read "none"
// (right-aligned in 10) where no interval is given.
std::string bootstrapSectionText(const BootstrapSummaries& summaries);

}  // namespace zeltric::randomisation
