#include "analysis/fast_kernels.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/eigen_solver.hpp"
#include "analysis/frequency_pca.hpp"
#include "analysis_data.hpp"
#include "base/fatal_error.hpp"
#include "test_support.hpp"

namespace zeltric::analysis {
namespace {

using test::AnalysisData;

std::string variantName(const testing::TestParamInfo<KernelIsa>& info) { return isaName(info.param); }

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every element of the lower triangle of the leading n x n blocks, bit for bit.
void expectSameLowerTriangle(const SquareMatrix& expected, const SquareMatrix& actual, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j)
            ASSERT_TRUE(sameBits(expected(i, j), actual(i, j)))
                << "(" << i << ", " << j << "): " << expected(i, j) << " vs " << actual(i, j);
}

void expectSameBlock(const SquareMatrix& expected, const SquareMatrix& actual, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            ASSERT_TRUE(sameBits(expected(i, j), actual(i, j)))
                << "(" << i << ", " << j << "): " << expected(i, j) << " vs " << actual(i, j);
}

void expectSameVector(const RealVector& expected, const RealVector& actual, int first, int last) {
    ASSERT_EQ(std::memcmp(&expected[static_cast<std::size_t>(first)], &actual[static_cast<std::size_t>(first)],
                          sizeof(float) * static_cast<std::size_t>(std::max(0, last - first + 1))),
              0);
}

// The cross product as the reference products give it, from X and the
// sample weights.
std::unique_ptr<SquareMatrix> referenceCrossProduct(const SquareMatrix& x, const RealVector& weights, int np,
                                                    int nA) {
    const int s = std::max(np, nA);
    auto w = std::make_unique<SquareMatrix>();
    auto d = std::make_unique<SquareMatrix>();
    auto xt = std::make_unique<SquareMatrix>();
    auto r = std::make_unique<SquareMatrix>();
    auto p = std::make_unique<SquareMatrix>();
    auto m = std::make_unique<SquareMatrix>();
    for (int i = 1; i <= nA; ++i) (*w)(i, i) = 1.0f;
    for (int j = 1; j <= np; ++j) (*d)(j, j) = weights[static_cast<std::size_t>(j)];
    Transpose(x, *xt, s);
    if (np > nA) {
        MatMul(x, *w, *r, s);
        MatMul(*d, *r, *p, s);
        MatMul(*xt, *p, *r, s);
        MatMul(*w, *r, *m, s);
    } else {
        for (int j = 1; j <= np; ++j) (*d)(j, j) = static_cast<float>(std::sqrt(static_cast<double>((*d)(j, j))));
        MatMul(*xt, *d, *r, s);
        MatMul(*w, *r, *p, s);
        MatMul(x, *p, *r, s);
        MatMul(*d, *r, *m, s);
    }
    return m;
}

struct CrossInput {
    std::unique_ptr<SquareMatrix> x = std::make_unique<SquareMatrix>();
    RealVector weights{};
    int np = 0;
    int nA = 0;
};

// Centred-frequency-like values in [-0.5, 0.5] on a coarse grid, so that
// exact cancellations and zeros occur; some rows and columns all zero.
CrossInput randomCrossInput(int np, int nA, unsigned seed) {
    CrossInput in;
    in.np = np;
    in.nA = nA;
    std::mt19937 engine(seed);
    std::uniform_int_distribution<int> grid(-40, 40);
    for (int j = 1; j <= np; ++j) {
        in.weights[static_cast<std::size_t>(j)] = static_cast<float>(grid(engine) + 41) / 2000.0f;
        for (int k = 1; k <= nA; ++k) (*in.x)(j, k) = static_cast<float>(grid(engine) / 80.0 - 1.0 / 3000.0);
    }
    if (np >= 3) {
        for (int k = 1; k <= nA; ++k) (*in.x)(2, k) = 0.0f;  // an untyped sample
        in.weights[2] = 0.0f;
    }
    if (nA >= 3)
        for (int j = 1; j <= np; ++j) (*in.x)(j, 3) = 0.0f;  // an allele at the same frequency everywhere
    return in;
}

class FastKernels : public testing::TestWithParam<KernelIsa> {};

TEST_P(FastKernels, CrossProductEqualsTheReferenceProductsInBothCases) {
    struct Shape {
        int np;
        int nA;
    };
    // Case A, case B, np == nA, p = 1 and p = 2 from either side, then
    // orders at and either side of vector widths and of the 8-row blocks.
    for (const Shape shape :
         {Shape{9, 4},   Shape{4, 9},   Shape{7, 7}, Shape{1, 6},   Shape{6, 1},   Shape{2, 13},  Shape{13, 2},
          Shape{37, 61}, Shape{61, 37}, Shape{1, 1}, Shape{66, 65}, Shape{64, 65}, Shape{33, 32}, Shape{16, 17},
          Shape{17, 16}, Shape{8, 9},   Shape{9, 8}, Shape{3, 2},   Shape{5, 4},   Shape{4, 5},   Shape{24, 24}}) {
        SCOPED_TRACE(std::to_string(shape.np) + " x " + std::to_string(shape.nA));
        const CrossInput in =
            randomCrossInput(shape.np, shape.nA, static_cast<unsigned>(shape.np * 1000 + shape.nA));
        const auto expected = referenceCrossProduct(*in.x, in.weights, in.np, in.nA);
        SquareMatrix xt, p, m;
        ASSERT_TRUE(FastCrossProduct(*in.x, in.weights, in.np, in.nA, xt, p, m, GetParam()));
        expectSameLowerTriangle(*expected, m, std::min(in.np, in.nA));
    }
}

TEST_P(FastKernels, CrossProductRefusesAnUnderflowToNegativeZero) {
    // 1e-38 * sqrt(1e-20) underflows to -0: the reference's later +0 terms
    // would turn it into +0, so the fast kernel must hand over.
    CrossInput in;
    in.np = 2;
    in.nA = 3;
    in.weights[1] = 1e-20f;
    in.weights[2] = 0.5f;
    (*in.x)(1, 1) = -1e-38f;
    (*in.x)(2, 2) = 0.25f;
    SquareMatrix xt, p, m;
    EXPECT_FALSE(FastCrossProduct(*in.x, in.weights, in.np, in.nA, xt, p, m, GetParam()));

    // Tiny values that do not underflow stay on the fast path and agree.
    (*in.x)(1, 1) = -1e-20f;
    (*in.x)(1, 3) = 3e-25f;
    in.weights[1] = 1e-12f;
    ASSERT_TRUE(FastCrossProduct(*in.x, in.weights, in.np, in.nA, xt, p, m, GetParam()));
    expectSameLowerTriangle(*referenceCrossProduct(*in.x, in.weights, in.np, in.nA), m, 2);
}

TEST_P(FastKernels, RectangularProductsEqualMatMul) {
    std::mt19937 engine(7);
    std::uniform_int_distribution<int> grid(-20, 20);
    for (const int size : {1, 5, 23, 64}) {
        const int rows = std::max(1, size - 2);
        const int inner = std::max(1, size / 2);
        const int cols = size;
        SquareMatrix a, b;
        for (int i = 1; i <= rows; ++i)
            for (int k = 1; k <= inner; ++k) a(i, k) = static_cast<float>(grid(engine)) / 7.0f;
        for (int k = 1; k <= inner; ++k)
            for (int j = 1; j <= cols; ++j) b(k, j) = static_cast<float>(grid(engine)) / 3.0f;
        // A sum that underflows to -0 within the block: the reference's
        // trailing +0 terms make it +0.
        a(1, 1) = -1e-30f;
        for (int k = 2; k <= inner; ++k) a(1, k) = 0.0f;
        b(1, 1) = 1e-30f;
        SquareMatrix expected, actual;
        MatMul(a, b, expected, size);
        for (int i = 1; i <= size; ++i)
            for (int j = 1; j <= size; ++j) actual(i, j) = 99.0f;  // stale values must be overwritten
        FastMatMul(a, b, actual, size, rows, inner, cols, GetParam());
        SCOPED_TRACE(size);
        expectSameBlock(expected, actual, size);
    }
}

// A symmetric matrix whose upper triangle is not the mirror of its lower
// one, as the reference cross product leaves it.
std::unique_ptr<SquareMatrix> symmetricInput(int n, unsigned seed) {
    auto a = std::make_unique<SquareMatrix>();
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= i; ++k) {
            (*a)(i, k) = unit(engine) * 0.01f;
            (*a)(k, i) = k == i ? (*a)(i, k) : (*a)(i, k) * 1.0000001f;
        }
    for (int i = 1; i <= n; ++i) (*a)(i, i) += 0.05f;
    return a;
}

