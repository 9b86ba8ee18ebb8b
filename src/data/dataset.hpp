#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/limits.hpp"

namespace zeltric::data {

// Genotype codes per locus and individual position. Index base 1 for both;
// position 0 of every column is the scratch slot of the permutation shuffle.
// Codes are kept as read (32-bit) so that a code beyond 16 bits is reported
// as an invalid genotype instead of being wrapped into a valid one.
class GenotypeColumns {
public:
    GenotypeColumns() = default;
    explicit GenotypeColumns(int loci) { resize(loci); }

    void resize(int loci) {
        loci_ = loci;
        codes_.assign(static_cast<std::size_t>(loci + 1) * kStride, 0);
    }
    int loci() const { return loci_; }

    std::int32_t& at(int locus, int position) { return codes_[index(locus, position)]; }
    std::int32_t at(int locus, int position) const { return codes_[index(locus, position)]; }
    std::int32_t* column(int locus) { return &codes_[index(locus, 0)]; }
    const std::int32_t* column(int locus) const { return &codes_[index(locus, 0)]; }

    static constexpr std::size_t kStride = base::NIMax + 1;

private:
    std::size_t index(int locus, int position) const {
        return static_cast<std::size_t>(locus) * kStride + static_cast<std::size_t>(position);
    }
    int loci_ = 0;
    std::vector<std::int32_t> codes_;
};

// The count tables that the allele counting derives from the genotypes. One
// set belongs to the observed pass; every permutation worker owns its own.
// Index base 1: sample 1..np, locus 1..nl, allele 1..alleles() (NUMax unless
// allocated for fewer).
class CountTables {
public:
    static constexpr std::size_t kLocusSlots = base::NLMax + 1;

    // The sizes change only once every table is in place: after a failed
    // allocation (out of memory) the tables stay as they were. Alleles
    // 1..alleles fit each (sample, locus) row; a recount that knows its
    // highest allele asks for no more, so that the rows lie close together
    // (a whole-range row is mostly empty and the table far beyond the caches).
    void allocate(int samples, int loci, int alleles = base::NUMax) {
        const auto alleleSlots = static_cast<std::size_t>(alleles) + 1;
        std::vector<double> counts(static_cast<std::size_t>(samples + 1) * kLocusSlots * alleleSlots, 0.0);
        std::vector<double> totals(kLocusSlots * alleleSlots, 0.0);
        std::vector<std::uint16_t> sizes(static_cast<std::size_t>(samples + 1) * kLocusSlots, 0);
        alleleCounts_.swap(counts);
        alleleTotals_.swap(totals);
        sampleSizes_.swap(sizes);
        samples_ = samples;
        loci_ = loci;
        alleles_ = alleles;
        alleleSlots_ = alleleSlots;
    }
    void release() {
        alleleCounts_ = {};
        alleleTotals_ = {};
        sampleSizes_ = {};
        samples_ = loci_ = alleles_ = 0;
        alleleSlots_ = 1;
    }
    bool allocated() const { return !sampleSizes_.empty(); }
    int samples() const { return samples_; }
    int loci() const { return loci_; }
    int alleles() const { return alleles_; }
    // Whether samples 1..samples, loci 1..loci and alleles 1..alleles fit.
    bool holds(int samples, int loci, int alleles) const {
        return samples_ >= samples && loci_ >= loci && alleles_ >= alleles;
    }

    double& alleleCount(int s, int l, int a) { return alleleCounts_[countIndex(s, l, a)]; }
    double alleleCount(int s, int l, int a) const { return alleleCounts_[countIndex(s, l, a)]; }
    double& alleleTotal(int l, int a) { return alleleTotals_[totalIndex(l, a)]; }
    double alleleTotal(int l, int a) const { return alleleTotals_[totalIndex(l, a)]; }
    std::uint16_t& sampleSize(int s, int l) { return sampleSizes_[sizeIndex(s, l)]; }
    std::uint16_t sampleSize(int s, int l) const { return sampleSizes_[sizeIndex(s, l)]; }

private:
    std::size_t countIndex(int s, int l, int a) const {
        return (static_cast<std::size_t>(s) * kLocusSlots + static_cast<std::size_t>(l)) * alleleSlots_ +
               static_cast<std::size_t>(a);
    }
    std::size_t totalIndex(int l, int a) const {
        return static_cast<std::size_t>(l) * alleleSlots_ + static_cast<std::size_t>(a);
    }
    static std::size_t sizeIndex(int s, int l) {
        return static_cast<std::size_t>(s) * kLocusSlots + static_cast<std::size_t>(l);
    }
    int samples_ = 0;
    int loci_ = 0;
    int alleles_ = 0;
    std::size_t alleleSlots_ = 1;
    std::vector<double> alleleCounts_;
    std::vector<double> alleleTotals_;
    std::vector<std::uint16_t> sampleSizes_;
};

// The header's allele coding: 1 (one digit per allele, codes divided by 10)
// or 2 (two digits, by 100). Any other coding is told at the open step and
// refused by the go step.
inline bool validCoding(long long coding) { return coding == 1 || coding == 2; }

// A genotype code, split by the coding's divisor into its alleles `first`
// and `second`, is valid when it is not negative, fits 16 bits and both
// alleles lie in 1..nu. (Code 0, a missing genotype, is tested by callers.)
inline bool validGenotype(std::int32_t code, std::int32_t first, std::int32_t second, int nu) {
    return code >= 0 && code <= 65535 && first >= 1 && second >= 1 && first <= nu && second <= nu;
}

// Everything known about the data set of one open step or one go step.
// Fixed tables are 1-based and sized by the limits.
struct Dataset {
    // Header.
    std::uint16_t np = 0;
    std::uint16_t nl = 0;
    std::uint16_t nu = 0;
    std::int32_t alleleCoding = 0;
    std::int32_t alleleDivisor = 0;  // 10 or 100; 0 while no valid coding was read

    std::array<std::string, base::NLMax + 1> locusNames{};      // at most 6 one-byte characters each
    std::array<std::uint8_t, base::NLMax + 1> locusSelected{};  // 1 = takes part
    std::array<std::uint8_t, base::NPMax + 1> populationSelected{};
    std::array<std::string, base::NPMax + 1> populationLabels{};

    // Genotype reader.
    std::array<std::uint16_t, base::NPMax + 1> sampleEnds{};  // running totals after reading
    std::uint16_t individualCount = 0;
    GenotypeColumns genotypeColumns;

    // Allele counting on the observed pass.
    std::array<std::uint16_t, base::NIMax + 1> missingLoci{};
    std::array<std::uint16_t, base::NPMax + 1> completeCounts{};
    CountTables counts;

    // Sample of individual position i: the first s with sampleEnds[s] >= i.
    int sampleOf(int position) const;
};

}  // namespace zeltric::data
