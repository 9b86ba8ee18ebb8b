#include "randomisation/permutation_engine.hpp"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/frequency_pca.hpp"
#include "analysis/results_report.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/number_field.hpp"
#include "base/output_file.hpp"
#include "data/allele_counting.hpp"
#include "randomisation/ordered_pool.hpp"

namespace zeltric::randomisation {

namespace {

constexpr std::size_t kShareChunk = 64 * 1024;

// The work tables of one worker, allocated once for the whole test.
struct WorkerTables {
    // Starts as the observed result so that the share lines show the axes
    // the observed analysis showed; randomised calls rewrite only the
    // per-call fields.
    WorkerTables(const analysis::PcaResult& observed, analysis::KernelSelection kernels) : result(observed) {
        workspace.kernels = kernels;
    }
    data::CountTables counts;
    // Only for a start holding an invalid code, which the ordered count reports.
    data::GenotypeColumns columns;
    analysis::PcaWorkspace workspace;
    analysis::PcaResult result;
    // The partners of the arrangement being shuffled.
    std::vector<std::uint16_t> partners;
};

// One arrangement in flight: the generator state its draws start from and
// end at, its genotypes, and what its analysis gave.
struct Job {
    RandomGenerator start;
    // Where each position's genotype (position 0: the scratch slot) sat in
    // the arrangement the test started from.
    std::vector<std::uint16_t> origin;
    std::int32_t seed1After = 0;
    std::int32_t seed2After = 0;

    float globalFst = 0.0f;
    analysis::RealVector shares{};
    std::string shareLine;
    int tqliNotices = 0;
};

// columns[l][p] <- start[l][origin[p]] for every position, the scratch slot
// included.
void gatherColumns(const data::Dataset& ds, const data::GenotypeColumns& start,
                   const std::vector<std::uint16_t>& origin, data::GenotypeColumns& columns) {
    const std::size_t positions = origin.size();
    for (int l = 1; l <= ds.nl; ++l) {
        const std::int32_t* from = start.column(l);
        std::int32_t* to = columns.column(l);
        for (std::size_t p = 0; p < positions; ++p) to[p] = from[origin[p]];
    }
}

// Recounts and analyses one arrangement into `job`.
void analyseArrangement(const data::Dataset& ds, const data::GenotypeColumns& initial,
                        const data::ArrangementCounter& counter, int testedAxes, Job& job, WorkerTables& tables) {
    job.tqliNotices = 0;
    if (counter.valid()) {
        counter.count(job.origin.data(), tables.counts);
    } else {
        if (tables.columns.loci() != ds.nl) tables.columns.resize(ds.nl);
        gatherColumns(ds, initial, job.origin, tables.columns);
        data::countAlleles(ds, tables.columns, tables.counts);
    }
    const analysis::PcaCallReport report =
        analysis::RunFrequencyPca(ds, tables.counts, false, tables.workspace, tables.result);
    job.tqliNotices = report.tqliNotices;
    job.globalFst = tables.result.globalFst;
    for (int k = 1; k <= testedAxes; ++k)
        job.shares[static_cast<std::size_t>(k)] = analysis::axisShare(tables.result, k);
    job.shareLine = analysis::shareLine(tables.result);
}

// Share lines are appended in chunks rather than one file open per line.
class ShareWriter {
public:
    explicit ShareWriter(const std::string& path) : path_(path) {}
    void add(const std::string& line) {
        buffer_ += line;
        if (buffer_.size() >= kShareChunk) flush();
    }
    void flush() {
        if (buffer_.empty()) return;
        base::appendToFile(path_, buffer_);
        buffer_.clear();
    }

private:
    const std::string& path_;
    std::string buffer_;
};

float pValue(int reached, int randomisations) {
    return static_cast<float>(static_cast<double>(reached + 1) / static_cast<double>(randomisations));
}

// The positions i the shuffle draws a partner for, in drawing order: every
// arrangement takes exactly one draw for each.
std::vector<std::uint16_t> drawingPositions(const data::Dataset& ds) {
    std::vector<std::uint16_t> positions;
    for (int i = ds.individualCount; i >= 2; --i)
        if (ds.missingLoci[static_cast<std::size_t>(i)] == 0) positions.push_back(static_cast<std::uint16_t>(i));
    return positions;
}

// The partner j = 1 + integerDeviate(i) of every drawing position i.
void drawPartners(const std::vector<std::uint16_t>& positions, RandomGenerator& generator,
                  std::vector<std::uint16_t>& partners) {
    partners.resize(positions.size());
    for (std::size_t n = 0; n < positions.size(); ++n)
        partners[n] = static_cast<std::uint16_t>(1 + generator.integerDeviate(positions[n]));
}

// The exchanges of shuffleArrangement applied to where each genotype came
// from instead of to the genotypes themselves: one move per position instead
// of one per locus, and columns[l][p] = start[l][origin[p]] afterwards for
// every position p, the scratch slot included.
void exchangeOrigins(const std::vector<std::uint16_t>& positions, const std::vector<std::uint16_t>& partners,
                     std::vector<std::uint16_t>& origin) {
    for (std::size_t n = 0; n < positions.size(); ++n) {
        const std::size_t i = positions[n];
        const std::size_t j = partners[n];
        origin[0] = origin[i];
        origin[i] = origin[j];
        origin[j] = origin[0];
    }
}

// Arrangements build on one another, so their origins are completed in
// order: a worker draws its partners at once, then waits here for the
// arrangement before its own.
class OriginChain {
public:
    void waitFor(int arrangement) {
        std::unique_lock lock(mutex_);
        completed_.wait(lock, [&] { return through_ >= arrangement; });
    }
    void complete(int arrangement) {
        {
            std::lock_guard lock(mutex_);
            through_ = arrangement;
        }
        completed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable completed_;
    int through_ = 0;
};

void copyAllPositions(const data::Dataset& ds, const data::GenotypeColumns& from, data::GenotypeColumns& to) {
    const auto count = static_cast<std::size_t>(ds.individualCount) + 1;
    for (int l = 1; l <= ds.nl; ++l) std::copy_n(from.column(l), count, to.column(l));
}

// The counts of arrangements reaching the observed figures, taken in
// arrangement order.
class Tally {
public:
    Tally(const analysis::PcaResult& observed, int tested) : observed_(observed), tested_(tested) {}

