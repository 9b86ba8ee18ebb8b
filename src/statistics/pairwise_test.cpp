#include "statistics/pairwise_test.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "base/fatal_error.hpp"
#include "randomisation/random_generator.hpp"
#include "statistics/parallel_for.hpp"

namespace zeltric::statistics {

namespace {

__extension__ typedef __int128 Wide;

// One pair's genotypes, taken out of the data once: its individuals
// numbered 0..n-1 (sample j's first), the loci sorted into those typed in
// all n (their Gram matrix) and the others typed in somebody (recounted).
class PairData {
public:
    PairData(const extended::ExtendedData& data, SamplePair pair, PairwiseTestOptions::Route route) {
        std::vector<std::size_t> members;
        for (std::size_t i = 0; i < data.individuals(); ++i)
            if (static_cast<std::size_t>(data.sampleOf[i]) == pair.j) members.push_back(i);
        nj_ = members.size();
        for (std::size_t i = 0; i < data.individuals(); ++i)
            if (static_cast<std::size_t>(data.sampleOf[i]) == pair.k) members.push_back(i);
        n_ = members.size();
        const bool gram = route == PairwiseTestOptions::Route::Fast;
        if (gram) gram_.assign(n_ * n_, 0);
        std::vector<extended::Genotype> calls(n_);
        std::vector<std::int64_t> totals;
        for (std::size_t l = 0; l < data.loci(); ++l) {
            std::size_t typed = 0;
            for (std::size_t u = 0; u < n_; ++u) {
                calls[u] = data.genotypes.at(l, members[u]);
                if (!calls[u].missing()) ++typed;
            }
            if (typed == 0) continue;
            const auto alleles = static_cast<std::size_t>(data.genotypes.alleleCount(l));
            if (!gram || typed < n_) {
                partialAlleles_.push_back(alleles);
                partialCalls_.insert(partialCalls_.end(), calls.begin(), calls.end());
                continue;
            }
            ++completeLoci_;
            totals.assign(alleles, 0);
            for (std::size_t u = 0; u < n_; ++u) {
                ++totals[calls[u].first];
                ++totals[calls[u].second];
                if (calls[u].first != calls[u].second) ++heterozygotes_;
                for (std::size_t v = 0; v <= u; ++v) {
                    const extended::Genotype& x = calls[u];
                    const extended::Genotype& y = calls[v];
                    const std::int64_t shared = (x.first == y.first) + (x.first == y.second) +
                                                (x.second == y.first) + (x.second == y.second);
                    gram_[u * n_ + v] += shared;
                }
            }
            for (const std::int64_t t : totals) totalSquares_ += t * t;
        }
        if (gram) {
            rowSums_.assign(n_, 0);
            for (std::size_t u = 0; u < n_; ++u)
                for (std::size_t v = 0; v < u; ++v) gram_[v * n_ + u] = gram_[u * n_ + v];
            for (std::size_t u = 0; u < n_; ++u)
                for (std::size_t v = 0; v < n_; ++v) rowSums_[u] += gram_[u * n_ + v];
        }
        tally_.samples = 2;
        tally_.typed.assign(2, 0);
        tally_.heterozygous.assign(2, 0);
    }

    std::size_t individuals() const { return n_; }
    std::size_t first() const { return nj_; }

