// zeltric-bench: speed of the permutation test on generated data sets of the
// standard shapes, measured in one run as ratios: the fast kernels against
// the reference kernels on one thread, and all threads against one.
//
//   zeltric-bench [--seconds S] [--threads N] [--shapes 1,2,...] [--kernels V]
//   zeltric-bench --write SHAPE FILE     writes that shape as a data file
//   zeltric-bench --fast-only ...        only the fast kernels on one and on
//                                        N threads, as milliseconds a
//                                        randomisation (bench/versus_blas.py
//                                        reads these lines)
//   zeltric-bench --stages ...           where a randomisation's analysis
//                                        spends its time, stage by stage, on
//                                        one thread and on N at once
//
// Each figure is randomisations per second of the whole test engine
// (and, in the last column but one, replicates per second of the bootstrap
// over loci with the fast kernels on all threads)
// (shuffle, recount, analysis, share line), timed over about S seconds
// (default 4). The three measurements of a shape run back to back, so a
// ratio compares like with like even on a busy machine. The processor time
// per randomisation (all threads of the process) of the two fast figures
// shows whether more threads add work; on a machine shared with other busy
// programs the all-threads rate can only grow with the share it is given.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "analysis/fast_kernels.hpp"
#include "analysis/frequency_pca.hpp"
#include "base/limits.hpp"
#include "data/allele_counting.hpp"
#include "data/dataset.hpp"
#include "randomisation/bootstrap.hpp"
#include "randomisation/permutation_engine.hpp"
#include "randomisation/random_generator.hpp"
#include "run/port_observer.hpp"

