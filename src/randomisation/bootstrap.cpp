#include "randomisation/bootstrap.hpp"

#include <algorithm>
#include <cmath>
#include <exception>

#include "analysis/frequency_pca.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/number_field.hpp"
#include "randomisation/ordered_pool.hpp"

namespace zeltric::randomisation {

// The work tables of one analyser.
struct ReplicateTables {
    explicit ReplicateTables(analysis::KernelSelection kernels) { workspace.kernels = kernels; }
    data::Dataset replicate;  // np, nl, nu: all the analysis call reads of it
    data::CountTables counts;
    analysis::PcaWorkspace workspace;
    analysis::PcaResult result;
};

double percentile(const std::vector<double>& sorted, double q) {
    ZELTRIC_ASSERT(!sorted.empty());
    const double h = static_cast<double>(sorted.size() - 1) * q;
    const auto i = static_cast<std::size_t>(std::floor(h));
    if (i + 1 >= sorted.size()) return sorted.back();
    return sorted[i] + (h - static_cast<double>(i)) * (sorted[i + 1] - sorted[i]);
}

BootstrapFigure summariseFigure(double observed, const std::vector<double>& values) {
    ZELTRIC_ASSERT(!values.empty());
    BootstrapFigure figure;
    figure.observed = observed;
    double sum = 0.0;
    for (double v : values) sum += v;
    const auto n = static_cast<double>(values.size());
    figure.mean = sum / n;
    double squares = 0.0;
    for (double v : values) squares += (v - figure.mean) * (v - figure.mean);
    figure.se = values.size() > 1 ? std::sqrt(squares / (n - 1.0)) : 0.0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    figure.lower = percentile(sorted, 0.025);
    figure.upper = percentile(sorted, 0.975);
    return figure;
}

void drawLoci(RandomGenerator& generator, int nl, std::vector<int>& loci) {
    loci.resize(static_cast<std::size_t>(nl));
    for (int& locus : loci) locus = 1 + generator.integerDeviate(nl);
}

void replicateCounts(const data::Dataset& ds, const std::vector<int>& loci, data::CountTables& counts) {
    const int nl = static_cast<int>(loci.size());
    ZELTRIC_ASSERT(nl <= base::NLMax);
    if (counts.samples() < ds.np || counts.loci() < nl) counts.allocate(ds.np, nl);
    for (int l = 1; l <= nl; ++l) {
        const int from = loci[static_cast<std::size_t>(l - 1)];
        ZELTRIC_ASSERT(from >= 1 && from <= ds.nl);
        for (int s = 1; s <= ds.np; ++s) {
            counts.sampleSize(s, l) = ds.counts.sampleSize(s, from);
            for (int a = 1; a <= ds.nu; ++a) counts.alleleCount(s, l, a) = ds.counts.alleleCount(s, from, a);
        }
        for (int a = 1; a <= ds.nu; ++a) counts.alleleTotal(l, a) = ds.counts.alleleTotal(from, a);
    }
}

ReplicateAnalyser::ReplicateAnalyser(const data::Dataset& ds, int axes, analysis::KernelSelection kernels)
    : ds_(ds), axes_(axes), tables_(std::make_unique<ReplicateTables>(kernels)) {
    tables_->replicate.np = ds.np;
    tables_->replicate.nu = ds.nu;
}

ReplicateAnalyser::~ReplicateAnalyser() = default;

namespace {

void takeFigures(const analysis::PcaResult& result, int axes, ReplicateFigures& figures) {
    figures.globalFst = result.globalFst;
    figures.axisFst.assign(static_cast<std::size_t>(axes), 0.0f);
    figures.share.assign(static_cast<std::size_t>(axes), 0.0f);
    // Axis k is the replicate's k-th largest eigenvalue; 0 beyond its axes.
    const int present = std::min(axes, static_cast<int>(result.dimension));
    for (int k = 1; k <= present; ++k) {
        figures.axisFst[static_cast<std::size_t>(k - 1)] = result.axisFst[static_cast<std::size_t>(k)];
        figures.share[static_cast<std::size_t>(k - 1)] = analysis::axisShare(result, k);
    }
}

}  // namespace

void ReplicateAnalyser::analyse(const std::vector<int>& loci, ReplicateFigures& figures) {
    ReplicateTables& t = *tables_;
    t.replicate.nl = static_cast<std::uint16_t>(loci.size());
    replicateCounts(ds_, loci, t.counts);
    const analysis::PcaCallReport report =
        analysis::RunFrequencyPca(t.replicate, t.counts, false, t.workspace, t.result);
    figures.tqliNotices = report.tqliNotices;
    takeFigures(t.result, axes_, figures);
}

void ReplicateAnalyser::analyseWide(const std::vector<int>& loci, ReplicateFigures& figures) {
    ReplicateTables& t = *tables_;
    t.replicate.nl = static_cast<std::uint16_t>(loci.size());
    replicateCounts(ds_, loci, t.counts);
    const analysis::PcaCallReport report =
        analysis::RunWideFrequencyPca(t.replicate, t.counts, t.workspace, t.result);
    figures.tqliNotices = report.tqliNotices;
    takeFigures(t.result, axes_, figures);
}

namespace {

// One replicate in flight: its loci and what its analysis gave.
struct Slot {
    std::vector<int> loci;
    ReplicateFigures figures;
};

std::vector<double> widened(const std::vector<float>& values) {
    return std::vector<double>(values.begin(), values.end());
}

int summarisedAxes(const analysis::PcaResult& observed) {
    return std::max(0, static_cast<int>(observed.dimension) - 1);
}

// The figures of the replicates taken so far, in replicate order, and their
// summaries once all are taken.
struct ReplicateTally {
    ReplicateTally(int replicates, int axes)
        : global(static_cast<std::size_t>(replicates)),
          axisFst(static_cast<std::size_t>(axes), std::vector<float>(static_cast<std::size_t>(replicates))),
          share(axisFst) {}

