#include "data/allele_counting.hpp"

#include <algorithm>

#include "data/fatal_error.hpp"
#include "data/messages.hpp"

namespace zeltric::data {

namespace {

void clearCounts(const Dataset& ds, CountTables& counts) {
    if (counts.samples() < ds.np || counts.loci() < ds.nl) counts.allocate(ds.np, ds.nl);
    for (int s = 1; s <= ds.np; ++s)
        for (int l = 1; l <= ds.nl; ++l) {
            counts.sampleSize(s, l) = 0;
            for (int a = 1; a <= ds.nu; ++a) counts.alleleCount(s, l, a) = 0.0;
        }
    for (int l = 1; l <= ds.nl; ++l)
        for (int a = 1; a <= ds.nu; ++a) counts.alleleTotal(l, a) = 0.0;
}

// Counts one pass; `missing` receives per individual the loci it misses
// (observed pass only).
void countPass(const Dataset& ds, const GenotypeColumns& columns, CountTables& counts,
               std::array<std::uint16_t, NIMax + 1>* missing,
               std::array<std::uint16_t, NPMax + 1>* withMissing) {
    ZELTRIC_ASSERT(ds.alleleDivisor == 10 || ds.alleleDivisor == 100);
    clearCounts(ds, counts);
    const std::int32_t divisor = ds.alleleDivisor;
    int s = 1;
    for (int i = 1; i <= ds.individualCount; ++i) {
        while (s < ds.np && ds.sampleEnds[static_cast<std::size_t>(s)] < i) ++s;
        for (int l = 1; l <= ds.nl; ++l) {
            const std::int32_t code = columns.at(l, i);
            if (code != 0) {
                const std::int32_t a1 = code / divisor;
                const std::int32_t a2 = code % divisor;
                // A negative code or one beyond 16 bits is never a valid genotype.
                if (code < 0 || code > 65535 || a1 < 1 || a2 < 1 || a1 > ds.nu || a2 > ds.nu)
                    throw FatalError(genotypeMessage(s, counts.sampleSize(s, l) + 1,
                                                     ds.locusNames[static_cast<std::size_t>(l)], l,
                                                     a1, a2));
                ++counts.sampleSize(s, l);
                counts.alleleCount(s, l, a1) += 1.0;
                counts.alleleCount(s, l, a2) += 1.0;
                counts.alleleTotal(l, a1) += 1.0;
                counts.alleleTotal(l, a2) += 1.0;
            } else if (missing != nullptr) {
                auto& entry = (*missing)[static_cast<std::size_t>(i)];
                ++entry;
                if (entry == 1) ++(*withMissing)[static_cast<std::size_t>(s)];
            }
        }
    }
}

// The recount of a randomised arrangement: locus by locus and sample by
// sample, so that each column is read in order and each (sample, locus) row
// of the tables is written once (cleared and filled in one go) instead of
// clearing every table first. Counts are small integers, exact in double, so
// the order of the additions does not matter. Returns false at the first
// code that is not a valid genotype; the caller then makes the ordered pass,
// which reports the same code the data file order meets first.
template <std::int32_t Divisor>
bool countByLocus(const Dataset& ds, const GenotypeColumns& columns, CountTables& counts) {
    if (counts.samples() < ds.np || counts.loci() < ds.nl) counts.allocate(ds.np, ds.nl);
    const int nu = ds.nu;
    // Two tallies, one per allele of a genotype, so that consecutive
    // increments of the same allele do not wait on each other.
    std::array<int, NUMax + 1> local{};
    std::array<int, NUMax + 1> second{};
    std::array<int, NUMax + 1> total{};
    for (int l = 1; l <= ds.nl; ++l) {
        const std::int32_t* column = columns.column(l);
        std::fill(total.begin(), total.begin() + nu + 1, 0);
        int first = 1;
        for (int s = 1; s <= ds.np; ++s) {
            const int last =
                s < ds.np ? ds.sampleEnds[static_cast<std::size_t>(s)] : ds.individualCount;
            std::fill(local.begin(), local.begin() + nu + 1, 0);
            std::fill(second.begin(), second.begin() + nu + 1, 0);
            int typed = 0;
            for (int i = first; i <= last; ++i) {
                const std::int32_t code = column[i];
                if (code == 0) continue;
                const std::int32_t a1 = code / Divisor;
                const std::int32_t a2 = code % Divisor;
                if (code < 0 || code > 65535 || a1 < 1 || a2 < 1 || a1 > nu || a2 > nu)
                    return false;
                ++typed;
                ++local[static_cast<std::size_t>(a1)];
                ++second[static_cast<std::size_t>(a2)];
            }
            first = std::max(first, last + 1);
            counts.sampleSize(s, l) = static_cast<std::uint16_t>(typed);
            double* row = &counts.alleleCount(s, l, 0);
            for (int a = 1; a <= nu; ++a) {
                const int count =
                    local[static_cast<std::size_t>(a)] + second[static_cast<std::size_t>(a)];
                row[a] = count;
                total[static_cast<std::size_t>(a)] += count;
            }
        }
        for (int a = 1; a <= nu; ++a) counts.alleleTotal(l, a) = total[static_cast<std::size_t>(a)];
    }
    return true;
}

}  // namespace

void countAlleles(const Dataset& ds, const GenotypeColumns& columns, CountTables& counts) {
    ZELTRIC_ASSERT(ds.alleleDivisor == 10 || ds.alleleDivisor == 100);
    const bool valid = ds.alleleDivisor == 10 ? countByLocus<10>(ds, columns, counts)
                                              : countByLocus<100>(ds, columns, counts);
    if (!valid) countPass(ds, columns, counts, nullptr, nullptr);  // raises the genotype message
}

void countObservedAlleles(Dataset& ds) {
    std::fill(ds.missingLoci.begin(), ds.missingLoci.end(), std::uint16_t{0});
    std::fill(ds.completeCounts.begin(), ds.completeCounts.end(), std::uint16_t{0});
    countPass(ds, ds.genotypeColumns, ds.counts, &ds.missingLoci, &ds.completeCounts);
    for (int s = 1; s <= ds.np; ++s) {
        const int previous = s > 1 ? ds.sampleEnds[static_cast<std::size_t>(s - 1)] : 0;
        const int individuals = ds.sampleEnds[static_cast<std::size_t>(s)] - previous;
        ds.completeCounts[static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(
            individuals - ds.completeCounts[static_cast<std::size_t>(s)]);
    }
}

}  // namespace zeltric::data
