#include "extended/arrangement_analysis.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <thread>

#include "base/fatal_error.hpp"
#include "extended/symmetric_eigen.hpp"

namespace zeltric::extended {

namespace {

// Complete loci per block of the Gram matrix: 64 a word, so that one
// block's bit planes of every individual stay in the cache.
constexpr std::size_t kWordsPerBlock = 16;
constexpr std::size_t kLociPerGramBlock = 64 * kWordsPerBlock;

__extension__ typedef __int128 Wide;

// The bit planes of one block: for individual i, words i*W.. of `some`
// mark at least one copy of the second allele (codes 1 and 2), of `two`
// two copies (code 2).
struct Planes {
    std::vector<std::uint64_t> some;
    std::vector<std::uint64_t> two;
};

void fillPlanes(const ExtendedData& data, std::span<const std::size_t> loci, Planes& planes) {
    const std::size_t n = data.individuals();
    planes.some.assign(n * kWordsPerBlock, 0);
    planes.two.assign(n * kWordsPerBlock, 0);
    for (std::size_t b = 0; b < loci.size(); ++b) {
        const std::uint8_t* codes = data.genotypes.packedCodes(loci[b]);
        const std::size_t word = b / 64;
        const std::uint64_t bit = std::uint64_t{1} << (b % 64);
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned code = (codes[i / 4] >> (2 * (i % 4))) & 3u;
            if (code == 1u || code == 2u) planes.some[i * kWordsPerBlock + word] |= bit;
            if (code == 2u) planes.two[i * kWordsPerBlock + word] |= bit;
        }
    }
}

// With s = [g >= 1] and t = [g = 2] (so t implies s), g g' = s s' + 2 t t'
// + [s t' or t s']: three population counts a word. Summed over the block's
// loci into rows first..last-1 of the lower triangle `tri` (row i at
// gramRowOffset(i) - gramRowOffset(first)).
template <typename Count>
void addBlock(const Planes& planes, std::size_t first, std::size_t last, std::uint32_t* tri, Count count) {
    const std::size_t base = ArrangementAnalyser::gramRowOffset(first);
    for (std::size_t i = first; i < last; ++i) {
        const std::uint64_t* someI = &planes.some[i * kWordsPerBlock];
        const std::uint64_t* twoI = &planes.two[i * kWordsPerBlock];
        std::uint32_t* row = tri + (ArrangementAnalyser::gramRowOffset(i) - base);
        for (std::size_t k = 0; k <= i; ++k) {
            const std::uint64_t* someK = &planes.some[k * kWordsPerBlock];
            const std::uint64_t* twoK = &planes.two[k * kWordsPerBlock];
            unsigned one = 0;
            unsigned both = 0;
            for (std::size_t w = 0; w < kWordsPerBlock; ++w) {
                one += count(someI[w] & someK[w]) + count((someI[w] & twoK[w]) | (twoI[w] & someK[w]));
                both += count(twoI[w] & twoK[w]);
            }
            row[k] += one + 2 * both;
        }
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("popcnt"))) void addBlockPopcnt(const Planes& planes, std::size_t first, std::size_t last,
                                                      std::uint32_t* tri) {
    addBlock(planes, first, last, tri,
             [](std::uint64_t v) { return static_cast<unsigned>(__builtin_popcountll(v)); });
}
bool hasPopcnt() { return __builtin_cpu_supports("popcnt") != 0; }
#else
void addBlockPopcnt(const Planes&, std::size_t, std::size_t, std::uint32_t*) {}
bool hasPopcnt() { return false; }
#endif

void addBlockAny(const Planes& planes, std::size_t first, std::size_t last, std::uint32_t* tri, bool popcnt) {
    if (popcnt) {
        addBlockPopcnt(planes, first, last, tri);
        return;
    }
    addBlock(planes, first, last, tri, [](std::uint64_t v) { return static_cast<unsigned>(std::popcount(v)); });
}

}  // namespace

