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
    void (*productRows)(const float* const* a, int rows, const float* b, std::size_t bStride,
                        int inner, int cols, float* const* out);
    // g[j] <- sum over k = 0..n-1 of s[k * stride + j] * u[k], in double,
    // for j < n; s holds a symmetric matrix, so row k is also column k.
    void (*symmetricTimesVector)(const float* s, std::size_t stride, const double* u, int n,
                                 double* g);
    // The rank-two update of one Householder step on the full symmetric
    // matrix s, rows firstRow..lastRow, columns 0..cols-1, every element
    // computed as the reference computes its lower-triangle twin (row
    // j >= column k):
    //   a[j][k] <- (a[j][k] - u[j] * e[k]) - g[j] * u[k]
    // u and e hold float values, g double values. When nextU is not null,
    // also next[c] <- sum over the updated rows r, in order, of
    // a[r][c] * nextU[r] for c < cols: the product symmetricTimesVector
    // would give on those rows afterwards (nextU holding float values).
    void (*symmetricUpdateRows)(float* s, std::size_t stride, const double* u, const double* e,
                                const double* g, int firstRow, int lastRow, int cols,
                                const double* nextU, double* next);
    // out[c] <- float(counts[c] * 0.5 / size - pooled[c]) for c < n.
    void (*centredFrequencies)(const double* counts, double size, const double* pooled, int n,
                               float* out);
};

const SimdKernels& scalarKernels();
// Only on x86 processors.
const SimdKernels& sse2Kernels();
const SimdKernels& avx2Kernels();
const SimdKernels& avx512Kernels();

}  // namespace zeltric::analysis::simd
