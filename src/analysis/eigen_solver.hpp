#pragma once

#include "analysis/square_matrix.hpp"

namespace zeltric::analysis {

// Reference kernels of the analysis: dense products over a leading block and
// the eigen-decomposition of a real symmetric matrix. They define the
// results; faster kernels must reproduce them bit for bit.
//
// Contract shared by every routine here:
// - Index base 1 (row 1, column 1 is the first element); orders are 0..500.
// - Storage is single precision. Inside Tridiagonalize and TQLI every scalar
//   work value is a double and every expression is evaluated in double before
//   its result is stored into a float slot. MatMul, by contrast, rounds each
//   partial sum to float after every term.
// - The routines keep no state between calls and allocate nothing but
//   SortEigenvalues' private copy.
// - Algorithm: Householder reduction to tridiagonal form with the
//   transformations accumulated, then QL with implicit shifts, then a
//   selection sort into descending order.
// Calling order for one decomposition: Tridiagonalize, TQLI, SortEigenvalues;
// eigenvalue k is then d[order[k]] and its eigenvector column order[k] of z.

// |magnitude| when signSource >= 0 (zero counts as positive), else -|magnitude|.
double SignTransfer(double magnitude, double signSource);

// C <- A * B over the leading size x size block. Each C[i][j] starts at 0 and
// takes, for k = 1..size in order, float(double(A[i][k]) * double(B[k][j]) +
// double(C[i][j])). Rectangular operands work when everything outside their
// written blocks is zero. C must be neither A nor B.
void MatMul(const SquareMatrix& a, const SquareMatrix& b, SquareMatrix& c, int size);

// dst[b][i] <- src[i][b] for b, i in 1..size. dst must not be src.
void Transpose(const SquareMatrix& src, SquareMatrix& dst, int size);

// Householder reduction of the symmetric leading n x n block of a. Only the
// lower triangle (a[i][k], k <= i) is read; both triangles are overwritten.
// On return d[1..n] is the diagonal of the tridiagonal form, e[2..n] its
// sub-diagonal (e[i] couples rows i-1 and i), e[1] = 0, and a holds the
// accumulated orthogonal transformation. d[1] and e[1] are set also for
// n = 0 and 1. Raises base::FatalError when the lower triangle holds a value
// that is not finite.
void Tridiagonalize(SquareMatrix& a, int n, RealVector& d, RealVector& e);

// Iteration counts of one eigenvalue: at `notice` the caller owes the user
// the iteration notice; at `limit` the QL iteration gives up. Tests lower
// them to reach both paths on small matrices.
struct TqliLimits {
    int notice = 30;
    int limit = 10000;
};

// QL with implicit shifts on the output of Tridiagonalize (z is its a). On
// return d[1..n] holds the eigenvalues in no particular order, e is
// destroyed, and column k of z is the unit eigenvector of d[k]. Every row
// 1..n of z is rotated. Nothing is done when n < 2.
//
// Returns how many eigenvalues needed more than limits.notice iterations:
// for each of them the caller shows the iteration notice once
// (base::tqliNotice()) and the result is valid all the same. Raises
// base::FatalError when d or e holds a value that is not finite, and when an
// eigenvalue has not converged after limits.limit iterations (never
// seen on the positive semi-definite matrices of the analysis; it stops a
// corrupted input from hanging the program).
[[nodiscard]] int TQLI(RealVector& d, RealVector& e, int n, SquareMatrix& z, TqliLimits limits = {});

// Lowest value a slot may hold and still be sorted by value.
inline constexpr double kSortFloor = -9.99;

// order[1..n] <- the slot numbers of d[1..n] in descending order of value;
// among equal values the lower slot comes first. d is unchanged. A value at
// or below kSortFloor (impossible for the semi-definite matrices of the
// analysis) is never picked by value; such slots come last, in slot order.
void SortEigenvalues(const RealVector& d, int n, EigenOrder& order);

}  // namespace zeltric::analysis