void expectSameEigenvalues(const SquareMatrix& input, int n, KernelIsa isa) {
    auto reference = std::make_unique<SquareMatrix>(input);
    auto fast = std::make_unique<SquareMatrix>(input);
    RealVector d1{}, e1{}, d2{}, e2{};
    Tridiagonalize(*reference, n, d1, e1);
    // Both forms of the fast reduction: on the float matrix and widened.
    std::vector<double> scratch;
    RealVector dWide{}, eWide{};
    TridiagonalizeEigenvaluesOnly(*fast, n, dWide, eWide, isa, scratch);
    expectSameVector(d1, dWide, 1, std::max(1, n));
    expectSameVector(e1, eWide, 1, std::max(1, n));
    TridiagonalizeEigenvaluesOnly(*fast, n, d2, e2, isa);
    expectSameVector(d1, d2, 1, std::max(1, n));
    expectSameVector(e1, e2, 1, std::max(1, n));

    const int notices1 = TQLI(d1, e1, n, *reference);
    const int notices2 = TqliEigenvaluesOnly(d2, e2, n);
    EXPECT_EQ(notices1, notices2);
    expectSameVector(d1, d2, 1, n);
    EigenOrder order1{}, order2{};
    SortEigenvalues(d1, n, order1);
    FastSortEigenvalues(d2, n, order2);
    EXPECT_EQ(order1, order2);
}

