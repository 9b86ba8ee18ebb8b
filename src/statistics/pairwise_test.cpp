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

// The components of two samples summed over `loci` loci at which the pair
// has the same typed counts n1 and n2: with those fixed, pbar and hbar do
// not move with the arrangement and the components are linear in sum s2,
// which needs only q1 and q2, the sums of the samples' squared allele
// counts, and sx2, the pair's. `heterozygotes` is the pair's over the loci.
// Exact in integers until the divisions; the definition's arithmetic
// otherwise (r = 2).
Components twoSampleComponents(std::int64_t n1, std::int64_t n2, std::int64_t q1, std::int64_t q2,
                               std::int64_t sx2, std::int64_t heterozygotes, std::int64_t loci) {
    Components out;
    const std::int64_t n = n1 + n2;
    if (loci == 0 || n1 == 0 || n2 == 0 || n <= 2) return out;
    // sum_i n_i p_i^2 - N pbar^2 over loci and alleles, times 4 n1 n2 N.
    const Wide spread = Wide{q1} * n2 * n + Wide{q2} * n1 * n - Wide{sx2} * n1 * n2;
    const double r = 2.0;
    const double nbar = static_cast<double>(n) / r;
    const double rn = r * nbar;
    const double nc = (rn - static_cast<double>(n1 * n1 + n2 * n2) / rn) / (r - 1.0);
    const double s2 = static_cast<double>(spread) / static_cast<double>(4 * n1 * n2 * n) / ((r - 1.0) * nbar);
    const double pq = static_cast<double>(Wide{loci} * 4 * n * n - sx2) / static_cast<double>(4 * n * n);
    const double hbar = static_cast<double>(2 * heterozygotes) / static_cast<double>(n);
    out.counted = true;
    out.a = nbar / nc * (s2 - (pq - (r - 1.0) * s2 / r - hbar / 4.0) / (nbar - 1.0));
    out.b = nbar / (nbar - 1.0) * (pq - (r - 1.0) * s2 / r - (2.0 * nbar - 1.0) * hbar / (4.0 * nbar));
    out.c = hbar / 2.0;
    return out;
}

void add(Components& sum, const Components& c) {
    if (!c.counted) return;
    sum.counted = true;
    sum.a += c.a;
    sum.b += c.b;
    sum.c += c.c;
}

