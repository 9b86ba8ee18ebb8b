#include "analysis/eigen_solver.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::analysis {
namespace {

struct Decomposition {
    RealVector d{};
    RealVector e{};
    EigenOrder order{};
    SquareMatrix z;
    int notices = 0;
};

// Tridiagonalize, TQLI and SortEigenvalues on the leading n x n block of a.
Decomposition decompose(const SquareMatrix& a, int n, TqliLimits limits = {}) {
    Decomposition out;
    out.z = a;
    Tridiagonalize(out.z, n, out.d, out.e);
    out.notices = TQLI(out.d, out.e, n, out.z, limits);
    SortEigenvalues(out.d, n, out.order);
    return out;
}

SquareMatrix randomSymmetric(int n, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    SquareMatrix a;
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= i; ++k) a(i, k) = a(k, i) = value(engine);
    return a;
}

TEST(SignTransfer, ZeroCountsAsPositive) {
    EXPECT_EQ(SignTransfer(2.5, 0.0), 2.5);
    EXPECT_EQ(SignTransfer(-2.5, 0.0), 2.5);
    EXPECT_EQ(SignTransfer(-2.5, 1e-300), 2.5);
    EXPECT_EQ(SignTransfer(2.5, -1e-300), -2.5);
}

TEST(MatMul, RectangularProductThroughTheZeroInvariant) {
    SquareMatrix a;  // 2 x 3
    SquareMatrix b;  // 3 x 2
    SquareMatrix c;
    const float av[2][3] = {{1, 2, 3}, {4, 5, 6}};
    const float bv[3][2] = {{7, 8}, {9, 10}, {11, 12}};
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 3; ++k) a(i + 1, k + 1) = av[i][k];
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 2; ++j) b(k + 1, j + 1) = bv[k][j];
    c(3, 3) = 99.0f;  // stale value inside the block must be overwritten
    MatMul(a, b, c, 3);
    EXPECT_EQ(c(1, 1), 58.0f);
    EXPECT_EQ(c(1, 2), 64.0f);
    EXPECT_EQ(c(2, 1), 139.0f);
    EXPECT_EQ(c(2, 2), 154.0f);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(c(3, k), 0.0f);
        EXPECT_EQ(c(k, 3), 0.0f);
    }
}

TEST(MatMul, EachPartialSumIsRoundedToSinglePrecision) {
    // 1 followed by 100 terms of 1e-8: a double accumulator would end near
    // 1.000001, a single-precision one loses every small term.
    SquareMatrix a;
    SquareMatrix b;
    SquareMatrix c;
    a(1, 1) = 1.0f;
    for (int k = 2; k <= 101; ++k) a(1, k) = 1e-8f;
    for (int k = 1; k <= 101; ++k) b(k, 1) = 1.0f;
    MatMul(a, b, c, 101);
    EXPECT_EQ(c(1, 1), 1.0f);
}

TEST(MatMul, ProductIsFormedInDoubleBeforeTheSum) {
    // C = -1 + x*x with x = 1 + 2^-12: the exact product 1 + 2^-11 + 2^-24
    // needs double; a float product would lose the 2^-24 term.
    const float x = 1.0f + std::ldexp(1.0f, -12);
    SquareMatrix a;
    SquareMatrix b;
    SquareMatrix c;
    a(1, 1) = 1.0f;
    b(1, 1) = -1.0f;
    a(1, 2) = x;
    b(2, 1) = x;
    MatMul(a, b, c, 2);
    EXPECT_EQ(c(1, 1), std::ldexp(1.0f, -11) + std::ldexp(1.0f, -24));
}

TEST(Transpose, SwapsRowsAndColumnsOfTheBlock) {
    SquareMatrix src;
    SquareMatrix dst;
    src(1, 2) = 5.0f;
    src(3, 1) = -2.0f;
    Transpose(src, dst, 3);
    EXPECT_EQ(dst(2, 1), 5.0f);
    EXPECT_EQ(dst(1, 3), -2.0f);
    EXPECT_EQ(dst(1, 2), 0.0f);
}

