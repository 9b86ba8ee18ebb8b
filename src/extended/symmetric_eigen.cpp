#include "extended/symmetric_eigen.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::extended {

namespace {

double signOf(double magnitude, double source) {
    return source >= 0.0 ? std::fabs(magnitude) : -std::fabs(magnitude);
}

// Householder reduction of z (full symmetric, lower triangle used), last row
// first; d the diagonal, e the sub-diagonal (e[i] couples i-1 and i).
void tridiagonalize(SymmetricMatrix& z, std::vector<double>& d, std::vector<double>& e) {
    const std::size_t n = z.order;
    for (std::size_t i = n - 1; i >= 1; --i) {
        const std::size_t l = i - 1;
        double h = 0.0;
        if (l > 0) {
            double scale = 0.0;
            for (std::size_t k = 0; k <= l; ++k) scale += std::fabs(z(i, k));
            if (scale == 0.0) {
                e[i] = z(i, l);
            } else {
                for (std::size_t k = 0; k <= l; ++k) {
                    z(i, k) /= scale;
                    h += z(i, k) * z(i, k);
                }
                double f = z(i, l);
                double g = -signOf(std::sqrt(h), f);
                e[i] = scale * g;
                h -= f * g;
                z(i, l) = f - g;
                f = 0.0;
                for (std::size_t j = 0; j <= l; ++j) {
                    z(j, i) = z(i, j) / h;
                    g = 0.0;
                    for (std::size_t k = 0; k <= j; ++k) g += z(j, k) * z(i, k);
                    for (std::size_t k = j + 1; k <= l; ++k) g += z(k, j) * z(i, k);
                    e[j] = g / h;
                    f += e[j] * z(i, j);
                }
                const double hh = f / (h + h);
                for (std::size_t j = 0; j <= l; ++j) {
                    f = z(i, j);
                    g = e[j] - hh * f;
                    e[j] = g;
                    for (std::size_t k = 0; k <= j; ++k) z(j, k) -= f * e[k] + g * z(i, k);
                }
            }
        } else {
            e[i] = z(i, l);
        }
        d[i] = h;
    }
    d[0] = 0.0;
    e[0] = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (d[i] != 0.0) {
            for (std::size_t j = 0; j < i; ++j) {
                double g = 0.0;
                for (std::size_t k = 0; k < i; ++k) g += z(i, k) * z(k, j);
                for (std::size_t k = 0; k < i; ++k) z(k, j) -= g * z(k, i);
            }
        }
        d[i] = z(i, i);
        z(i, i) = 1.0;
        for (std::size_t j = 0; j < i; ++j) z(j, i) = z(i, j) = 0.0;
    }
}

// QL with implicit shifts; column k of z becomes the eigenvector of d[k].
void qlImplicit(std::vector<double>& d, std::vector<double>& e, SymmetricMatrix& z, int iterationLimit) {
    const std::size_t n = z.order;
    for (std::size_t i = 1; i < n; ++i) e[i - 1] = e[i];
    e[n - 1] = 0.0;
    for (std::size_t l = 0; l < n; ++l) {
        int iterations = 0;
        for (;;) {
            std::size_t m = l;
            for (; m + 1 < n; ++m) {
                const double dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
                if (std::fabs(e[m]) + dd == dd) break;
            }
            if (m == l) break;
            if (iterations == iterationLimit)
                throw base::FatalError(base::MessageId::TqliFailure,
                                       base::tqliFailureMessage(static_cast<int>(l) + 1, iterations));
            ++iterations;
            double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
            double r = std::hypot(g, 1.0);
            g = d[m] - d[l] + e[l] / (g + signOf(r, g));
            double s = 1.0;
            double c = 1.0;
            double p = 0.0;
            bool underflow = false;
            for (std::size_t i = m; i-- > l;) {
                double f = s * e[i];
                const double b = c * e[i];
                r = std::hypot(f, g);
                e[i + 1] = r;
                if (r == 0.0) {
                    // Underflow: deflate and start again.
                    d[i + 1] -= p;
                    e[m] = 0.0;
                    underflow = true;
                    break;
                }
                s = f / r;
                c = g / r;
                g = d[i + 1] - p;
                r = (d[i] - g) * s + 2.0 * c * b;
                p = s * r;
                d[i + 1] = g + p;
                g = c * r - b;
                for (std::size_t k = 0; k < n; ++k) {
                    f = z(k, i + 1);
                    z(k, i + 1) = s * z(k, i) + c * f;
                    z(k, i) = c * z(k, i) - s * f;
                }
            }
            if (underflow) continue;
            d[l] -= p;
            e[l] = g;
            e[m] = 0.0;
        }
    }
}

}  // namespace

SymmetricEigen DecomposeSymmetric(const SymmetricMatrix& a, int iterationLimit) {
    const std::size_t n = a.order;
    SymmetricMatrix z(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            if (!std::isfinite(a(i, j)))
                throw base::FatalError(base::MessageId::SolverInput, base::solverInputMessage());
            z(i, j) = z(j, i) = a(i, j);
        }
    }
    std::vector<double> d(n, 0.0);
    std::vector<double> e(n, 0.0);
    if (n == 1) d[0] = z(0, 0), z(0, 0) = 1.0;
    if (n >= 2) {
        tridiagonalize(z, d, e);
        qlImplicit(d, e, z, iterationLimit);
    }

    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return d[x] > d[y]; });
    SymmetricEigen result{std::vector<double>(n), SymmetricMatrix(n)};
    for (std::size_t k = 0; k < n; ++k) {
        result.eigenvalues[k] = d[order[k]];
        for (std::size_t i = 0; i < n; ++i) result.vectors(i, k) = z(i, order[k]);
    }
    return result;
}

}  // namespace zeltric::extended
