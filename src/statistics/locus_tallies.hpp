#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "extended/extended_data.hpp"

namespace zeltric::statistics {

// The one input of every statistic here: one locus's counts per sample. Both
// analyses give it: the exact analysis's data set through
// extended::FromDataset, the extended analysis's data as it is read. Samples
// and alleles are 0-based, in the data's order.
struct LocusTally {
    std::size_t samples = 0;
    std::size_t alleles = 0;
    std::vector<std::int64_t> typed;         // per sample: individuals typed at the locus
    std::vector<std::int64_t> heterozygous;  // per sample: typed individuals with two different alleles
    std::vector<std::int64_t> copies;        // [s * alleles + a]: copies of allele a in sample s
    std::vector<std::int64_t> carriers;      // [s * alleles + a]: heterozygotes carrying allele a

    std::int64_t copiesOf(std::size_t s, std::size_t a) const { return copies[s * alleles + a]; }
    std::int64_t carriersOf(std::size_t s, std::size_t a) const { return carriers[s * alleles + a]; }
};

// Counts locus `locus` of `data` into `tally` (reusing its storage).
void tallyLocus(const extended::ExtendedData& data, std::size_t locus, LocusTally& tally);

// The same counts for any grouping of individuals: `groupOf[i]` is the group
// (0..groups-1) of individual i, or -1 for one left out.
void tallyLocusGrouped(const extended::ExtendedData& data, std::size_t locus, const std::vector<int>& groupOf,
                       std::size_t groups, LocusTally& tally);

}  // namespace zeltric::statistics
