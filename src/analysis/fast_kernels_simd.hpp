#pragma once

// Internal to the fast kernels: the loops that run on vector registers, one
// instantiation per instruction set, each in its own source file compiled
// with that set's flags. Every lane holds one independent output element;
// no loop here reorders a sum.

#include <cstddef>

namespace zeltric::analysis::simd {

struct SimdKernels {
    // out[r][j] <- sum over k = 0..inner-1 of a[r][k] * b[k * bStride + j],
    // rounded to float after every term as MatMul does, for r < rows (1..8)
    // and j < cols. When cols is below the vector width (8 at most),
    // columns cols..7 of out may be written too (with values of no use), and
    // those columns of b are read: both must lie inside the row storage.
    void (*productRows)(const float* const* a, int rows, const float* b, std::size_t bStride, int inner, int cols,
                        float* const* out);
    // Row r of the rank-two update of one Householder step, columns
    // 0..cols-1 (cols <= r + 1, the lower triangle):
    //   a[r][k] <- (a[r][k] - u[r] * e[k]) - g[r] * u[k]
    // u and e hold float values, g double values.
    void (*updateLowerRow)(float* s, std::size_t stride, const double* u, const double* e, const double* g, int r,
                           int cols);
    // One pass over the lower triangle (row j >= column k) of the symmetric
    // n x n matrix s, the only triangle ever read or kept. When u is not
    // null, rows 0..n-1 get the rank-two update above (u, e, g indexed
    // 0..n+7: lanes past n are read, their values of no use). When nextU is
    // not null, also
    //   next[j] <- sum over k = 0..n-1, in that order, of s[j][k] * nextU[k]
    // in double, s[j][k] read from the lower twin and taken after the update
    // (nextU holding float values): the product of the next step, or of this
    // one with u null. Slots of the upper triangle inside the block may be
    // overwritten with values of no use.
    void (*lowerUpdateAndProduct)(float* s, std::size_t stride, int n, const double* u, const double* e,
                                  const double* g, const double* nextU, double* next);
    // The same two on a matrix of doubles that hold float values (stored
    // rounded to float, as the float matrix stores them).
    void (*updateLowerRowWide)(double* s, std::size_t stride, const double* u, const double* e, const double* g,
                               int r, int cols);
    void (*lowerUpdateAndProductWide)(double* s, std::size_t stride, int n, const double* u, const double* e,
                                      const double* g, const double* nextU, double* next);
    // out[c] <- float(counts[c] * 0.5 / size - pooled[c]) for c < n.
    void (*centredFrequencies)(const double* counts, double size, const double* pooled, int n, float* out);
};

const SimdKernels& scalarKernels();
// Only on x86 processors.
const SimdKernels& sse2Kernels();
const SimdKernels& avx2Kernels();
const SimdKernels& avx512Kernels();

}  // namespace zeltric::analysis::simd
