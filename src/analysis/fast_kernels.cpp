#include "analysis/fast_kernels.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "analysis/fast_kernels_simd.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "platform/platform.hpp"

namespace zeltric::analysis {

namespace {

constexpr std::size_t kStride = SquareMatrix::kSlots;
// Room for a vector's lanes past the last entry (lowerUpdateAndProduct).
using WorkVector = std::array<double, kMatrixOrder + 1 + 8>;

const simd::SimdKernels& kernelsFor(KernelIsa isa) {
    // Asking for a variant the processor lacks would end in an illegal
    // instruction; fall back to the best one it has.
    if (!isaSupported(isa)) isa = bestSupportedIsa();
#ifdef ZELTRIC_X86_KERNELS
    switch (isa) {
        case KernelIsa::Avx512: return simd::avx512Kernels();
        case KernelIsa::Avx2: return simd::avx2Kernels();
        case KernelIsa::Sse2: return simd::sse2Kernels();
        case KernelIsa::Scalar: break;
    }
#elif defined(ZELTRIC_WASM_SIMD_KERNELS)
    if (isa == KernelIsa::Sse2) return simd::sse2Kernels();
#endif
    return simd::scalarKernels();
}

void requireFinite(double value) {
    if (!std::isfinite(value)) throw base::FatalError(base::MessageId::SolverInput, base::solverInputMessage());
}

// Rows of a product computed together (productRows).
constexpr int kBlockRows = 8;

// A block narrower than a vector is computed a whole vector wide: columns up
// to this one of its rows may receive values of no use (productRows).
constexpr int kWidestVector = 8;

// Puts back the zeros right of column `cols` that a narrow block overwrote.
void clearSpill(SquareMatrix& c, int rows, int cols) {
    for (int i = 1; i <= rows; ++i)
        for (int j = cols + 1; j <= kWidestVector; ++j) c(i, j) = 0.0f;
}

bool isNegativeZero(float value) { return value == 0.0f && std::signbit(value); }

// One term of a product by a diagonal matrix: the terms before it are
// exact +0 products and the ones after it add ±0. That is exact unless the
// term itself underflowed to -0, which the caller checks.
float diagonalTerm(float weight, float value) {
    return static_cast<float>(static_cast<double>(weight) * static_cast<double>(value) + 0.0);
}

// Rows `first`..`first + rows - 1` of a . b (b rows 1..inner, columns
// 1..cols) into the same rows of out.
void productBlock(const simd::SimdKernels& kernels, const SquareMatrix& a, const SquareMatrix& b, int first,
                  int rows, int inner, int cols, SquareMatrix& out) {
    const float* aRows[kBlockRows];
    float* outRows[kBlockRows];
    for (int r = 0; r < rows; ++r) {
        aRows[r] = a.row(first + r) + 1;
        outRows[r] = out.row(first + r) + 1;
    }
    kernels.productRows(aRows, rows, b.row(1) + 1, kStride, inner, cols, outRows);
}

}  // namespace

const char* isaName(KernelIsa isa) {
    switch (isa) {
        case KernelIsa::Avx512: return "avx512";
        case KernelIsa::Avx2: return "avx2";
        case KernelIsa::Sse2: return "sse2";
        case KernelIsa::Scalar: break;
    }
    return "scalar";
}

bool isaSupported(KernelIsa isa) {
    switch (isa) {
#ifdef ZELTRIC_X86_KERNELS
        case KernelIsa::Avx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("fma");
        case KernelIsa::Avx2: return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        case KernelIsa::Sse2: return true;  // part of x86-64
#elif defined(ZELTRIC_WASM_SIMD_KERNELS)
        // The browser build: the 128-bit variant's source as WebAssembly SIMD.
        case KernelIsa::Avx512:
        case KernelIsa::Avx2: return false;
        case KernelIsa::Sse2: return true;
#else
        case KernelIsa::Avx512:
        case KernelIsa::Avx2:
        case KernelIsa::Sse2: return false;  // not built for this processor
#endif
        case KernelIsa::Scalar: break;
    }
    return true;
}

namespace {
constexpr KernelIsa kEveryIsa[] = {KernelIsa::Scalar, KernelIsa::Sse2, KernelIsa::Avx2, KernelIsa::Avx512};
}

KernelIsa bestSupportedIsa() { return supportedIsas().back(); }

std::vector<KernelIsa> supportedIsas() {
    std::vector<KernelIsa> out;
    for (KernelIsa isa : kEveryIsa)
        if (isaSupported(isa)) out.push_back(isa);
    return out;
}

KernelSelection KernelSelection::best() { return fastKernels(bestSupportedIsa()); }

std::optional<KernelSelection> KernelSelection::fromName(std::string_view name) {
    if (name.empty()) return best();
    if (name == "reference") return referenceKernels();
    for (KernelIsa isa : kEveryIsa)
        if (name == isaName(isa)) return isaSupported(isa) ? fastKernels(isa) : best();
    return std::nullopt;
}

const char* KernelSelection::names() { return "reference, scalar, sse2, avx2, avx512"; }

bool FastCrossProduct(const SquareMatrix& x, const RealVector& weights, int np, int nA, SquareMatrix& xt,
                      SquareMatrix& p, SquareMatrix& m, KernelIsa isa) {
    ZELTRIC_ASSERT(np >= 0 && np <= kMatrixOrder && nA >= 0 && nA <= kMatrixOrder);
    const simd::SimdKernels& kernels = kernelsFor(isa);
    const int order = std::min(np, nA);
    if (order == 0) return true;
    const CrossCase shape = crossCase(np, nA);

    // b of the one real product (rows k over its inner range, columns j of
    // the result), a its left factor, post the factor applied to row i after
    // it.
    std::array<float, kMatrixOrder + 1> post{};
    const SquareMatrix* left = nullptr;
    int inner = 0;
    if (shape == CrossCase::A) {
        // P = D . (X . W): row k of X scaled by the weight of sample k.
        for (int k = 1; k <= np; ++k) {
            const float w = weights[static_cast<std::size_t>(k)];
            for (int j = 1; j <= nA; ++j) {
                const float term = diagonalTerm(w, static_cast<float>(static_cast<double>(x(k, j)) + 0.0));
                if (isNegativeZero(term)) return false;
                p(k, j) = term;
                xt(j, k) = x(k, j);
            }
        }
        for (int i = 1; i <= nA; ++i) post[static_cast<std::size_t>(i)] = 1.0f;
        left = &xt;
        inner = np;
    } else {
        // P = W . (Xt . D^1/2): column k of X scaled by the root weight of sample j.
        for (int j = 1; j <= np; ++j)
            post[static_cast<std::size_t>(j)] =
                static_cast<float>(std::sqrt(static_cast<double>(weights[static_cast<std::size_t>(j)])));
        // A band of samples at a time, so that both X (read along its rows)
        // and P (written along its rows) stay within a few cache lines each.
        // Any order will do: the first negative zero ends the call.
        constexpr int kBand = 16;
        for (int first = 1; first <= np; first += kBand) {
            const int last = std::min(np, first + kBand - 1);
            for (int k = 1; k <= nA; ++k) {
                float* row = p.row(k);
                bool negativeZero = false;
                for (int j = first; j <= last; ++j) {
                    const float term = diagonalTerm(post[static_cast<std::size_t>(j)], x(j, k));
                    negativeZero |= isNegativeZero(term);
                    row[j] = term;
                }
                if (negativeZero) return false;
            }
        }
        left = &x;
        inner = nA;
    }

    // The lower triangle, a block of rows at a time; the few elements right of the
    // diagonal that a block computes are never read.
    for (int first = 1; first <= order; first += kBlockRows) {
        const int rows = std::min(kBlockRows, order - first + 1);
        productBlock(kernels, *left, p, first, rows, inner, first + rows - 1, m);
        for (int r = 0; r < rows; ++r) {
            const int i = first + r;
            const float factor = post[static_cast<std::size_t>(i)];
            float* row = m.row(i);
            bool negativeZero = false;
            for (int j = 1; j <= i; ++j) {
                const float value = diagonalTerm(factor, row[j]);
                negativeZero |= isNegativeZero(value);
                row[j] = value;
            }
            if (negativeZero) return false;
        }
    }
    clearSpill(m, order, order);
    return true;
}

void FastMatMul(const SquareMatrix& a, const SquareMatrix& b, SquareMatrix& c, int size, int rows, int inner,
                int cols, KernelIsa isa) {
    ZELTRIC_ASSERT(&c != &a && &c != &b);
    ZELTRIC_ASSERT(size >= 0 && size <= kMatrixOrder);
    ZELTRIC_ASSERT(rows >= 0 && rows <= size && inner >= 0 && inner <= size && cols >= 0 && cols <= size);
    const simd::SimdKernels& kernels = kernelsFor(isa);
    if (cols > 0)
        for (int first = 1; first <= rows; first += kBlockRows)
            productBlock(kernels, a, b, first, std::min(kBlockRows, rows - first + 1), inner, cols, c);
    for (int i = 1; i <= size; ++i)
        for (int j = 1; j <= size; ++j) {
            if (i > rows || j > cols)
                c(i, j) = 0.0f;  // a sum of zero products
            else if (inner < size)
                c(i, j) = c(i, j) + 0.0f;  // the +0 terms beyond `inner` turn a -0 sum into +0
        }
    clearSpill(c, rows, size);
}

namespace {

// Rows of a multiple of 8 doubles (64 bytes), so that every tile of 8
// columns of an aligned matrix lies on one cache line.
constexpr std::size_t kWideStride = (kMatrixOrder + 7) / 8 * 8;

// The reduction's matrix as the fast kernels take it: the float matrix in
// place, or its lower triangle widened to doubles. The kernels are chosen
// by the element type (rowUpdate, updatePass below).
struct FloatCells {
    SquareMatrix& a;
    float& operator()(int i, int k) { return a(i, k); }
    float* block() { return a.row(1) + 1; }
};

struct WideCells {
    double* data;  // element (1, 1), 64-byte aligned
    double& operator()(int i, int k) {
        return data[static_cast<std::size_t>(i - 1) * kWideStride + static_cast<std::size_t>(k - 1)];
    }
    double* block() { return data; }
};

void rowUpdate(const simd::SimdKernels& k, float* s, const double* u, const double* e, const double* g, int r,
               int cols) {
    k.updateLowerRow(s, kStride, u, e, g, r, cols);
}
void rowUpdate(const simd::SimdKernels& k, double* s, const double* u, const double* e, const double* g, int r,
               int cols) {
    k.updateLowerRowWide(s, kWideStride, u, e, g, r, cols);
}
void updatePass(const simd::SimdKernels& k, float* s, int n, const double* u, const double* e, const double* g,
                const double* nextU, double* next) {
    k.lowerUpdateAndProduct(s, kStride, n, u, e, g, nextU, next);
}
void updatePass(const simd::SimdKernels& k, double* s, int n, const double* u, const double* e, const double* g,
                const double* nextU, double* next) {
    k.lowerUpdateAndProductWide(s, kWideStride, n, u, e, g, nextU, next);
}

// The start of Householder step i (rows 1..i - 1 to the left of the
// diagonal): scale, normalise row i, e[i], h. True when the row needs a
// reflection; u then holds its vector (row i, columns 1..i - 1). Every
// element is stored as a float value, whatever the cells hold.
template <class Cells>
bool prepareRow(Cells& a, int i, RealVector& e, double& h, WorkVector& u) {
    const int l = i - 1;
    h = 0.0;
    double scale = 0.0;
    if (l > 1)
        for (int k = 1; k <= l; ++k) scale += std::fabs(static_cast<double>(a(i, k)));
    if (l <= 1 || scale == 0.0) {
        e[static_cast<std::size_t>(i)] = static_cast<float>(a(i, l));  // nothing to reduce
        return false;
    }
    for (int k = 1; k <= l; ++k) {
        a(i, k) = static_cast<float>(a(i, k) / scale);
        h += static_cast<double>(a(i, k)) * static_cast<double>(a(i, k));
    }
    const double f = a(i, l);
    const double gl = -SignTransfer(std::sqrt(h), f);
    e[static_cast<std::size_t>(i)] = static_cast<float>(scale * gl);
    h = h - f * gl;
    a(i, l) = static_cast<float>(f - gl);
    for (int k = 1; k <= l; ++k) u[static_cast<std::size_t>(k - 1)] = a(i, k);
    return true;
}

template <class Cells>
void reduceEigenvaluesOnly(Cells& a, int n, RealVector& d, RealVector& e, const simd::SimdKernels& kernels) {
    // Only the lower triangle is read and kept: the reference reads every
    // element from its lower twin (its upper triangle is not bitwise the
    // mirror of the lower one).
    //
    // Step i uses row i's Householder vector u and g, the product of the
    // leading l x l block (l = i - 1) by u. The update of that block is fused
    // with the next step's product: row l is updated first and gives the next
    // vector, then one pass over the other rows updates them and forms the
    // next product, so the block is read once per step instead of twice.
    auto* block = a.block();
    // Two buffers each for u and g, this step's and the next one's, taking
    // turns (swapping the pointers, not the contents). Every entry in use is
    // written before it is read; the rest only ever fill lanes of no use.
    WorkVector uBuffers[2]{};
    WorkVector gBuffers[2]{};
    WorkVector* u = &uBuffers[0];
    WorkVector* g = &gBuffers[0];
    WorkVector* nextU = &uBuffers[1];
    WorkVector* nextG = &gBuffers[1];
    WorkVector newE{};
    WorkVector newG{};
    double h = 0.0;
    bool reflect = n >= 2 && prepareRow(a, n, e, h, *u);
    bool haveG = false;
    for (int i = n; i >= 2; --i) {
        const int l = i - 1;
        double nextH = 0.0;
        bool nextReflect = false;
        bool nextHaveG = false;
        if (reflect) {
            if (!haveG) updatePass(kernels, block, l, nullptr, nullptr, nullptr, u->data(), g->data());
            double f = 0.0;
            for (int j = 1; j <= l; ++j) {
                e[static_cast<std::size_t>(j)] = static_cast<float>((*g)[static_cast<std::size_t>(j - 1)] / h);
                f += static_cast<double>(e[static_cast<std::size_t>(j)]) * static_cast<double>(a(i, j));
            }
            const double hh = f / (h + h);
            // Each j's g needs only its own old e, so all of them can be
            // formed before the update.
            for (int j = 1; j <= l; ++j) {
                const double gj = static_cast<double>(e[static_cast<std::size_t>(j)]) -
                                  hh * (*u)[static_cast<std::size_t>(j - 1)];
                e[static_cast<std::size_t>(j)] = static_cast<float>(gj);
                newG[static_cast<std::size_t>(j - 1)] = gj;
                newE[static_cast<std::size_t>(j - 1)] = e[static_cast<std::size_t>(j)];
            }
            rowUpdate(kernels, block, u->data(), newE.data(), newG.data(), l - 1, l);
            nextReflect = prepareRow(a, l, e, nextH, *nextU);
            updatePass(kernels, block, l - 1, u->data(), newE.data(), newG.data(),
                       nextReflect ? nextU->data() : nullptr, nextG->data());
            nextHaveG = nextReflect;
        } else if (l >= 2) {
            nextReflect = prepareRow(a, l, e, nextH, *nextU);
        }
        d[static_cast<std::size_t>(i)] = static_cast<float>(h);
        std::swap(u, nextU);
        std::swap(g, nextG);  // pointers
        h = nextH;
        reflect = nextReflect;
        haveG = nextHaveG;
    }

    d[1] = 0.0f;
    e[1] = 0.0f;
    // The accumulation would take d from the diagonal left by the reduction.
    for (int i = 1; i <= n; ++i) d[static_cast<std::size_t>(i)] = static_cast<float>(a(i, i));
}

void requireFiniteLowerTriangle(const SquareMatrix& a, int n) {
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= i; ++k) requireFinite(a(i, k));
}

}  // namespace

