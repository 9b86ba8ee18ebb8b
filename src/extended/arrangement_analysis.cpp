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

// Sparse loci a chunk of the samples' sums: 32 words of 32 codes.
constexpr std::size_t kSparseChunk = 1024;
constexpr std::size_t kChunkWords = kSparseChunk / 32;
// Members of a sample whose rows are fetched ahead of their turn.
constexpr std::size_t kAhead = 8;
// The sums of a chunk: word (r * 32 + w) of the 8-bit sums holds the codes
// at positions 32 w + 4 b + r, b = 0..7 its bytes; each becomes words
// 2 (r * 32 + w) + q of 16-bit sums, lanes t = 0..3 holding byte b = 2 t + q.
constexpr std::size_t kNarrowWords = kChunkWords * 4;
constexpr std::size_t kWideWords = kNarrowWords * 2;
constexpr std::uint64_t kByteLanes = 0x0303030303030303ULL;
constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFULL;
// Individuals added in 8-bit lanes before they are spread (2 x 127 < 256).
constexpr int kNarrowAdds = 127;

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

namespace {

// narrow[r * 32 + w] += the codes of row[w] at positions 4 b + r, one a
// byte: four independent lanes of plain word operations, which the compiler
// turns into vector instructions.
inline __attribute__((always_inline)) void addShifted(const std::uint64_t* __restrict row,
                                                      std::uint64_t* __restrict narrow) {
    std::uint64_t* __restrict n0 = narrow;
    std::uint64_t* __restrict n1 = narrow + kChunkWords;
    std::uint64_t* __restrict n2 = narrow + 2 * kChunkWords;
    std::uint64_t* __restrict n3 = narrow + 3 * kChunkWords;
    for (std::size_t w = 0; w < kChunkWords; ++w) {
        const std::uint64_t v = row[w];
        n0[w] += v & kByteLanes;
        n1[w] += (v >> 2) & kByteLanes;
        n2[w] += (v >> 4) & kByteLanes;
        n3[w] += (v >> 6) & kByteLanes;
    }
}

// The samples' 16-bit sums of one locus are handled kLanes at a time.
constexpr std::size_t kLanes = 16;

// to[k] += c * from[k] for k < count (a multiple of kLanes): 16-bit values,
// exact 32-bit products, which the compiler turns into vector instructions.
inline __attribute__((always_inline)) void addProducts(std::uint32_t* __restrict to, std::uint16_t c,
                                                       const std::uint16_t* __restrict from, std::size_t count) {
    for (std::size_t k = 0; k < count; k += kLanes)
        for (std::size_t t = 0; t < kLanes; ++t)
            to[k + t] += static_cast<std::uint32_t>(c) * static_cast<std::uint32_t>(from[k + t]);
}

// The same two kernels with the wider vectors of processors that have them:
// integer sums, so the bits do not depend on which one runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target("avx2"))) void addShiftedWide(const std::uint64_t* __restrict row,
                                                    std::uint64_t* __restrict narrow) {
    addShifted(row, narrow);
}
__attribute__((target("avx2"))) void addProductsWide(std::uint32_t* __restrict to, std::uint16_t c,
                                                     const std::uint16_t* __restrict from, std::size_t count) {
    addProducts(to, c, from, count);
}
bool hasAvx2() { return __builtin_cpu_supports("avx2") != 0; }
#else
void addShiftedWide(const std::uint64_t* row, std::uint64_t* narrow) { addShifted(row, narrow); }
void addProductsWide(std::uint32_t* to, std::uint16_t c, const std::uint16_t* from, std::size_t count) {
    addProducts(to, c, from, count);
}
bool hasAvx2() { return false; }
#endif