TEST_P(FastKernels, CentredFrequenciesEqualTheScalarExpressionAtEveryLength) {
    std::mt19937 random(5);
    std::vector<double> counts(40), pooled(40);
    std::vector<float> out(41);
    for (int n = 0; n <= 39; ++n) {
        const int size = 1 + static_cast<int>(random() % 3000);
        for (int c = 0; c < n; ++c) {
            counts[static_cast<std::size_t>(c)] = static_cast<double>(random() % (2 * size + 1));
            pooled[static_cast<std::size_t>(c)] = static_cast<double>(random() % 1000) / 997.0;
        }
        out[static_cast<std::size_t>(n)] = -7.0f;
        CentredFrequencies(counts.data(), size, pooled.data(), n, out.data(), GetParam());
        for (int c = 0; c < n; ++c) {
            const auto k = static_cast<std::size_t>(c);
            ASSERT_TRUE(sameBits(out[k], static_cast<float>(counts[k] / 2.0 / size - pooled[k]))) << n << " " << c;
        }
        EXPECT_EQ(out[static_cast<std::size_t>(n)], -7.0f) << "wrote past " << n;
    }
}

TEST_P(FastKernels, EigenvaluesOnlyDecompositionGivesTheSameBits) {
    for (const int n : {0, 1, 2, 3, 4, 9, 17, 33, 100}) {
        SCOPED_TRACE(n);
        expectSameEigenvalues(*symmetricInput(n, static_cast<unsigned>(n)), n, GetParam());
    }
    // A diagonal matrix: every row is already reduced.
    SquareMatrix diagonal;
    for (int i = 1; i <= 12; ++i) diagonal(i, i) = static_cast<float>(i % 5);
    expectSameEigenvalues(diagonal, 12, GetParam());
}