TEST(EigenSolver, OrderZeroOnlyClearsTheFirstSlots) {
    SquareMatrix a;
    a(1, 1) = 7.0f;
    RealVector d{};
    RealVector e{};
    d[1] = 3.0f;
    e[1] = 4.0f;
    Tridiagonalize(a, 0, d, e);
    EXPECT_EQ(d[1], 0.0f);
    EXPECT_EQ(e[1], 0.0f);
    EXPECT_EQ(a(1, 1), 7.0f);
    EXPECT_EQ(TQLI(d, e, 0, a), 0);
}

TEST(EigenSolver, OrderOne) {
    SquareMatrix a;
    a(1, 1) = 0.75f;
    const Decomposition r = decompose(a, 1);
    EXPECT_EQ(r.d[1], 0.75f);
    EXPECT_EQ(r.e[1], 0.0f);
    EXPECT_EQ(r.z(1, 1), 1.0f);
    EXPECT_EQ(r.order[1], 1);
}

TEST(EigenSolver, DiagonalInputGivesIdentityAndItsDiagonal) {
    SquareMatrix a;
    const float diagonal[4] = {0.5f, 3.0f, -1.0f, 2.0f};
    for (int i = 1; i <= 4; ++i) a(i, i) = diagonal[i - 1];
    SquareMatrix z = a;
    RealVector d{};
    RealVector e{};
    Tridiagonalize(z, 4, d, e);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(d[static_cast<std::size_t>(i)], diagonal[i - 1]);
        EXPECT_EQ(e[static_cast<std::size_t>(i)], 0.0f);
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(z(i, k), i == k ? 1.0f : 0.0f);
    }
    EXPECT_EQ(TQLI(d, e, 4, z), 0);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(d[static_cast<std::size_t>(i)], diagonal[i - 1]);
    EigenOrder order{};
    SortEigenvalues(d, 4, order);
    EXPECT_EQ(order[1], 2);
    EXPECT_EQ(order[2], 4);
    EXPECT_EQ(order[3], 1);
    EXPECT_EQ(order[4], 3);
}

TEST(EigenSolver, TwoByTwo) {
    SquareMatrix a;
    a(1, 1) = 2.0f;
    a(1, 2) = 1.0f;
    a(2, 1) = 1.0f;
    a(2, 2) = 2.0f;
    const Decomposition r = decompose(a, 2);
    const int first = r.order[1];
    const int second = r.order[2];
    EXPECT_NEAR(r.d[static_cast<std::size_t>(first)], 3.0f, 1e-6);
    EXPECT_NEAR(r.d[static_cast<std::size_t>(second)], 1.0f, 1e-6);
    const double root = 1.0 / std::sqrt(2.0);
    EXPECT_NEAR(std::fabs(r.z(1, first)), root, 1e-6);
    EXPECT_NEAR(r.z(1, first), r.z(2, first), 1e-6);
    EXPECT_NEAR(std::fabs(r.z(1, second)), root, 1e-6);
    EXPECT_NEAR(r.z(1, second), -r.z(2, second), 1e-6);
}

TEST(SortEigenvalues, EqualValuesKeepSlotOrderAndDIsUnchanged) {
    RealVector d{};
    d[1] = 1.0f;
    d[2] = 4.0f;
    d[3] = 1.0f;
    d[4] = 4.0f;
    d[5] = 0.0f;
    const RealVector before = d;
    EigenOrder order{};
    SortEigenvalues(d, 5, order);
    EXPECT_EQ(order[1], 2);
    EXPECT_EQ(order[2], 4);
    EXPECT_EQ(order[3], 1);
    EXPECT_EQ(order[4], 3);
    EXPECT_EQ(order[5], 5);
    EXPECT_EQ(d, before);
}

TEST(SortEigenvalues, ValuesAtTheFloorComeLastInSlotOrder) {
    RealVector d{};
    d[1] = -20.0f;
    d[2] = 0.5f;
    d[3] = -9.99f - 1.0f;
    EigenOrder order{};
    SortEigenvalues(d, 3, order);
    EXPECT_EQ(order[1], 2);
    EXPECT_EQ(order[2], 1);
    EXPECT_EQ(order[3], 3);
}