// Rows first..last-1 of the Gram matrix of g~ (copies of the second allele,
// 0 where missing) over `loci`, on up to `threads` threads; integer sums, so
// the blocks may be shared out and added in any order.
std::vector<std::uint32_t> gramRows(const ExtendedData& data, const std::vector<std::size_t>& loci,
                                    std::size_t first, std::size_t last, int threads) {
    const std::size_t size = ArrangementAnalyser::gramRowOffset(last) - ArrangementAnalyser::gramRowOffset(first);
    const std::size_t blocks = (loci.size() + kLociPerGramBlock - 1) / kLociPerGramBlock;
    const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), blocks);
    const bool popcnt = hasPopcnt();
    std::vector<std::vector<std::uint32_t>> parts(std::max<std::size_t>(workers, 1));
    auto work = [&](std::size_t t) {
        std::vector<std::uint32_t>& tri = parts[t];
        tri.assign(size, 0);
        Planes planes;
        for (std::size_t b = t; b < blocks; b += workers) {
            const std::size_t begin = b * kLociPerGramBlock;
            const std::size_t end = std::min(begin + kLociPerGramBlock, loci.size());
            fillPlanes(data, std::span(loci).subspan(begin, end - begin), planes);
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
    // A sample's sums of a sparse locus live in 16-bit lanes.
    const bool sparseFits = useGram && std::all_of(sampleSizes_.begin(), sampleSizes_.end(),
                                                   [](std::int64_t n) { return 2 * n <= 0xFFFF; });
    sparseWeighted_.assign(individuals_, 0.0);
    missingStart_.assign(1, 0);
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
        } else if (sparseFits && g.packed(l) && sparse_.size() < gramLimit) {
            CountLocus(data, l, counts);
            // Untyped or one allele only: no column, nothing to add.
            if (counts.total == 0 || counts.alleleTotals[0] == 0 || counts.alleleTotals[1] == 0) continue;
            const double pbar =
                static_cast<double>(counts.alleleTotals[1]) / (2.0 * static_cast<double>(counts.total));
            sparse_.push_back(l);
            sparseMean_.push_back(pbar);
            sparseSquares_ += pbar * pbar;
            for (std::size_t i = 0; i < individuals_; ++i) {
                const unsigned code = g.packedCode(l, i);
                if (code == 3u)
                    missing_.push_back(static_cast<std::uint32_t>(i));
                else
                    sparseWeighted_[i] += static_cast<double>(code) * pbar;
            }
            missingStart_.push_back(missing_.size());
        } else {
            recounted_.push_back(l);
        }
    }
    gram_.assign(gramRowOffset(individuals_), 0);
    if (buildNow && !complete_.empty()) buildGram(threads);
    if (!sparse_.empty()) {
        // Each process builds this one itself (it is not shared out).
        sparseGram_ = gramRows(data, sparse_, 0, individuals_, threads);
        largest_ = static_cast<std::size_t>(*std::max_element(sampleSizes_.begin(), sampleSizes_.end()));
        paddedSamples_ = (samples_ + kLanes - 1) / kLanes * kLanes;
        // Products of sums up to 2 n each, added in 32 bits.
        const std::uint64_t product = 4 * static_cast<std::uint64_t>(largest_) * largest_;
        flushEvery_ = static_cast<std::size_t>(std::clamp<std::uint64_t>(
            std::numeric_limits<std::uint32_t>::max() / std::max<std::uint64_t>(product, 1), 1, kSparseChunk));
        rates_.assign(samples_ * (largest_ + 1), 0.0);
        for (std::size_t j = 0; j < samples_; ++j) {
            const auto nj = static_cast<std::size_t>(sampleSizes_[j]);
            for (std::size_t m = 1; m < nj; ++m)
                rates_[j * (largest_ + 1) + m] =
                    static_cast<double>(m) / (2.0 * static_cast<double>((nj - m) * nj));
        }
        chunks_ = (sparse_.size() + kSparseChunk - 1) / kSparseChunk;
        rows_.assign(individuals_ * chunks_ * kChunkWords, 0);
        for (std::size_t s = 0; s < sparse_.size(); ++s) {
            const std::size_t chunk = s / kSparseChunk;
            const std::size_t at = s % kSparseChunk;
            const unsigned shift = static_cast<unsigned>(2 * (at % 32));
            for (std::size_t i = 0; i < individuals_; ++i) {
                const unsigned code = data.genotypes.packedCode(sparse_[s], i);
                if (code == 3u || code == 0u) continue;
                rows_[(chunk * individuals_ + i) * kChunkWords + at / 32] |= std::uint64_t{code} << shift;
            }
        }
    }
}

