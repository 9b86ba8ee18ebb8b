// AVX2 with FMA, four doubles a vector; compiled with -mavx2 -mfma only
// here. The compiler ends every function of this file with vzeroupper, so
// SSE code that runs afterwards pays no transition penalty.
#include <immintrin.h>

#include "analysis/fast_kernels_impl.hpp"
#include "analysis/fast_kernels_simd.hpp"

namespace zeltric::analysis::simd {

namespace {

struct Avx2 {
    using D = __m256d;
    static constexpr int W = 4;
    static D zero() { return _mm256_setzero_pd(); }
    static D set1(double v) { return _mm256_set1_pd(v); }
    static D loadFloats(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    static void storeFloats(float* p, D v) { _mm_storeu_ps(p, _mm256_cvtpd_ps(v)); }
    static D storeRounded(float* p, D v) {
        const __m128 f = _mm256_cvtpd_ps(v);
        _mm_storeu_ps(p, f);
        return _mm256_cvtps_pd(f);
    }
    static D selectUpTo(int c, int r, D x, D y) {
        const D mask = _mm256_cmp_pd(_mm256_set_pd(c + 3, c + 2, c + 1, c), _mm256_set1_pd(r), _CMP_LE_OQ);
        return _mm256_blendv_pd(y, x, mask);
    }
    static D load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(double* p, D v) { _mm256_storeu_pd(p, v); }
    static D roundToFloat(D v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }
    static D mulAdd(D a, D b, D c) { return _mm256_fmadd_pd(a, b, c); }
    static D negMulAdd(D a, D b, D c) { return _mm256_fnmadd_pd(a, b, c); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D sub(D a, D b) { return _mm256_sub_pd(a, b); }
    static D div(D a, D b) { return _mm256_div_pd(a, b); }
    // Pairs within each 128-bit half, then the halves.
    static void transpose(D (&v)[4]) {
        const D t0 = _mm256_unpacklo_pd(v[0], v[1]);  // 00 10 02 12
        const D t1 = _mm256_unpackhi_pd(v[0], v[1]);  // 01 11 03 13
        const D t2 = _mm256_unpacklo_pd(v[2], v[3]);  // 20 30 22 32
        const D t3 = _mm256_unpackhi_pd(v[2], v[3]);  // 21 31 23 33
        v[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
        v[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
        v[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
        v[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
    }
};

}  // namespace

const SimdKernels& avx2Kernels() { return kernelTable<Avx2>(); }

}  // namespace zeltric::analysis::simd
