#include "run/extended_test.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <span>
#include <thread>

#include "base/fatal_error.hpp"
#include "base/output_file.hpp"
#include "extended/extended_report.hpp"

namespace zeltric::run {

namespace {

constexpr std::size_t kShareChunk = 64 * 1024;
// Arrangements a worker analyses per batch: enough that starting the
// threads of a batch costs nothing next to the analyses.
constexpr int kArrangementsPerWorker = 16;
constexpr double kReachTolerance = 1e-9;

bool reaches(double value, double observed) { return value >= observed * (1.0 - kReachTolerance); }

double pValue(long long reached, int randomisations) {
    return static_cast<double>(reached + 1) / static_cast<double>(randomisations);
}

}  // namespace

StartingArrangement StartArrangement(const extended::ExtendedData& data) {
    StartingArrangement start;
    for (std::size_t j = 0; j < data.samples(); ++j)
        for (std::size_t i = 0; i < data.individuals(); ++i)
            if (static_cast<std::size_t>(data.sampleOf[i]) == j) {
                start.individualAt.push_back(static_cast<int>(i));
                start.sampleAt.push_back(static_cast<int>(j));
            }
    return start;
}

void ShuffleArrangement(std::vector<int>& individualAt, randomisation::RandomGenerator& generator) {
    for (std::size_t i = individualAt.size(); i >= 2; --i) {
        const auto k = static_cast<std::size_t>(1 + generator.integerDeviate(static_cast<std::int32_t>(i)));
        std::swap(individualAt[i - 1], individualAt[k - 1]);
    }
}

ExtendedTestOutcome RunExtendedPermutationTestBatched(
    const extended::ExtendedData& data, const extended::ExtendedResult& observed,
    randomisation::RandomGenerator& generator, int randomisations, int batchSize, const std::string& sharePath,
    randomisation::TestObserver& observer, const std::function<void(ArrangementBatch&)>& analyseBatch) {
    ZELTRIC_ASSERT(randomisations >= 1 && batchSize >= 1);
    ExtendedTestOutcome outcome;
    const std::size_t tested = observed.dimension > 0 ? observed.dimension - 1 : 0;
    randomisation::ProgressGuard progress(observer, randomisations);

    StartingArrangement arrangement = StartArrangement(data);
    const std::size_t individuals = arrangement.individualAt.size();
    long long fstReached = 0;
    std::vector<long long> axisReached(tested, 0);
    std::string shares;
    auto flushShares = [&] {
        if (shares.empty()) return;
        base::appendToFile(sharePath, shares);
        shares.clear();
    };

    const int runs = randomisations - 1;
    ArrangementBatch batch;
    std::vector<randomisation::RandomGenerator> after;
    for (int first = 1; first <= runs; first += batchSize) {
        const int count = std::min(batchSize, runs - first + 1);
        // A cancel before the batch is drawn leaves the generator untouched.
        if (observer.cancelRequested()) {
            flushShares();
            outcome.cancelled = true;
            return outcome;
        }
        const randomisation::RandomGenerator before = generator;
        batch.first = first;
        batch.assignments.resize(static_cast<std::size_t>(count));
        batch.figures.assign(static_cast<std::size_t>(count), {});
        after.resize(static_cast<std::size_t>(count));
        for (int n = 0; n < count; ++n) {
            ShuffleArrangement(arrangement.individualAt, generator);
            std::vector<int>& assignment = batch.assignments[static_cast<std::size_t>(n)];
            assignment.resize(individuals);
            for (std::size_t p = 0; p < individuals; ++p)
                assignment[static_cast<std::size_t>(arrangement.individualAt[p])] = arrangement.sampleAt[p];
            after[static_cast<std::size_t>(n)] = generator;
        }
        try {
            analyseBatch(batch);
        } catch (...) {
            generator = before;
            try {
                flushShares();
            } catch (...) {
            }
            throw;
        }
        for (int n = 0; n < count; ++n) {
            const int r = first + n;
            if (n > 0 && observer.cancelRequested()) {
                generator = after[static_cast<std::size_t>(n - 1)];
                flushShares();
                outcome.cancelled = true;
                return outcome;
            }
            const extended::ArrangementFigures& f = batch.figures[static_cast<std::size_t>(n)];
            if (reaches(f.globalFst, observed.globalFst)) ++fstReached;
            for (std::size_t k = 0; k < tested; ++k)
                if (reaches(f.shares[k], observed.axisShare[k])) ++axisReached[k];
            shares += extended::ExtendedShareLine(observed, f.globalFst, f.shares);
            if (shares.size() >= kShareChunk) flushShares();
            observer.taken(r);
        }
    }
    flushShares();
    outcome.fstPValue = pValue(fstReached, randomisations);
    outcome.axisPValues.resize(tested);
    for (std::size_t k = 0; k < tested; ++k) outcome.axisPValues[k] = pValue(axisReached[k], randomisations);
    return outcome;
}

void AnalyseArrangements(const extended::ArrangementAnalyser& analyser, ArrangementBatch& batch, std::size_t first,
                         std::size_t last, int threads, std::vector<extended::ArrangementAnalyser::Work>& work) {
    const std::size_t workers = static_cast<std::size_t>(std::max(1, threads));
    if (work.size() < workers) work.resize(workers);
    batch.figures.resize(batch.assignments.size());
    std::atomic<std::size_t> next{first};
    std::vector<std::exception_ptr> errors(batch.assignments.size());
    // A worker takes as many arrangements at once as the analyser likes;
    // each gets the same figures as alone, so grouping changes no bit.
    const std::size_t group = analyser.together();
    auto loop = [&](std::size_t worker) {
        std::vector<std::span<const int>> together;
        for (std::size_t n = next.fetch_add(group); n < last; n = next.fetch_add(group)) {
            const std::size_t end = std::min(n + group, last);
            together.assign(batch.assignments.begin() + static_cast<std::ptrdiff_t>(n),
                            batch.assignments.begin() + static_cast<std::ptrdiff_t>(end));
            try {
                analyser.analyseTogether(together, work[worker], std::span(batch.figures).subspan(n, end - n));
                continue;
            } catch (...) {
            }
            // Alone again, to tell which of them failed.
            for (std::size_t a = n; a < end; ++a) {
                try {
                    analyser.analyse(batch.assignments[a], work[worker], batch.figures[a]);
                } catch (...) {
                    errors[a] = std::current_exception();
                }
            }
        }
    };
    std::vector<std::thread> pool;
    const std::size_t groups = (last - std::min(first, last) + group - 1) / group;
    for (std::size_t w = 1; w < std::min(workers, groups); ++w) pool.emplace_back(loop, w);
    loop(0);
    for (std::thread& th : pool) th.join();
    for (const std::exception_ptr& error : errors)
        if (error) std::rethrow_exception(error);
}

int ArrangementBatchSize(const extended::ArrangementAnalyser& analyser, int threads) {
    const bool slow = analyser.recountedLoci() > 0 || analyser.sparseLoci() > 0;
    return std::max(1, threads) * (slow ? 4 : kArrangementsPerWorker);
}

ExtendedTestOutcome RunExtendedPermutationTest(const extended::ExtendedData& data,
                                               const extended::ExtendedResult& observed,
                                               const extended::ArrangementAnalyser& analyser,
                                               randomisation::RandomGenerator& generator, int randomisations,
                                               int threads, const std::string& sharePath,
                                               randomisation::TestObserver& observer) {
    const int workers = std::max(1, threads);
    std::vector<extended::ArrangementAnalyser::Work> work;
    auto analyseBatch = [&](ArrangementBatch& batch) {
        AnalyseArrangements(analyser, batch, 0, batch.assignments.size(), workers, work);
    };
    return RunExtendedPermutationTestBatched(data, observed, generator, randomisations,
                                             ArrangementBatchSize(analyser, workers), sharePath, observer,
                                             analyseBatch);
}

}  // namespace zeltric::run