// One pair's genotypes, taken out of the data once: its individuals
// numbered 0..n-1 (sample j's first) and the loci typed in somebody of the
// pair. The fast route keeps the loci typed in all n as their Gram matrix of
// shared allele copies and the others as calls with the pair's allele
// totals; the recount keeps every locus as calls.
class PairData {
public:
    PairData(const extended::ExtendedData& data, SamplePair pair, PairwiseTestOptions::Route route)
        : fast_(route == PairwiseTestOptions::Route::Fast) {
        std::vector<std::size_t> members;
        for (std::size_t i = 0; i < data.individuals(); ++i)
            if (static_cast<std::size_t>(data.sampleOf[i]) == pair.j) members.push_back(i);
        nj_ = members.size();
        for (std::size_t i = 0; i < data.individuals(); ++i)
            if (static_cast<std::size_t>(data.sampleOf[i]) == pair.k) members.push_back(i);
        n_ = members.size();
        if (fast_) gram_.assign(n_ * n_, 0);
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
            totals.assign(alleles, 0);
            std::int64_t heterozygotes = 0;
            for (std::size_t u = 0; u < n_; ++u) {
                if (calls[u].missing()) continue;
                ++totals[calls[u].first];
                ++totals[calls[u].second];
                if (calls[u].first != calls[u].second) ++heterozygotes;
            }
            std::int64_t squares = 0;
            for (const std::int64_t t : totals) squares += t * t;
            if (fast_ && typed == n_) {
                ++completeLoci_;
                heterozygotes_ += heterozygotes;
                totalSquares_ += squares;
                for (std::size_t u = 0; u < n_; ++u)
                    for (std::size_t v = 0; v <= u; ++v) {
                        const extended::Genotype& x = calls[u];
                        const extended::Genotype& y = calls[v];
                        gram_[u * n_ + v] += (x.first == y.first) + (x.first == y.second) + (x.second == y.first) +
                                             (x.second == y.second);
                    }
                continue;
            }
            Partial locus;
            locus.alleles = alleles;
            locus.typed = static_cast<std::int64_t>(typed);
            locus.squares = squares;
            if (typed > 2) setConstants(locus, heterozygotes);
            locus.totals = totals_.size();
            totals_.insert(totals_.end(), totals.begin(), totals.end());
            partial_.push_back(locus);
            partialCalls_.insert(partialCalls_.end(), calls.begin(), calls.end());
            widest_ = std::max(widest_, alleles);
        }
        if (fast_) {
            rowSums_.assign(n_, 0);
            for (std::size_t u = 0; u < n_; ++u)
                for (std::size_t v = 0; v < u; ++v) gram_[v * n_ + u] = gram_[u * n_ + v];
            for (std::size_t u = 0; u < n_; ++u)
                for (std::size_t v = 0; v < n_; ++v) rowSums_[u] += gram_[u * n_ + v];
        }
        counts_.assign(widest_, 0);
        tally_.samples = 2;
        tally_.typed.assign(2, 0);
        tally_.heterozygous.assign(2, 0);
    }

    std::size_t individuals() const { return n_; }

    // The theta of the arrangement: arrangement[p] is the individual at
    // position p; positions below nj form sample j.
    std::optional<double> theta(const std::vector<std::uint32_t>& arrangement) {
        Components sum;
        if (fast_) {
            add(sum, completeLoci(arrangement));
            partialLoci(arrangement, sum);
        } else {
            static constexpr std::array<std::size_t, 2> kTwo{0, 1};
            for (std::size_t q = 0; q < partial_.size(); ++q) {
                recount(q, arrangement);
                add(sum, varianceComponents(tally_, kTwo));
            }
        }
        if (!sum.counted || sum.total() == 0.0) return std::nullopt;
        return sum.a / sum.total();
    }

