#include "extended/extended_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <thread>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "extended/symmetric_eigen.hpp"

namespace zeltric::extended {

namespace {

void countLocus(const ExtendedData& data, std::size_t locus, const int* sampleOf, LocusCounts& counts,
                std::uint8_t* typedAnywhere);

// What one block of loci adds: its share of X X^T (lower triangle, row-major
// P x P), of H, of the column and typed-locus counts.
struct BlockSums {
    std::vector<double> cross;
    double heterozygosity = 0.0;
    std::size_t columns = 0;
    std::size_t typedLoci = 0;
};

// Per worker: the block's sums, the counts of the current locus and which
// individuals were typed anywhere (an OR, so its order does not matter).
struct Worker {
    BlockSums sums;
    LocusCounts counts;
    std::vector<double> column;
    std::vector<std::uint8_t> typedAnywhere;
};

// The centred frequencies of allele a at a counted locus into x; false when
// the allele is absent (t = 0), so that it has no column.
bool centredColumn(const LocusCounts& counts, std::size_t a, std::size_t samples, std::vector<double>& x,
                   double& pbar) {
    const std::int64_t t = counts.alleleTotals[a];
    if (t == 0) return false;
    pbar = static_cast<double>(t) / (2.0 * static_cast<double>(counts.total));
    for (std::size_t j = 0; j < samples; ++j) {
        const std::int64_t n = counts.typed[j];
        x[j] = n > 0
                   ? static_cast<double>(counts.copies[j * counts.alleles + a]) / (2.0 * static_cast<double>(n)) -
                         pbar
                   : 0.0;
    }
    return true;
}

// Sums loci first..last-1 into w; writes their columns to perLocus (each
// block its own range, so workers never share an entry).
void sumBlock(const ExtendedData& data, std::size_t first, std::size_t last, Worker& w, std::uint32_t* perLocus) {
    const std::size_t samples = data.samples();
    BlockSums& s = w.sums;
    std::fill(s.cross.begin(), s.cross.end(), 0.0);
    s.heterozygosity = 0.0;
    s.columns = 0;
    s.typedLoci = 0;
    for (std::size_t l = first; l < last; ++l) {
        countLocus(data, l, data.sampleOf.data(), w.counts, w.typedAnywhere.data());
        if (w.counts.total == 0) continue;
        ++s.typedLoci;
        double homozygosity = 0.0;
        for (std::size_t a = 0; a < w.counts.alleles; ++a) {
            double pbar = 0.0;
            if (!centredColumn(w.counts, a, samples, w.column, pbar)) continue;
            homozygosity += pbar * pbar;
            ++s.columns;
            ++perLocus[l];
            const double* x = w.column.data();
            for (std::size_t j = 0; j < samples; ++j) {
                const double xj = x[j];
                double* row = &s.cross[j * samples];
                for (std::size_t k = 0; k <= j; ++k) row[k] += xj * x[k];
            }
        }
        s.heterozygosity += 1.0 - homozygosity;
    }
}

// Signs column k of v (P rows, p columns) by its entry of largest magnitude.
void signColumn(std::vector<double>& v, std::size_t rows, std::size_t p, std::size_t k) {
    double largest = 0.0;
    for (std::size_t j = 0; j < rows; ++j) largest = std::max(largest, std::fabs(v[j * p + k]));
    if (largest == 0.0) return;
    for (std::size_t j = 0; j < rows; ++j) {
        const double value = v[j * p + k];
        if (std::fabs(value) >= largest * (1.0 - 1e-9)) {
            if (value < 0.0)
                for (std::size_t r = 0; r < rows; ++r) v[r * p + k] = -v[r * p + k];
            return;
        }
    }
}

// The counts of one locus, individual i counted in sample sampleOf[i]; marks
// each typed individual in typedAnywhere when given.
void countLocus(const ExtendedData& data, std::size_t locus, const int* sampleOf, LocusCounts& counts,
                std::uint8_t* typedAnywhere) {
    const std::size_t samples = data.samples();
    const GenotypeMatrix& g = data.genotypes;
    const auto alleles = static_cast<std::size_t>(std::max(g.alleleCount(locus), 2));
    counts.alleles = alleles;
    counts.typed.assign(samples, 0);
    counts.copies.assign(samples * alleles, 0);
    counts.alleleTotals.assign(alleles, 0);
    counts.total = 0;
    const std::size_t individuals = data.individuals();
    if (g.packed(locus)) {
        // Four individuals a byte; allele 0's copies follow from 2n - c1.
        const std::uint8_t* codes = g.packedCodes(locus);
        std::int64_t* typed = counts.typed.data();
        std::int64_t* copies = counts.copies.data();
        for (std::size_t first = 0; first < individuals; first += 4) {
            unsigned byte = codes[first / 4];
            if (byte == 0xFFu) continue;  // four missing
            const std::size_t end = std::min<std::size_t>(4, individuals - first);
            for (std::size_t k = 0; k < end; ++k, byte >>= 2) {
                const unsigned code = byte & 3u;
                if (code == 3u) continue;
                if (typedAnywhere != nullptr) typedAnywhere[first + k] = 1;
                const auto j = static_cast<std::size_t>(sampleOf[first + k]);
                ++typed[j];
                copies[j * 2 + 1] += code;
            }
        }
        for (std::size_t j = 0; j < samples; ++j) copies[j * 2] = 2 * typed[j] - copies[j * 2 + 1];
    } else {
        for (std::size_t i = 0; i < individuals; ++i) {
            const Genotype call = g.at(locus, i);
            if (call.missing()) continue;
            if (typedAnywhere != nullptr) typedAnywhere[i] = 1;
            const auto j = static_cast<std::size_t>(sampleOf[i]);
            ++counts.typed[j];
            ++counts.copies[j * alleles + call.first];
            ++counts.copies[j * alleles + call.second];
        }
    }
    for (std::size_t j = 0; j < samples; ++j) {
        counts.total += counts.typed[j];
        for (std::size_t a = 0; a < alleles; ++a) counts.alleleTotals[a] += counts.copies[j * alleles + a];
    }
}

}  // namespace

void CountLocus(const ExtendedData& data, std::size_t locus, LocusCounts& counts) {
    countLocus(data, locus, data.sampleOf.data(), counts, nullptr);
}

void CountLocusAs(const ExtendedData& data, std::size_t locus, std::span<const int> sampleOf,
                  LocusCounts& counts) {
    ZELTRIC_ASSERT(sampleOf.size() == data.individuals());
    countLocus(data, locus, sampleOf.data(), counts, nullptr);
}

double BrokenStickExpectation(std::size_t k, std::size_t p, double total) {
    double sum = 0.0;
    for (std::size_t z = k + 1; z <= p; ++z) sum += 1.0 / static_cast<double>(z);
    return sum / static_cast<double>(p) * total;
}

ExtendedResult RunExtendedAnalysis(const ExtendedData& data, const ExtendedOptions& options) {
    const std::size_t samples = data.samples();
    const std::size_t loci = data.loci();
    ZELTRIC_ASSERT(data.genotypes.loci() == loci && data.genotypes.individuals() == data.individuals());
    ExtendedResult result;
    result.samples = samples;

    // Steps 1-3 and H: blocks of loci, a round of blocks at a time (one per
    // thread), each round's sums added in block order.
    const std::size_t threads = static_cast<std::size_t>(std::max(options.threads, 1));
    std::vector<Worker> workers(threads);
    for (Worker& w : workers) {
        w.sums.cross.assign(samples * samples, 0.0);
        w.column.assign(samples, 0.0);
        w.typedAnywhere.assign(data.individuals(), 0);
    }
    std::vector<double> cross(samples * samples, 0.0);
    result.allelesPerLocus.assign(loci, 0);
    const std::size_t block = ExtendedOptions::kLociPerBlock;
    const std::size_t blocks = (loci + block - 1) / block;
    for (std::size_t round = 0; round < blocks; round += threads) {
        const std::size_t inRound = std::min(threads, blocks - round);
        auto work = [&](std::size_t t) {
            const std::size_t first = (round + t) * block;
            sumBlock(data, first, std::min(first + block, loci), workers[t], result.allelesPerLocus.data());
        };
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < inRound; ++t) pool.emplace_back(work, t);
        work(0);
        for (std::thread& th : pool) th.join();
        for (std::size_t t = 0; t < inRound; ++t) {
            const BlockSums& s = workers[t].sums;
            for (std::size_t e = 0; e < cross.size(); ++e) cross[e] += s.cross[e];
            result.heterozygositySum += s.heterozygosity;
            result.columns += s.columns;
            result.typedLoci += s.typedLoci;
        }
        if (options.progress) options.progress(std::min((round + inRound) * block, loci));
    }

