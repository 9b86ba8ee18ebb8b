#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "extended/extended_analysis.hpp"
#include "extended/extended_data.hpp"
#include "randomisation/bootstrap.hpp"
#include "randomisation/observed_axes.hpp"
#include "randomisation/permutation_engine.hpp"

namespace zeltric::run {

// The bootstrap of the extended analysis. Neighbouring SNPs are linked, so
// loci are resampled in blocks of contiguous loci rather than one by one:
// blocks of `blockLoci` loci in file order, a new block begun wherever the
// chromosome changes (data without positions: blocks of consecutive loci
// only). A replicate draws as many blocks as there are, each 1 +
// integerDeviate(blocks) from a generator seeded (seed1, seed2) and
// continued from replicate to replicate, and is the data set of the drawn
// blocks' loci in draw order.
//
// Each replicate is measured along the observed axes as the exact analysis's
// bootstrap measures its replicates (randomisation/observed_axes.hpp): with
// its own weights (individuals typed at one of its loci at least), its
// X X^T and H, the inertia v_k^T M_b v_k along the observed unit
// eigenvector v_k, the trace of M_b as total inertia. The intervals follow
// randomisation::summariseFigure. A block's sums are formed once, in locus
// order, and added in draw order, so any thread count gives the same bits.

// Loci a block by default: a hundredth of the loci, at least 1.
std::size_t DefaultBootstrapBlock(std::size_t loci);

// The blocks as bounds: block b (0-based) holds loci bounds[b] ..
// bounds[b + 1] - 1; bounds.size() - 1 blocks.
std::vector<std::size_t> BootstrapBlockBounds(const extended::ExtendedData& data, std::size_t blockLoci);

struct ExtendedBootstrapRequest {
    int replicates = 0;
    std::int32_t seed1 = 1;
    std::int32_t seed2 = 1;
    std::size_t blockLoci = 1;
    int threads = 1;
};

// Observer as the exact bootstrap's: started(B), taken(b), finished();
// cancelRequested() polled before each replicate is taken.
randomisation::BootstrapOutcome RunExtendedBootstrap(const extended::ExtendedData& data,
                                                     const extended::ExtendedResult& observed,
                                                     const ExtendedBootstrapRequest& request,
                                                     randomisation::TestObserver& observer);

// What a draw of blocks gives along the observed axes 1..axes (for tests:
// `drawn` holds 1-based block numbers).
randomisation::ObservedAxes::Measures MeasureBlockDraw(const extended::ExtendedData& data,
                                                       const extended::ExtendedResult& observed,
                                                       const std::vector<std::size_t>& bounds,
                                                       const std::vector<int>& drawn);

}  // namespace zeltric::run
