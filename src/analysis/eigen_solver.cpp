#include "analysis/eigen_solver.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::analysis {

namespace {

void requireFinite(double value) {
    if (!std::isfinite(value)) throw base::FatalError(base::MessageId::SolverInput, base::solverInputMessage());
}

// The leading n x n block of m transposed while it lives, and back again
// however the scope is left.
class TransposedBlock {
public:
    TransposedBlock(SquareMatrix& m, int n) : m_(m), n_(n) { swap(); }
    ~TransposedBlock() { swap(); }
    TransposedBlock(const TransposedBlock&) = delete;
    TransposedBlock& operator=(const TransposedBlock&) = delete;

private:
    void swap() {
        for (int i = 1; i <= n_; ++i)
            for (int j = i + 1; j <= n_; ++j) std::swap(m_(i, j), m_(j, i));
    }
    SquareMatrix& m_;
    int n_;
};

}  // namespace

double SignTransfer(double magnitude, double signSource) {
    return signSource >= 0.0 ? std::fabs(magnitude) : -std::fabs(magnitude);
}

void MatMul(const SquareMatrix& a, const SquareMatrix& b, SquareMatrix& c, int size) {
    ZELTRIC_ASSERT(&c != &a && &c != &b);
    ZELTRIC_ASSERT(size >= 0 && size <= kMatrixOrder);
    for (int i = 1; i <= size; ++i) {
        for (int j = 1; j <= size; ++j) {
            c(i, j) = 0.0f;
            for (int k = 1; k <= size; ++k)
                c(i, j) = static_cast<float>(static_cast<double>(a(i, k)) * static_cast<double>(b(k, j)) +
                                             static_cast<double>(c(i, j)));
        }
    }
}

void Transpose(const SquareMatrix& src, SquareMatrix& dst, int size) {
    ZELTRIC_ASSERT(&src != &dst);
    ZELTRIC_ASSERT(size >= 0 && size <= kMatrixOrder);
    for (int b = 1; b <= size; ++b)
        for (int i = 1; i <= size; ++i) dst(b, i) = src(i, b);
}

void Tridiagonalize(SquareMatrix& a, int n, RealVector& d, RealVector& e) {
    ZELTRIC_ASSERT(n >= 0 && n <= kMatrixOrder);
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= i; ++k) requireFinite(a(i, k));

    // Reduction, last row first.
    for (int i = n; i >= 2; --i) {
        const int l = i - 1;
        double h = 0.0;
        double scale = 0.0;
        if (l > 1) {
            for (int k = 1; k <= l; ++k) scale += std::fabs(static_cast<double>(a(i, k)));
            if (scale == 0.0) {
                e[i] = a(i, l);  // row already reduced
            } else {
                for (int k = 1; k <= l; ++k) {
                    a(i, k) = static_cast<float>(a(i, k) / scale);
                    h += static_cast<double>(a(i, k)) * static_cast<double>(a(i, k));
                }
                double f = a(i, l);
                double g = -SignTransfer(std::sqrt(h), f);
                e[i] = static_cast<float>(scale * g);
                h = h - f * g;
                a(i, l) = static_cast<float>(f - g);
                f = 0.0;
                for (int j = 1; j <= l; ++j) {
                    a(j, i) = static_cast<float>(a(i, j) / h);
                    // One running sum: the lower triangle of row j, then down column j.
                    g = 0.0;
                    for (int k = 1; k <= j; ++k) g += static_cast<double>(a(j, k)) * static_cast<double>(a(i, k));
                    for (int k = j + 1; k <= l; ++k)
                        g += static_cast<double>(a(k, j)) * static_cast<double>(a(i, k));
                    e[j] = static_cast<float>(g / h);
                    f += static_cast<double>(e[j]) * static_cast<double>(a(i, j));
                }
                const double hh = f / (h + h);
                for (int j = 1; j <= l; ++j) {
                    f = a(i, j);
                    g = static_cast<double>(e[j]) - hh * f;
                    e[j] = static_cast<float>(g);
                    for (int k = 1; k <= j; ++k)
                        a(j, k) = static_cast<float>(static_cast<double>(a(j, k)) - f * static_cast<double>(e[k]) -
                                                     g * static_cast<double>(a(i, k)));
                }
            }
        } else {
            e[i] = a(i, l);
        }
        d[i] = static_cast<float>(h);
    }

    d[1] = 0.0f;
    e[1] = 0.0f;

    // Accumulation of the transformations. Column j's sum g[j] reads row i
    // and column j only, and the update of column j changes neither row i
    // nor another column: so every g[j] is summed first (each over k in
    // order, as one column at a time would), then the block updated, both
    // along rows, whose elements lie side by side in memory.
    std::array<double, kMatrixOrder + 1> g{};
    for (int i = 1; i <= n; ++i) {
        const int l = i - 1;
        if (d[i] != 0.0f) {
            std::fill(g.begin(), g.begin() + i, 0.0);
            for (int k = 1; k <= l; ++k) {
                const double aik = a(i, k);
                const float* row = a.row(k);
                for (int j = 1; j <= l; ++j) g[j] += aik * static_cast<double>(row[j]);
            }
            for (int k = 1; k <= l; ++k) {
                const double aki = a(k, i);
                float* row = a.row(k);
                for (int j = 1; j <= l; ++j) row[j] = static_cast<float>(static_cast<double>(row[j]) - g[j] * aki);
            }
        }
        d[i] = a(i, i);
        a(i, i) = 1.0f;
        for (int j = 1; j <= l; ++j) {
            a(j, i) = 0.0f;
            a(i, j) = 0.0f;
        }
    }
}

