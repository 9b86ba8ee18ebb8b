// AVX-512F, eight doubles a vector; compiled with -mavx512f -mfma only here.
// As with AVX2, the compiler ends every function with vzeroupper: without
// it, SSE code run afterwards is several times slower.
// GCC 12's conversion intrinsics start from an "undefined" register and
// trip its own uninitialised-use warning; the value is fully overwritten.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include "analysis/fast_kernels_impl.hpp"
#include "analysis/fast_kernels_simd.hpp"

namespace zeltric::analysis::simd {

namespace {

struct Avx512 {
    using D = __m512d;
    static constexpr int W = 8;
    static D zero() { return _mm512_setzero_pd(); }
    static D set1(double v) { return _mm512_set1_pd(v); }
    static D loadFloats(const float* p) { return _mm512_cvtps_pd(_mm256_loadu_ps(p)); }
    static void storeFloats(float* p, D v) { _mm256_storeu_ps(p, _mm512_cvtpd_ps(v)); }
    static D storeRounded(float* p, D v) {
        const __m256 f = _mm512_cvtpd_ps(v);
        _mm256_storeu_ps(p, f);
        return _mm512_cvtps_pd(f);
    }
    static D selectUpTo(int c, int r, D x, D y) {
        const __m512i lanes = _mm512_add_epi64(_mm512_set1_epi64(c), _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0));
        const __mmask8 mask = _mm512_cmple_epi64_mask(lanes, _mm512_set1_epi64(r));
        return _mm512_mask_blend_pd(mask, y, x);
    }
    static D load(const double* p) { return _mm512_loadu_pd(p); }
    static void store(double* p, D v) { _mm512_storeu_pd(p, v); }
    static D roundToFloat(D v) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(v)); }
    static D mulAdd(D a, D b, D c) { return _mm512_fmadd_pd(a, b, c); }
    static D negMulAdd(D a, D b, D c) { return _mm512_fnmadd_pd(a, b, c); }
    static D mul(D a, D b) { return _mm512_mul_pd(a, b); }
    static D sub(D a, D b) { return _mm512_sub_pd(a, b); }
    static D div(D a, D b) { return _mm512_div_pd(a, b); }
    // Pairs within each 128-bit block, then blocks two apart, then the even
    // and the odd blocks of two vectors (0x88 takes blocks 0 and 2 of each
    // operand, 0xDD blocks 1 and 3).
    static void transpose(D (&v)[8]) {
        D t[8];
        for (int k = 0; k < 8; k += 2) {
            t[k] = _mm512_unpacklo_pd(v[k], v[k + 1]);      // k0 (k+1)0 k2 (k+1)2 ...
            t[k + 1] = _mm512_unpackhi_pd(v[k], v[k + 1]);  // k1 (k+1)1 k3 (k+1)3 ...
        }
        // Columns {0, 4}, {2, 6}, {1, 5}, {3, 7} of rows 0-3, then of rows 4-7.
        const D u0 = _mm512_shuffle_f64x2(t[0], t[2], 0x88);
        const D u1 = _mm512_shuffle_f64x2(t[0], t[2], 0xDD);
        const D u2 = _mm512_shuffle_f64x2(t[1], t[3], 0x88);
        const D u3 = _mm512_shuffle_f64x2(t[1], t[3], 0xDD);
        const D u4 = _mm512_shuffle_f64x2(t[4], t[6], 0x88);
        const D u5 = _mm512_shuffle_f64x2(t[4], t[6], 0xDD);
        const D u6 = _mm512_shuffle_f64x2(t[5], t[7], 0x88);
        const D u7 = _mm512_shuffle_f64x2(t[5], t[7], 0xDD);
        v[0] = _mm512_shuffle_f64x2(u0, u4, 0x88);
        v[4] = _mm512_shuffle_f64x2(u0, u4, 0xDD);
        v[2] = _mm512_shuffle_f64x2(u1, u5, 0x88);
        v[6] = _mm512_shuffle_f64x2(u1, u5, 0xDD);
        v[1] = _mm512_shuffle_f64x2(u2, u6, 0x88);
        v[5] = _mm512_shuffle_f64x2(u2, u6, 0xDD);
        v[3] = _mm512_shuffle_f64x2(u3, u7, 0x88);
        v[7] = _mm512_shuffle_f64x2(u3, u7, 0xDD);
    }
};

}  // namespace

const SimdKernels& avx512Kernels() { return kernelTable<Avx512>(); }

}  // namespace zeltric::analysis::simd