    // The theta of the arrangement: arrangement[p] is the individual at
    // position p; positions below first() form sample j.
    std::optional<double> theta(const std::vector<std::uint32_t>& arrangement) {
        Components sum = completeLoci(arrangement);
        static constexpr std::array<std::size_t, 2> kTwo{0, 1};
        const std::size_t loci = partialAlleles_.size();
        for (std::size_t q = 0; q < loci; ++q) {
            recount(q, arrangement);
            const Components c = varianceComponents(tally_, kTwo);
            if (!c.counted) continue;
            sum.counted = true;
            sum.a += c.a;
            sum.b += c.b;
            sum.c += c.c;
        }
        if (!sum.counted || sum.total() == 0.0) return std::nullopt;
        return sum.a / sum.total();
    }

private:
    // The components summed over the loci typed in everybody. With both
    // samples' sizes fixed they are linear in sum s2, and sum s2 needs only
    // the sums of squared allele counts of the two samples: sample 1's is
    // the sum of its members' Gram entries, sample 2's follows from it, the
    // row sums and the pair's total; exact in integers until one division.
    Components completeLoci(const std::vector<std::uint32_t>& arrangement) const {
        Components out;
        if (completeLoci_ == 0 || n_ <= 2) return out;
        const bool firstSmaller = nj_ <= n_ - nj_;
        const std::size_t from = firstSmaller ? 0 : nj_;
        const std::size_t to = firstSmaller ? nj_ : n_;
        std::int64_t squares = 0;
        std::int64_t cross = 0;
        for (std::size_t p = from; p < to; ++p) {
            const std::size_t u = arrangement[p];
            const std::int64_t* row = &gram_[u * n_];
            cross += rowSums_[u];
            squares += row[u];
            std::int64_t off = 0;
            for (std::size_t q = from; q < p; ++q) off += row[arrangement[q]];
            squares += 2 * off;
        }
        const std::int64_t other = totalSquares_ - 2 * cross + squares;
        const std::int64_t q1 = firstSmaller ? squares : other;
        const std::int64_t q2 = firstSmaller ? other : squares;
        const auto n1 = static_cast<std::int64_t>(nj_);
        const auto n2 = static_cast<std::int64_t>(n_ - nj_);
        const auto n = static_cast<std::int64_t>(n_);
        // sum_i n_i p_i^2 - N pbar^2 over loci and alleles, times 4 n1 n2 N.
        const Wide spread = Wide{q1} * n2 * n + Wide{q2} * n1 * n - Wide{totalSquares_} * n1 * n2;
        const double r = 2.0;
        const double nbar = static_cast<double>(n) / r;
        const double rn = r * nbar;
        const double nc = (rn - static_cast<double>(n1 * n1 + n2 * n2) / rn) / (r - 1.0);
        const double s2 = static_cast<double>(spread) / static_cast<double>(4 * n1 * n2 * n) / ((r - 1.0) * nbar);
        const auto loci = static_cast<std::int64_t>(completeLoci_);
        const double pq = static_cast<double>(Wide{loci} * 4 * n * n - totalSquares_) / static_cast<double>(4 * n * n);
        const double hbar = static_cast<double>(2 * heterozygotes_) / static_cast<double>(n);
        out.counted = true;
        out.a = nbar / nc * (s2 - (pq - (r - 1.0) * s2 / r - hbar / 4.0) / (nbar - 1.0));
        out.b = nbar / (nbar - 1.0) * (pq - (r - 1.0) * s2 / r - (2.0 * nbar - 1.0) * hbar / (4.0 * nbar));
        out.c = hbar / 2.0;
        return out;
    }

    // The two samples' counts at recounted locus q.
    void recount(std::size_t q, const std::vector<std::uint32_t>& arrangement) {
        const std::size_t alleles = partialAlleles_[q];
        tally_.alleles = alleles;
        tally_.copies.assign(2 * alleles, 0);
        tally_.carriers.assign(2 * alleles, 0);
        tally_.typed[0] = tally_.typed[1] = 0;
        tally_.heterozygous[0] = tally_.heterozygous[1] = 0;
        const extended::Genotype* calls = &partialCalls_[q * n_];
        for (std::size_t p = 0; p < n_; ++p) {
            const extended::Genotype& g = calls[arrangement[p]];
            if (g.missing()) continue;
            const std::size_t s = p < nj_ ? 0 : 1;
            ++tally_.typed[s];
            ++tally_.copies[s * alleles + g.first];
            ++tally_.copies[s * alleles + g.second];
            if (g.first != g.second) {
                ++tally_.heterozygous[s];
                ++tally_.carriers[s * alleles + g.first];
                ++tally_.carriers[s * alleles + g.second];
            }
        }
    }

