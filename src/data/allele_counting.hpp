#pragma once

#include <cstdint>
#include <vector>

#include "data/dataset.hpp"

namespace zeltric::data {

// Splits every genotype code of `columns` into its two alleles and fills
// `counts` (sampleSizes, alleleCounts, alleleTotals) from scratch for
// samples 1..np, loci 1..nl, alleles 1..nu. A non-zero code with an allele
// 0 or above nu (negative and oversized codes included) raises the genotype
// message. Reads np, nl, nu, alleleDivisor, sampleEnds, individualCount and
// locusNames of `ds`.
void countAlleles(const Dataset& ds, const GenotypeColumns& columns, CountTables& counts);

// The observed pass: counts ds.genotypeColumns into ds.counts and also fills
// missingLoci and completeCounts.
void countObservedAlleles(Dataset& ds);

// Recounts rearrangements of one starting arrangement of the genotypes
// without building their columns: every code is split into its alleles once,
// here, and count() then tallies the individuals in their new places.
class ArrangementCounter {
public:
    // Reads np, nl, nu, alleleDivisor, sampleEnds and individualCount of `ds`
    // and positions 1..individualCount of `start`.
    ArrangementCounter(const Dataset& ds, const GenotypeColumns& start);

    // False when `start` holds a code that is not a valid genotype; count()
    // must not be called then (countAlleles reports the code).
    bool valid() const { return valid_; }

    // What countAlleles(ds, columns, counts) gives for the columns whose
    // position p (1..individualCount) holds the genotypes `start` has at
    // position origin[p]; origin[1..individualCount] is a permutation of
    // 1..individualCount.
    void count(const std::uint16_t* origin, CountTables& counts) const;

private:
    int samples_ = 0;
    int loci_ = 0;
    int alleles_ = 0;
    int individuals_ = 0;
    std::vector<int> sampleLast_;  // last position of sample s (index s)
    // Per individual of `start` and locus: the two tally slots of its
    // alleles, (locus - 1) * (alleles + 1) + allele, slot allele 0 for a
    // missing genotype; first in the low half, second in the high half.
    std::vector<std::uint32_t> slots_;
    bool valid_ = true;
};

}  // namespace zeltric::data
