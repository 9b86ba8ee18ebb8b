#include "run/extended_bootstrap.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>

#include "base/fatal_error.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::run {

namespace {

// What one block contributes: X X^T over its loci (P x P, lower triangle
// used), its part of H, and the individuals typed at none of its loci.
struct Block {
    std::vector<double> cross;
    double heterozygosity = 0.0;
    std::vector<std::uint32_t> untyped;
};

// Blocks are kept once formed when they fit this many bytes, else formed
// again for every draw (the same bits either way).
constexpr std::size_t kKeptBytes = std::size_t{256} << 20;

class BlockSource {
public:
    BlockSource(const extended::ExtendedData& data, const std::vector<std::size_t>& bounds, int threads)
        : data_(data), bounds_(bounds) {
        const std::size_t count = blocks();
        const std::size_t p = data.samples();
        keep_ = count * (p * p * sizeof(double) + sizeof(Block)) <= kKeptBytes;
        if (!keep_) return;
        kept_.resize(count);
        const auto workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), count);
        std::vector<std::exception_ptr> errors(workers);
        auto work = [&](std::size_t t) {
            try {
                extended::LociSums scratch;
                for (std::size_t b = t; b < count; b += workers) form(b, scratch, kept_[b]);
            } catch (...) {
                errors[t] = std::current_exception();
            }
        };
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < workers; ++t) pool.emplace_back(work, t);
        work(0);
        for (std::thread& th : pool) th.join();
        for (const std::exception_ptr& e : errors)
            if (e) std::rethrow_exception(e);
    }

    std::size_t blocks() const { return bounds_.size() - 1; }

    // Block b (0-based): the kept one, or formed into `scratch`.
    const Block& block(std::size_t b, extended::LociSums& sums, Block& scratch) const {
        if (keep_) return kept_[b];
        form(b, sums, scratch);
        return scratch;
    }

private:
    void form(std::size_t b, extended::LociSums& sums, Block& out) const {
        extended::SumLoci(data_, bounds_[b], bounds_[b + 1], sums);
        out.cross = sums.cross;
        out.heterozygosity = sums.heterozygosity;
        out.untyped.clear();
        for (std::size_t i = 0; i < sums.typed.size(); ++i)
            if (sums.typed[i] == 0) out.untyped.push_back(static_cast<std::uint32_t>(i));
    }

    const extended::ExtendedData& data_;
    const std::vector<std::size_t>& bounds_;
    bool keep_ = false;
    std::vector<Block> kept_;
};

// The scratch of one worker.
struct Scratch {
    std::vector<double> cross;
    std::vector<int> untypedDraws;  // per individual: drawn blocks not typing it
    std::vector<std::int64_t> members;
    std::vector<double> root;
    std::vector<double> m;
    extended::LociSums sums;
    Block formed;
};

// The observed unit eigenvectors of axes 1..axes, one row of P a axis.
std::vector<double> axisVectors(const extended::ExtendedResult& observed, std::size_t axes) {
    const std::size_t p = observed.samples;
    std::vector<double> v(axes * p, 0.0);
    for (std::size_t k = 0; k < axes; ++k)
        for (std::size_t j = 0; j < p; ++j) v[k * p + j] = observed.eigenvector(j, k);
    return v;
}

std::size_t summarisedAxes(const extended::ExtendedResult& observed) {
    return observed.dimension > 0 ? observed.dimension - 1 : 0;
}

