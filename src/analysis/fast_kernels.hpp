#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "analysis/eigen_solver.hpp"
#include "analysis/square_matrix.hpp"

namespace zeltric::analysis {

// Fast kernels of the analysis. Each one reproduces, bit for bit, what the
// reference kernels of eigen_solver.hpp give on the same input; they only
// leave out work whose result is known exactly:
// - a product of two floats is exact in double, so multiplying by the
//   identity or a diagonal matrix reduces to one term per element, and a
//   fused multiply-add of two float operands rounds exactly like the
//   reference's multiply then add;
// - every reduction keeps the reference's order; vector lanes only ever hold
//   independent output elements, each with its own sequence of roundings;
// - eigenvalue-only variants leave out the eigenvector work, which never
//   feeds back into the eigenvalues.
// The vector code needs round-to-nearest with denormals kept (the default
// floating-point environment; never flush-to-zero).

// Variants of the fast kernels, slowest first: plain scalar code (every
// processor), then the x86 vector instruction sets (x86 builds only).
enum class KernelIsa { Scalar, Sse2, Avx2, Avx512 };

const char* isaName(KernelIsa isa);
bool isaSupported(KernelIsa isa);
KernelIsa bestSupportedIsa();
// Every variant this processor runs, slowest first (always holds Scalar).
std::vector<KernelIsa> supportedIsas();

// Which kernels RunFrequencyPca uses.
struct KernelSelection {
    bool reference = false;  // the reference kernels throughout
    KernelIsa isa = KernelIsa::Scalar;

    static KernelSelection referenceKernels() { return {true, KernelIsa::Scalar}; }
    static KernelSelection fastKernels(KernelIsa isa) { return {false, isa}; }
    // The best variant this processor runs.
    static KernelSelection best();
    // A kernel name as a front end takes it (option or environment): "reference"
    // selects the reference kernels; "scalar", "sse2", "avx2" or "avx512" force a
    // variant (the best supported one when the processor lacks it); an empty
    // name: the best variant. Nothing for any other name.
    static std::optional<KernelSelection> fromName(std::string_view name);
    // The names fromName takes, for messages: "reference, scalar, sse2, avx2, avx512".
    static const char* names();
};

// The smaller of the two cross-product matrices: case A (more samples np
// than retained alleles nA) takes alleles x alleles, Xt D X; case B samples
// x samples, D^1/2 X Xt D^1/2.
enum class CrossCase { A, B };

inline CrossCase crossCase(int np, int nA) { return np > nA ? CrossCase::A : CrossCase::B; }

// The one cross product of the analysis that is not by an identity or a
// diagonal matrix, with the weight products folded in. X holds the centred
// frequencies (rows 1..np, columns 1..nA), `weights` the sample weights
// (D[j][j] before any square root). Writes the lower triangle (k <= i) of
// the leading p x p block of m, p = min(np, nA), exactly as the reference
// products give it:
//   case A (np > nA): M = W . (Xt . (D . (X . W))), W the identity;
//   case B:           M = D' . (X . (W . (Xt . D'))), D' = D^1/2.
// The upper triangle of m is left unspecified (the reduction never reads
// it). xt and p are scratch. Returns false, leaving m unspecified, when a
// one-term product underflowed to a negative zero (only possible with tiny
// inputs); the caller then takes the reference products.
bool FastCrossProduct(const SquareMatrix& x, const RealVector& weights, int np, int nA, SquareMatrix& xt,
                      SquareMatrix& p, SquareMatrix& m, KernelIsa isa);

// C <- A . B as MatMul(a, b, c, size) gives it, when A is zero (+0) outside
// rows 1..rows, columns 1..inner and B zero (+0) outside rows 1..inner,
// columns 1..cols. The whole leading size x size block of c is written.
void FastMatMul(const SquareMatrix& a, const SquareMatrix& b, SquareMatrix& c, int size, int rows, int inner,
                int cols, KernelIsa isa);

// Tridiagonalize without accumulating the transformations: the same d and e
// (d[1..n], e[1..n], e[1] = 0, also for n = 0 and 1). Reads the lower
// triangle of the leading n x n block of a and leaves the block unspecified.
// Raises base::FatalError as Tridiagonalize does on a value that is not
// finite.
void TridiagonalizeEigenvaluesOnly(SquareMatrix& a, int n, RealVector& d, RealVector& e, KernelIsa isa);
// The same, faster: the lower triangle is first widened into `scratch`
// (grown as needed, kept for the next call), whose vector loads then need no
// conversion; a is left unchanged.
void TridiagonalizeEigenvaluesOnly(SquareMatrix& a, int n, RealVector& d, RealVector& e, KernelIsa isa,
                                   std::vector<double>& scratch);

// Whether the widened form above suits a reduction of order n on this
// processor: its lower triangle in doubles (4 n (n + 1) bytes) must fit in
// half of a core's level-2 cache. Beyond that the rows it sweeps step after
// step come from the level-3 cache, which the workers on other cores share,
// and the float matrix in place (half the bytes) runs as fast on one worker
// and faster on two. Where the cache size is unknown: true. Either form
// gives the same bits.
bool WidenedReductionFits(int n);
// The level-2 cache of one core in bytes as the system reports it; 0 when
// unknown.
long LevelTwoCacheBytes();

// out[c] <- float(counts[c] / 2.0 / size - pooled[c]) for c < n: one row
// of the centred frequencies.
void CentredFrequencies(const double* counts, double size, const double* pooled, int n, float* out, KernelIsa isa);

// TQLI without eigenvectors: the same d, the same notices and errors.
[[nodiscard]] int TqliEigenvaluesOnly(RealVector& d, RealVector& e, int n, TqliLimits limits = {});

// The order SortEigenvalues gives, in O(n log n).
void FastSortEigenvalues(const RealVector& d, int n, EigenOrder& order);

}  // namespace zeltric::analysis
