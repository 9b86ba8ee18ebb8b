#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "extended/extended_data.hpp"

namespace zeltric::extended {

// The analysis for data past the data file's limits: the exact analysis's
// quantities, from exact integer counts, in double precision. Samples j
// (0..P-1), loci l in file order, alleles a in each locus's order.
//
// 1. n(j,l) typed individuals of sample j at locus l, c(j,l,a) copies of
//    allele a, N(l) and t(l,a) their sums over samples (integers); loci with
//    N(l) = 0 are left out.
// 2. pbar(l,a) = t / 2N, f(j,l,a) = c / 2n; one column per (l,a) with t > 0.
// 3. X[j,(l,a)] = f - pbar when n(j,l) > 0, else 0.
// 4. w_j = m_j / sum m, m_j the individuals of sample j typed at one locus at
//    least.
// 5. M = D^1/2 X X^T D^1/2 (order P), eigenvalues descending, a negative
//    residue set to 0, p = min(P, columns).
// 6. H = sum over loci of 1 - sum_a pbar^2, T = sum of the p eigenvalues;
//    global Fst T/H, axis Fst lambda_k/H, share lambda_k/T (0 when T = 0;
//    every Fst 0 when H = 0).
// 7. Broken stick: the leading axes k (at most p - 1) with lambda_k >=
//    b_k T, b_k = (1/p) sum_{z=k..p} 1/z, up to the first that fails.
// 8. Sample coordinates D^-1/2 V Lambda^1/2, each eigenvector signed so that
//    its entry of largest magnitude is positive (entries within 1e-9
//    relative of it are ties, won by the lowest sample); allele coordinates
//    the rows of X^T D^1/2 V.
//
// Reproducibility: X X^T is summed column after column inside fixed blocks
// of loci, and the blocks' sums are added in block order, whatever the number
// of threads; so any thread count gives the same bits.

struct ExtendedOptions {
    int threads = 1;
    // Fixed: part of the summation order, not a tuning knob per run.
    static constexpr std::size_t kLociPerBlock = 4096;
    // Called from the calling thread with the loci done so far.
    std::function<void(std::size_t lociDone)> progress;
};

struct ExtendedResult {
    std::size_t samples = 0;                     // P
    std::vector<std::int64_t> typedMembers;      // m_j
    std::vector<double> weights;                 // w_j
    std::size_t typedLoci = 0;                   // loci with N(l) > 0
    std::size_t columns = 0;                     // alleles with t(l,a) > 0
    std::vector<std::uint32_t> allelesPerLocus;  // columns of each locus
    std::size_t dimension = 0;                   // p
    double heterozygositySum = 0.0;              // H
    double totalInertia = 0.0;                   // T
    double globalFst = 0.0;
    std::vector<double> eigenvalues;  // p, descending
    std::vector<double> axisFst;      // p
    std::vector<double> axisShare;    // p
    int brokenStickAxes = 0;
    std::vector<double> eigenvectors;       // P x p, row-major, signed
    std::vector<double> sampleCoordinates;  // P x p, row-major
    std::vector<std::string> informations;  // degenerate data, as the exact analysis tells them

    double eigenvector(std::size_t j, std::size_t k) const { return eigenvectors[j * dimension + k]; }
    double sampleCoordinate(std::size_t j, std::size_t k) const { return sampleCoordinates[j * dimension + k]; }
};

// Runs steps 1-8 but the allele coordinates (AlleleColumns gives them).
ExtendedResult RunExtendedAnalysis(const ExtendedData& data, const ExtendedOptions& options = {});

// The counts of one locus: typed[j] = n(j,l), copies[j * K + a] = c(j,l,a).
struct LocusCounts {
    std::size_t alleles = 0;  // K
    std::vector<std::int64_t> typed;
    std::vector<std::int64_t> copies;
    std::int64_t total = 0;                  // N(l)
    std::vector<std::int64_t> alleleTotals;  // t(l,a)
};
void CountLocus(const ExtendedData& data, std::size_t locus, LocusCounts& counts);
// The same with individual i counted in sample sampleOf[i] (an arrangement
// of the permutation test).
void CountLocusAs(const ExtendedData& data, std::size_t locus, std::span<const int> sampleOf, LocusCounts& counts);

// One column of X with its figures.
struct AlleleColumn {
    std::size_t locus = 0;
    std::size_t allele = 0;
    double meanFrequency = 0.0;           // pbar(l,a)
    std::span<const double> frequencies;  // f(j,l,a) per sample (0 where n(j,l) = 0)
    std::span<const double> coordinates;  // its row of X^T D^1/2 V (p values)
};
// Calls `visit` for every column in order (single-threaded; allele
// coordinates are written only when asked for, so they are not kept).
void ForEachAlleleColumn(const ExtendedData& data, const ExtendedResult& result,
                         const std::function<void(const AlleleColumn&)>& visit);

// b_k T for k = 1..p (0-based here), as the broken-stick rule compares.
double BrokenStickExpectation(std::size_t k, std::size_t p, double total);

}  // namespace zeltric::extended
