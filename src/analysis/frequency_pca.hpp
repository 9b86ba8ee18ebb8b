#pragma once

#include <string>
#include <vector>

#include "analysis/fast_kernels.hpp"
#include "analysis/pca_result.hpp"
#include "analysis/square_matrix.hpp"
#include "data/dataset.hpp"

namespace zeltric::analysis {

// The work tables of one analysis: the weight, frequency and cross-product
// matrices (W, D, X, Xt, M), the per-call products (R, P, V) and the
// eigen-solver's vectors. Allocated once and reused call after call; the
// observed pass owns one and every permutation worker owns its own, so calls
// on different workspaces may run at the same time.
struct PcaWorkspace {
    SquareMatrix w;   // allele weights: the identity on 1..nA
    SquareMatrix d;   // sample weights: diagonal on 1..np (D, or D^1/2 in case B)
    SquareMatrix x;   // centred frequencies: samples x retained alleles
    SquareMatrix xt;  // transpose of x
    SquareMatrix m;   // cross-product matrix; the eigenvectors after the solver
    SquareMatrix r;
    SquareMatrix p;
    SquareMatrix v;  // eigenvectors in descending order of eigenvalue
    RealVector diagonal{};
    RealVector offDiagonal{};
    EigenOrder order{};
    std::vector<double> reductionScratch;  // the fast reduction's widened matrix
    // Largest block order written so far; a call clears up to it so that the
    // zero invariant of the products holds whatever an earlier call left.
    int usedOrder = 0;
    // Fast or reference kernels (the results are the same bits).
    KernelSelection kernels = KernelSelection::best();
    // The wide path's tables (a randomised call retaining more than 500
    // alleles): centred frequencies np x (nA + 1) row by row, column 0
    // unused; pooled frequencies and allele numbers by column. Grown as
    // needed and kept for the next call.
    std::vector<float> wideX;
    std::vector<double> widePooled;
    std::vector<std::uint8_t> wideAlleleOf;
};

// What the caller owes the user after one call.
struct PcaCallReport {
    // Eigenvalues that needed more than 30 QL iterations: show
    // base::tqliNotice() once for each. The results are valid all the same.
    int tqliNotices = 0;
    // Information messages to show (observed call only), in order.
    std::vector<std::string> informations;
};

// One analysis call on the count tables `counts` of the data set `ds` (np,
// nl and nu are taken from ds; sampleSize, alleleCount and alleleTotal from
// counts).
//
// Every call writes alleleColumnCount, allelesPerLocus, dimension,
// heterozygositySum, typedLoci, eigenvalues, totalInertia, globalFst and
// axisFst. An observed call (observed = true) also writes observedGlobalFst,
// observedAxisFst, observedAxisShare, percentInertia, brokenStickAxes and the
// two coordinate matrices; a randomised call leaves them untouched. The
// caller then writes the report texts (results_report.hpp).
//
// Precision: frequencies, weights, matrices and figures are single
// precision, each computed in double and rounded once when stored.
//
// Sample weights: the mean over loci with N(l) > 0 of n(j,l) / N(l), or that
// share itself when it is the same at every such locus; 0 for a sample with
// no typed individual. A locus with N(l) = 0 adds nothing to H, and
// typedLoci counts the loci with N(l) > 0.
//
// Degenerate data never produce NaN or infinity:
// - H = 0 (every locus monomorphic, or no typed locus): globalFst and every
//   axisFst are 0;
// - T = 0 (no inertia): globalFst is 0, every axis share and percentInertia
//   is 0 (so no axis is shown), brokenStickAxes is 0;
// - p = 0 (no retained allele, or no sample): no eigenvalue, T = 0,
//   brokenStickAxes = 0.
// In an observed call each case adds one information message (p = 0 before
// H = 0 before T = 0; only the first that applies).
//
// More than 500 retained alleles: an observed call raises base::FatalError
// with base::matrixDimensionMessage(), before any column is stored; a
// randomised call (a bootstrap replicate that draws a locus more than once)
// takes RunWideFrequencyPca. Also the eigen-solver's errors
// (eigen_solver.hpp).
PcaCallReport RunFrequencyPca(const data::Dataset& ds, const data::CountTables& counts, bool observed,
                              PcaWorkspace& ws, PcaResult& result);

// A randomised call by the same arithmetic on a frequency matrix of any
// width with np <= nA, held in the workspace's wide tables: the figures and
// notices a randomised RunFrequencyPca call gives where both apply (the
// tests prove them equal). The cross-product matrix then has the sample
// order (D^1/2 X Xt D^1/2, at most 500), and the products by W and D reduce
// to single terms as in the fast kernels. Writes what every call writes.
PcaCallReport RunWideFrequencyPca(const data::Dataset& ds, const data::CountTables& counts, PcaWorkspace& ws,
                                  PcaResult& result);

// Broken-stick rule: the number of leading axes, at most p - 1, whose
// eigenvalue reaches its expectation (sum over z = k..p of 1/z, summed in
// single precision) / p * T; the scan stops at the first axis that falls
// short or at axis p. 0 when p = 0 or T = 0.
std::uint16_t BrokenStickAxes(const RealVector& eigenvalues, int p, float totalInertia);

// Share of axis k in the total inertia, axisFst[k] / globalFst, exact in
// double; 0 when globalFst is 0. The share line prints this value.
double axisShareRatio(const PcaResult& result, int k);

// The weight of sample j: its share n(j,l) / N(l) of the typed individuals,
// or the mean of those shares over the typed loci when they differ.
float sampleWeight(const data::CountTables& counts, const std::array<int, base::NLMax + 1>& locusTotals, int nl,
                   int j);

// The same share rounded to single precision, as observedAxisShare holds it,
// so that an arrangement reproducing the observed share compares equal.
float axisShare(const PcaResult& result, int k);

}  // namespace zeltric::analysis
