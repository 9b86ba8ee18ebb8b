// The extended analysis's permutation test timed by its two routes on one
// file: the Gram matrices with sparse corrections that zeltric-cli runs, and
// the recount of every locus in every randomisation. Both must find the
// same P-values and share lines. Processor time is of the whole process
// (every thread).
//   zeltric-extended-test-bench FILE [R] [THREADS] [fast]   (fast: zeltric-cli's route only)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "extended/arrangement_analysis.hpp"
#include "randomisation/permutation_engine.hpp"
#include "run/extended_step.hpp"
#include "run/extended_test.hpp"

namespace {

namespace ext = zeltric::extended;

class Quiet final : public zeltric::randomisation::TestObserver {
public:
    void started(int) override {}
    void taken(int) override {}
    void finished() override {}
    bool cancelRequested() override { return false; }
    void notice(const std::string&) override {}
};

struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t processor = std::clock();
    double wallSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    }
    double processorSeconds() const { return static_cast<double>(std::clock() - processor) / CLOCKS_PER_SEC; }
};

struct Timed {
    zeltric::run::ExtendedTestOutcome outcome;
    std::string shares;
    double wall = 0.0;
    double processor = 0.0;
};

Timed runTest(const ext::ExtendedData& data, const ext::ExtendedResult& observed, bool gram, int randomisations,
              int threads, const std::string& sharePath) {
    Clock clock;
    const ext::ArrangementAnalyser analyser(data, observed, threads, gram);
    std::printf(
        "  %s: %zu loci through the complete Gram matrix, %zu with sparse corrections, %zu recounted; "
        "set up in %.2f s (%.2f s processor)\n",
        gram ? "zeltric-cli's route" : "recount", analyser.completeLoci(), analyser.sparseLoci(),
        analyser.recountedLoci(), clock.wallSeconds(), clock.processorSeconds());
    std::ofstream(sharePath, std::ios::binary | std::ios::trunc).close();
    zeltric::randomisation::RandomGenerator generator;
    generator.seed1 = 1;
    generator.seed2 = 2;
    Quiet quiet;
    Clock testClock;
    Timed t;
    t.outcome = zeltric::run::RunExtendedPermutationTest(data, observed, analyser, generator, randomisations,
                                                         threads, sharePath, quiet);
    t.wall = testClock.wallSeconds();
    t.processor = testClock.processorSeconds();
    std::ifstream in(sharePath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    t.shares = text.str();
    std::printf("  %d randomisations: %.2f s wall, %.2f s processor, %.4f s processor a randomisation\n",
                randomisations - 1, t.wall, t.processor, t.processor / (randomisations - 1));
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zeltric-extended-test-bench FILE [R] [THREADS] [fast]\n");
        return 2;
    }
    zeltric::run::ExtendedRequest request;
    request.dataFile = argv[1];
    request.asked = true;
    const int randomisations = argc > 2 ? std::atoi(argv[2]) : 100;
    const int threads = argc > 3 ? std::atoi(argv[3]) : 1;
    Clock clock;
    const auto data = zeltric::run::LoadForExtended(request);
    if (!data) return 1;
    std::printf("read %zu samples, %zu loci, %zu individuals in %.2f s\n", data->samples(), data->loci(),
                data->individuals(), clock.wallSeconds());
    ext::ExtendedOptions options;
    options.threads = threads;
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(*data, options);
    const std::string sharePath = "extended-test-bench.per";
    const Timed fast = runTest(*data, observed, true, randomisations, threads, sharePath);
    if (argc > 4 && std::string(argv[4]) == "fast") return 0;
    const Timed recount = runTest(*data, observed, false, randomisations, threads, sharePath);
    std::printf("recount / zeltric-cli's route, processor time of the randomisations: %.1f\n",
                recount.processor / fast.processor);
    const bool same = fast.outcome.fstPValue == recount.outcome.fstPValue &&
                      fast.outcome.axisPValues == recount.outcome.axisPValues && fast.shares == recount.shares;
    std::printf("P-values and share lines of the two routes: %s\n", same ? "identical" : "DIFFERENT");
    return same ? 0 : 1;
}