void TridiagonalizeEigenvaluesOnly(SquareMatrix& a, int n, RealVector& d, RealVector& e, KernelIsa isa) {
    ZELTRIC_ASSERT(n >= 0 && n <= kMatrixOrder);
    requireFiniteLowerTriangle(a, n);
    FloatCells cells{a};
    reduceEigenvaluesOnly(cells, n, d, e, kernelsFor(isa));
}

void TridiagonalizeEigenvaluesOnly(SquareMatrix& a, int n, RealVector& d, RealVector& e, KernelIsa isa,
                                   std::vector<double>& scratch) {
    ZELTRIC_ASSERT(n >= 0 && n <= kMatrixOrder);
    requireFiniteLowerTriangle(a, n);
    // Room for n rows and for moving the start up to a 64-byte boundary.
    const std::size_t needed = static_cast<std::size_t>(n) * kWideStride + 8;
    if (scratch.size() < needed) scratch.resize(needed);
    const auto address = reinterpret_cast<std::uintptr_t>(scratch.data());
    const std::size_t skip = ((64 - address % 64) % 64) / sizeof(double);
    WideCells cells{scratch.data() + skip};
    // The lower triangle; the upper slots a vector of the diagonal tile
    // reads (up to the row's next multiple of 8 columns) are zeroed, so that
    // no stale value there slows the arithmetic on lanes of no use.
    for (int i = 1; i <= n; ++i) {
        const float* from = a.row(i) + 1;
        double* to = &cells(i, 1);
        const int padded = std::min<int>(static_cast<int>(kWideStride), (i + 7) / 8 * 8);
        for (int k = 0; k < i; ++k) to[k] = static_cast<double>(from[k]);
        for (int k = i; k < padded; ++k) to[k] = 0.0;
    }
    reduceEigenvaluesOnly(cells, n, d, e, kernelsFor(isa));
}

