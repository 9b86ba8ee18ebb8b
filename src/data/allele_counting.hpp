#pragma once

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

}  // namespace zeltric::data
