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
                                                     ds.locusNames[static_cast<std::size_t>(l)], l, a1, a2));
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

}  // namespace

void countAlleles(const Dataset& ds, const GenotypeColumns& columns, CountTables& counts) {
    countPass(ds, columns, counts, nullptr, nullptr);
}

void countObservedAlleles(Dataset& ds) {
    std::fill(ds.missingLoci.begin(), ds.missingLoci.end(), std::uint16_t{0});
    std::fill(ds.completeCounts.begin(), ds.completeCounts.end(), std::uint16_t{0});
    countPass(ds, ds.genotypeColumns, ds.counts, &ds.missingLoci, &ds.completeCounts);
    for (int s = 1; s <= ds.np; ++s) {
        const int previous = s > 1 ? ds.sampleEnds[static_cast<std::size_t>(s - 1)] : 0;
        const int individuals = ds.sampleEnds[static_cast<std::size_t>(s)] - previous;
        ds.completeCounts[static_cast<std::size_t>(s)] =
            static_cast<std::uint16_t>(individuals - ds.completeCounts[static_cast<std::size_t>(s)]);
    }
}

}  // namespace zeltric::data