std::vector<std::uint32_t> ArrangementAnalyser::buildGramRows(std::size_t first, std::size_t last,
                                                              int threads) const {
    return gramRows(data_, complete_, first, last, threads);
}

void ArrangementAnalyser::setGramRows(std::size_t first, std::span<const std::uint32_t> rows) {
    const std::size_t at = gramRowOffset(first);
    ZELTRIC_ASSERT(at + rows.size() <= gram_.size());
    std::copy(rows.begin(), rows.end(), gram_.begin() + static_cast<std::ptrdiff_t>(at));
}

void ArrangementAnalyser::buildGram(int threads) { setGramRows(0, buildGramRows(0, individuals_, threads)); }

void ArrangementAnalyser::sampleSums(const std::vector<std::uint32_t>& gram, std::span<const int> sampleOf,
                                     Work& work, std::vector<std::int64_t>& lower,
                                     std::vector<std::int64_t>& diagonal) const {
    const std::size_t n = individuals_;
    const std::size_t p = samples_;
    // rowSums[j][k'] = sum of G(i, k') over the individuals i >= k' of j.
    work.rowSums.assign(p * n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        std::int64_t* sums = &work.rowSums[static_cast<std::size_t>(sampleOf[i]) * n];
        const std::uint32_t* row = &gram[gramRowOffset(i)];
        for (std::size_t k = 0; k <= i; ++k) sums[k] += row[k];
    }
    // lower[j][k]: the pairs i >= i' with i in j, i' in k.
    lower.assign(p * p, 0);
    diagonal.assign(p, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(sampleOf[i]);
        for (std::size_t j = 0; j < p; ++j) lower[j * p + k] += work.rowSums[j * n + i];
        diagonal[k] += gram[gramRowOffset(i) + i];
    }
}

void ArrangementAnalyser::addComplete(std::span<const int> sampleOf, Work& work, Work::Each& each) const {
    const std::size_t n = individuals_;
    const std::size_t p = samples_;
    std::vector<std::int64_t> lower;
    std::vector<std::int64_t> diagonal;
    sampleSums(gram_, sampleOf, work, lower, diagonal);
    std::vector<std::int64_t> u(p, 0);
    for (std::size_t i = 0; i < n; ++i) u[static_cast<std::size_t>(sampleOf[i])] += weighted_[i];
    const Wide total = static_cast<Wide>(n);
    for (std::size_t j = 0; j < p; ++j) {
        const Wide nj = sampleSizes_[j];
        for (std::size_t k = 0; k <= j; ++k) {
            const Wide nk = sampleSizes_[k];
            Wide b = static_cast<Wide>(lower[j * p + k]) + lower[k * p + j];
            if (j == k) b -= diagonal[j];
            const Wide z = total * total * b - total * nk * u[j] - total * nj * u[k] + nj * nk * squareSum_;
            const double denominator = 2.0 * static_cast<double>(nj * nk * total * total);
            each.cross[j * p + k] += static_cast<double>(z) / denominator;
        }
    }
}

