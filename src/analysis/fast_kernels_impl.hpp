#pragma once

// Internal to the fast kernels: the loop bodies, written once over a vector
// traits type V and instantiated in each instruction-set source file (the
// traits live in that file's unnamed namespace, so instantiations never mix).
//
// V provides: D (vector of W doubles), W, zero(), set1(double),
// loadFloats(const float*), storeFloats(float*, D), load(const double*),
// store(double*, D), div(D, D), roundToFloat(D) (to float and back, exact),
// storeRounded(float*, D) (stores as floats, returns them as doubles),
// selectUpTo(c, r, x, y) (lane k from x when c + k <= r, else from y),
// mulAdd(a, b, c) = a * b + c with one rounding, negMulAdd(a, b, c) =
// c - a * b with one rounding, mul, sub. mulAdd and negMulAdd are only ever
// given operands holding float values: their product is exact in double,
// so one rounding equals the reference's multiply then add.

#include <cstddef>

#include "analysis/fast_kernels_simd.hpp"
#include "analysis/square_matrix.hpp"

namespace zeltric::analysis::simd {

// The accumulators must stay in registers: every loop over them is unrolled
// (otherwise GCC keeps them on the stack, and each term waits on a store and
// a load).
template <class V, int R, int U>
inline void productTile(const double* const* a, const float* b, std::size_t bStride, int inner,
                        int j, float* const* out) {
    using D = typename V::D;
    D acc[R][U];
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 4
        for (int u = 0; u < U; ++u) acc[r][u] = V::zero();
    for (int k = 0; k < inner; ++k) {
        const float* row = b + static_cast<std::size_t>(k) * bStride + j;
        D bv[U];
#pragma GCC unroll 4
        for (int u = 0; u < U; ++u) bv[u] = V::loadFloats(row + u * V::W);
#pragma GCC unroll 8
        for (int r = 0; r < R; ++r) {
            const D av = V::set1(a[r][k]);
#pragma GCC unroll 4
            for (int u = 0; u < U; ++u)
                acc[r][u] = V::roundToFloat(V::mulAdd(av, bv[u], acc[r][u]));
        }
    }
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 4
        for (int u = 0; u < U; ++u) V::storeFloats(out[r] + j + u * V::W, acc[r][u]);
}

template <class V, int R>
inline void productRowsFixed(const float* const* narrow, const float* b, std::size_t bStride,
                             int inner, int cols, float* const* out) {
    // Every a[r][k] is broadcast once per column tile: widen the rows once,
    // so that a broadcast is a plain load.
    alignas(64) double wide[R][kMatrixOrder];
    const double* a[R];
    for (int r = 0; r < R; ++r) {
        for (int k = 0; k < inner; ++k) wide[r][k] = static_cast<double>(narrow[r][k]);
        a[r] = wide[r];
    }
    int j = 0;
    for (; j + 2 * V::W <= cols; j += 2 * V::W) productTile<V, R, 2>(a, b, bStride, inner, j, out);
    for (; j + V::W <= cols; j += V::W) productTile<V, R, 1>(a, b, bStride, inner, j, out);
    // The last few columns as one more vector, not one serial chain each:
    // moved back over columns already done (they come out the same bits) or,
    // in a block narrower than a vector, widened past `cols`.
    if (j < cols) productTile<V, R, 1>(a, b, bStride, inner, cols >= V::W ? cols - V::W : 0, out);
}

template <class V>
void productRows(const float* const* a, int rows, const float* b, std::size_t bStride, int inner,
                 int cols, float* const* out) {
    // Eight rows share every load of b where the registers allow it (32
    // vector registers with AVX-512, 16 otherwise).
    if constexpr (V::W < 8) {
        if (rows > 4) {
            productRows<V>(a, 4, b, bStride, inner, cols, out);
            productRows<V>(a + 4, rows - 4, b, bStride, inner, cols, out + 4);
            return;
        }
    }
    switch (rows) {
        case 1:
            productRowsFixed<V, 1>(a, b, bStride, inner, cols, out);
            break;
        case 2:
            productRowsFixed<V, 2>(a, b, bStride, inner, cols, out);
            break;
        case 3:
            productRowsFixed<V, 3>(a, b, bStride, inner, cols, out);
            break;
        case 4:
            productRowsFixed<V, 4>(a, b, bStride, inner, cols, out);
            break;
        default:
            if constexpr (V::W >= 8) {
                switch (rows) {
                    case 5:
                        productRowsFixed<V, 5>(a, b, bStride, inner, cols, out);
                        break;
                    case 6:
                        productRowsFixed<V, 6>(a, b, bStride, inner, cols, out);
                        break;
                    case 7:
                        productRowsFixed<V, 7>(a, b, bStride, inner, cols, out);
                        break;
                    default:
                        productRowsFixed<V, 8>(a, b, bStride, inner, cols, out);
                        break;
                }
            }
            break;
    }
}

template <class V, int U>
inline void symmetricTimesVectorTile(const float* s, std::size_t stride, const double* u, int n,
                                     int j, double* g) {
    using D = typename V::D;
    D acc[U];
    for (int t = 0; t < U; ++t) acc[t] = V::zero();
    for (int k = 0; k < n; ++k) {
        const float* row = s + static_cast<std::size_t>(k) * stride + j;
        const D uk = V::set1(u[k]);
        for (int t = 0; t < U; ++t) acc[t] = V::mulAdd(V::loadFloats(row + t * V::W), uk, acc[t]);
    }
    for (int t = 0; t < U; ++t) V::store(g + j + t * V::W, acc[t]);
}

template <class V>
void symmetricTimesVector(const float* s, std::size_t stride, const double* u, int n, double* g) {
    int j = 0;
    for (; j + 4 * V::W <= n; j += 4 * V::W) symmetricTimesVectorTile<V, 4>(s, stride, u, n, j, g);
    for (; j + V::W <= n; j += V::W) symmetricTimesVectorTile<V, 1>(s, stride, u, n, j, g);
    for (; j < n; ++j) {
        double sum = 0.0;
        for (int k = 0; k < n; ++k)
            sum += static_cast<double>(s[static_cast<std::size_t>(k) * stride + j]) * u[k];
        g[j] = sum;
    }
}

// Row r of the rank-two update, columns 0..cols-1, each element computed
// as the reference computes its lower-triangle twin. With Multiply, the new
// row also enters the next step's product: next[c] += row[c] * nextU, in
// double with one rounding (both factors hold float values), row after row
// in order, so each next[c] keeps the order of symmetricTimesVector.
template <class V, bool Multiply>
inline void updateRow(float* row, int r, int cols, const double* u, const double* e,
                      const double* g, double nextU, double* next) {
    using D = typename V::D;
    const D nu = V::set1(nextU);
    auto finish = [&](int c, D value) {
        const D rounded = V::storeRounded(row + c, value);
        if constexpr (Multiply) V::store(next + c, V::mulAdd(rounded, nu, V::load(next + c)));
    };
    auto finishOne = [&](int c, double value) {
        row[c] = static_cast<float>(value);
        if constexpr (Multiply) next[c] += static_cast<double>(row[c]) * nextU;
    };
    // Columns 0..r: the element is itself in the lower triangle (j = r):
    //   (a - u[r] * e[c]) - g[r] * u[c].
    // Columns r+1..cols-1: the twin is a[c][r] (j = c, k = r):
    //   (a - u[c] * e[r]) - g[c] * u[r].
    // The vector holding column r computes both and takes each lane's own.
    const D ur = V::set1(u[r]);
    const D gr = V::set1(g[r]);
    const D er = V::set1(e[r]);
    auto lower = [&](int c, D a) {
        return V::sub(V::negMulAdd(ur, V::load(e + c), a), V::mul(gr, V::load(u + c)));
    };
    auto upper = [&](int c, D a) {
        return V::sub(V::negMulAdd(V::load(u + c), er, a), V::mul(V::load(g + c), ur));
    };
    int c = 0;
    for (; c + V::W <= cols; c += V::W) {
        const D a = V::loadFloats(row + c);
        if (c + V::W <= r + 1)
            finish(c, lower(c, a));
        else if (c > r)
            finish(c, upper(c, a));
        else
            finish(c, V::selectUpTo(c, r, lower(c, a), upper(c, a)));
    }
    for (; c < cols; ++c)
        finishOne(c, c <= r ? static_cast<double>(row[c]) - u[r] * e[c] - g[r] * u[c]
                            : static_cast<double>(row[c]) - u[c] * e[r] - g[c] * u[r]);
}

template <class V>
void symmetricUpdateRows(float* s, std::size_t stride, const double* u, const double* e,
                         const double* g, int firstRow, int lastRow, int cols, const double* nextU,
                         double* next) {
    if (nextU == nullptr) {
        for (int r = firstRow; r <= lastRow; ++r)
            updateRow<V, false>(s + static_cast<std::size_t>(r) * stride, r, cols, u, e, g, 0.0,
                                nullptr);
        return;
    }
    for (int c = 0; c < cols; ++c) next[c] = 0.0;
    for (int r = firstRow; r <= lastRow; ++r)
        updateRow<V, true>(s + static_cast<std::size_t>(r) * stride, r, cols, u, e, g, nextU[r],
                           next);
}

// Halving is exact, so counts * 0.5 is the reference's counts / 2.0.
template <class V>
void centredFrequencies(const double* counts, double size, const double* pooled, int n,
                        float* out) {
    const typename V::D half = V::set1(0.5);
    const typename V::D sizes = V::set1(size);
    int c = 0;
    for (; c + V::W <= n; c += V::W)
        V::storeFloats(out + c, V::sub(V::div(V::mul(V::load(counts + c), half), sizes),
                                       V::load(pooled + c)));
    for (; c < n; ++c) out[c] = static_cast<float>(counts[c] * 0.5 / size - pooled[c]);
}

template <class V>
const SimdKernels& kernelTable() {
    static const SimdKernels table{&productRows<V>, &symmetricTimesVector<V>,
                                   &symmetricUpdateRows<V>, &centredFrequencies<V>};
    return table;
}

}  // namespace zeltric::analysis::simd