    std::size_t nj_ = 0;
    std::size_t n_ = 0;
    std::vector<std::int64_t> gram_;
    std::vector<std::int64_t> rowSums_;
    std::int64_t totalSquares_ = 0;  // sum over the complete loci and alleles of the pair's squared counts
    std::int64_t heterozygotes_ = 0;
    std::size_t completeLoci_ = 0;
    std::vector<std::size_t> partialAlleles_;
    std::vector<extended::Genotype> partialCalls_;
    LocusTally tally_;
};

void shuffle(std::vector<std::uint32_t>& arrangement, randomisation::RandomGenerator& generator) {
    for (auto i = static_cast<std::int32_t>(arrangement.size()); i >= 2; --i) {
        const std::int32_t k = 1 + generator.integerDeviate(i);
        std::swap(arrangement[static_cast<std::size_t>(i - 1)], arrangement[static_cast<std::size_t>(k - 1)]);
    }
}

std::vector<std::uint32_t> identity(std::size_t n) {
    std::vector<std::uint32_t> arrangement(n);
    std::iota(arrangement.begin(), arrangement.end(), 0u);
    return arrangement;
}

std::size_t pairSize(const std::vector<std::size_t>& sizes, SamplePair pair) {
    return sizes[pair.j] + sizes[pair.k];
}

}  // namespace

std::vector<std::optional<double>> pairArrangementThetas(const extended::ExtendedData& data, SamplePair pair,
                                                         const PairwiseTestOptions& options) {
    PairData pairData(data, pair, options.route);
    randomisation::RandomGenerator generator{options.seed1, options.seed2};
    std::vector<std::uint32_t> arrangement = identity(pairData.individuals());
    std::vector<std::optional<double>> thetas{pairData.theta(arrangement)};
    for (std::int32_t r = 1; r < options.randomisations; ++r) {
        shuffle(arrangement, generator);
        thetas.push_back(pairData.theta(arrangement));
    }
    return thetas;
}

PairwiseTestResult runPairwiseTest(const extended::ExtendedData& data,
                                   const std::vector<std::optional<double>>& observed,
                                   const PairwiseTestOptions& options, randomisation::TestObserver& observer) {
    ZELTRIC_ASSERT(options.randomisations >= 1);
    const std::vector<SamplePair> pairs = samplePairs(data.samples());
    ZELTRIC_ASSERT(observed.size() == pairs.size());
    std::vector<std::size_t> sizes(data.samples(), 0);
    for (const int s : data.sampleOf) ++sizes[static_cast<std::size_t>(s)];

    // Where the stream stands at each pair's start.
    const auto draws = static_cast<std::uint64_t>(options.randomisations - 1);
    std::vector<randomisation::RandomGenerator> starts;
    starts.reserve(pairs.size() + 1);
    std::uint64_t taken = 0;
    for (std::size_t p = 0; p <= pairs.size(); ++p) {
        randomisation::RandomGenerator g{options.seed1, options.seed2};
        randomisation::GeneratorJump(taken).apply(g);
        starts.push_back(g);
        if (p < pairs.size()) {
            const std::size_t n = pairSize(sizes, pairs[p]);
            taken += draws * static_cast<std::uint64_t>(n > 0 ? n - 1 : 0);
        }
    }

    PairwiseTestResult out;
    out.reached.assign(pairs.size(), 0);
    const auto work = [&](int, std::size_t p) {
        if (!observed[p]) return;
        const double limit = *observed[p] - 1e-9 * std::fabs(*observed[p]);
        PairData pairData(data, pairs[p], options.route);
        randomisation::RandomGenerator generator = starts[p];
        std::vector<std::uint32_t> arrangement = identity(pairData.individuals());
        std::int64_t reached = 0;
        for (std::int32_t r = 1; r < options.randomisations; ++r) {
            shuffle(arrangement, generator);
            const std::optional<double> theta = pairData.theta(arrangement);
            if (theta && *theta >= limit) ++reached;
        }
        out.reached[p] = reached;
    };

    const randomisation::ProgressGuard progress(observer, static_cast<int>(pairs.size()));
    const std::size_t batch = static_cast<std::size_t>(std::max(options.threads, 1)) * 4;
    for (std::size_t first = 0; first < pairs.size(); first += batch) {
        if (observer.cancelRequested()) {
            out.cancelled = true;
            return out;
        }
        const std::size_t count = std::min(batch, pairs.size() - first);
        parallelFor(count, options.threads, [&](int worker, std::size_t i) { work(worker, first + i); });
        observer.taken(static_cast<int>(first + count));
    }
    out.p.resize(pairs.size());
    for (std::size_t p = 0; p < pairs.size(); ++p)
        if (observed[p])
            out.p[p] = static_cast<double>(1 + out.reached[p]) / static_cast<double>(options.randomisations);
    out.holm = holmAdjusted(out.p);
    out.seed1After = starts.back().seed1;
    out.seed2After = starts.back().seed2;
    return out;
}

std::vector<std::optional<double>> holmAdjusted(const std::vector<std::optional<double>>& p) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (p[i]) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return *p[x] < *p[y]; });
    std::vector<std::optional<double>> adjusted(p.size());
    const std::size_t m = order.size();
    double running = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
        const double scaled = static_cast<double>(m - i) * *p[order[i]];
        running = std::min(1.0, std::max(running, scaled));
        adjusted[order[i]] = running;
    }
    return adjusted;
}

}  // namespace zeltric::statistics
