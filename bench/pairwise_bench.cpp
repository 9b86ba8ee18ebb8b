// The pairwise permutation test timed by its two routes on one file: the
// Gram route zeltric-cli runs and the straightforward recount of every
// locus in every randomisation. Both must find the same P-values.
//   zeltric-pairwise-bench FILE [R] [THREADS] [fast]   (fast: the Gram route only)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "randomisation/permutation_engine.hpp"
#include "run/extended_step.hpp"
#include "statistics/observed_statistics.hpp"
#include "statistics/pairwise_test.hpp"

namespace {

namespace st = zeltric::statistics;

class Quiet final : public zeltric::randomisation::TestObserver {
public:
    void started(int) override {}
    void taken(int) override {}
    void finished() override {}
    bool cancelRequested() override { return false; }
    void notice(const std::string&) override {}
};

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zeltric-pairwise-bench FILE [R] [THREADS] [fast]\n");
        return 2;
    }
    zeltric::run::ExtendedRequest request;
    request.dataFile = argv[1];
    request.asked = true;
    const int randomisations = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int threads = argc > 3 ? std::atoi(argv[3]) : 1;
    auto start = std::chrono::steady_clock::now();
    const auto data = zeltric::run::LoadForExtended(request);
    if (!data) return 1;
    std::printf("read %zu samples, %zu loci, %zu individuals in %.2f s\n", data->samples(), data->loci(),
                data->individuals(), seconds(start));
    start = std::chrono::steady_clock::now();
    const st::Statistics statistics = st::computeStatistics(*data, threads);
    std::printf("observed statistics (%zu pairs): %.3f s\n", statistics.pairs.size(), seconds(start));

    st::PairwiseTestOptions options;
    options.randomisations = randomisations;
    options.threads = threads;
    Quiet quiet;
    start = std::chrono::steady_clock::now();
    const st::PairwiseTestResult fast = st::runPairwiseTest(*data, statistics.pairTheta, options, quiet);
    const double fastSeconds = seconds(start);
    std::printf("pairwise test, Gram route, R = %d, %d threads: %.2f s\n", randomisations, threads, fastSeconds);
    if (argc > 4 && std::string(argv[4]) == "fast") return 0;
    options.route = st::PairwiseTestOptions::Route::Recount;
    start = std::chrono::steady_clock::now();
    const st::PairwiseTestResult recount = st::runPairwiseTest(*data, statistics.pairTheta, options, quiet);
    const double recountSeconds = seconds(start);
    std::printf("pairwise test, recount, R = %d, %d threads: %.2f s (%.1f times the Gram route)\n", randomisations,
                threads, recountSeconds, recountSeconds / fastSeconds);
    std::size_t differing = 0;
    for (std::size_t p = 0; p < fast.reached.size(); ++p)
        if (fast.reached[p] != recount.reached[p]) ++differing;
    std::printf("pairs whose P differs between the routes: %zu\n", differing);
    return differing == 0 ? 0 : 1;
}