void ArrangementAnalyser::startSparse(std::span<const int> sampleOf, Work& work, Work::Each& each) const {
    const std::size_t n = individuals_;
    const std::size_t p = samples_;
    std::vector<double> half(p, 0.0);  // 1 / 2 n_j
    for (std::size_t j = 0; j < p; ++j)
        half[j] = sampleSizes_[j] > 0 ? 1.0 / (2.0 * static_cast<double>(sampleSizes_[j])) : 0.0;

    // The linear columns a, from the Gram matrix of g~.
    std::vector<std::int64_t> lower;
    std::vector<std::int64_t> diagonal;
    sampleSums(sparseGram_, sampleOf, work, lower, diagonal);
    std::vector<double> u(p, 0.0);
    for (std::size_t i = 0; i < n; ++i) u[static_cast<std::size_t>(sampleOf[i])] += sparseWeighted_[i];
    for (std::size_t j = 0; j < p; ++j)
        for (std::size_t k = 0; k <= j; ++k) {
            std::int64_t b = lower[j * p + k] + lower[k * p + j];
            if (j == k) b -= diagonal[j];
            each.cross[j * p + k] += 2.0 * (static_cast<double>(b) * half[j] * half[k] - u[j] * half[j] -
                                            u[k] * half[k] + sparseSquares_);
        }

    // The individuals of each sample, in order.
    each.memberStart.assign(p + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++each.memberStart[static_cast<std::size_t>(sampleOf[i]) + 1];
    for (std::size_t j = 0; j < p; ++j) each.memberStart[j + 1] += each.memberStart[j];
    each.members.assign(n, 0);
    std::vector<std::size_t> next(each.memberStart.begin(), each.memberStart.end() - 1);
    for (std::size_t i = 0; i < n; ++i)
        each.members[next[static_cast<std::size_t>(sampleOf[i])]++] = static_cast<std::uint32_t>(i);

    // The corrections where a sample holds a missing individual, added
    // chunk by chunk.
    each.spread.assign(p * p, 0.0);
    each.offset.assign(p, 0.0);
    each.both.assign(p * p, 0.0);
    each.absent.assign(p, 0);
    each.b.assign(p, 0.0);
    each.dirty.clear();
    each.wide.assign(p * kWideWords, 0);
    each.sums.assign(paddedSamples_, 0);
    each.slotOf.assign(p * (largest_ + 1), -1);
    each.recent.clear();
    each.settled.clear();
    each.sinceFlush = 0;
}

namespace {

void flushProducts(ArrangementAnalyser::Work::Each& each) {
    for (std::size_t e = 0; e < each.recent.size(); ++e) {
        each.settled[e] += each.recent[e];
        each.recent[e] = 0;
    }
}

}  // namespace

void ArrangementAnalyser::addSparseChunk(std::size_t chunk, std::span<const int> sampleOf, Work& work,
                                         Work::Each& each) const {
    const std::size_t n = individuals_;
    const std::size_t p = samples_;
    const std::size_t padded = paddedSamples_;
    const std::size_t stride = largest_ + 1;
    const bool wider = hasAvx2();
    work.narrow.assign(kNarrowWords, 0);
    // The samples' sums c(j,l) of the chunk's loci.
    std::fill(each.wide.begin(), each.wide.end(), 0);
    for (std::size_t j = 0; j < p; ++j) {
        // Word y of the 16-bit sums at wide[y * p + j]: a locus's sums of
        // every sample side by side.
        std::uint64_t* wide = &each.wide[j];
        std::uint64_t* narrow = work.narrow.data();
        auto spreadOut = [&] {
            for (std::size_t x = 0; x < kNarrowWords; ++x) {
                wide[2 * x * p] += narrow[x] & kEvenBytes;
                wide[(2 * x + 1) * p] += (narrow[x] >> 8) & kEvenBytes;
                narrow[x] = 0;
            }
        };
        int added = 0;
        for (std::size_t m = each.memberStart[j]; m < each.memberStart[j + 1]; ++m) {
            const std::uint64_t* row = &rows_[(chunk * n + each.members[m]) * kChunkWords];
            // The members come in no order the processor could guess.
            if (m + kAhead < n) {
                const std::uint64_t* next = &rows_[(chunk * n + each.members[m + kAhead]) * kChunkWords];
                for (std::size_t line = 0; line < kChunkWords; line += 8) __builtin_prefetch(next + line);
            }
            if (wider)
                addShiftedWide(row, narrow);
            else
                addShifted(row, narrow);
            if (++added == kNarrowAdds) {
                spreadOut();
                added = 0;
            }
        }
        spreadOut();
    }
    const std::size_t begin = chunk * kSparseChunk;
    const std::size_t end = std::min(begin + kSparseChunk, sparse_.size());
    for (std::size_t s = begin; s < end; ++s) {
        for (std::size_t m = missingStart_[s]; m < missingStart_[s + 1]; ++m) {
            const auto j = static_cast<std::size_t>(sampleOf[missing_[m]]);
            if (each.absent[j]++ == 0) each.dirty.push_back(j);
        }
        const std::size_t at = s - begin;
        const std::size_t byte = (at % 32) / 4;
        const std::size_t word = 2 * ((at % 4) * kChunkWords + at / 32) + byte % 2;
        const unsigned shift = static_cast<unsigned>(16 * (byte / 2));
        const std::uint64_t* sums = &each.wide[word * p];
        std::uint16_t* column = each.sums.data();
        for (std::size_t k = 0; k < p; ++k) column[k] = static_cast<std::uint16_t>(sums[k] >> shift);
        const double pbar = sparseMean_[s];
        for (const std::size_t j : each.dirty) {
            const auto m = static_cast<std::size_t>(each.absent[j]);
            const std::uint16_t c = column[j];
            if (m == static_cast<std::size_t>(sampleSizes_[j])) {
                // Nobody of j typed here: x = 0, so b = pbar (c is 0).
                each.b[j] = pbar;
                double* to = &each.spread[j * p];
                for (std::size_t k = 0; k < p; ++k) to[k] += pbar * static_cast<double>(column[k]);
                continue;
            }
            each.b[j] = static_cast<double>(c) * rates_[j * stride + m];
            if (c == 0) continue;
            std::int32_t& slot = each.slotOf[j * stride + m];
            if (slot < 0) {
                slot = static_cast<std::int32_t>(each.recent.size() / padded);
                each.recent.resize(each.recent.size() + padded, 0);
                each.settled.resize(each.settled.size() + padded, 0);
            }
            std::uint32_t* to = &each.recent[static_cast<std::size_t>(slot) * padded];
            if (wider)
                addProductsWide(to, c, column, padded);
            else
                addProducts(to, c, column, padded);
        }
        const std::size_t dirtyCount = each.dirty.size();
        for (std::size_t d = 0; d < dirtyCount; ++d) {
            const std::size_t j = each.dirty[d];
            const double bj = each.b[j];
            each.offset[j] += bj * pbar;
            // Each pair of dirty samples once, into the lower triangle.
            for (std::size_t e = 0; e <= d; ++e) {
                const std::size_t k = each.dirty[e];
                each.both[std::max(j, k) * p + std::min(j, k)] += bj * each.b[k];
            }
        }
        for (const std::size_t j : each.dirty) {
            each.absent[j] = 0;
            each.b[j] = 0.0;
        }
        each.dirty.clear();
        if (++each.sinceFlush == flushEvery_) {
            flushProducts(each);
            each.sinceFlush = 0;
        }
    }
}

void ArrangementAnalyser::finishSparse(Work::Each& each) const {
    const std::size_t p = samples_;
    const std::size_t padded = paddedSamples_;
    const std::size_t stride = largest_ + 1;
    flushProducts(each);
    // E(j,k): each integer sum by its rate, in the order of m.
    for (std::size_t j = 0; j < p; ++j)
        for (std::size_t m = 1; m < stride; ++m) {
            const std::int32_t slot = each.slotOf[j * stride + m];
            if (slot < 0) continue;
            const double rate = rates_[j * stride + m];
            const std::uint64_t* from = &each.settled[static_cast<std::size_t>(slot) * padded];
            for (std::size_t k = 0; k < p; ++k) each.spread[j * p + k] += rate * static_cast<double>(from[k]);
        }
    std::vector<double> half(p, 0.0);  // 1 / 2 n_j
    for (std::size_t j = 0; j < p; ++j)
        half[j] = sampleSizes_[j] > 0 ? 1.0 / (2.0 * static_cast<double>(sampleSizes_[j])) : 0.0;
    for (std::size_t j = 0; j < p; ++j)
        for (std::size_t k = 0; k <= j; ++k)
            each.cross[j * p + k] +=
                2.0 * ((each.spread[j * p + k] * half[k] - each.offset[j]) +
                       (each.spread[k * p + j] * half[j] - each.offset[k]) + each.both[j * p + k]);
}

void ArrangementAnalyser::addRecounted(std::span<const int> sampleOf, Work& work, Work::Each& each) const {
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
                double* row = &each.cross[j * p];
                for (std::size_t k = 0; k <= j; ++k) row[k] += xj * x[k];
            }
        }
    }
}