long LevelTwoCacheBytes() {
    static const long bytes = platform::levelTwoCacheBytes();
    return bytes;
}

bool WidenedReductionFits(int n) {
    const long cache = LevelTwoCacheBytes();
    if (cache == 0) return true;
    const double triangle = static_cast<double>(n) * (n + 1) / 2.0 * sizeof(double);
    return triangle <= static_cast<double>(cache) / 2.0;
}

void CentredFrequencies(const double* counts, double size, const double* pooled, int n, float* out,
                        KernelIsa isa) {
    kernelsFor(isa).centredFrequencies(counts, size, pooled, n, out);
}

int TqliEigenvaluesOnly(RealVector& d, RealVector& e, int n, TqliLimits limits) {
    ZELTRIC_ASSERT(n >= 0 && n <= kMatrixOrder);
    if (n < 2) return 0;
    auto at = [](RealVector& v, int i) -> float& { return v[static_cast<std::size_t>(i)]; };
    for (int i = 1; i <= n; ++i) {
        requireFinite(at(d, i));
        requireFinite(at(e, i));
    }

    int notices = 0;
    for (int i = 2; i <= n; ++i) at(e, i - 1) = at(e, i);
    at(e, n) = 0.0f;

    for (int l = 1; l <= n; ++l) {
        int iterations = 0;
        for (;;) {
            int m = l;
            for (; m <= n - 1; ++m) {
                const double dd =
                    std::fabs(static_cast<double>(at(d, m))) + std::fabs(static_cast<double>(at(d, m + 1)));
                if (std::fabs(static_cast<double>(at(e, m))) + dd == dd) break;
            }
            if (m == l) break;

            if (iterations == limits.notice) ++notices;
            if (iterations == limits.limit)
                throw base::FatalError(base::MessageId::TqliFailure, base::tqliFailureMessage(l, iterations));
            ++iterations;

            double g = (static_cast<double>(at(d, l + 1)) - static_cast<double>(at(d, l))) /
                       (2.0 * static_cast<double>(at(e, l)));
            double r = std::sqrt(g * g + 1.0);
            g = static_cast<double>(at(d, m)) - static_cast<double>(at(d, l)) +
                static_cast<double>(at(e, l)) / (g + SignTransfer(r, g));
            double s = 1.0;
            double c = 1.0;
            double p = 0.0;
            for (int i = m - 1; i >= l; --i) {
                const double f = s * static_cast<double>(at(e, i));
                const double b = c * static_cast<double>(at(e, i));
                // 2.0 * c * b of the reference, (2c) b, is c (2b): doubling is exact
                // (c, a cosine or sine, and b, within float range, are far from
                // overflowing), so both are the one rounding of 2cb. Formed now, 2b
                // keeps a multiply off the chain that runs through the new c.
                const double twiceB = 2.0 * b;
                if (std::fabs(f) >= std::fabs(g)) {
                    c = g / f;
                    r = std::sqrt(c * c + 1.0);
                    at(e, i + 1) = static_cast<float>(f * r);
                    s = 1.0 / r;
                    c = c * s;
                } else {
                    s = f / g;
                    r = std::sqrt(s * s + 1.0);
                    at(e, i + 1) = static_cast<float>(g * r);
                    c = 1.0 / r;
                    s = s * c;
                }
                g = static_cast<double>(at(d, i + 1)) - p;
                r = (static_cast<double>(at(d, i)) - g) * s + c * twiceB;
                p = s * r;
                at(d, i + 1) = static_cast<float>(g + p);
                g = c * r - b;
                // The eigenvector rotation of the reference goes here; d and e
                // never depend on it.
            }
            at(d, l) = static_cast<float>(static_cast<double>(at(d, l)) - p);
            at(e, l) = static_cast<float>(g);
            at(e, m) = 0.0f;
        }
    }
    return notices;
}