TEST_P(FastKernels, ReductionWithRowsAlreadyReducedBetweenOthersGivesTheSameBits) {
    // Three uncoupled blocks, rows 1-7, 8-20 and 21-n: the steps of rows 21
    // and 8 find nothing left of the diagonal and reflect nothing, between
    // steps that do, so the product of the step after each is not formed
    // ahead.
    for (const int n : {26, 41}) {
        auto a = symmetricInput(n, 77u);
        auto blockOf = [](int row) { return row <= 7 ? 0 : row <= 20 ? 1 : 2; };
        for (int i = 1; i <= n; ++i)
            for (int k = 1; k <= n; ++k)
                if (blockOf(i) != blockOf(k)) (*a)(i, k) = 0.0f;
        SCOPED_TRACE(n);
        expectSameEigenvalues(*a, n, GetParam());
    }
}

TEST_P(FastKernels, ReductionAtAndAroundVectorWidthsAndTileEdgesIgnoresTheUpperTriangle) {
    // Every order up to three tiles of the widest vector, then some either
    // side of larger multiples, then random ones; the last groups of rows
    // are partial tiles of every width, up to the end of the storage. The
    // fast kernels get NaN above the diagonal: they must never read it.
    std::vector<int> orders;
    for (int n = 0; n <= 26; ++n) orders.push_back(n);
    for (const int n : {31, 32, 33, 63, 64, 65, 127, 128, 129, 495, 497, 499}) orders.push_back(n);
    std::mt19937 random(21);
    for (int k = 0; k < 6; ++k) orders.push_back(27 + static_cast<int>(random() % 470));
    // Then back down, largest first, with the widened matrix's scratch kept
    // from order to order as a worker keeps it: what an earlier, larger call
    // left there must not matter.
    for (const int n : {500, 9, 257, 8, 1, 0, 499}) orders.push_back(n);
    std::vector<double> scratch;
    for (const int n : orders) {
        SCOPED_TRACE(n);
        auto input = symmetricInput(n, static_cast<unsigned>(n) + 1000u);
        auto reference = std::make_unique<SquareMatrix>(*input);
        auto fast = std::make_unique<SquareMatrix>(*input);
        for (int i = 1; i <= n; ++i)
            for (int k = i + 1; k <= n; ++k) (*fast)(i, k) = std::nanf("");
        RealVector d1{}, e1{}, d2{}, e2{};
        Tridiagonalize(*reference, n, d1, e1);
        auto widened = std::make_unique<SquareMatrix>(*fast);
        TridiagonalizeEigenvaluesOnly(*widened, n, d2, e2, GetParam(), scratch);
        expectSameVector(d1, d2, 1, std::max(1, n));
        expectSameVector(e1, e2, 1, std::max(1, n));
        // The widened form works on its own copy.
        for (int i = 1; i <= kMatrixOrder; ++i)
            for (int k = 1; k <= kMatrixOrder; ++k)
                ASSERT_TRUE(sameBits((*widened)(i, k), (*fast)(i, k))) << i << " " << k;
        d2 = {};
        e2 = {};
        TridiagonalizeEigenvaluesOnly(*fast, n, d2, e2, GetParam());
        expectSameVector(d1, d2, 1, std::max(1, n));
        expectSameVector(e1, e2, 1, std::max(1, n));
        // Nothing written outside the block (the zeros the products rely on).
        for (int k = 1; k <= kMatrixOrder; ++k)
            for (int i = n + 1; i <= kMatrixOrder; ++i)
                ASSERT_TRUE(sameBits((*fast)(i, k), 0.0f) && sameBits((*fast)(k, i), 0.0f)) << i << " " << k;
    }
}

TEST(FastKernelsQl, EigenvaluesOnlyQlGivesTheSameBitsAtTheEdgesOfTheFloatRange) {
    // Tridiagonal matrices scaled towards the smallest and the largest
    // floats: the rotations' products then run into subnormal doubles or
    // near the top of the float range, where a rearranged product would
    // round differently.
    std::mt19937 random(31);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (const float scale : {1e-38f, 1e-30f, 1.0f, 1e30f, 1e37f})
        for (const int n : {2, 3, 8, 40}) {
            SCOPED_TRACE(testing::Message() << scale << " " << n);
            RealVector d1{}, e1{};
            for (int i = 1; i <= n; ++i) {
                d1[static_cast<std::size_t>(i)] = unit(random) * scale;
                e1[static_cast<std::size_t>(i)] = i == 1 ? 0.0f : unit(random) * scale;
            }
            RealVector d2 = d1;
            RealVector e2 = e1;
            SquareMatrix z;
            for (int i = 1; i <= n; ++i) z(i, i) = 1.0f;
            const int notices1 = TQLI(d1, e1, n, z);
            const int notices2 = TqliEigenvaluesOnly(d2, e2, n);
            EXPECT_EQ(notices1, notices2);
            expectSameVector(d1, d2, 1, n);
        }
}

