#pragma once

#include <vector>

#include "analysis/pca_result.hpp"
#include "data/dataset.hpp"

namespace zeltric::randomisation {

// The observed axes as directions in which any data set on the same samples
// is measured. M = D^1/2 X X^T D^1/2 is the samples' cross-product matrix
// (order np, whichever matrix the analysis decomposed); its unit
// eigenvector v_k is, in both cases of the analysis, proportional to
// D^1/2 c_k with c_k the samples' coordinates on axis k. A replicate's
// inertia along axis k is v_k^T M_b v_k: no re-ranking of its own
// eigenvalues, which would bias the k-th largest upward.
class ObservedAxes {
public:
    // Axes 1..axes of the observed call `observed` on `ds` (ds.counts the
    // observed counts). An axis without inertia has no direction: every
    // measure along it is 0.
    ObservedAxes(const data::Dataset& ds, const analysis::PcaResult& observed, int axes);

    // What a data set gives along the observed axes, every step in double.
    struct Measures {
        std::vector<double> inertia;  // v_k^T M_b v_k, index k - 1
        double totalInertia = 0.0;    // trace of M_b
        double heterozygosity = 0.0;  // H: typed loci minus the sums of squared pooled frequencies
        double fst(int k) const;      // inertia / H; 0 when H is 0
        double share(int k) const;    // inertia / total inertia; 0 when that is 0
        double globalFst() const;     // total inertia / H; 0 when H is 0
    };

    // The data set whose locus l' is locus loci[l' - 1] of `ds` (loci drawn
    // with replacement, 1-based), read from ds.counts. With loci 1..nl in
    // order this is the observed data, and inertia(k) is lambda_k.
    void measure(const std::vector<int>& loci, Measures& out) const;

    int axes() const { return axes_; }
    const data::Dataset& dataset() const { return ds_; }

private:
    const data::Dataset& ds_;
    int axes_ = 0;
    // v_k, one row of np values per axis.
    std::vector<double> vectors_;
};

}  // namespace zeltric::randomisation
