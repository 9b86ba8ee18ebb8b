#pragma once

#include <cstddef>
#include <vector>

namespace zeltric::extended {

// A dense symmetric matrix of doubles, row-major, 0-based.
struct SymmetricMatrix {
    std::size_t order = 0;
    std::vector<double> values;  // order * order

    explicit SymmetricMatrix(std::size_t n = 0) : order(n), values(n * n, 0.0) {}
    double& operator()(std::size_t i, std::size_t j) { return values[i * order + j]; }
    double operator()(std::size_t i, std::size_t j) const { return values[i * order + j]; }
};

// The eigen-decomposition of the extended analysis, in double precision.
// eigenvalues in descending order (among equal values the lower original
// index first); column k of `vectors` (row-major, order x order) is the unit
// eigenvector of eigenvalues[k], not yet signed.
struct SymmetricEigen {
    std::vector<double> eigenvalues;
    SymmetricMatrix vectors;
};

// Householder reduction to tridiagonal form with the transformations
// accumulated, then QL with implicit shifts, then a stable sort into
// descending order. Single-threaded and branch-for-branch the same on every
// run, so the same matrix gives the same bits. Only the lower triangle of `a`
// is read. Raises base::FatalError (the solver-input message) for a value
// that is not finite and the iteration failure message when an eigenvalue has
// not converged after `iterationLimit` QL iterations.
SymmetricEigen DecomposeSymmetric(const SymmetricMatrix& a, int iterationLimit = 10000);

}  // namespace zeltric::extended
