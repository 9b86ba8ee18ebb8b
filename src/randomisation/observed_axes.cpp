#include "randomisation/observed_axes.hpp"

#include <cmath>

#include "base/fatal_error.hpp"

namespace zeltric::randomisation {

namespace {

// Locus totals N(l) of the listed loci and the square roots of the sample
// weights: the mean over typed loci of n(j,l) / N(l).
std::vector<double> rootWeights(const data::Dataset& ds, const std::vector<int>& loci,
                                std::vector<double>& totals) {
    const data::CountTables& c = ds.counts;
    totals.assign(loci.size(), 0.0);
    for (std::size_t i = 0; i < loci.size(); ++i) {
        ZELTRIC_ASSERT(loci[i] >= 1 && loci[i] <= ds.nl);
        for (int j = 1; j <= ds.np; ++j) totals[i] += c.sampleSize(j, loci[i]);
    }
    std::vector<double> root(static_cast<std::size_t>(ds.np), 0.0);
    for (int j = 1; j <= ds.np; ++j) {
        double sum = 0.0;
        int typed = 0;
        for (std::size_t i = 0; i < loci.size(); ++i) {
            if (totals[i] == 0.0) continue;
            sum += c.sampleSize(j, loci[i]) / totals[i];
            ++typed;
        }
        root[static_cast<std::size_t>(j - 1)] = typed == 0 ? 0.0 : std::sqrt(sum / typed);
    }
    return root;
}

}  // namespace

ObservedAxes::ObservedAxes(const data::Dataset& ds, const analysis::PcaResult& observed, int axes)
    : ds_(ds), axes_(axes) {
    const int np = ds.np;
    const auto n = static_cast<std::size_t>(np);
    vectors_.assign(static_cast<std::size_t>(axes) * n, 0.0);
    std::vector<int> all;
    for (int l = 1; l <= ds.nl; ++l) all.push_back(l);
    std::vector<double> totals;
    const std::vector<double> root = rootWeights(ds, all, totals);
    for (int k = 1; k <= axes; ++k) {
        double* v = &vectors_[static_cast<std::size_t>(k - 1) * n];
        double norm = 0.0;
        for (int j = 1; j <= np; ++j) {
            v[j - 1] =
                root[static_cast<std::size_t>(j - 1)] * static_cast<double>(observed.populationCoordinates(j, k));
            norm += v[j - 1] * v[j - 1];
        }
        const double length = std::sqrt(norm);
        for (std::size_t j = 0; j < n; ++j) v[j] = length > 0.0 ? v[j] / length : 0.0;
    }
}

double ObservedAxes::Measures::fst(int k) const {
    return heterozygosity > 0.0 ? inertia[static_cast<std::size_t>(k - 1)] / heterozygosity : 0.0;
}

double ObservedAxes::Measures::globalFst() const {
    return heterozygosity > 0.0 ? totalInertia / heterozygosity : 0.0;
}

double ObservedAxes::Measures::share(int k) const {
    return totalInertia > 0.0 ? inertia[static_cast<std::size_t>(k - 1)] / totalInertia : 0.0;
}

void ObservedAxes::measure(const std::vector<int>& loci, Measures& out) const {
    const int np = ds_.np;
    const auto n = static_cast<std::size_t>(np);
    const data::CountTables& c = ds_.counts;
    out.inertia.assign(static_cast<std::size_t>(axes_), 0.0);
    out.totalInertia = 0.0;
    out.heterozygosity = 0.0;

    std::vector<double> totals;
    const std::vector<double> rootWeight = rootWeights(ds_, loci, totals);

    // Column by column: z = D^1/2 x (the column of D^1/2 X), then
    // (v_k . z)^2 summed over the columns is v_k^T M v_k, and |z|^2 summed
    // is the trace.
    std::vector<double> z(n);
    for (std::size_t i = 0; i < loci.size(); ++i) {
        if (totals[i] == 0.0) continue;
        const int l = loci[i];
        double squares = 0.0;
        for (int a = 1; a <= ds_.nu; ++a) {
            const double total = c.alleleTotal(l, a);
            if (total == 0.0) continue;
            const double pooled = total / 2.0 / totals[i];
            squares += pooled * pooled;
            for (int j = 1; j <= np; ++j) {
                const int size = c.sampleSize(j, l);
                const double x = size == 0 ? 0.0 : c.alleleCount(j, l, a) / 2.0 / size - pooled;
                z[static_cast<std::size_t>(j - 1)] = rootWeight[static_cast<std::size_t>(j - 1)] * x;
            }
            for (double value : z) out.totalInertia += value * value;
            for (int k = 0; k < axes_; ++k) {
                const double* v = &vectors_[static_cast<std::size_t>(k) * n];
                double dot = 0.0;
                for (std::size_t j = 0; j < n; ++j) dot += v[j] * z[j];
                out.inertia[static_cast<std::size_t>(k)] += dot * dot;
            }
        }
        out.heterozygosity += 1.0 - squares;
    }
}

}  // namespace zeltric::randomisation