// The drawn blocks' data set measured along the observed axes: X X^T and H
// summed over the blocks in draw order, its weights from the individuals
// typed in one drawn block at least.
void measureDraw(const extended::ExtendedData& data, const BlockSource& source, const std::vector<int>& drawn,
                 const std::vector<double>& vectors, std::size_t axes, Scratch& s,
                 randomisation::ObservedAxes::Measures& out) {
    const std::size_t p = data.samples();
    s.cross.assign(p * p, 0.0);
    s.untypedDraws.assign(data.individuals(), 0);
    double heterozygosity = 0.0;
    for (const int number : drawn) {
        ZELTRIC_ASSERT(number >= 1 && static_cast<std::size_t>(number) <= source.blocks());
        const Block& b = source.block(static_cast<std::size_t>(number - 1), s.sums, s.formed);
        for (std::size_t j = 0; j < p; ++j)
            for (std::size_t k = 0; k <= j; ++k) s.cross[j * p + k] += b.cross[j * p + k];
        heterozygosity += b.heterozygosity;
        for (const std::uint32_t i : b.untyped) ++s.untypedDraws[i];
    }
    s.members.assign(p, 0);
    std::int64_t total = 0;
    for (std::size_t i = 0; i < data.individuals(); ++i)
        if (static_cast<std::size_t>(s.untypedDraws[i]) < drawn.size()) {
            ++s.members[static_cast<std::size_t>(data.sampleOf[i])];
            ++total;
        }
    s.root.assign(p, 0.0);
    for (std::size_t j = 0; j < p; ++j)
        s.root[j] = total > 0 ? std::sqrt(static_cast<double>(s.members[j]) / static_cast<double>(total)) : 0.0;
    s.m.assign(p * p, 0.0);
    for (std::size_t j = 0; j < p; ++j)
        for (std::size_t k = 0; k <= j; ++k)
            s.m[j * p + k] = s.m[k * p + j] = s.root[j] * s.cross[j * p + k] * s.root[k];
    out.heterozygosity = heterozygosity;
    out.totalInertia = 0.0;
    for (std::size_t j = 0; j < p; ++j) out.totalInertia += s.m[j * p + j];
    out.inertia.assign(axes, 0.0);
    for (std::size_t a = 0; a < axes; ++a) {
        const double* v = &vectors[a * p];
        double sum = 0.0;
        for (std::size_t j = 0; j < p; ++j) {
            double row = 0.0;
            for (std::size_t k = 0; k < p; ++k) row += s.m[j * p + k] * v[k];
            sum += v[j] * row;
        }
        out.inertia[a] = sum;
    }
}

}  // namespace

std::size_t DefaultBootstrapBlock(std::size_t loci) { return std::max<std::size_t>(1, loci / 100); }

std::vector<std::size_t> BootstrapBlockBounds(const extended::ExtendedData& data, std::size_t blockLoci) {
    ZELTRIC_ASSERT(blockLoci >= 1);
    const std::size_t loci = data.loci();
    const bool positioned = data.chromosomeOf.size() == loci;
    std::vector<std::size_t> bounds{0};
    std::size_t inBlock = 0;
    for (std::size_t l = 0; l < loci; ++l) {
        const bool newChromosome = positioned && l > 0 && data.chromosomeOf[l] != data.chromosomeOf[l - 1];
        if (inBlock == blockLoci || (newChromosome && inBlock > 0)) {
            bounds.push_back(l);
            inBlock = 0;
        }
        ++inBlock;
    }
    if (loci > 0) bounds.push_back(loci);
    return bounds;
}

randomisation::ObservedAxes::Measures MeasureBlockDraw(const extended::ExtendedData& data,
                                                       const extended::ExtendedResult& observed,
                                                       const std::vector<std::size_t>& bounds,
                                                       const std::vector<int>& drawn) {
    const BlockSource source(data, bounds, 1);
    const std::size_t axes = summarisedAxes(observed);
    Scratch scratch;
    randomisation::ObservedAxes::Measures out;
    measureDraw(data, source, drawn, axisVectors(observed, axes), axes, scratch, out);
    return out;
}

