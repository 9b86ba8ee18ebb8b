#pragma once

#include <memory>
#include <string>

#include "analysis/fast_kernels.hpp"
#include "analysis/pca_result.hpp"
#include "analysis/square_matrix.hpp"
#include "data/dataset.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::randomisation {

// What the test reports while it runs and what it asks between
// arrangements. The run layer adapts its port to it; tests and front ends
// without a port implement it directly.
class TestObserver {
public:
    virtual ~TestObserver() = default;
    virtual void started(int randomisations) = 0;
    virtual void taken(int arrangement) = 0;
    // Always called once, however the test ends.
    virtual void finished() = 0;
    virtual bool cancelRequested() = 0;
    // A notice of an analysis (e.g. the eigen-solver's), in arrangement order.
    virtual void notice(const std::string& text) = 0;
};

// Tells the observer a run started and, however it ends, that it finished.
class ProgressGuard {
public:
    ProgressGuard(TestObserver& observer, int maximum) : observer_(observer) { observer_.started(maximum); }
    ~ProgressGuard() { observer_.finished(); }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

private:
    TestObserver& observer_;
};

struct PermutationOutcome {
    // The user asked to stop: the caller writes no test section.
    bool cancelled = false;
    float fstPValue = 0.0f;
    // Entry k (1..testedAxes) is the P-value of axis k; every other entry 0.
    analysis::RealVector axisPValues{};
    // Axes 1..dimension-1 of the observed analysis.
    int testedAxes = 0;
};

// The permutation test: R - 1 shuffled arrangements of whole individuals
// among the sample positions, each recounted and analysed again.
//
// Shuffle of one arrangement: for i = N down to 2, a position whose
// individual has a missing genotype in the data file (missingLoci[i] > 0)
// is skipped; otherwise j = 1 + integerDeviate(i) and positions i and j are
// exchanged in every column through the scratch position 0. Arrangements
// build on one another; ds.genotypeColumns is left in the last one and the
// generator advanced by one draw per taking-part position per arrangement.
//
// Counts, against the observed figures of `observed` (an observed call):
// global Fst >= observedGlobalFst; for axis k = 1..dimension-1, the axis
// share rounded to single precision (analysis::axisShare) >=
// observedAxisShare[k]. An arrangement with no inertia has share 0 on every
// axis. P = (count + 1) / R in single precision.
//
// One share line per arrangement is appended to `sharePath`, in arrangement
// order (the caller has written the observed line first).
//
// Arrangements are produced in order on the calling thread and analysed on
// `threads` worker threads (<= 0: one per hardware thread), each with its
// own count tables and work matrices; results are taken in arrangement
// order, so every output, and the generator state left behind, is the same
// for any thread count (and any choice of `kernels`). The observed tables of `ds` (counts, PCA fields of
// `observed`) are not touched.
//
// Observer: started(R), taken(r) after arrangement r was taken, finished()
// always; cancelRequested() is polled before each arrangement is taken. On cancel the test stops at once: the share lines taken so far
// stay written, the generator and ds.genotypeColumns are left as after the
// last arrangement taken, and cancelled is set. Eigen-solver notices reach
// observer.notice in arrangement order. An error in an analysis (e.g. the
// eigen-solver giving up) ends the test and is rethrown here, after the
// share lines of the arrangements before it were written.
PermutationOutcome runPermutationTest(data::Dataset& ds, const analysis::PcaResult& observed,
                                      RandomGenerator& generator, int randomisations, int threads,
                                      const std::string& sharePath, TestObserver& observer,
                                      analysis::KernelSelection kernels = analysis::KernelSelection::best());

// The same test on the calling thread, no worker thread at all, for front
// ends without threads: each advance() takes at most `count` arrangements and
// returns, so the caller keeps control between batches. Every output, the
// generator state and the columns left behind are those runPermutationTest
// gives; so are the observer calls, cancel and errors (rethrown by advance).
class SteppedPermutationTest {
public:
    SteppedPermutationTest(data::Dataset& ds, const analysis::PcaResult& observed, RandomGenerator& generator,
                           int randomisations, const std::string& sharePath, TestObserver& observer,
                           analysis::KernelSelection kernels = analysis::KernelSelection::best());
    ~SteppedPermutationTest();
    SteppedPermutationTest(const SteppedPermutationTest&) = delete;
    SteppedPermutationTest& operator=(const SteppedPermutationTest&) = delete;

    // False once the test is over (all taken, or cancelled).
    bool advance(int count);
    bool done() const;
    // Complete once done() holds.
    const PermutationOutcome& outcome() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// One shuffle of `columns` (loci 1..ds.nl, positions 1..ds.individualCount)
// as described above.
void shuffleArrangement(const data::Dataset& ds, data::GenotypeColumns& columns, RandomGenerator& generator);

}  // namespace zeltric::randomisation