namespace {

using namespace zeltric;

struct Shape {
    int samples;
    int loci;
    int alleles;  // aimed at; the data decide the exact count
    int individuals;
};

const std::vector<Shape> kShapes = {
    {17, 9, 110, 240}, {50, 20, 300, 5000}, {100, 30, 400, 5000}, {500, 50, 500, 5000}, {300, 10, 40, 5000},
};

class SilentInterface : public run::UserInterface {
public:
    void information(const std::string&) override {}
    void error(const std::string&) override {}
    std::optional<std::pair<std::string, std::string>> askSeeds() override { return std::nullopt; }
    std::optional<std::string> askCount(const std::string&) override { return std::nullopt; }
    void showResults(const std::string&) override {}
    void setCaption(const std::string&) override {}
    void progressStart(int) override {}
    void progressStep(int) override {}
    void progressEnd() override {}
    bool cancelRequested() override { return false; }
};

// Genotype codes of one shape: individuals spread evenly over the samples,
// each sample with its own allele frequencies, alleles split evenly over
// the loci; code = first * 100 + second (two-digit coding).
struct Generated {
    int allelesPerLocus = 0;
    std::vector<int> sampleOf;            // per individual, 1-based sample
    std::vector<std::vector<int>> codes;  // [individual][locus]
};

Generated generate(const Shape& shape, unsigned seed) {
    Generated g;
    g.allelesPerLocus = std::clamp((shape.alleles + shape.loci - 1) / shape.loci, 2, 99);
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<std::vector<std::discrete_distribution<int>>> draws(static_cast<std::size_t>(shape.samples));
    for (auto& perSample : draws)
        for (int l = 0; l < shape.loci; ++l) {
            std::vector<double> weights;
            for (int a = 0; a < g.allelesPerLocus; ++a) weights.push_back(0.2 + unit(engine));
            perSample.emplace_back(weights.begin(), weights.end());
        }
    for (int i = 0; i < shape.individuals; ++i) {
        const int sample = i * shape.samples / shape.individuals;
        g.sampleOf.push_back(sample + 1);
        std::vector<int> row;
        for (int l = 0; l < shape.loci; ++l) {
            auto& draw = draws[static_cast<std::size_t>(sample)][static_cast<std::size_t>(l)];
            row.push_back((draw(engine) + 1) * 100 + draw(engine) + 1);
        }
        g.codes.push_back(row);
    }
    return g;
}

void writeDataFile(const Shape& shape, const std::string& path) {
    const Generated g = generate(shape, 2024);
    std::ofstream out(path, std::ios::binary);
    out << shape.samples << ' ' << shape.loci << ' ' << g.allelesPerLocus << " 2\r\n";
    for (int l = 1; l <= shape.loci; ++l) out << "L" << l << "\r\n";
    for (std::size_t i = 0; i < g.codes.size(); ++i) {
        out << g.sampleOf[i];
        for (int code : g.codes[i]) out << ' ' << code;
        out << "\r\n";
    }
}

std::unique_ptr<data::Dataset> makeDataset(const Shape& shape) {
    const Generated g = generate(shape, 2024);
    auto ds = std::make_unique<data::Dataset>();
    ds->np = static_cast<std::uint16_t>(shape.samples);
    ds->nl = static_cast<std::uint16_t>(shape.loci);
    ds->nu = static_cast<std::uint16_t>(g.allelesPerLocus);
    ds->alleleCoding = 2;
    ds->alleleDivisor = 100;
    for (int l = 1; l <= shape.loci; ++l) ds->locusNames[static_cast<std::size_t>(l)] = "L" + std::to_string(l);
    for (int s = 1; s <= shape.samples; ++s) ds->populationLabels[static_cast<std::size_t>(s)] = std::to_string(s);
    ds->individualCount = static_cast<std::uint16_t>(shape.individuals);
    ds->genotypeColumns.resize(shape.loci);
    for (int i = 1; i <= shape.individuals; ++i) {
        const int sample = g.sampleOf[static_cast<std::size_t>(i - 1)];
        ds->sampleEnds[static_cast<std::size_t>(sample)] = static_cast<std::uint16_t>(i);
        for (int l = 1; l <= shape.loci; ++l)
            ds->genotypeColumns.at(l, i) =
                g.codes[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(l - 1)];
    }
    data::countObservedAlleles(*ds);
    return ds;
}

struct Measurement {
    double perSecond = 0.0;
    int randomisations = 0;
    // Processor time of the whole process (every thread) per randomisation:
    // the work, whatever share of the processors a busy machine grants.
    double cpuMilliseconds = 0.0;
};

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the test engine with `kernels` on `threads` threads for about
// `seconds`, starting from the observed arrangement each time.
Measurement measure(const data::Dataset& observedData, const analysis::PcaResult& observed, const char* kernels,
                    int threads, double seconds, const std::string& sharePath) {
    // The engine takes its kernels as a parameter (an empty name: the best).
    const auto selection = analysis::KernelSelection::fromName(kernels);
    if (!selection) {
        std::fprintf(stderr, "zeltric-bench: unknown kernels \"%s\" (%s)\n", kernels,
                     analysis::KernelSelection::names());
        std::exit(2);
    }
    SilentInterface ui;
    Measurement result;
    int runs = 2;
    double elapsed = 0.0;
    double processor = 0.0;
    // Grow the count until one run lasts long enough to time.
    for (;;) {
        auto ds = std::make_unique<data::Dataset>(observedData);
        randomisation::RandomGenerator generator;
        generator.seed1 = 12345;
        generator.seed2 = 67890;
        std::filesystem::remove(sharePath);
        const double processorStart = processorSeconds();
        const auto start = std::chrono::steady_clock::now();
        run::PortObserver observer(ui);
        (void)randomisation::runPermutationTest(*ds, observed, generator, runs + 1, threads, sharePath, observer,
                                                *selection);
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        processor = processorSeconds() - processorStart;
        if (elapsed >= seconds || runs >= 15000) break;
        const double wanted = elapsed > 0.0 ? runs * seconds / elapsed * 1.05 : runs * 10.0;
        runs = static_cast<int>(std::min(15000.0, std::max(wanted, runs * 2.0)));
        if (elapsed < seconds / 8) continue;
    }
    result.randomisations = runs;
    result.perSecond = runs / elapsed;
    result.cpuMilliseconds = processor * 1000.0 / runs;
    return result;
}

// Bootstrap replicates per second with the fast kernels on `threads` threads.
double measureBootstrap(const data::Dataset& ds, const analysis::PcaResult& observed, int threads, double seconds,
                        const char* kernels) {
    SilentInterface ui;
    run::PortObserver observer(ui);
    const auto selection =
        analysis::KernelSelection::fromName(kernels).value_or(analysis::KernelSelection::best());
    int replicates = 100;
    for (;;) {
        const auto start = std::chrono::steady_clock::now();
        (void)randomisation::runBootstrap(ds, observed, replicates, 1, 1, threads, observer, selection);
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed >= seconds || replicates >= base::kMaxReplicates) return replicates / elapsed;
        const double wanted = elapsed > 0.0 ? replicates * seconds / elapsed * 1.05 : replicates * 10.0;
        replicates = static_cast<int>(std::min<double>(base::kMaxReplicates, std::max(wanted, replicates * 2.0)));
    }
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::vector<int> parseList(const std::string& text) {
    std::vector<int> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t comma = text.find(',', pos);
        out.push_back(std::atoi(text.substr(pos, comma - pos).c_str()));
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return out;
}

// One worker's tables for the stage timings: its own counts and workspace,
// as each worker of the test engine has them.
struct StageTables {
    data::CountTables counts;
    std::unique_ptr<analysis::PcaWorkspace> ws = std::make_unique<analysis::PcaWorkspace>();
    std::unique_ptr<analysis::PcaResult> result = std::make_unique<analysis::PcaResult>();
    std::vector<std::uint16_t> origin;
    std::unique_ptr<analysis::SquareMatrix> copy = std::make_unique<analysis::SquareMatrix>();
    analysis::RealVector weights{};
    analysis::RealVector d{};
    analysis::RealVector e{};
};

enum class Stage { Recount, Analysis, CrossProduct, Reduction, FloatReduction, Ql };

// Runs one stage `calls` times on `t` (prepared by prepareStages).
void runStage(Stage stage, const data::Dataset& ds, const data::ArrangementCounter& counter, StageTables& t,
              int calls, const analysis::KernelSelection& kernels) {
    const int np = ds.np;
    const int nA = t.result->alleleColumnCount;
    const int order = std::min(np, nA);
    for (int c = 0; c < calls; ++c) switch (stage) {
            case Stage::Recount: counter.count(t.origin.data(), t.counts); break;
            case Stage::Analysis: (void)analysis::RunFrequencyPca(ds, t.counts, false, *t.ws, *t.result); break;
            case Stage::CrossProduct:
                (void)analysis::FastCrossProduct(t.ws->x, t.weights, np, nA, t.ws->xt, t.ws->p, t.ws->m,
                                                 kernels.isa);
                break;
            case Stage::Reduction:  // leaves m as it is
                analysis::TridiagonalizeEigenvaluesOnly(t.ws->m, order, t.d, t.e, kernels.isa,
                                                        t.ws->reductionScratch);
                break;
            case Stage::FloatReduction: {  // on a copy: this form overwrites its input
                *t.copy = t.ws->m;
                analysis::TridiagonalizeEigenvaluesOnly(*t.copy, order, t.d, t.e, kernels.isa);
                break;
            }
            case Stage::Ql: {
                analysis::RealVector d = t.d;
                analysis::RealVector e = t.e;
                (void)analysis::TqliEigenvaluesOnly(d, e, order);
                break;
            }
        }
}

// One randomised arrangement recounted and analysed into `t`, then its cross
// product and tridiagonal form kept as the later stages' input.
void prepareStages(const data::Dataset& ds, const data::ArrangementCounter& counter, StageTables& t,
                   const analysis::KernelSelection& kernels, unsigned seed) {
    t.counts = ds.counts;
    t.ws->kernels = kernels;
    t.origin.resize(static_cast<std::size_t>(ds.individualCount) + 1);
    for (std::size_t i = 0; i < t.origin.size(); ++i) t.origin[i] = static_cast<std::uint16_t>(i);
    std::mt19937 engine(seed);
    std::shuffle(t.origin.begin() + 1, t.origin.end(), engine);
    counter.count(t.origin.data(), t.counts);
    (void)analysis::RunFrequencyPca(ds, t.counts, false, *t.ws, *t.result);
    std::array<int, base::NLMax + 1> locusTotals{};
    for (int l = 1; l <= ds.nl; ++l)
        for (int j = 1; j <= ds.np; ++j) locusTotals[static_cast<std::size_t>(l)] += t.counts.sampleSize(j, l);
    for (int j = 1; j <= ds.np; ++j)
        t.weights[static_cast<std::size_t>(j)] = analysis::sampleWeight(t.counts, locusTotals, ds.nl, j);
    (void)analysis::FastCrossProduct(t.ws->x, t.weights, ds.np, t.result->alleleColumnCount, t.ws->xt, t.ws->p,
                                     t.ws->m, kernels.isa);
    const int order = std::min<int>(ds.np, t.result->alleleColumnCount);
    analysis::TridiagonalizeEigenvaluesOnly(t.ws->m, order, t.d, t.e, kernels.isa, t.ws->reductionScratch);
}

// Milliseconds a call of `stage` on each of `threads` threads running it at
// once (median of the threads' times), each on its own tables.
double timeStage(Stage stage, const data::Dataset& ds, const data::ArrangementCounter& counter,
                 std::vector<StageTables>& tables, int threads, int calls,
                 const analysis::KernelSelection& kernels) {
    std::vector<double> ms(static_cast<std::size_t>(threads));
    auto work = [&](int w) {
        StageTables& t = tables[static_cast<std::size_t>(w)];
        runStage(stage, ds, counter, t, 1, kernels);  // warm
        const auto start = std::chrono::steady_clock::now();
        runStage(stage, ds, counter, t, calls, kernels);
        ms[static_cast<std::size_t>(w)] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / calls;
    };
    std::vector<std::thread> pool;
    for (int w = 1; w < threads; ++w) pool.emplace_back(work, w);
    work(0);
    for (auto& thread : pool) thread.join();
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Where the analysis of a randomisation spends its time at `shape`: each
// stage alone on one thread, then on `threads` threads at once. A stage
// whose time grows when the threads run together is held up by what the
// cores share (the level-3 cache and memory), not by its own core.
void printStages(const Shape& shape, int threads, double seconds, const char* kernelName) {
    const auto kernels =
        analysis::KernelSelection::fromName(kernelName).value_or(analysis::KernelSelection::best());
    auto ds = makeDataset(shape);
    const data::ArrangementCounter counter(*ds, ds->genotypeColumns);
    threads = std::max(1, threads);
    std::vector<StageTables> tables(static_cast<std::size_t>(threads));
    for (int w = 0; w < threads; ++w)
        prepareStages(*ds, counter, tables[static_cast<std::size_t>(w)], kernels, 7u + static_cast<unsigned>(w));
    std::printf("shape (%d, %d, %d, %d), %s kernels: ms a call, 1 thread alone and %d at once\n", shape.samples,
                shape.loci, tables[0].result->alleleColumnCount, shape.individuals, analysis::isaName(kernels.isa),
                threads);
    const std::pair<Stage, const char*> stages[] = {
        {Stage::Recount, "recount"},     {Stage::CrossProduct, "cross product"},
        {Stage::Reduction, "reduction"}, {Stage::FloatReduction, "float reduction"},
        {Stage::Ql, "QL iterations"},    {Stage::Analysis, "whole analysis"}};
    for (const auto& [stage, name] : stages) {
        // Calls enough for about seconds / 10 on one thread.
        const double once = timeStage(stage, *ds, counter, tables, 1, 1, kernels);
        const int calls = std::max(1, static_cast<int>(seconds * 100.0 / std::max(once, 1e-3)));
        const double alone = timeStage(stage, *ds, counter, tables, 1, calls, kernels);
        const double together = timeStage(stage, *ds, counter, tables, threads, calls, kernels);
        std::printf("  %-16s %9.4f %9.4f  (%.2fx)\n", name, alone, together, together / alone);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 4.0;
    std::string fastVariant;
    int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<int> chosen = {1, 2, 3, 4, 5};
    bool fastOnly = false;
    bool stages = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--seconds" && a + 1 < argc) {
            seconds = std::atof(argv[++a]);
        } else if (arg == "--threads" && a + 1 < argc) {
            threads = std::atoi(argv[++a]);
        } else if (arg == "--kernels" && a + 1 < argc) {
            fastVariant = argv[++a];  // as --kernels of zeltric-cli names it; default the best
        } else if (arg == "--fast-only") {
            fastOnly = true;
        } else if (arg == "--stages") {
            stages = true;
        } else if (arg == "--shapes" && a + 1 < argc) {
            chosen = parseList(argv[++a]);
        } else if (arg == "--write" && a + 2 < argc) {
            const int index = std::atoi(argv[a + 1]);
            if (index < 1 || index > static_cast<int>(kShapes.size())) return 2;
            writeDataFile(kShapes[static_cast<std::size_t>(index - 1)], argv[a + 2]);
            return 0;
        } else {
            std::fprintf(stderr,
                         "usage: zeltric-bench [--seconds S] [--threads N] [--shapes 1,2,..] [--kernels V] "
                         "[--fast-only | --stages] | "
                         "--write SHAPE FILE\n");
            return 2;
        }
    }

    const std::string sharePath =
        (std::filesystem::temp_directory_path() / ("zeltric-bench-" + std::to_string(::getpid()) + ".per"))
            .string();
    if (fastOnly || stages) {
        for (const int index : chosen) {
            if (index < 1 || index > static_cast<int>(kShapes.size())) continue;
            const Shape& shape = kShapes[static_cast<std::size_t>(index - 1)];
            if (stages) {
                printStages(shape, threads, seconds, fastVariant.c_str());
                continue;
            }
            auto ds = makeDataset(shape);
            auto observed = std::make_unique<analysis::PcaResult>();
            auto ws = std::make_unique<analysis::PcaWorkspace>();
            (void)analysis::RunFrequencyPca(*ds, ds->counts, true, *ws, *observed);
            const Measurement one = measure(*ds, *observed, fastVariant.c_str(), 1, seconds, sharePath);
            const Measurement all = measure(*ds, *observed, fastVariant.c_str(), threads, seconds, sharePath);
            std::printf(
                "shape (%d, %d, %d, %d): fast 1t %.4f ms, fast %dt %.4f ms a randomisation; observed inertia "
                "%.6g\n",
                shape.samples, shape.loci, observed->alleleColumnCount, shape.individuals, 1000.0 / one.perSecond,
                threads, 1000.0 / all.perSecond, static_cast<double>(observed->totalInertia));
            std::fflush(stdout);
        }
        std::filesystem::remove(sharePath);
        return 0;
    }
    std::printf("fast kernels: %s; %d threads; about %.1f s per figure\n",
                fastVariant.empty() ? analysis::isaName(analysis::bestSupportedIsa()) : fastVariant.c_str(),
                threads, seconds);
    std::printf("%-22s %5s | %12s %12s %12s | %9s %9s | %11s %11s | %12s | %8s\n", "shape (np,nl,nA,N)", "case",
                "ref 1t /s", "fast 1t /s", "fast Nt /s", "fast/ref", "Nt/1t", "cpu ms 1t", "cpu ms Nt",
                "boot Nt /s", "peak MB");
    for (const int index : chosen) {
        if (index < 1 || index > static_cast<int>(kShapes.size())) continue;
        const Shape& shape = kShapes[static_cast<std::size_t>(index - 1)];
        auto ds = makeDataset(shape);
        auto observed = std::make_unique<analysis::PcaResult>();
        auto ws = std::make_unique<analysis::PcaWorkspace>();
        (void)analysis::RunFrequencyPca(*ds, ds->counts, true, *ws, *observed);
        const int nA = observed->alleleColumnCount;

        const Measurement reference = measure(*ds, *observed, "reference", 1, seconds, sharePath);
        const Measurement fast1 = measure(*ds, *observed, fastVariant.c_str(), 1, seconds, sharePath);
        const Measurement fastN = measure(*ds, *observed, fastVariant.c_str(), threads, seconds, sharePath);
        const double bootstrapN = measureBootstrap(*ds, *observed, threads, seconds, fastVariant.c_str());
        char label[64];
        std::snprintf(label, sizeof label, "(%d, %d, %d, %d)", shape.samples, shape.loci, nA, shape.individuals);
        std::printf("%-22s %5s | %12.2f %12.1f %12.1f | %8.1fx %8.2fx | %11.3f %11.3f | %12.1f | %8.1f\n", label,
                    shape.samples > nA ? "A" : "B", reference.perSecond, fast1.perSecond, fastN.perSecond,
                    fast1.perSecond / reference.perSecond, fastN.perSecond / fast1.perSecond,
                    fast1.cpuMilliseconds, fastN.cpuMilliseconds, bootstrapN, peakMegabytes());
        std::fflush(stdout);
    }
    std::filesystem::remove(sharePath);
    return 0;
}