    void take(const Job& job, TestObserver& observer, ShareWriter& shares) {
        for (int n = 0; n < job.tqliNotices; ++n) observer.notice(base::tqliNotice());
        if (job.globalFst >= observed_.observedGlobalFst) ++fstReached_;
        for (int k = 1; k <= tested_; ++k)
            if (job.shares[static_cast<std::size_t>(k)] >=
                observed_.observedAxisShare[static_cast<std::size_t>(k)])
                ++axisReached_[static_cast<std::size_t>(k)];
        shares.add(job.shareLine);
    }

    void complete(int randomisations, PermutationOutcome& outcome) const {
        outcome.fstPValue = pValue(fstReached_, randomisations);
        for (int k = 1; k <= tested_; ++k)
            outcome.axisPValues[static_cast<std::size_t>(k)] =
                pValue(axisReached_[static_cast<std::size_t>(k)], randomisations);
    }

private:
    const analysis::PcaResult& observed_;
    const int tested_;
    int fstReached_ = 0;
    std::array<int, analysis::kMatrixOrder + 1> axisReached_{};
};

// The share lines before an analysis error stay written; the analysis error
// is the one to report.
void flushAfterError(ShareWriter& shares) {
    try {
        shares.flush();
    } catch (...) {
    }
}

}  // namespace

void shuffleArrangement(const data::Dataset& ds, data::GenotypeColumns& columns, RandomGenerator& generator) {
    const int loci = ds.nl;
    for (int i = ds.individualCount; i >= 2; --i) {
        if (ds.missingLoci[static_cast<std::size_t>(i)] > 0) continue;
        for (int l = 1; l <= loci; ++l) columns.at(l, 0) = columns.at(l, i);
        const int j = 1 + generator.integerDeviate(i);
        for (int l = 1; l <= loci; ++l) {
            std::int32_t* column = columns.column(l);
            column[i] = column[j];
            column[j] = column[0];
        }
    }
}

PermutationOutcome runPermutationTest(data::Dataset& ds, const analysis::PcaResult& observed,
                                      RandomGenerator& generator, int randomisations, int threads,
                                      const std::string& sharePath, TestObserver& observer,
                                      analysis::KernelSelection kernels) {
    ZELTRIC_ASSERT(randomisations >= 1);
    PermutationOutcome outcome;
    const int tested = std::max(0, static_cast<int>(observed.dimension) - 1);
    outcome.testedAxes = tested;

    ProgressGuard progress(observer, randomisations);
    const int runs = randomisations - 1;
    Tally tally(observed, tested);

    if (runs > 0) {
        ShareWriter shares(sharePath);
        const int workers = poolWorkerCount(threads, runs);
        // The state before the first arrangement, for a cancel before it, and
        // the arrangement every job's columns are gathered from.
        const RandomGenerator start = generator;
        data::GenotypeColumns initial(ds.nl);
        copyAllPositions(ds, ds.genotypeColumns, initial);
        // The origin list the first arrangement starts from.
        std::vector<std::uint16_t> identity(static_cast<std::size_t>(ds.individualCount) + 1);
        for (std::size_t p = 0; p < identity.size(); ++p) identity[p] = static_cast<std::uint16_t>(p);
        // The draws happen on the workers, each from its arrangement's start
        // state, found by jumping over the draws of the ones before: this
        // thread only hands out states and takes results.
        const std::vector<std::uint16_t> positions = drawingPositions(ds);
        const GeneratorJump jump(positions.size());
        RandomGenerator next = generator;
        OriginChain chain;

        // Enough arrangements ahead to keep every worker busy, plus the slot
        // of the last arrangement taken, which a cancel goes back to.
        const data::ArrangementCounter counter(ds, initial);
        const int window = kJobsPerWorker * workers + 2;
        std::vector<Job> jobs(static_cast<std::size_t>(window));
        for (Job& job : jobs) job.origin.resize(identity.size());
        std::vector<std::unique_ptr<WorkerTables>> tables;
        for (int w = 0; w < workers; ++w) {
            tables.push_back(std::make_unique<WorkerTables>(observed, kernels));
            // Sized now: the workers' draws must not allocate (see below).
            tables.back()->partners.resize(positions.size());
        }
        auto jobOf = [&](int arrangement) -> Job& {
            return jobs[static_cast<std::size_t>(arrangement) % jobs.size()];
        };
        OrderedPool pool(
            workers, window,
            [&](int worker, int arrangement) {
                WorkerTables& own = *tables[static_cast<std::size_t>(worker)];
                Job& job = jobOf(arrangement);
                RandomGenerator drawing = job.start;
                drawPartners(positions, drawing, own.partners);
                // Nothing before the chain is complete may throw (nor
                // allocate): the next arrangement's worker waits for it.
                chain.waitFor(arrangement - 1);
                job.origin = arrangement == 1 ? identity : jobOf(arrangement - 1).origin;
                exchangeOrigins(positions, own.partners, job.origin);
                chain.complete(arrangement);
                ZELTRIC_ASSERT(drawing.seed1 == job.seed1After && drawing.seed2 == job.seed2After);
                analyseArrangement(ds, initial, counter, tested, job, own);
            },
            "the permutation test");
        // Arrangements taken per wake-up of this thread when it has to wait.
        const int batch = std::max(1, (kJobsPerWorker / 2) * workers);

        auto restoreAfter = [&](int arrangement) {
            if (arrangement == 0) {
                generator = start;
                copyAllPositions(ds, initial, ds.genotypeColumns);
                return;
            }
            const Job& job = jobOf(arrangement);
            generator.seed1 = job.seed1After;
            generator.seed2 = job.seed2After;
            gatherColumns(ds, initial, job.origin, ds.genotypeColumns);
        };

        int produced = 0;
        for (int r = 1; r <= runs; ++r) {
            if (observer.cancelRequested()) {
                restoreAfter(r - 1);
                shares.flush();
                outcome.cancelled = true;
                return outcome;
            }
            // Slot of arrangement r - 1 stays untouched until r is taken.
            const int last = std::min(runs, r + pool.window() - 2);
            while (produced < last) {
                ++produced;
                Job& job = jobOf(produced);
                job.start = next;
                jump.apply(next);
                job.seed1After = next.seed1;
                job.seed2After = next.seed2;
                pool.submit(produced);
            }

            if (const std::exception_ptr error = pool.waitFor(r, std::min(produced, r + batch - 1))) {
                restoreAfter(r);
                flushAfterError(shares);
                std::rethrow_exception(error);
            }
            tally.take(jobOf(r), observer, shares);
            if (r > 1) pool.release(r - 1);
            observer.taken(r);
        }
        // The columns are left in the last arrangement, as the shuffle left them.
        restoreAfter(runs);
        shares.flush();
    }

    tally.complete(randomisations, outcome);
    return outcome;
}

struct SteppedPermutationTest::State {
    State(data::Dataset& dataset, const analysis::PcaResult& observedResult, RandomGenerator& gen, int count,
          const std::string& path, TestObserver& obs, analysis::KernelSelection kernels)
        : ds(dataset),
          generator(gen),
          randomisations(count),
          runs(count - 1),
          tested(std::max(0, static_cast<int>(observedResult.dimension) - 1)),
          observer(obs),
          sharePath(path),
          shares(sharePath),
          initial(dataset.nl),
          origin(static_cast<std::size_t>(dataset.individualCount) + 1),
          positions(drawingPositions(dataset)),
          tables(observedResult, kernels),
          tally(observedResult, tested) {
        copyAllPositions(ds, ds.genotypeColumns, initial);
        for (std::size_t p = 0; p < origin.size(); ++p) origin[p] = static_cast<std::uint16_t>(p);
        counter = std::make_unique<data::ArrangementCounter>(ds, initial);
        outcome.testedAxes = tested;
    }