private:
    // A locus recounted in every randomisation, with what does not move:
    // given the smaller side's n1 typed (n2 = N - n1, D = n1 n2) and the
    // spread S = q1 n2 N + q2 n1 N - sx2 n1 n2 (as in twoSampleComponents),
    // the definition's sums over alleles come to
    //   a = aSpread S / D^2 - aFixed / D,   a + b + c = a + tFixed + tSpread S / D,
    // since nbar / n_c = N^2 / (4D) and s2 = S / (2 D N^2) (r = 2).
    struct Partial {
        std::size_t alleles = 0;
        std::size_t totals = 0;  // offset of the pair's allele totals in totals_
        std::int64_t typed = 0;  // N
        std::int64_t squares = 0;
        double aSpread = 0.0;
        double aFixed = 0.0;
        double tFixed = 0.0;
        double tSpread = 0.0;
    };

    static void setConstants(Partial& locus, std::int64_t heterozygotes) {
        const auto n = static_cast<double>(locus.typed);
        const double nbar = n / 2.0;
        const double pq = static_cast<double>(4 * locus.typed * locus.typed - locus.squares) / (4.0 * n * n);
        const double hbar = 2.0 * static_cast<double>(heterozygotes) / n;
        // a = nbar/n_c [s2 k1 - k2], b = nbar/(nbar - 1) [pq - s2/2 - (2 nbar - 1) hbar / (4 nbar)].
        const double k1 = 1.0 + 1.0 / (2.0 * (nbar - 1.0));
        const double k2 = (pq - hbar / 4.0) / (nbar - 1.0);
        locus.aSpread = k1 / 8.0;
        locus.aFixed = n * n * k2 / 4.0;
        locus.tFixed = nbar / (nbar - 1.0) * (pq - (2.0 * nbar - 1.0) * hbar / (4.0 * nbar)) + hbar / 2.0;
        locus.tSpread = -nbar / (nbar - 1.0) / 2.0 / (2.0 * n * n);
    }

    // The smaller side of the arrangement: positions [from, to).
    std::pair<std::size_t, std::size_t> smallerSide() const {
        return nj_ <= n_ - nj_ ? std::pair{std::size_t{0}, nj_} : std::pair{nj_, n_};
    }

    // The loci typed in everybody: sample 1's sum of squared counts is the
    // sum of its members' Gram entries, sample 2's follows from it, the row
    // sums and the pair's total.
    Components completeLoci(const std::vector<std::uint32_t>& arrangement) const {
        if (completeLoci_ == 0) return {};
        const auto [from, to] = smallerSide();
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
        const auto small = static_cast<std::int64_t>(to - from);
        const auto large = static_cast<std::int64_t>(n_) - small;
        return twoSampleComponents(small, large, squares, other, totalSquares_, heterozygotes_,
                                   static_cast<std::int64_t>(completeLoci_));
    }

    // The other loci, one by one: the smaller side's typed count, its sum of
    // squared allele counts and its cross sum with the pair's totals, counted
    // over its members only; a locus where either side has nobody typed, or
    // the pair two individuals or fewer, adds nothing.
    void partialLoci(const std::vector<std::uint32_t>& arrangement, Components& sum) {
        const auto [from, to] = smallerSide();
        double a = 0.0;
        double total = 0.0;
        bool counted = false;
        for (std::size_t q = 0; q < partial_.size(); ++q) {
            const Partial& locus = partial_[q];
            if (locus.typed <= 2) continue;
            const extended::Genotype* calls = &partialCalls_[q * n_];
            const std::int64_t* totals = &totals_[locus.totals];
            std::int64_t typed = 0;
            std::int64_t squares = 0;
            std::int64_t cross = 0;
            for (std::size_t p = from; p < to; ++p) {
                const extended::Genotype& g = calls[arrangement[p]];
                if (g.missing()) continue;
                ++typed;
                squares += 2 * counts_[g.first] + 1;
                ++counts_[g.first];
                squares += 2 * counts_[g.second] + 1;
                ++counts_[g.second];
                cross += totals[g.first] + totals[g.second];
            }
            if (typed == 0) continue;
            for (std::size_t p = from; p < to; ++p) {
                const extended::Genotype& g = calls[arrangement[p]];
                if (g.missing()) continue;
                counts_[g.first] = 0;
                counts_[g.second] = 0;
            }
            const std::int64_t other = locus.typed - typed;
            if (other == 0) continue;
            const std::int64_t otherSquares = locus.squares - 2 * cross + squares;
            // In 128 bits: the terms grow as N^4.
            const auto spread =
                static_cast<double>((Wide{squares} * other + Wide{otherSquares} * typed) * locus.typed -
                                    Wide{locus.squares} * typed * other);
            const double inverse = 1.0 / static_cast<double>(typed * other);
            const double locusA = locus.aSpread * spread * inverse * inverse - locus.aFixed * inverse;
            a += locusA;
            total += locusA + locus.tFixed + locus.tSpread * spread * inverse;
            counted = true;
        }
        if (!counted) return;
        sum.counted = true;
        sum.a += a;
        sum.b += total - a;  // b + c: only a and the total are read
    }

    // The two samples' counts at locus q, as the definition counts them.
    void recount(std::size_t q, const std::vector<std::uint32_t>& arrangement) {
        const std::size_t alleles = partial_[q].alleles;
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

    bool fast_;
    std::size_t nj_ = 0;
    std::size_t n_ = 0;
    std::vector<std::int64_t> gram_;
    std::vector<std::int64_t> rowSums_;
    std::int64_t totalSquares_ = 0;  // over the complete loci and alleles: the pair's squared counts
    std::int64_t heterozygotes_ = 0;
    std::size_t completeLoci_ = 0;
    std::vector<Partial> partial_;
    std::vector<extended::Genotype> partialCalls_;
    std::vector<std::int64_t> totals_;
    std::size_t widest_ = 0;
    std::vector<std::int64_t> counts_;  // scratch: the smaller side's allele counts, zero between loci
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