ArrangementAnalyser::ArrangementAnalyser(const ExtendedData& data, const ExtendedResult& observed, int threads,
                                         bool useGram, bool buildNow)
    : data_(data),
      samples_(data.samples()),
      individuals_(data.individuals()),
      dimension_(observed.dimension),
      heterozygosity_(observed.heterozygositySum) {
    sampleSizes_.assign(samples_, 0);
    for (const int j : data.sampleOf) ++sampleSizes_[static_cast<std::size_t>(j)];
    typedAnywhere_.assign(individuals_, 0);
    weighted_.assign(individuals_, 0);
    // A Gram entry holds at most 4 per complete locus.
    const std::size_t gramLimit = std::numeric_limits<std::uint32_t>::max() / 4;
    LocusCounts counts;
    for (std::size_t l = 0; l < data.loci(); ++l) {
        const GenotypeMatrix& g = data.genotypes;
        bool complete = useGram && g.packed(l) && complete_.size() < gramLimit;
        if (g.packed(l)) {
            for (std::size_t i = 0; i < individuals_; ++i) {
                const bool typed = g.packedCode(l, i) != 3u;
                typedAnywhere_[i] = static_cast<std::uint8_t>(typedAnywhere_[i] | (typed ? 1u : 0u));
                complete = complete && typed;
            }
        } else {
            for (std::size_t i = 0; i < individuals_; ++i)
                if (!g.at(l, i).missing()) typedAnywhere_[i] = 1;
        }
        if (complete && individuals_ > 0) {
            complete_.push_back(l);
            CountLocus(data, l, counts);
            const std::int64_t t = counts.alleleTotals[1];
            squareSum_ += t * t;
            for (std::size_t i = 0; i < individuals_; ++i)
                weighted_[i] += t * static_cast<std::int64_t>(g.packedCode(l, i));
        } else {
            recounted_.push_back(l);
        }
    }
    gram_.assign(gramRowOffset(individuals_), 0);
    if (buildNow && !complete_.empty()) buildGram(threads);
}

std::vector<std::uint32_t> ArrangementAnalyser::buildGramRows(std::size_t first, std::size_t last,
                                                              int threads) const {
    const std::size_t size = gramRowOffset(last) - gramRowOffset(first);
    const std::size_t blocks = (complete_.size() + kLociPerGramBlock - 1) / kLociPerGramBlock;
    const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), blocks);
    const bool popcnt = hasPopcnt();
    // Integer sums: the blocks may be shared out and added in any order.
    std::vector<std::vector<std::uint32_t>> parts(std::max<std::size_t>(workers, 1));
    auto work = [&](std::size_t t) {
        std::vector<std::uint32_t>& tri = parts[t];
        tri.assign(size, 0);
        Planes planes;
        for (std::size_t b = t; b < blocks; b += workers) {
            const std::size_t begin = b * kLociPerGramBlock;
            const std::size_t end = std::min(begin + kLociPerGramBlock, complete_.size());
            fillPlanes(data_, std::span(complete_).subspan(begin, end - begin), planes);
            addBlockAny(planes, first, last, tri.data(), popcnt);
        }
    };
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < workers; ++t) pool.emplace_back(work, t);
    work(0);
    for (std::thread& th : pool) th.join();
    for (std::size_t t = 1; t < parts.size(); ++t)
        for (std::size_t e = 0; e < size; ++e) parts[0][e] += parts[t][e];
    return std::move(parts[0]);
}

void ArrangementAnalyser::setGramRows(std::size_t first, std::span<const std::uint32_t> rows) {
    const std::size_t at = gramRowOffset(first);
    ZELTRIC_ASSERT(at + rows.size() <= gram_.size());
    std::copy(rows.begin(), rows.end(), gram_.begin() + static_cast<std::ptrdiff_t>(at));
}

void ArrangementAnalyser::buildGram(int threads) { setGramRows(0, buildGramRows(0, individuals_, threads)); }

void ArrangementAnalyser::addComplete(std::span<const int> sampleOf, Work& work) const {
    const std::size_t n = individuals_;
    const std::size_t p = samples_;
    // rowSums[j][k'] = sum of G(i, k') over the individuals i >= k' of j.
    work.rowSums.assign(p * n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        std::int64_t* sums = &work.rowSums[static_cast<std::size_t>(sampleOf[i]) * n];
        const std::uint32_t* row = &gram_[gramRowOffset(i)];
        for (std::size_t k = 0; k <= i; ++k) sums[k] += row[k];
    }
    // lower[j][k]: the pairs i >= i' with i in j, i' in k.
    std::vector<std::int64_t> lower(p * p, 0);
    std::vector<std::int64_t> diagonal(p, 0);
    std::vector<std::int64_t> u(p, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(sampleOf[i]);
        for (std::size_t j = 0; j < p; ++j) lower[j * p + k] += work.rowSums[j * n + i];
        diagonal[k] += gram_[gramRowOffset(i) + i];
        u[k] += weighted_[i];
    }
    const Wide total = static_cast<Wide>(n);
    for (std::size_t j = 0; j < p; ++j) {
        const Wide nj = sampleSizes_[j];
        for (std::size_t k = 0; k <= j; ++k) {
            const Wide nk = sampleSizes_[k];
            Wide b = static_cast<Wide>(lower[j * p + k]) + lower[k * p + j];
            if (j == k) b -= diagonal[j];
            const Wide z = total * total * b - total * nk * u[j] - total * nj * u[k] + nj * nk * squareSum_;
            const double denominator = 2.0 * static_cast<double>(nj * nk * total * total);
            work.cross[j * p + k] += static_cast<double>(z) / denominator;
        }
    }
}

