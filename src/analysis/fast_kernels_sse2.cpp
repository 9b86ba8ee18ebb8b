// The baseline variant: every x86-64 processor has SSE2. No fused
// multiply-add here; a multiply then an add of float operands gives the same
// bits, since their product is exact in double.
#include <emmintrin.h>

#include "analysis/fast_kernels_impl.hpp"
#include "analysis/fast_kernels_simd.hpp"

namespace zeltric::analysis::simd {

namespace {

struct Sse2 {
    using D = __m128d;
    static constexpr int W = 2;
    static D zero() { return _mm_setzero_pd(); }
    static D set1(double v) { return _mm_set1_pd(v); }
    static D loadFloats(const float* p) {
        return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
    }
    static void storeFloats(float* p, D v) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(_mm_cvtpd_ps(v)));
    }
    static D storeRounded(float* p, D v) {
        const __m128 f = _mm_cvtpd_ps(v);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(f));
        return _mm_cvtps_pd(f);
    }
    static D selectUpTo(int c, int r, D x, D y) {
        const D mask = _mm_cmple_pd(_mm_set_pd(c + 1, c), _mm_set1_pd(r));
        return _mm_or_pd(_mm_and_pd(mask, x), _mm_andnot_pd(mask, y));
    }
    static D load(const double* p) { return _mm_loadu_pd(p); }
    static void store(double* p, D v) { _mm_storeu_pd(p, v); }
    static D roundToFloat(D v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }
    static D mulAdd(D a, D b, D c) { return _mm_add_pd(_mm_mul_pd(a, b), c); }
    static D negMulAdd(D a, D b, D c) { return _mm_sub_pd(c, _mm_mul_pd(a, b)); }
    static D mul(D a, D b) { return _mm_mul_pd(a, b); }
    static D sub(D a, D b) { return _mm_sub_pd(a, b); }
    static D div(D a, D b) { return _mm_div_pd(a, b); }
    static void transpose(D (&v)[2]) {
        const D first = _mm_unpacklo_pd(v[0], v[1]);
        v[1] = _mm_unpackhi_pd(v[0], v[1]);
        v[0] = first;
    }
};

}  // namespace

const SimdKernels& sse2Kernels() { return kernelTable<Sse2>(); }

}  // namespace zeltric::analysis::simd
