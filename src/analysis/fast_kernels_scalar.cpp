// The fast algorithms on one double at a time, for processors without the
// x86 vector variants; the same bits as every other variant. A multiply
// then an add stands for the fused multiply-add: the operands hold float
// values, so the product is exact in double.
#include "analysis/fast_kernels_impl.hpp"
#include "analysis/fast_kernels_simd.hpp"

namespace zeltric::analysis::simd {

namespace {

struct Scalar {
    using D = double;
    static constexpr int W = 1;
    static D zero() { return 0.0; }
    static D set1(double v) { return v; }
    static D loadFloats(const float* p) { return static_cast<double>(*p); }
    static void storeFloats(float* p, D v) { *p = static_cast<float>(v); }
    static D storeRounded(float* p, D v) {
        *p = static_cast<float>(v);
        return static_cast<double>(*p);
    }
    static D selectUpTo(int c, int r, D x, D y) { return c <= r ? x : y; }
    static D load(const double* p) { return *p; }
    static void store(double* p, D v) { *p = v; }
    static D roundToFloat(D v) { return static_cast<double>(static_cast<float>(v)); }
    static D mulAdd(D a, D b, D c) { return a * b + c; }
    static D negMulAdd(D a, D b, D c) { return c - a * b; }
    static D mul(D a, D b) { return a * b; }
    static D sub(D a, D b) { return a - b; }
    static D div(D a, D b) { return a / b; }
    static void transpose(D (&)[1]) {}
};

}  // namespace

const SimdKernels& scalarKernels() { return kernelTable<Scalar>(); }

}  // namespace zeltric::analysis::simd