TEST_P(FastKernels, FiveHundredSquareDecompositionGivesTheSameBits) {
    expectSameEigenvalues(*symmetricInput(500, 500), 500, GetParam());
}

TEST_P(FastKernels, FiveHundredSquareCrossProductGivesTheSameBits) {
    const CrossInput in = randomCrossInput(500, 500, 11);
    static const auto expected = referenceCrossProduct(*in.x, in.weights, in.np, in.nA);
    SquareMatrix xt, p, m;
    ASSERT_TRUE(FastCrossProduct(*in.x, in.weights, in.np, in.nA, xt, p, m, GetParam()));
    expectSameLowerTriangle(*expected, m, 500);
}

// Whole analysis calls: every figure the call writes, bit for bit.
void expectSameCall(const data::Dataset& ds, bool observed, KernelIsa isa) {
    auto referenceWs = std::make_unique<PcaWorkspace>();
    auto fastWs = std::make_unique<PcaWorkspace>();
    referenceWs->kernels = KernelSelection::referenceKernels();
    fastWs->kernels = KernelSelection::fastKernels(isa);
    auto expected = std::make_unique<PcaResult>();
    auto actual = std::make_unique<PcaResult>();
    const PcaCallReport r1 = RunFrequencyPca(ds, ds.counts, observed, *referenceWs, *expected);
    const PcaCallReport r2 = RunFrequencyPca(ds, ds.counts, observed, *fastWs, *actual);
    const int p = expected->dimension;
    ASSERT_EQ(p, actual->dimension);
    EXPECT_EQ(r1.tqliNotices, r2.tqliNotices);
    EXPECT_EQ(r1.informations, r2.informations);
    expectSameVector(expected->eigenvalues, actual->eigenvalues, 1, p);
    expectSameVector(expected->axisFst, actual->axisFst, 1, p);
    EXPECT_TRUE(sameBits(expected->globalFst, actual->globalFst));
    EXPECT_TRUE(sameBits(expected->totalInertia, actual->totalInertia));
    EXPECT_TRUE(sameBits(expected->heterozygositySum, actual->heterozygositySum));
    if (!observed) return;
    expectSameVector(expected->observedAxisShare, actual->observedAxisShare, 1, p);
    expectSameVector(expected->percentInertia, actual->percentInertia, 1, p - 1);
    EXPECT_EQ(expected->brokenStickAxes, actual->brokenStickAxes);
    expectSameBlock(expected->populationCoordinates, actual->populationCoordinates, kMatrixOrder);
    expectSameBlock(expected->alleleCoordinates, actual->alleleCoordinates, kMatrixOrder);
}

TEST_P(FastKernels, AnalysisCallsGiveTheSameFiguresOnRandomAndEdgeData) {
    struct Shape {
        int samples, loci, alleles, individuals;
        double missing;
    };
    // Case B, case A, np == nA (3 samples, one triallelic locus), p = 1
    // (one sample), p = 2, missing genotypes.
    for (const Shape shape :
         {Shape{6, 4, 5, 12, 0.0}, Shape{12, 1, 3, 8, 0.0}, Shape{3, 1, 3, 10, 0.0}, Shape{1, 3, 4, 15, 0.0},
          Shape{2, 5, 3, 9, 0.1}, Shape{15, 3, 2, 7, 0.2}, Shape{20, 6, 8, 10, 0.05}}) {
        SCOPED_TRACE(std::to_string(shape.samples) + " samples, " + std::to_string(shape.loci) + " loci");
        AnalysisData data = AnalysisData::generated(shape.samples, shape.loci, shape.alleles, shape.individuals,
                                                    shape.missing, static_cast<unsigned>(shape.samples));
        for (const bool observed : {true, false}) expectSameCall(data.ds, observed, GetParam());
    }
}