void ArrangementAnalyser::analyse(std::span<const int> sampleOf, Work& work, ArrangementFigures& figures) const {
    analyseTogether(std::span(&sampleOf, 1), work, std::span(&figures, 1));
}

void ArrangementAnalyser::analyseTogether(std::span<const std::span<const int>> sampleOfs, Work& work,
                                          std::span<ArrangementFigures> figures) const {
    ZELTRIC_ASSERT(sampleOfs.size() == figures.size());
    const std::size_t p = samples_;
    const std::size_t count = sampleOfs.size();
    for (std::size_t a = 0; a < count; ++a) {
        ZELTRIC_ASSERT(sampleOfs[a].size() == individuals_);
        figures[a].globalFst = 0.0;
        figures[a].shares.assign(dimension_, 0.0);
    }
    if (dimension_ == 0) return;
    if (work.each.size() < count) work.each.resize(count);
    work.column.assign(p, 0.0);
    for (std::size_t a = 0; a < count; ++a) {
        work.each[a].cross.assign(p * p, 0.0);
        if (!complete_.empty()) addComplete(sampleOfs[a], work, work.each[a]);
    }
    if (!sparse_.empty()) {
        for (std::size_t a = 0; a < count; ++a) startSparse(sampleOfs[a], work, work.each[a]);
        // Chunk by chunk, so that the chunk's rows are read from memory once.
        for (std::size_t chunk = 0; chunk < chunks_; ++chunk)
            for (std::size_t a = 0; a < count; ++a) addSparseChunk(chunk, sampleOfs[a], work, work.each[a]);
        for (std::size_t a = 0; a < count; ++a) finishSparse(work.each[a]);
    }
    for (std::size_t a = 0; a < count; ++a) {
        addRecounted(sampleOfs[a], work, work.each[a]);
        finish(sampleOfs[a], work, work.each[a], figures[a]);
    }
}

void ArrangementAnalyser::finish(std::span<const int> sampleOf, Work& work, Work::Each& each,
                                 ArrangementFigures& figures) const {
    const std::size_t p = samples_;
    const std::size_t axes = dimension_;
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
        for (std::size_t k = 0; k <= j; ++k) m(j, k) = m(k, j) = root[j] * each.cross[j * p + k] * root[k];
    const SymmetricEigen eigen = DecomposeSymmetric(m);
    double total = 0.0;
    for (std::size_t k = 0; k < axes; ++k) total += std::max(eigen.eigenvalues[k], 0.0);
    if (heterozygosity_ > 0.0) figures.globalFst = total / heterozygosity_;
    if (total > 0.0)
        for (std::size_t k = 0; k < axes; ++k) figures.shares[k] = std::max(eigen.eigenvalues[k], 0.0) / total;
}

}  // namespace zeltric::extended
