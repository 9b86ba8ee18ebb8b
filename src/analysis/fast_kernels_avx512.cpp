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
        const __m512i lanes =
            _mm512_add_epi64(_mm512_set1_epi64(c), _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0));
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
};

}  // namespace

const SimdKernels& avx512Kernels() { return kernelTable<Avx512>(); }

}  // namespace zeltric::analysis::simd