randomisation::BootstrapOutcome RunExtendedBootstrap(const extended::ExtendedData& data,
                                                     const extended::ExtendedResult& observed,
                                                     const ExtendedBootstrapRequest& request,
                                                     randomisation::TestObserver& observer) {
    ZELTRIC_ASSERT(request.replicates >= 1);
    const int replicates = request.replicates;
    randomisation::BootstrapOutcome outcome;
    randomisation::BootstrapSummaries& summaries = outcome.summaries;
    summaries.replicates = replicates;
    summaries.seed1 = request.seed1;
    summaries.seed2 = request.seed2;

    randomisation::ProgressGuard progress(observer, replicates);
    const std::vector<std::size_t> bounds = BootstrapBlockBounds(data, request.blockLoci);
    const BlockSource source(data, bounds, request.threads);
    const int blocks = static_cast<int>(source.blocks());
    summaries.blockLoci = request.blockLoci;
    summaries.blocks = source.blocks();
    const std::size_t axes = summarisedAxes(observed);
    const std::vector<double> vectors = axisVectors(observed, axes);

    // Replicates a round: drawn in order here, measured by the workers (each
    // replicate by one, in a fixed order), taken in order.
    const int workers = std::max(1, request.threads);
    const int round = 16 * workers;
    std::vector<Scratch> scratch(static_cast<std::size_t>(workers));
    std::vector<std::vector<int>> drawn(static_cast<std::size_t>(round));
    std::vector<randomisation::ObservedAxes::Measures> measured(static_cast<std::size_t>(round));
    std::vector<double> global(static_cast<std::size_t>(replicates));
    std::vector<std::vector<double>> axisFst(axes, std::vector<double>(static_cast<std::size_t>(replicates)));
    std::vector<std::vector<double>> share = axisFst;

    randomisation::RandomGenerator generator;
    generator.seed1 = request.seed1;
    generator.seed2 = request.seed2;
    for (int first = 1; first <= replicates; first += round) {
        const int count = std::min(round, replicates - first + 1);
        for (int r = 0; r < count; ++r)
            randomisation::drawLoci(generator, blocks, drawn[static_cast<std::size_t>(r)]);
        const int used = std::min(workers, count);
        std::vector<std::exception_ptr> errors(static_cast<std::size_t>(used));
        auto work = [&](int t) {
            try {
                for (int r = t; r < count; r += used)
                    measureDraw(data, source, drawn[static_cast<std::size_t>(r)], vectors, axes,
                                scratch[static_cast<std::size_t>(t)], measured[static_cast<std::size_t>(r)]);
            } catch (...) {
                errors[static_cast<std::size_t>(t)] = std::current_exception();
            }
        };
        std::vector<std::thread> pool;
        for (int t = 1; t < used; ++t) pool.emplace_back(work, t);
        work(0);
        for (std::thread& th : pool) th.join();
        for (const std::exception_ptr& e : errors)
            if (e) std::rethrow_exception(e);
        for (int r = 0; r < count; ++r) {
            if (observer.cancelRequested()) {
                outcome.cancelled = true;
                return outcome;
            }
            const auto at = static_cast<std::size_t>(first - 1 + r);
            const randomisation::ObservedAxes::Measures& m = measured[static_cast<std::size_t>(r)];
            global[at] = m.globalFst();
            for (std::size_t k = 0; k < axes; ++k) {
                axisFst[k][at] = m.fst(static_cast<int>(k) + 1);
                share[k][at] = m.share(static_cast<int>(k) + 1);
            }
            observer.taken(first + r);
        }
    }

    // The estimate: every block once, in order.
    std::vector<int> all(source.blocks());
    for (std::size_t b = 0; b < all.size(); ++b) all[b] = static_cast<int>(b) + 1;
    randomisation::ObservedAxes::Measures estimate;
    measureDraw(data, source, all, vectors, axes, scratch[0], estimate);
    summaries.globalFst = randomisation::summariseFigure(observed.globalFst, estimate.globalFst(), global);
    for (std::size_t k = 0; k < axes; ++k) {
        randomisation::BootstrapAxis axis;
        axis.axis = static_cast<int>(k) + 1;
        axis.fst = randomisation::summariseFigure(observed.axisFst[k], estimate.fst(axis.axis), axisFst[k]);
        axis.share = randomisation::summariseFigure(observed.axisShare[k], estimate.share(axis.axis), share[k]);
        summaries.axes.push_back(axis);
    }
    return outcome;
}

}  // namespace zeltric::run
