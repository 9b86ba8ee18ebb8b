#pragma once

// Internal to the fast kernels: the loop bodies, written once over a vector
// traits type V and instantiated in each instruction-set source file (the
// traits live in that file's unnamed namespace, so instantiations never mix).
//
// V provides: D (vector of W doubles), W, zero(), set1(double),
// loadFloats(const float*), storeFloats(float*, D), load(const double*),
// store(double*, D), div(D, D), roundToFloat(D) (to float and back, exact),
// transpose(D (&)[W]) (lane k of vector t to lane t of vector k),
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
inline void productTile(const double* const* a, const float* b, std::size_t bStride, int inner, int j,
                        float* const* out) {
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
            for (int u = 0; u < U; ++u) acc[r][u] = V::roundToFloat(V::mulAdd(av, bv[u], acc[r][u]));
        }
    }
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 4
        for (int u = 0; u < U; ++u) V::storeFloats(out[r] + j + u * V::W, acc[r][u]);
}

template <class V, int R>
inline void productRowsFixed(const float* const* narrow, const float* b, std::size_t bStride, int inner, int cols,
                             float* const* out) {
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
void productRows(const float* const* a, int rows, const float* b, std::size_t bStride, int inner, int cols,
                 float* const* out) {
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
        case 1: productRowsFixed<V, 1>(a, b, bStride, inner, cols, out); break;
        case 2: productRowsFixed<V, 2>(a, b, bStride, inner, cols, out); break;
        case 3: productRowsFixed<V, 3>(a, b, bStride, inner, cols, out); break;
        case 4: productRowsFixed<V, 4>(a, b, bStride, inner, cols, out); break;
        default:
            if constexpr (V::W >= 8) {
                switch (rows) {
                    case 5: productRowsFixed<V, 5>(a, b, bStride, inner, cols, out); break;
                    case 6: productRowsFixed<V, 6>(a, b, bStride, inner, cols, out); break;
                    case 7: productRowsFixed<V, 7>(a, b, bStride, inner, cols, out); break;
                    default: productRowsFixed<V, 8>(a, b, bStride, inner, cols, out); break;
                }
            }
            break;
    }
}

// The reduction's matrix is held either as floats or as doubles holding
// float values (loaded without a conversion); both give the same bits.
template <class V>
inline typename V::D loadCells(const float* p) {
    return V::loadFloats(p);
}
template <class V>
inline typename V::D loadCells(const double* p) {
    return V::load(p);
}
// Rounds to float, stores, and returns the stored values.
template <class V>
inline typename V::D storeCellsRounded(float* p, typename V::D v) {
    return V::storeRounded(p, v);
}
template <class V>
inline typename V::D storeCellsRounded(double* p, typename V::D v) {
    const typename V::D rounded = V::roundToFloat(v);
    V::store(p, rounded);
    return rounded;
}

// One element of the rank-two update below or on the diagonal (column c <= row r):
//   (a - u[r] * e[c]) - g[r] * u[c],
// lane by lane over columns c..c+W-1; ur and gr hold u[r] and g[r].
template <class V>
inline typename V::D lowerUpdate(typename V::D a, typename V::D ur, typename V::D gr, typename V::D ec,
                                 typename V::D uc) {
    return V::sub(V::negMulAdd(ur, ec, a), V::mul(gr, uc));
}

template <class V, class T>
void updateLowerRow(T* s, std::size_t stride, const double* u, const double* e, const double* g, int r, int cols) {
    using D = typename V::D;
    T* row = s + static_cast<std::size_t>(r) * stride;
    const D ur = V::set1(u[r]);
    const D gr = V::set1(g[r]);
    int c = 0;
    for (; c + V::W <= cols; c += V::W)
        storeCellsRounded<V>(row + c,
                             lowerUpdate<V>(loadCells<V>(row + c), ur, gr, V::load(e + c), V::load(u + c)));
    for (; c < cols; ++c)
        row[c] = static_cast<T>(static_cast<float>(static_cast<double>(row[c]) - u[r] * e[c] - g[r] * u[c]));
}

