#include "randomisation/bootstrap.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "analysis/frequency_pca.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/number_field.hpp"
#include "randomisation/observed_axes.hpp"
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

namespace {

// exp, log and erf from additions, products, quotients and square roots
// alone, which every processor and the browser round alike: the C
// libraries' own differ in the last bit between platforms, and an interval
// must have the same bits wherever it is computed.
constexpr double kLn2High = 6.93147180369123816490e-01;  // the first 32 bits of ln 2
constexpr double kLn2Low = 1.90821492927058770002e-10;   // the rest

double portableExp(double x) {
    if (x > 709.0) return INFINITY;
    if (x < -745.0) return 0.0;
    const double k = std::floor(x / 0.69314718055994530942 + 0.5);
    const double r = (x - k * kLn2High) - k * kLn2Low;  // |r| <= ln 2 / 2
    double sum = 1.0;
    for (int n = 22; n >= 1; --n) sum = 1.0 + sum * r / n;
    return std::ldexp(sum, static_cast<int>(k));
}

double portableLog(double x) {
    ZELTRIC_ASSERT(x > 0.0);
    int e = 0;
    double m = std::frexp(x, &e);  // x = m 2^e, m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        --e;
    }
    // log m = 2 atanh s, |s| <= 0.172
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double sum = 0.0;
    for (int n = 41; n >= 1; n -= 2) sum = 1.0 / n + s2 * sum;
    return 2.0 * s * sum + static_cast<double>(e) * kLn2Low + static_cast<double>(e) * kLn2High;
}

// erf y = 2/sqrt(pi) exp(-y^2) sum_n (2 y^2)^n y / (2n+1)!!: positive
// terms, no cancellation.
double portableErf(double y) {
    if (y < 0.0) return -portableErf(-y);
    if (y > 6.0) return 1.0;
    const double twoY2 = 2.0 * y * y;
    double term = y;
    double sum = y;
    for (int n = 1; n < 1000 && term > 1e-18 * sum; ++n) {
        term = term * twoY2 / (2 * n + 1);
        sum += term;
    }
    return 1.1283791670955125739 * portableExp(-y * y) * sum;
}

}  // namespace

double normalCdf(double x) { return 0.5 + 0.5 * portableErf(x / std::sqrt(2.0)); }