    void take(int replicate, const ReplicateFigures& figures, TestObserver& observer) {
        for (int n = 0; n < figures.tqliNotices; ++n) observer.notice(base::tqliNotice());
        const auto at = static_cast<std::size_t>(replicate - 1);
        global[at] = figures.globalFst;
        for (std::size_t k = 0; k < axisFst.size(); ++k) {
            axisFst[k][at] = figures.axisFst[k];
            share[k][at] = figures.share[k];
        }
    }

    void summarise(const analysis::PcaResult& observed, BootstrapSummaries& summaries) const {
        summaries.globalFst = summariseFigure(observed.observedGlobalFst, widened(global));
        for (std::size_t k = 1; k <= axisFst.size(); ++k) {
            BootstrapAxis axis;
            axis.axis = static_cast<int>(k);
            axis.fst = summariseFigure(observed.observedAxisFst[k], widened(axisFst[k - 1]));
            axis.share = summariseFigure(observed.observedAxisShare[k], widened(share[k - 1]));
            summaries.axes.push_back(axis);
        }
    }

    // Single-precision figures, kept as they are: half the memory of doubles.
    std::vector<float> global;
    std::vector<std::vector<float>> axisFst;  // index k - 1, then replicate - 1
    std::vector<std::vector<float>> share;
};

BootstrapOutcome startOutcome(int replicates, std::int32_t seed1, std::int32_t seed2) {
    BootstrapOutcome outcome;
    outcome.summaries.replicates = replicates;
    outcome.summaries.seed1 = seed1;
    outcome.summaries.seed2 = seed2;
    return outcome;
}

}  // namespace

BootstrapOutcome runBootstrap(const data::Dataset& ds, const analysis::PcaResult& observed, int replicates,
                              std::int32_t seed1, std::int32_t seed2, int threads, TestObserver& observer,
                              analysis::KernelSelection kernels) {
    ZELTRIC_ASSERT(replicates >= 1);
    BootstrapOutcome outcome = startOutcome(replicates, seed1, seed2);
    const int axes = summarisedAxes(observed);

    ProgressGuard progress(observer, replicates);
    const int workers = poolWorkerCount(threads, replicates);
    std::vector<Slot> slots(static_cast<std::size_t>(kJobsPerWorker * workers + 1));
    auto slotOf = [&](int replicate) -> Slot& {
        return slots[static_cast<std::size_t>(replicate) % slots.size()];
    };
    std::vector<std::unique_ptr<ReplicateAnalyser>> analysers;
    for (int w = 0; w < workers; ++w) analysers.push_back(std::make_unique<ReplicateAnalyser>(ds, axes, kernels));
    OrderedPool pool(
        workers, static_cast<int>(slots.size()),
        [&](int worker, int replicate) {
            Slot& s = slotOf(replicate);
            s.figures.tqliNotices = 0;
            analysers[static_cast<std::size_t>(worker)]->analyse(s.loci, s.figures);
        },
        "the bootstrap over loci");
    // Replicates taken per wake-up of this thread when it has to wait.
    const int batch = std::max(1, (kJobsPerWorker / 2) * workers);
    ReplicateTally tally(replicates, axes);

    RandomGenerator generator;
    generator.seed1 = seed1;
    generator.seed2 = seed2;
    int produced = 0;
    for (int b = 1; b <= replicates; ++b) {
        if (observer.cancelRequested()) {
            outcome.cancelled = true;
            return outcome;
        }
        const int last = std::min(replicates, b + pool.window() - 1);
        while (produced < last) {
            ++produced;
            drawLoci(generator, ds.nl, slotOf(produced).loci);
            pool.submit(produced);
        }
        if (const std::exception_ptr error = pool.waitFor(b, std::min(produced, b + batch - 1)))
            std::rethrow_exception(error);
        tally.take(b, slotOf(b).figures, observer);
        pool.release(b);
        observer.taken(b);
    }
    tally.summarise(observed, outcome.summaries);
    return outcome;
}

struct SteppedBootstrap::State {
    State(const data::Dataset& dataset, const analysis::PcaResult& observedResult, int count, std::int32_t seed1,
          std::int32_t seed2, TestObserver& obs, analysis::KernelSelection kernels)
        : ds(dataset),
          observed(observedResult),
          replicates(count),
          observer(obs),
          analyser(dataset, summarisedAxes(observedResult), kernels),
          tally(count, summarisedAxes(observedResult)),
          outcome(startOutcome(count, seed1, seed2)) {
        generator.seed1 = seed1;
        generator.seed2 = seed2;
    }