// Rows r0..r0+M-1 (M <= W) of lowerUpdateAndProduct, one W x W tile of
// columns at a time, left to right. A tile left of the diagonal is updated
// row by row; its rows then add their terms to next of the tile's columns
// (row after row, so each next[c] keeps the order k = 0, 1, ...), and,
// transposed, give the terms k = c..c+W-1 of next of the group's own rows,
// one lane a row. The diagonal tile is made whole from its lower half and
// its transpose. Next of the group's rows is then complete up to k = r0+W-1;
// the later groups add the rest through their tiles left of the diagonal.
// Lanes of rows past M hold zeros and are never stored.
template <class V, int M, bool Update, bool Multiply, class T>
inline void lowerGroup(T* s, std::size_t stride, int r0, const double* u, const double* e, const double* g,
                       const double* nextU, double* next) {
    using D = typename V::D;
    constexpr int W = V::W;
    // Whole arrays, the rows past M standing in for the last one, so that
    // no index depends on M (never used for those rows).
    T* rows[W];
    D ur[W];
    D gr[W];
#pragma GCC unroll 8
    for (int t = 0; t < W; ++t) {
        const int r = r0 + (t < M ? t : M - 1);
        rows[t] = s + static_cast<std::size_t>(r) * stride;
        ur[t] = Update ? V::set1(u[r]) : V::zero();
        gr[t] = Update ? V::set1(g[r]) : V::zero();
    }
    D acc = V::zero();
    for (int c = 0; c < r0; c += W) {
        D v[W];
        D ec = V::zero();
        D uc = V::zero();
        if constexpr (Update) {
            ec = V::load(e + c);
            uc = V::load(u + c);
        }
#pragma GCC unroll 8
        for (int t = 0; t < W; ++t) {
            if (t >= M) {
                v[t] = V::zero();
                continue;
            }
            v[t] = loadCells<V>(rows[t] + c);
            if constexpr (Update)
                v[t] = storeCellsRounded<V>(rows[t] + c, lowerUpdate<V>(v[t], ur[t], gr[t], ec, uc));
        }
        if constexpr (Multiply) {
            D column = V::load(next + c);
#pragma GCC unroll 8
            for (int t = 0; t < M; ++t) column = V::mulAdd(v[t], V::set1(nextU[r0 + t]), column);
            V::store(next + c, column);
            V::transpose(v);
#pragma GCC unroll 8
            for (int k = 0; k < W; ++k) acc = V::mulAdd(v[k], V::set1(nextU[c + k]), acc);
        }
    }

    // The diagonal tile. A whole group updates and stores whole vectors (the
    // lanes right of the diagonal are upper slots, of no use); a partial one,
    // the last, stays inside its rows' lower triangle, since the columns past
    // it may lie past the end of the storage.
    D v[W];
    const D ec = Update ? V::load(e + r0) : V::zero();
    const D uc = Update ? V::load(u + r0) : V::zero();
#pragma GCC unroll 8
    for (int t = 0; t < W; ++t) v[t] = V::zero();
#pragma GCC unroll 8
    for (int t = 0; t < M; ++t) {
        if constexpr (M == W) {
            v[t] = loadCells<V>(rows[t] + r0);
            if constexpr (Update)
                v[t] = storeCellsRounded<V>(rows[t] + r0, lowerUpdate<V>(v[t], ur[t], gr[t], ec, uc));
        } else {
            alignas(64) T part[W] = {};
            for (int k = 0; k < W; ++k)
                if (k <= t) part[k] = rows[t][r0 + k];
            v[t] = loadCells<V>(part);
            if constexpr (Update) {
                v[t] = storeCellsRounded<V>(part, lowerUpdate<V>(v[t], ur[t], gr[t], ec, uc));
                for (int k = 0; k < W; ++k)
                    if (k <= t) rows[t][r0 + k] = part[k];
            }
        }
    }
    if constexpr (Multiply) {
        D mirrored[W];
#pragma GCC unroll 8
        for (int t = 0; t < W; ++t) mirrored[t] = v[t];
        V::transpose(mirrored);
        // Row k of the whole tile: its own lanes up to the diagonal, the
        // mirror's beyond.
#pragma GCC unroll 8
        for (int k = 0; k < M; ++k)
            acc = V::mulAdd(V::selectUpTo(0, k, v[k], mirrored[k]), V::set1(nextU[r0 + k]), acc);
        if constexpr (M == W) {
            V::store(next + r0, acc);
        } else {
            alignas(64) double lanes[W];
            V::store(lanes, acc);
            for (int t = 0; t < M; ++t) next[r0 + t] = lanes[t];
        }
    }
}

template <class V, int M, bool Update, bool Multiply, class T>
inline void lowerLastGroup(T* s, std::size_t stride, int r0, int rows, const double* u, const double* e,
                           const double* g, const double* nextU, double* next) {
    if constexpr (M < V::W) {
        if (rows == M)
            lowerGroup<V, M, Update, Multiply>(s, stride, r0, u, e, g, nextU, next);
        else
            lowerLastGroup<V, M + 1, Update, Multiply>(s, stride, r0, rows, u, e, g, nextU, next);
    }
}

template <class V, bool Update, bool Multiply, class T>
void lowerPass(T* s, std::size_t stride, int n, const double* u, const double* e, const double* g,
               const double* nextU, double* next) {
    int r0 = 0;
    for (; r0 + V::W <= n; r0 += V::W) lowerGroup<V, V::W, Update, Multiply>(s, stride, r0, u, e, g, nextU, next);
    if (r0 < n) lowerLastGroup<V, 1, Update, Multiply>(s, stride, r0, n - r0, u, e, g, nextU, next);
}

template <class V, class T>
void lowerUpdateAndProduct(T* s, std::size_t stride, int n, const double* u, const double* e, const double* g,
                           const double* nextU, double* next) {
    if (u != nullptr && nextU != nullptr)
        lowerPass<V, true, true>(s, stride, n, u, e, g, nextU, next);
    else if (u != nullptr)
        lowerPass<V, true, false>(s, stride, n, u, e, g, nextU, next);
    else if (nextU != nullptr)
        lowerPass<V, false, true>(s, stride, n, u, e, g, nextU, next);
}

// Halving is exact, so counts * 0.5 is the reference's counts / 2.0.
template <class V>
void centredFrequencies(const double* counts, double size, const double* pooled, int n, float* out) {
    const typename V::D half = V::set1(0.5);
    const typename V::D sizes = V::set1(size);
    int c = 0;
    for (; c + V::W <= n; c += V::W)
        V::storeFloats(out + c, V::sub(V::div(V::mul(V::load(counts + c), half), sizes), V::load(pooled + c)));
    for (; c < n; ++c) out[c] = static_cast<float>(counts[c] * 0.5 / size - pooled[c]);
}

template <class V>
const SimdKernels& kernelTable() {
    static const SimdKernels table{&productRows<V>,
                                   &updateLowerRow<V, float>,
                                   &lowerUpdateAndProduct<V, float>,
                                   &updateLowerRow<V, double>,
                                   &lowerUpdateAndProduct<V, double>,
                                   &centredFrequencies<V>};
    return table;
}

}  // namespace zeltric::analysis::simd