void ArrangementAnalyser::addRecounted(std::span<const int> sampleOf, Work& work) const {
    const std::size_t p = samples_;
    LocusCounts& counts = work.counts;
    for (const std::size_t l : recounted_) {
        CountLocusAs(data_, l, sampleOf, counts);
        if (counts.total == 0) continue;
        // Two alleles: the first's column is the second's negated, so the
        // second's counts twice (nothing when either is absent).
        const bool pair = counts.alleles == 2;
        if (pair && (counts.alleleTotals[0] == 0 || counts.alleleTotals[1] == 0)) continue;
        const double scale = pair ? 2.0 : 1.0;
        for (std::size_t a = pair ? 1 : 0; a < counts.alleles; ++a) {
            const std::int64_t t = counts.alleleTotals[a];
            if (t == 0) continue;
            const double pbar = static_cast<double>(t) / (2.0 * static_cast<double>(counts.total));
            double* x = work.column.data();
            for (std::size_t j = 0; j < p; ++j) {
                const std::int64_t typed = counts.typed[j];
                x[j] = typed > 0 ? static_cast<double>(counts.copies[j * counts.alleles + a]) /
                                           (2.0 * static_cast<double>(typed)) -
                                       pbar
                                 : 0.0;
            }
            for (std::size_t j = 0; j < p; ++j) {
                const double xj = scale * x[j];
                if (xj == 0.0) continue;
                double* row = &work.cross[j * p];
                for (std::size_t k = 0; k <= j; ++k) row[k] += xj * x[k];
            }
        }
    }
}

void ArrangementAnalyser::analyse(std::span<const int> sampleOf, Work& work, ArrangementFigures& figures) const {
    ZELTRIC_ASSERT(sampleOf.size() == individuals_);
    const std::size_t p = samples_;
    const std::size_t axes = dimension_;
    figures.globalFst = 0.0;
    figures.shares.assign(axes, 0.0);
    if (axes == 0) return;
    work.cross.assign(p * p, 0.0);
    work.column.assign(p, 0.0);
    if (!complete_.empty()) addComplete(sampleOf, work);
    addRecounted(sampleOf, work);

    // The weights follow the individuals typed somewhere.
    work.typedMembers.assign(p, 0);
    std::int64_t typedTotal = 0;
    for (std::size_t i = 0; i < individuals_; ++i)
        if (typedAnywhere_[i] != 0) {
            ++work.typedMembers[static_cast<std::size_t>(sampleOf[i])];
            ++typedTotal;
        }
    std::vector<double> root(p, 0.0);
    for (std::size_t j = 0; j < p; ++j)
        root[j] = typedTotal > 0
                      ? std::sqrt(static_cast<double>(work.typedMembers[j]) / static_cast<double>(typedTotal))
                      : 0.0;
    SymmetricMatrix m(p);
    for (std::size_t j = 0; j < p; ++j)
        for (std::size_t k = 0; k <= j; ++k) m(j, k) = m(k, j) = root[j] * work.cross[j * p + k] * root[k];
    const SymmetricEigen eigen = DecomposeSymmetric(m);
    double total = 0.0;
    for (std::size_t k = 0; k < axes; ++k) total += std::max(eigen.eigenvalues[k], 0.0);
    if (heterozygosity_ > 0.0) figures.globalFst = total / heterozygosity_;
    if (total > 0.0)
        for (std::size_t k = 0; k < axes; ++k) figures.shares[k] = std::max(eigen.eigenvalues[k], 0.0) / total;
}

}  // namespace zeltric::extended