    // Step 4: the weights.
    result.typedMembers.assign(samples, 0);
    for (std::size_t i = 0; i < data.individuals(); ++i) {
        bool typed = false;
        for (const Worker& w : workers) typed = typed || w.typedAnywhere[i] != 0;
        if (typed) ++result.typedMembers[static_cast<std::size_t>(data.sampleOf[i])];
    }
    std::int64_t typedTotal = 0;
    for (const std::int64_t m : result.typedMembers) typedTotal += m;
    result.weights.assign(samples, 0.0);
    std::vector<double> root(samples, 0.0);
    for (std::size_t j = 0; j < samples; ++j) {
        result.weights[j] =
            typedTotal > 0 ? static_cast<double>(result.typedMembers[j]) / static_cast<double>(typedTotal) : 0.0;
        root[j] = std::sqrt(result.weights[j]);
    }

    // Step 5: M and its eigen-decomposition.
    result.dimension = std::min(samples, result.columns);
    const std::size_t p = result.dimension;
    if (p == 0) {
        result.informations.push_back(base::noAlleleMessage());
        return result;
    }
    SymmetricMatrix m(samples);
    for (std::size_t j = 0; j < samples; ++j)
        for (std::size_t k = 0; k <= j; ++k) m(j, k) = m(k, j) = root[j] * cross[j * samples + k] * root[k];
    const SymmetricEigen eigen = DecomposeSymmetric(m);