double normalQuantile(double p) {
    ZELTRIC_ASSERT(p > 0.0 && p < 1.0);
    // A rational first guess (Acklam's), then Halley steps on the
    // distribution function to full precision.
    static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,  -2.759285104469687e+02,
                                   1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                   6.680131188771972e+01, -1.328068155288572e+01};
    static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                   -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                   3.754408661907416e+00};
    double x = 0.0;
    if (p < 0.02425) {
        const double q = std::sqrt(-2.0 * portableLog(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    } else if (p <= 1.0 - 0.02425) {
        const double q = p - 0.5;
        const double r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
    } else {
        const double q = std::sqrt(-2.0 * portableLog(1.0 - p));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    }
    for (int step = 0; step < 2; ++step) {
        const double e = normalCdf(x) - p;
        const double u = e * std::sqrt(2.0 * 3.14159265358979323846) * portableExp(x * x / 2.0);
        x = x - u / (1.0 + x * u / 2.0);
    }
    return x;
}

namespace {

std::string percentText(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", share * 100.0);
    return text;
}

}  // namespace

BootstrapFigure summariseFigure(double observed, double estimate, const std::vector<double>& values) {
    ZELTRIC_ASSERT(!values.empty());
    BootstrapFigure figure;
    figure.observed = observed;
    figure.estimate = estimate;
    double sum = 0.0;
    for (double v : values) sum += v;
    const auto n = static_cast<double>(values.size());
    figure.mean = sum / n;
    double squares = 0.0;
    for (double v : values) squares += (v - figure.mean) * (v - figure.mean);
    figure.se = values.size() > 1 ? std::sqrt(squares / (n - 1.0)) : 0.0;

    const double tolerance = kTieTolerance * std::fabs(estimate);
    double below = 0.0;
    double ties = 0.0;
    for (double v : values) {
        if (std::fabs(v - estimate) <= tolerance)
            ties += 1.0;
        else if (v < estimate)
            below += 1.0;
    }
    const double share = (below + ties / 2.0) / n;
    const double above = (n - below - ties) / n;
    if (share <= 0.0 || share >= 1.0) {
        figure.z0 = share <= 0.0 ? -INFINITY : INFINITY;
    } else {
        figure.z0 = normalQuantile(share);
    }
    if (!(std::fabs(figure.z0) <= 1.96)) {
        figure.noInterval = figure.z0 > 0.0
                                ? percentText(share) + " % of the replicate values lie below the estimate"
                                : percentText(above) + " % of the replicate values lie above the estimate";
        figure.noInterval += " (more than 97.5 % on one side), so a bias-corrected interval would exclude it";
        return figure;
    }
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const double lower = percentile(sorted, normalCdf(2.0 * figure.z0 - 1.96));
    const double upper = percentile(sorted, normalCdf(2.0 * figure.z0 + 1.96));
    // At |z0| near 1.96 interpolation between the order statistics on either
    // side of the estimate may still pass it: no interval then either.
    if (lower > estimate + tolerance || upper < estimate - tolerance) {
        figure.noInterval =
            "the interpolated bounds of the bias-corrected interval lie on one side of the estimate";
        return figure;
    }
    figure.hasInterval = true;
    figure.lower = std::min(lower, estimate);
    figure.upper = std::max(upper, estimate);
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

// One replicate in flight: its loci, what its analysis gave and what it
// measures along the observed axes.
struct Slot {
    std::vector<int> loci;
    ReplicateFigures figures;
    ObservedAxes::Measures along;
};

// Both are needed of every replicate: the analysis for the global Fst (and
// the solver's notices), the measure for the axes.
void analyseReplicate(ReplicateAnalyser& analyser, const ObservedAxes& axes, Slot& slot) {
    slot.figures.tqliNotices = 0;
    analyser.analyse(slot.loci, slot.figures);
    axes.measure(slot.loci, slot.along);
}

int summarisedAxes(const analysis::PcaResult& observed) {
    return std::max(0, static_cast<int>(observed.dimension) - 1);
}

// The figures of the replicates taken so far, in replicate order, and their
// summaries once all are taken.
struct ReplicateTally {
    ReplicateTally(int replicates, int axes)
        : global(static_cast<std::size_t>(replicates)),
          axisFst(static_cast<std::size_t>(axes), std::vector<double>(static_cast<std::size_t>(replicates))),
          share(axisFst) {}

    void take(int replicate, const Slot& slot, TestObserver& observer) {
        for (int n = 0; n < slot.figures.tqliNotices; ++n) observer.notice(base::tqliNotice());
        const auto at = static_cast<std::size_t>(replicate - 1);
        global[at] = slot.along.globalFst();
        for (std::size_t k = 0; k < axisFst.size(); ++k) {
            axisFst[k][at] = slot.along.fst(static_cast<int>(k) + 1);
            share[k][at] = slot.along.share(static_cast<int>(k) + 1);
        }
    }

    void summarise(const analysis::PcaResult& observed, const ObservedAxes& axes,
                   BootstrapSummaries& summaries) const {
        std::vector<int> all;
        for (int l = 1; l <= axes.dataset().nl; ++l) all.push_back(l);
        ObservedAxes::Measures estimate;
        axes.measure(all, estimate);
        summaries.globalFst = summariseFigure(observed.observedGlobalFst, estimate.globalFst(), global);
        for (std::size_t k = 1; k <= axisFst.size(); ++k) {
            BootstrapAxis axis;
            axis.axis = static_cast<int>(k);
            const int kk = static_cast<int>(k);
            axis.fst = summariseFigure(observed.observedAxisFst[k], estimate.fst(kk), axisFst[k - 1]);
            axis.share = summariseFigure(observed.observedAxisShare[k], estimate.share(kk), share[k - 1]);
            summaries.axes.push_back(axis);
        }
    }

    // The global Fst, total inertia over H, in double as the axes' figures:
    // a replicate that is the data with its loci in another order is then a
    // tie, which single-precision sums in another order would not be.
    std::vector<double> global;
    std::vector<std::vector<double>> axisFst;  // index k - 1, then replicate - 1
    std::vector<std::vector<double>> share;
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
    const ObservedAxes observedAxes(ds, observed, axes);
    OrderedPool pool(
        workers, static_cast<int>(slots.size()),
        [&](int worker, int replicate) {
            analyseReplicate(*analysers[static_cast<std::size_t>(worker)], observedAxes, slotOf(replicate));
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
        tally.take(b, slotOf(b), observer);
        pool.release(b);
        observer.taken(b);
    }
    tally.summarise(observed, observedAxes, outcome.summaries);
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
          axes(dataset, observedResult, summarisedAxes(observedResult)),
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
    ObservedAxes axes;
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
            analyseReplicate(st.analyser, st.axes, st.slot);
            st.tally.take(b, st.slot, st.observer);
            st.observer.taken(b);
        }
        if (st.taken < st.replicates) return true;
        st.tally.summarise(st.observed, st.axes, st.outcome.summaries);
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
        for (double value : {f.observed, f.mean, f.se}) label += base::realField(value, 10, 5);
        if (!f.hasInterval) return label + "      none      none";
        return label + base::realField(f.lower, 10, 5) + base::realField(f.upper, 10, 5);
    };
    std::vector<std::pair<std::string, const BootstrapFigure*>> figures = {{"Global Fst", &summaries.globalFst}};
    for (const BootstrapAxis& axis : summaries.axes) {
        figures.emplace_back("Axis " + std::to_string(axis.axis) + " Fst", &axis.fst);
        figures.emplace_back("Axis " + std::to_string(axis.axis) + " share", &axis.share);
    }
    std::string out;
    line(out, std::string(43, '*'));
    line(out, "Bootstrap over loci: " + base::integerField(summaries.replicates) + " replicates, seeds " +
                  base::integerField(summaries.seed1) + "," + base::integerField(summaries.seed2));
    line(out, std::string("Intervals: ") + kIntervalMethod);
    line(out, std::string(kLabelWidth, ' ') + "  observed      mean        se     lower     upper");
    for (const auto& [label, figure] : figures) line(out, row(label, *figure));
    for (const auto& [label, figure] : figures)
        if (!figure->hasInterval) line(out, label + ": no interval: " + figure->noInterval + ".");
    line(out, "");
    return out;
}

}  // namespace zeltric::randomisation