    void end() {
        over = true;
        observer.finished();
    }

    const data::Dataset& ds;
    const analysis::PcaResult& observed;
    const int replicates;
    TestObserver& observer;
    RandomGenerator generator;
    ReplicateAnalyser analyser;
    Slot slot;
    ReplicateTally tally;
    BootstrapOutcome outcome;
    int taken = 0;
    bool over = false;
};

SteppedBootstrap::SteppedBootstrap(const data::Dataset& ds, const analysis::PcaResult& observed, int replicates,
                                   std::int32_t seed1, std::int32_t seed2, TestObserver& observer,
                                   analysis::KernelSelection kernels) {
    ZELTRIC_ASSERT(replicates >= 1);
    state_ = std::make_unique<State>(ds, observed, replicates, seed1, seed2, observer, kernels);
    observer.started(replicates);
}

SteppedBootstrap::~SteppedBootstrap() {
    if (!state_->over) state_->observer.finished();
}

bool SteppedBootstrap::done() const { return state_->over; }

const BootstrapOutcome& SteppedBootstrap::outcome() const { return state_->outcome; }

bool SteppedBootstrap::advance(int count) {
    State& st = *state_;
    if (st.over) return false;
    try {
        for (int n = 0; n < count && st.taken < st.replicates; ++n) {
            if (st.observer.cancelRequested()) {
                st.outcome.cancelled = true;
                st.end();
                return false;
            }
            const int b = ++st.taken;
            drawLoci(st.generator, st.ds.nl, st.slot.loci);
            st.slot.figures.tqliNotices = 0;
            st.analyser.analyse(st.slot.loci, st.slot.figures);
            st.tally.take(b, st.slot.figures, st.observer);
            st.observer.taken(b);
        }
        if (st.taken < st.replicates) return true;
        st.tally.summarise(st.observed, st.outcome.summaries);
    } catch (...) {
        if (!st.over) st.end();
        throw;
    }
    st.end();
    return false;
}

std::string bootstrapSectionText(const BootstrapSummaries& summaries) {
    constexpr std::size_t kLabelWidth = 16;
    auto line = [](std::string& out, const std::string& text) {
        out += text;
        base::endLine(out);
    };
    auto row = [&](std::string label, const BootstrapFigure& f) {
        label.resize(std::max(label.size(), kLabelWidth), ' ');
        for (double value : {f.observed, f.mean, f.se, f.lower, f.upper}) label += base::realField(value, 10, 5);
        return label;
    };
    std::string out;
    line(out, std::string(43, '*'));
    line(out, "Bootstrap over loci: " + base::integerField(summaries.replicates) + " replicates, seeds " +
                  base::integerField(summaries.seed1) + "," + base::integerField(summaries.seed2));
    line(out, "Intervals: 2.5 and 97.5 percentiles of the replicates");
    line(out, std::string(kLabelWidth, ' ') + "  observed      mean        se     lower     upper");
    line(out, row("Global Fst", summaries.globalFst));
    for (const BootstrapAxis& axis : summaries.axes) {
        line(out, row("Axis " + std::to_string(axis.axis) + " Fst", axis.fst));
        line(out, row("Axis " + std::to_string(axis.axis) + " share", axis.share));
    }
    line(out, "");
    return out;
}

}  // namespace zeltric::randomisation