    result.eigenvalues.assign(p, 0.0);
    for (std::size_t k = 0; k < p; ++k) result.eigenvalues[k] = std::max(eigen.eigenvalues[k], 0.0);
    // Step 6.
    for (std::size_t k = 0; k < p; ++k) result.totalInertia += result.eigenvalues[k];
    const double h = result.heterozygositySum;
    const double t = result.totalInertia;
    result.axisFst.assign(p, 0.0);
    result.axisShare.assign(p, 0.0);
    if (h > 0.0) {
        result.globalFst = t / h;
        for (std::size_t k = 0; k < p; ++k) result.axisFst[k] = result.eigenvalues[k] / h;
    }
    if (t > 0.0)
        for (std::size_t k = 0; k < p; ++k) result.axisShare[k] = result.eigenvalues[k] / t;
    if (h <= 0.0)
        result.informations.push_back(base::noHeterozygosityMessage());
    else if (t <= 0.0)
        result.informations.push_back(base::noInertiaMessage());

    // Step 7.
    if (t > 0.0) {
        for (std::size_t k = 0; k + 1 < p; ++k) {
            if (result.eigenvalues[k] < BrokenStickExpectation(k, p, t)) break;
            ++result.brokenStickAxes;
        }
    }

    // Step 8: signed eigenvectors and the sample coordinates.
    result.eigenvectors.assign(samples * p, 0.0);
    for (std::size_t j = 0; j < samples; ++j)
        for (std::size_t k = 0; k < p; ++k) result.eigenvectors[j * p + k] = eigen.vectors(j, k);
    for (std::size_t k = 0; k < p; ++k) signColumn(result.eigenvectors, samples, p, k);
    result.sampleCoordinates.assign(samples * p, 0.0);
    for (std::size_t j = 0; j < samples; ++j) {
        if (root[j] == 0.0) continue;
        for (std::size_t k = 0; k < p; ++k)
            result.sampleCoordinates[j * p + k] =
                result.eigenvectors[j * p + k] * std::sqrt(result.eigenvalues[k]) / root[j];
    }
    return result;
}

void ForEachAlleleColumn(const ExtendedData& data, const ExtendedResult& result,
                         const std::function<void(const AlleleColumn&)>& visit) {
    const std::size_t samples = data.samples();
    const std::size_t p = result.dimension;
    LocusCounts counts;
    std::vector<double> x(samples, 0.0);
    std::vector<double> frequencies(samples, 0.0);
    std::vector<double> coordinates(p, 0.0);
    for (std::size_t l = 0; l < data.loci(); ++l) {
        CountLocus(data, l, counts);
        if (counts.total == 0) continue;
        for (std::size_t a = 0; a < counts.alleles; ++a) {
            double pbar = 0.0;
            if (!centredColumn(counts, a, samples, x, pbar)) continue;
            for (std::size_t j = 0; j < samples; ++j) {
                const std::int64_t n = counts.typed[j];
                frequencies[j] = n > 0 ? static_cast<double>(counts.copies[j * counts.alleles + a]) /
                                             (2.0 * static_cast<double>(n))
                                       : 0.0;
            }
            for (std::size_t k = 0; k < p; ++k) {
                double sum = 0.0;
                for (std::size_t j = 0; j < samples; ++j)
                    sum += x[j] * std::sqrt(result.weights[j]) * result.eigenvector(j, k);
                coordinates[k] = sum;
            }
            visit({l, a, pbar, frequencies, coordinates});
        }
    }
}

}  // namespace zeltric::extended