void FastSortEigenvalues(const RealVector& d, int n, EigenOrder& order) {
    ZELTRIC_ASSERT(n >= 0 && n <= kMatrixOrder);
    // Selection by strictly greater value, lowest slot first among equals,
    // is a sort by descending value then ascending slot; slots at or below the floor
    // (and NaN) follow in slot order.
    std::array<std::uint16_t, kMatrixOrder + 1> slots{};
    int picked = 0;
    for (int a = 1; a <= n; ++a)
        if (static_cast<double>(d[static_cast<std::size_t>(a)]) > kSortFloor)
            slots[static_cast<std::size_t>(picked++)] = static_cast<std::uint16_t>(a);
    // Ties broken by slot make this a strict order, so std::sort (which
    // allocates nothing) gives the stable order.
    std::sort(slots.begin(), slots.begin() + picked,
              [&](std::uint16_t x, std::uint16_t y) { return d[x] > d[y] || (d[x] == d[y] && x < y); });
    int next = picked;
    for (int a = 1; a <= n; ++a)
        if (!(static_cast<double>(d[static_cast<std::size_t>(a)]) > kSortFloor))
            slots[static_cast<std::size_t>(next++)] = static_cast<std::uint16_t>(a);
    for (int k = 1; k <= n; ++k) order[static_cast<std::size_t>(k)] = slots[static_cast<std::size_t>(k - 1)];
}

}  // namespace zeltric::analysis
