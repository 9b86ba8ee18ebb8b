#pragma once

#include <optional>
#include <string>

#include "extended/extended_data.hpp"
#include "statistics/observed_statistics.hpp"
#include "statistics/pairwise_test.hpp"

namespace zeltric::statistics {

// The tables of the statistics, RFC 4180 CSV (CRLF line ends, a field with a
// comma, quote or line end quoted: base::csvField), numbers in the shortest
// form that reads back to the same double (base::shortestDecimal, as the
// result tables write them), an empty cell where a figure is nothing.

// locus,theta,Ho,Hs,Ht,Dst,Fis: one row per locus typed in somebody, in
// locus order, named as in the data.
std::string lociTable(const extended::ExtendedData& data, const Statistics& statistics);

// j,k,theta,P,Holm_P: one row per pair in samplePairs' order, samples
// numbered from 1 in the data's order; P and Holm_P empty without a
// completed test.
std::string pairwiseTable(const Statistics& statistics, const PairwiseTestResult* test);

// sample,n,Ho,Hs,Fis: one row per sample in the data's order, n its
// individuals.
std::string sampleDiversityTable(const extended::ExtendedData& data, const Statistics& statistics);

// The section appended to the results file when the statistics are asked
// for: the overall figures, the loci left out and the pairwise test's
// settings (lines end in CR LF as the results file's do).
std::string statisticsSection(const extended::ExtendedData& data, const Statistics& statistics,
                              const PairwiseTestResult* test, const PairwiseTestOptions* options);

}  // namespace zeltric::statistics