TEST_P(FastKernels, AnalysisCallsAgreeWithAnUntypedSampleAndAMonomorphicLocus) {
    AnalysisData data = AnalysisData::generated(5, 3, 4, 10, 0.0, 3);
    // Sample 2 untyped everywhere: a zero row and a zero weight.
    for (auto& individual : data.genotypes[1])
        for (auto& genotype : individual) genotype = {0, 0};
    // Locus 3 carries allele 2 only: a column equal in every sample.
    for (auto& sample : data.genotypes)
        for (auto& individual : sample) individual[2] = {2, 2};
    data.count();
    for (const bool observed : {true, false}) expectSameCall(data.ds, observed, GetParam());
}

TEST_P(FastKernels, RandomisedCallOfAnOrderBeyondTheWidenedFormsCacheGivesTheSameFigures) {
    // 380 samples: a lower triangle of 72,390 doubles (566 kB), beyond half
    // of a 1 MB level-2 cache, so such a processor takes the float form; the
    // figures must not tell which form ran.
    AnalysisData data = AnalysisData::generated(380, 40, 12, 2, 0.0, 17);
    int retained = 0;
    for (int l = 1; l <= data.ds.nl; ++l)
        for (int a = 1; a <= data.ds.nu; ++a) retained += data.ds.counts.alleleTotal(l, a) != 0.0 ? 1 : 0;
    ASSERT_GE(retained, 380);
    expectSameCall(data.ds, false, GetParam());
}

TEST(KernelSelection, WidenedReductionFitsHalfOfTheLevelTwoCache) {
    const long cache = LevelTwoCacheBytes();
    EXPECT_GE(cache, 0);
    for (const int n : {0, 1, 2, 100, 361, 362, 500}) {
        SCOPED_TRACE(n);
        const long triangle = static_cast<long>(n) * (n + 1) / 2 * 8;
        EXPECT_EQ(WidenedReductionFits(n), cache == 0 || triangle <= cache / 2);
    }
    // Smaller orders never fit less.
    for (int n = 1; n <= kMatrixOrder; ++n) {
        if (WidenedReductionFits(n)) {
            EXPECT_TRUE(WidenedReductionFits(n - 1)) << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVariantOfThisProcessor, FastKernels, testing::ValuesIn(supportedIsas()),
                         variantName);

TEST(KernelSelection, NamesChooseTheKernelsAndAnUnknownNameIsRefused) {
    // Every processor runs the scalar variant; x86 ones the SSE2 one too.
    EXPECT_EQ(supportedIsas().front(), KernelIsa::Scalar);
#if defined(__x86_64__)
    EXPECT_TRUE(isaSupported(KernelIsa::Sse2));
#else
    EXPECT_EQ(supportedIsas().size(), 1u);
#endif
    EXPECT_EQ(supportedIsas().back(), bestSupportedIsa());
    EXPECT_TRUE(KernelSelection::fromName("reference")->reference);
    EXPECT_FALSE(KernelSelection::fromName("sse2")->reference);
    EXPECT_EQ(KernelSelection::fromName("scalar")->isa, KernelIsa::Scalar);
#if defined(__x86_64__)
    EXPECT_EQ(KernelSelection::fromName("sse2")->isa, KernelIsa::Sse2);
#endif
    for (const char* best : {"", "avx512"}) {
        // An empty name, or a variant this processor lacks: the best it runs.
        if (*best != 0 && isaSupported(KernelIsa::Avx512)) continue;
        EXPECT_FALSE(KernelSelection::fromName(best)->reference);
        EXPECT_EQ(KernelSelection::fromName(best)->isa, bestSupportedIsa());
    }
    for (const char* unknown : {"fast", "Reference", "sse2 ", "avx"})
        EXPECT_FALSE(KernelSelection::fromName(unknown).has_value()) << unknown;
    // Nothing in the core reads the environment any more.
    ::setenv("ZELTRIC_KERNELS", "reference", 1);
    EXPECT_FALSE(PcaWorkspace{}.kernels.reference);
    ::unsetenv("ZELTRIC_KERNELS");
}

TEST(KernelSelection, EigenvaluesOnlySolverRefusesWhatTheReferenceRefuses) {
    SquareMatrix a;
    a(2, 1) = std::nanf("");
    RealVector d{}, e{};
    EXPECT_THROW(TridiagonalizeEigenvaluesOnly(a, 2, d, e, bestSupportedIsa()), base::FatalError);
    std::vector<double> scratch;
    EXPECT_THROW(TridiagonalizeEigenvaluesOnly(a, 2, d, e, bestSupportedIsa(), scratch), base::FatalError);
    // The give-up bound of the QL iteration, reached on a matrix that needs
    // a few iterations.
    auto input = symmetricInput(8, 3);
    TridiagonalizeEigenvaluesOnly(*input, 8, d, e, bestSupportedIsa());
    EXPECT_THROW((void)TqliEigenvaluesOnly(d, e, 8, TqliLimits{0, 1}), base::FatalError);
}

TEST(KernelSelection, SortKeepsSlotOrderAmongTiesAndPutsFloorValuesLast) {
    RealVector d{};
    const std::vector<float> values{0.5f, -10.0f, 0.5f, 2.0f, -0.0f, 0.0f, std::nanf(""), 2.0f};
    for (std::size_t a = 0; a < values.size(); ++a) d[a + 1] = values[a];
    EigenOrder expected{}, actual{};
    SortEigenvalues(d, 8, expected);
    FastSortEigenvalues(d, 8, actual);
    EXPECT_EQ(expected, actual);
    EXPECT_EQ(actual[1], 4);
    EXPECT_EQ(actual[2], 8);
}

}  // namespace
}  // namespace zeltric::analysis