int TQLI(RealVector& d, RealVector& e, int n, SquareMatrix& z, TqliLimits limits) {
    ZELTRIC_ASSERT(n >= 0 && n <= kMatrixOrder);
    if (n < 2) return 0;
    for (int i = 1; i <= n; ++i) {
        requireFinite(d[i]);
        requireFinite(e[i]);
    }

    // The rotations below run along rows of the transpose, whose elements
    // lie side by side in memory; the same operations on the same values.
    const TransposedBlock transposed(z, n);
    int notices = 0;
    for (int i = 2; i <= n; ++i) e[i - 1] = e[i];
    e[n] = 0.0f;

    for (int l = 1; l <= n; ++l) {
        int iterations = 0;
        for (;;) {
            // The first negligible off-diagonal element at or after l.
            int m = l;
            for (; m <= n - 1; ++m) {
                const double dd = std::fabs(static_cast<double>(d[m])) + std::fabs(static_cast<double>(d[m + 1]));
                if (std::fabs(static_cast<double>(e[m])) + dd == dd) break;
            }
            if (m == l) break;  // eigenvalue l has converged

            if (iterations == limits.notice) ++notices;
            if (iterations == limits.limit)
                throw base::FatalError(base::MessageId::TqliFailure, base::tqliFailureMessage(l, iterations));
            ++iterations;

            double g =
                (static_cast<double>(d[l + 1]) - static_cast<double>(d[l])) / (2.0 * static_cast<double>(e[l]));
            double r = std::sqrt(g * g + 1.0);
            g = static_cast<double>(d[m]) - static_cast<double>(d[l]) +
                static_cast<double>(e[l]) / (g + SignTransfer(r, g));
            double s = 1.0;
            double c = 1.0;
            double p = 0.0;
            for (int i = m - 1; i >= l; --i) {
                double f = s * static_cast<double>(e[i]);
                const double b = c * static_cast<double>(e[i]);
                if (std::fabs(f) >= std::fabs(g)) {
                    c = g / f;
                    r = std::sqrt(c * c + 1.0);
                    e[i + 1] = static_cast<float>(f * r);
                    s = 1.0 / r;
                    c = c * s;
                } else {
                    s = f / g;
                    r = std::sqrt(s * s + 1.0);
                    e[i + 1] = static_cast<float>(g * r);
                    c = 1.0 / r;
                    s = s * c;
                }
                g = static_cast<double>(d[i + 1]) - p;
                r = (static_cast<double>(d[i]) - g) * s + 2.0 * c * b;
                p = s * r;
                d[i + 1] = static_cast<float>(g + p);
                g = c * r - b;
                float* column = z.row(i);
                float* next = z.row(i + 1);
                for (int k = 1; k <= n; ++k) {
                    f = next[k];
                    next[k] = static_cast<float>(s * static_cast<double>(column[k]) + c * f);
                    column[k] = static_cast<float>(c * static_cast<double>(column[k]) - s * f);
                }
            }
            d[l] = static_cast<float>(static_cast<double>(d[l]) - p);
            e[l] = static_cast<float>(g);
            e[m] = 0.0f;
        }
    }
    return notices;
}

void SortEigenvalues(const RealVector& d, int n, EigenOrder& order) {
    ZELTRIC_ASSERT(n >= 0 && n <= kMatrixOrder);
    std::array<double, kMatrixOrder + 1> copy{};
    for (int a = 1; a <= kMatrixOrder; ++a) copy[static_cast<std::size_t>(a)] = d[static_cast<std::size_t>(a)];
    std::array<bool, kMatrixOrder + 1> taken{};

    for (int k = 1; k <= n; ++k) {
        double runningMaximum = kSortFloor;
        int chosen = 0;
        for (int a = 1; a <= n; ++a) {
            if (copy[static_cast<std::size_t>(a)] > runningMaximum) {
                runningMaximum = copy[static_cast<std::size_t>(a)];
                chosen = a;
            }
        }
        if (chosen == 0) {
            // Only slots at or below the floor are left: they follow in slot order.
            for (int a = 1; a <= n && chosen == 0; ++a)
                if (!taken[static_cast<std::size_t>(a)]) chosen = a;
        }
        order[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(chosen);
        copy[static_cast<std::size_t>(chosen)] = kSortFloor;
        taken[static_cast<std::size_t>(chosen)] = true;
    }
}

}  // namespace zeltric::analysis