    // The columns as the arrangements taken so far left them; the generator
    // already holds the state after the last one taken.
    void restoreColumns() { gatherColumns(ds, initial, origin, ds.genotypeColumns); }

    void end() {
        over = true;
        observer.finished();
    }

    data::Dataset& ds;
    RandomGenerator& generator;
    const int randomisations;
    const int runs;
    const int tested;
    TestObserver& observer;
    const std::string sharePath;
    ShareWriter shares;
    data::GenotypeColumns initial;
    std::vector<std::uint16_t> origin;
    const std::vector<std::uint16_t> positions;
    std::unique_ptr<data::ArrangementCounter> counter;
    Job job;
    WorkerTables tables;

    Tally tally;

    int taken = 0;
    bool over = false;
    PermutationOutcome outcome;
};

SteppedPermutationTest::SteppedPermutationTest(data::Dataset& ds, const analysis::PcaResult& observed,
                                               RandomGenerator& generator, int randomisations,
                                               const std::string& sharePath, TestObserver& observer,
                                               analysis::KernelSelection kernels) {
    ZELTRIC_ASSERT(randomisations >= 1);
    state_ = std::make_unique<State>(ds, observed, generator, randomisations, sharePath, observer, kernels);
    observer.started(randomisations);
}

SteppedPermutationTest::~SteppedPermutationTest() {
    if (!state_->over) state_->observer.finished();
}

bool SteppedPermutationTest::done() const { return state_->over; }

const PermutationOutcome& SteppedPermutationTest::outcome() const { return state_->outcome; }

bool SteppedPermutationTest::advance(int count) {
    State& st = *state_;
    if (st.over) return false;
    try {
        for (int n = 0; n < count && st.taken < st.runs; ++n) {
            if (st.observer.cancelRequested()) {
                st.restoreColumns();
                st.shares.flush();
                st.outcome.cancelled = true;
                st.end();
                return false;
            }
            const int r = ++st.taken;
            drawPartners(st.positions, st.generator, st.tables.partners);
            exchangeOrigins(st.positions, st.tables.partners, st.origin);
            st.job.origin = st.origin;
            try {
                analyseArrangement(st.ds, st.initial, *st.counter, st.tested, st.job, st.tables);
            } catch (...) {
                st.restoreColumns();
                flushAfterError(st.shares);
                st.end();
                throw;
            }
            st.tally.take(st.job, st.observer, st.shares);
            st.observer.taken(r);
        }
        if (st.taken < st.runs) return true;
        if (st.runs > 0) {
            st.restoreColumns();
            st.shares.flush();
        }
    } catch (...) {
        if (!st.over) st.end();
        throw;
    }
    st.tally.complete(st.randomisations, st.outcome);
    st.end();
    return false;
}

}  // namespace zeltric::randomisation