namespace zeltric::test {
namespace {

// Every file a go step with a permutation test writes, run once with the
// reference kernels and once with the fast ones (two threads), chosen by
// an environment setting and an option.
std::vector<std::string> outputsOfTest(const std::string& dataText, const std::string& environment,
                                       const std::string& option) {
    TempDir dir;
    writeFile(dir.file("d.dat"), dataText);
    const ProcessResult r =
        runProcess(environment + " " + shellQuote(ZELTRIC_CLI_PATH) + " " + option +
                   " --test 200 --seeds 12345,67890 --threads 2 --quiet " + shellQuote(dir.file("d.dat")));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> out;
    for (const char* extension : {".pca", ".per", ".fre", ".al", ".pop"})
        out.push_back(readFile(dir.file(std::string("d") + extension)));
    return out;
}

TEST(FastKernelsCli, PermutationTestFilesAreByteIdenticalToTheReference) {
    // The example (8 samples, many alleles: case B) and a data set with
    // more samples than alleles (case A), with missing genotypes.
    std::string caseA = "12 1 3 2\r\nA\r\n";
    for (int i = 0; i < 60; ++i) {
        const int sample = i / 5 + 1;
        const int first = 1 + (i * 7 + sample) % 3;
        const int second = 1 + (i * 5 + sample * sample) % 3;
        caseA += std::to_string(sample) + " " +
                 (i % 11 == 4 ? std::string("0") : std::to_string(first * 100 + second)) + "\r\n";
    }
    for (const std::string& data : {readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat"), caseA}) {
        const std::vector<std::string> reference = outputsOfTest(data, "ZELTRIC_KERNELS=reference", "");
        // The option wins over the environment.
        const std::vector<std::string> fast = outputsOfTest(data, "ZELTRIC_KERNELS=reference", "--kernels sse2");
        ASSERT_EQ(reference.size(), fast.size());
        EXPECT_NE(reference[0].find("P-values are given after 200 randomizations."), std::string::npos);
        for (std::size_t f = 0; f < reference.size(); ++f) EXPECT_EQ(reference[f], fast[f]) << "file " << f;
    }
}

}  // namespace
}  // namespace zeltric::test
