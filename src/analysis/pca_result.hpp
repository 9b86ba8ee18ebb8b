#pragma once

#include <array>
#include <cstdint>

#include "analysis/square_matrix.hpp"
#include "base/limits.hpp"

namespace zeltric::analysis {

// The figures of the latest analysis call and of the observed call. Axes are
// numbered 1..dimension in descending order of eigenvalue. Every real is
// single precision.
struct PcaResult {
    // Every call.
    std::uint16_t alleleColumnCount = 0;  // nA, columns of X
    std::array<std::uint16_t, base::NLMax + 1> allelesPerLocus{};
    std::uint16_t dimension = 0;  // p = min(np, nA)
    float heterozygositySum = 0.0f;
    std::uint16_t typedLoci = 0;  // loci with at least one typed individual
    RealVector eigenvalues{};
    float totalInertia = 0.0f;
    float globalFst = 0.0f;
    RealVector axisFst{};

    // Observed call only.
    float observedGlobalFst = 0.0f;
    RealVector observedAxisFst{};
    RealVector observedAxisShare{};
    RealVector percentInertia{};
    std::uint16_t brokenStickAxes = 0;
    SquareMatrix populationCoordinates;  // sample j, axis k
    SquareMatrix alleleCoordinates;      // retained allele i, axis k
};

}  // namespace zeltric::analysis