// Properties on generated matrices: residual of every pair, orthonormal
// vectors, descending order, trace equal to the sum of the eigenvalues.
class EigenProperties : public ::testing::TestWithParam<int> {};

TEST_P(EigenProperties, ResidualOrthonormalitySortedTrace) {
    const int n = GetParam();
    const unsigned seed = 1000u + static_cast<unsigned>(n);
    SCOPED_TRACE("seed " + std::to_string(seed));
    SquareMatrix a = randomSymmetric(n, seed);
    if (n >= 6) {
        // Two equal diagonal blocks: every eigenvalue appears twice.
        const int half = n / 2;
        for (int i = 1; i <= n; ++i)
            for (int k = 1; k <= n; ++k) {
                const bool sameBlock = (i <= half) == (k <= half);
                a(i, k) = !sameBlock ? 0.0f : i <= half ? a(i, k) : a(i - half, k - half);
            }
    }
    const Decomposition r = decompose(a, n);
    EXPECT_EQ(r.notices, 0);

    double trace = 0.0;
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) {
        trace += a(i, i);
        sum += r.d[static_cast<std::size_t>(i)];
    }
    EXPECT_NEAR(sum, trace, 1e-4);

    for (int k = 1; k <= n; ++k) {
        const int slot = r.order[static_cast<std::size_t>(k)];
        if (k > 1) {
            EXPECT_GE(r.d[r.order[static_cast<std::size_t>(k - 1)]], r.d[static_cast<std::size_t>(slot)]);
        }
        const double lambda = r.d[static_cast<std::size_t>(slot)];
        for (int i = 1; i <= n; ++i) {
            double av = 0.0;
            for (int j = 1; j <= n; ++j) av += static_cast<double>(a(i, j)) * r.z(j, slot);
            EXPECT_NEAR(av, lambda * r.z(i, slot), 1e-4) << "pair " << k << " row " << i;
        }
        for (int k2 = 1; k2 <= n; ++k2) {
            double dot = 0.0;
            for (int i = 1; i <= n; ++i) dot += static_cast<double>(r.z(i, k)) * r.z(i, k2);
            EXPECT_NEAR(dot, k == k2 ? 1.0 : 0.0, 1e-5);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, EigenProperties, ::testing::Values(2, 3, 5, 8, 30, 120));

TEST(TQLI, RefusesNonFiniteInput) {
    RealVector d{};
    RealVector e{};
    SquareMatrix z;
    d[1] = 1.0f;
    d[2] = std::nanf("");
    e[2] = 1.0f;
    try {
        (void)TQLI(d, e, 2, z);
        FAIL() << "no error";
    } catch (const base::FatalError& error) {
        EXPECT_EQ(error.what(), base::solverInputMessage());
    }
    SquareMatrix a;
    a(1, 1) = 1.0f;
    a(2, 1) = INFINITY;
    EXPECT_THROW(Tridiagonalize(a, 2, d, e), base::FatalError);
}

TEST(TQLI, CountsTheNoticeOncePerEigenvalueAndGivesUpAtTheLimit) {
    const SquareMatrix a = randomSymmetric(12, 77);
    const Decomposition reference = decompose(a, 12);
    // A notice after one iteration: every eigenvalue that needed a second
    // iteration owes one, and the results do not change.
    const Decomposition noticed = decompose(a, 12, TqliLimits{1, 10000});
    EXPECT_GT(noticed.notices, 0);
    EXPECT_LE(noticed.notices, 12);
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(noticed.d[static_cast<std::size_t>(i)], reference.d[static_cast<std::size_t>(i)]);

    try {
        (void)decompose(a, 12, TqliLimits{30, 1});
        FAIL() << "no error";
    } catch (const base::FatalError& error) {
        EXPECT_EQ(error.what(), base::tqliFailureMessage(1, 1));
    }
}

}  // namespace
}  // namespace zeltric::analysis
