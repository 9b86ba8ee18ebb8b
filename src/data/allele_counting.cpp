#include "data/allele_counting.hpp"

#include <algorithm>
#include <array>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::data {

namespace {

void clearCounts(const Dataset& ds, CountTables& counts) {
    if (!counts.holds(ds.np, ds.nl, ds.nu)) counts.allocate(ds.np, ds.nl);
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
               std::array<std::uint16_t, base::NIMax + 1>* missing,
               std::array<std::uint16_t, base::NPMax + 1>* withMissing) {
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
                if (!validGenotype(code, a1, a2, ds.nu))
                    throw base::FatalError(
                        base::MessageId::Genotype,
                        base::genotypeMessage(s, counts.sampleSize(s, l) + 1,
                                              ds.locusNames[static_cast<std::size_t>(l)], l, a1, a2),
                        i);
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
    if (!counts.holds(ds.np, ds.nl, ds.nu)) counts.allocate(ds.np, ds.nl);
    const int nu = ds.nu;
    // Two tallies, one per allele of a genotype, so that consecutive
    // increments of the same allele do not wait on each other.
    std::array<int, base::NUMax + 1> local{};
    std::array<int, base::NUMax + 1> second{};
    std::array<int, base::NUMax + 1> total{};
    for (int l = 1; l <= ds.nl; ++l) {
        const std::int32_t* column = columns.column(l);
        std::fill(total.begin(), total.begin() + nu + 1, 0);
        int first = 1;
        for (int s = 1; s <= ds.np; ++s) {
            const int last = s < ds.np ? ds.sampleEnds[static_cast<std::size_t>(s)] : ds.individualCount;
            std::fill(local.begin(), local.begin() + nu + 1, 0);
            std::fill(second.begin(), second.begin() + nu + 1, 0);
            int typed = 0;
            for (int i = first; i <= last; ++i) {
                const std::int32_t code = column[i];
                if (code == 0) continue;
                const std::int32_t a1 = code / Divisor;
                const std::int32_t a2 = code % Divisor;
                if (!validGenotype(code, a1, a2, nu)) return false;
                ++typed;
                ++local[static_cast<std::size_t>(a1)];
                ++second[static_cast<std::size_t>(a2)];
            }
            first = std::max(first, last + 1);
            counts.sampleSize(s, l) = static_cast<std::uint16_t>(typed);
            double* row = &counts.alleleCount(s, l, 0);
            for (int a = 1; a <= nu; ++a) {
                const int count = local[static_cast<std::size_t>(a)] + second[static_cast<std::size_t>(a)];
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
    const bool valid =
        ds.alleleDivisor == 10 ? countByLocus<10>(ds, columns, counts) : countByLocus<100>(ds, columns, counts);
    if (!valid) countPass(ds, columns, counts, nullptr, nullptr);  // raises the genotype message
}

ArrangementCounter::ArrangementCounter(const Dataset& ds, const GenotypeColumns& start)
    : samples_(ds.np),
      loci_(ds.nl),
      alleles_(ds.nu),
      individuals_(ds.individualCount),
      sampleLast_(static_cast<std::size_t>(ds.np) + 1, 0) {
    ZELTRIC_ASSERT(ds.alleleDivisor == 10 || ds.alleleDivisor == 100);
    ZELTRIC_ASSERT(loci_ <= base::NLMax && alleles_ <= base::NUMax);
    // The sample ranges of countByLocus: a sample ends at its sampleEnds
    // entry, the last one at the last individual.
    for (int s = 1; s <= samples_; ++s)
        sampleLast_[static_cast<std::size_t>(s)] =
            s < samples_ ? ds.sampleEnds[static_cast<std::size_t>(s)] : individuals_;
    const std::int32_t divisor = ds.alleleDivisor;
    const auto stride = static_cast<std::uint32_t>(alleles_ + 1);
    slots_.assign(static_cast<std::size_t>(individuals_ + 1) * static_cast<std::size_t>(loci_), 0);
    for (int i = 1; i <= individuals_; ++i)
        for (int l = 1; l <= loci_; ++l) {
            const std::int32_t code = start.at(l, i);
            const auto base = static_cast<std::uint32_t>(l - 1) * stride;
            std::uint32_t a1 = 0;
            std::uint32_t a2 = 0;
            if (code != 0) {
                const std::int32_t first = code / divisor;
                const std::int32_t second = code % divisor;
                if (!validGenotype(code, first, second, alleles_)) {
                    valid_ = false;
                    return;
                }
                a1 = static_cast<std::uint32_t>(first);
                a2 = static_cast<std::uint32_t>(second);
            }
            slots_[static_cast<std::size_t>(i) * static_cast<std::size_t>(loci_) +
                   static_cast<std::size_t>(l - 1)] = (base + a1) | ((base + a2) << 16);
        }
}

void ArrangementCounter::count(const std::uint16_t* origin, CountTables& counts) const {
    ZELTRIC_ASSERT(valid_);
    if (!counts.holds(samples_, loci_, alleles_) || counts.alleles() != alleles_)
        counts.allocate(samples_, loci_, alleles_);
    const int stride = alleles_ + 1;
    const auto used = static_cast<std::size_t>(loci_ * stride);
    const auto loci = static_cast<std::size_t>(loci_);
    const std::size_t rowBytes = loci * sizeof(std::uint32_t);
    // Tallies of the first and of the second allele of each genotype, kept
    // apart so that a homozygote's two increments do not wait on each other.
    // A sample holds at most NIMax individuals, so 16 bits suffice.
    std::array<std::uint16_t, base::NLMax*(base::NUMax + 1)> first;
    std::array<std::uint16_t, base::NLMax*(base::NUMax + 1)> second;
    std::array<int, base::NLMax*(base::NUMax + 1)> totals;
    std::fill_n(totals.begin(), used, 0);
    int from = 1;
    for (int s = 1; s <= samples_; ++s) {
        const int last = sampleLast_[static_cast<std::size_t>(s)];
        std::fill_n(first.begin(), used, std::uint16_t{0});
        std::fill_n(second.begin(), used, std::uint16_t{0});
        for (int i = from; i <= last; ++i) {
            // The rows are visited in shuffled order: ask for one a few
            // individuals ahead, every cache line of it (a row of 50 loci
            // spans four). Past the sample's end the next sample's rows come.
            if (i + 4 <= individuals_) {
                const char* ahead =
                    reinterpret_cast<const char*>(&slots_[static_cast<std::size_t>(origin[i + 4]) * loci]);
                for (std::size_t offset = 0; offset < rowBytes; offset += 64) __builtin_prefetch(ahead + offset);
            }
            const std::uint32_t* row = &slots_[static_cast<std::size_t>(origin[i]) * loci];
            for (std::size_t l = 0; l < loci; ++l) {
                const std::uint32_t pair = row[l];
                ++first[pair & 0xffffu];
                ++second[pair >> 16];
            }
        }
        const int individuals = std::max(0, last - from + 1);
        from = std::max(from, last + 1);
        for (int l = 1; l <= loci_; ++l) {
            const auto base = static_cast<std::size_t>((l - 1) * stride);
            // Slot 0 of a locus counts the individuals not typed there.
            counts.sampleSize(s, l) = static_cast<std::uint16_t>(individuals - first[base]);
            double* row = &counts.alleleCount(s, l, 0);
            for (std::size_t a = 1; a < static_cast<std::size_t>(stride); ++a) {
                const int count = first[base + a] + second[base + a];
                row[a] = count;
                totals[base + a] += count;
            }
        }
    }
    for (int l = 1; l <= loci_; ++l) {
        const auto base = static_cast<std::size_t>((l - 1) * stride);
        for (int a = 1; a <= alleles_; ++a) counts.alleleTotal(l, a) = totals[base + static_cast<std::size_t>(a)];
    }
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
