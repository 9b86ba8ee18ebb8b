#include "analysis/frequency_pca.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/eigen_solver.hpp"
#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/messages.hpp"

namespace zeltric::analysis {

namespace {

// Clears the leading block of order n.
void clearBlock(SquareMatrix& matrix, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) matrix(i, j) = 0.0f;
}

float toFloat(double value) { return static_cast<float>(value); }

// A product that rounded to a negative zero is followed, in the reference
// products, by the +0 terms of the zero rows and columns beyond the data,
// which turn it into +0.
float positiveZero(float value) { return value == 0.0f ? 0.0f : value; }

// Step 1, first part: the retained alleles' columns 1..nA in locus and
// allele order (pooled frequency, allele number, each locus's first column,
// firstColumn[nl + 1] = nA + 1), the alleles per locus, H and the typed
// loci. pooled and alleleOf hold at least capacity + 1 entries.
void poolColumns(const data::Dataset& ds, const data::CountTables& counts,
                 const std::array<int, base::NLMax + 1>& locusTotals, int capacity, double* pooled,
                 std::uint8_t* alleleOf, std::array<int, base::NLMax + 2>& firstColumn, PcaResult& result) {
    float h = 0.0f;
    int col = 0;
    int typedLoci = 0;
    for (int l = 1; l <= ds.nl; ++l) {
        firstColumn[static_cast<std::size_t>(l)] = col + 1;
        result.allelesPerLocus[static_cast<std::size_t>(l)] = 0;
        const int bigN = locusTotals[static_cast<std::size_t>(l)];
        if (bigN > 0) ++typedLoci;
        for (int a = 1; a <= ds.nu; ++a) {
            const double t = counts.alleleTotal(l, a);
            if (t == 0.0) continue;
            ++col;
            ZELTRIC_ASSERT(col <= capacity && bigN > 0);
            ++result.allelesPerLocus[static_cast<std::size_t>(l)];
            h = toFloat(static_cast<double>(h) + t * t / 4.0 / bigN / bigN);
            pooled[col] = t / 2.0 / bigN;
            alleleOf[col] = static_cast<std::uint8_t>(a);
        }
    }
    firstColumn[static_cast<std::size_t>(ds.nl) + 1] = col + 1;
    result.alleleColumnCount = static_cast<std::uint16_t>(col);
    result.typedLoci = static_cast<std::uint16_t>(typedLoci);
    // An untyped locus has no retained allele and no heterozygosity.
    result.heterozygositySum = toFloat(static_cast<double>(typedLoci) - static_cast<double>(h));
}

// Step 1, second part: the centred frequencies of every sample into its row
// of X, rowOf(j), indexed by column; read and written along the rows of the
// count tables and of X.
template <class RowOf>
void centreRows(const data::Dataset& ds, const data::CountTables& counts, const double* pooled,
                const std::uint8_t* alleleOf, const std::array<int, base::NLMax + 2>& firstColumn,
                const KernelSelection& kernels, RowOf rowOf) {
    std::array<double, base::NUMax + 1> gathered;
    for (int j = 1; j <= ds.np; ++j) {
        float* row = rowOf(j);
        for (int l = 1; l <= ds.nl; ++l) {
            const int n = counts.sampleSize(j, l);
            const int first = firstColumn[static_cast<std::size_t>(l)];
            const int last = firstColumn[static_cast<std::size_t>(l) + 1] - 1;
            if (n == 0) {
                for (int c = first; c <= last; ++c) row[c] = 0.0f;
                continue;
            }
            if (kernels.reference) {
                for (int c = first; c <= last; ++c)
                    row[c] = toFloat(counts.alleleCount(j, l, alleleOf[c]) / 2.0 / n - pooled[c]);
                continue;
            }
            // The locus's counts side by side, so the kernel divides a vector at a time.
            for (int c = first; c <= last; ++c)
                gathered[static_cast<std::size_t>(c - first)] = counts.alleleCount(j, l, alleleOf[c]);
            CentredFrequencies(gathered.data(), static_cast<double>(n), &pooled[first], last - first + 1,
                               row + first, kernels.isa);
        }
    }
}

// Step 1: centred frequencies into X, allele columns, heterozygosity.
void buildFrequencies(const data::Dataset& ds, const data::CountTables& counts, PcaWorkspace& ws,
                      PcaResult& result, const std::array<int, base::NLMax + 1>& locusTotals) {
    std::array<double, kMatrixOrder + 1> pooled{};
    std::array<std::uint8_t, kMatrixOrder + 1> alleleOf{};
    std::array<int, base::NLMax + 2> firstColumn{};
    poolColumns(ds, counts, locusTotals, kMatrixOrder, pooled.data(), alleleOf.data(), firstColumn, result);
    centreRows(ds, counts, pooled.data(), alleleOf.data(), firstColumn, ws.kernels,
               [&](int j) { return ws.x.row(j); });
}

// Step 2: the weight of every sample.
void computeWeights(const data::Dataset& ds, const data::CountTables& counts,
                    const std::array<int, base::NLMax + 1>& locusTotals, RealVector& weights) {
    for (int j = 1; j <= ds.np; ++j)
        weights[static_cast<std::size_t>(j)] = sampleWeight(counts, locusTotals, ds.nl, j);
}

// W is the identity on 1..nA, D the diagonal of the sample weights.
void buildWeights(const data::Dataset& ds, const RealVector& weights, PcaWorkspace& ws, int nA) {
    for (int i = 1; i <= nA; ++i)
        for (int j = 1; j <= nA; ++j) ws.w(i, j) = i == j ? 1.0f : 0.0f;
    for (int j = 1; j <= ds.np; ++j) {
        for (int i = 1; i <= ds.np; ++i) ws.d(j, i) = 0.0f;
        ws.d(j, j) = weights[static_cast<std::size_t>(j)];
    }
}

void invertWeights(PcaWorkspace& ws, int np) {
    for (int j = 1; j <= np; ++j)
        ws.d(j, j) = ws.d(j, j) > 0.0f ? toFloat(1.0 / static_cast<double>(ws.d(j, j))) : 0.0f;
}

}  // namespace

std::uint16_t BrokenStickAxes(const RealVector& eigenvalues, int p, float totalInertia) {
    // Without inertia every expectation is 0 and would be "reached" by every
    // axis; no axis carries anything then, so none is counted.
    if (p < 1 || totalInertia == 0.0f) return 0;
    std::array<float, kMatrixOrder + 1> b{};
    for (int z = 1; z <= p; ++z) b[static_cast<std::size_t>(z)] = toFloat(1.0 / z);
    for (int k = 1; k <= p - 1; ++k) {
        float sum = b[static_cast<std::size_t>(k)];
        for (int z = k + 1; z <= p; ++z) sum = sum + b[static_cast<std::size_t>(z)];
        b[static_cast<std::size_t>(k)] = sum;
    }
    int k = 1;
    while (k < p && !(static_cast<double>(b[static_cast<std::size_t>(k)]) / p * static_cast<double>(totalInertia) >
                      static_cast<double>(eigenvalues[static_cast<std::size_t>(k)])))
        ++k;
    return static_cast<std::uint16_t>(k - 1);
}

double axisShareRatio(const PcaResult& result, int k) {
    if (result.globalFst == 0.0f) return 0.0;
    return static_cast<double>(result.axisFst[static_cast<std::size_t>(k)]) /
           static_cast<double>(result.globalFst);
}

float sampleWeight(const data::CountTables& counts, const std::array<int, base::NLMax + 1>& locusTotals, int nl,
                   int j) {
    double sum = 0.0;
    double first = 0.0;
    bool same = true;
    int typed = 0;
    for (int l = 1; l <= nl; ++l) {
        const int bigN = locusTotals[static_cast<std::size_t>(l)];
        if (bigN == 0) continue;
        const double share = static_cast<double>(counts.sampleSize(j, l)) / bigN;
        if (typed == 0)
            first = share;
        else if (share != first)
            same = false;
        sum += share;
        ++typed;
    }
    return typed == 0 ? 0.0f : same ? toFloat(first) : toFloat(sum / typed);
}

float axisShare(const PcaResult& result, int k) { return toFloat(axisShareRatio(result, k)); }

namespace {

int retainedAlleles(const data::Dataset& ds, const data::CountTables& counts) {
    int nA = 0;
    for (int l = 1; l <= ds.nl; ++l)
        for (int a = 1; a <= ds.nu; ++a)
            if (counts.alleleTotal(l, a) != 0.0) ++nA;
    return nA;
}

std::array<int, base::NLMax + 1> sampleTotals(const data::Dataset& ds, const data::CountTables& counts) {
    std::array<int, base::NLMax + 1> totals{};
    for (int l = 1; l <= ds.nl; ++l)
        for (int j = 1; j <= ds.np; ++j) totals[static_cast<std::size_t>(l)] += counts.sampleSize(j, l);
    return totals;
}

// Step 5: inertia and Fst from the eigenvalues.
void storeFst(int p, PcaResult& result) {
    float total = 0.0f;
    for (int k = 1; k <= p; ++k) total = total + result.eigenvalues[static_cast<std::size_t>(k)];
    result.totalInertia = total;
    const double h = result.heterozygositySum;
    const bool noHeterozygosity = !(h > 0.0);
    result.globalFst = noHeterozygosity ? 0.0f : toFloat(static_cast<double>(total) / h);
    for (int k = 1; k <= p; ++k)
        result.axisFst[static_cast<std::size_t>(k)] =
            noHeterozygosity ? 0.0f
                             : toFloat(static_cast<double>(result.eigenvalues[static_cast<std::size_t>(k)]) / h);
}

float clampedEigenvalue(const PcaWorkspace& ws, int k) {
    const float lambda = ws.diagonal[ws.order[static_cast<std::size_t>(k)]];
    return lambda >= 0.0f ? lambda : 0.0f;  // a negative rounding residue
}

// Step 4 of a randomised call: the eigenvalues of the leading p x p block of
// ws.m alone, in descending order, by the kernels selected.
void randomisedEigenvalues(PcaWorkspace& ws, int p, PcaResult& result, PcaCallReport& report) {
    if (ws.kernels.reference) {
        Tridiagonalize(ws.m, p, ws.diagonal, ws.offDiagonal);
        report.tqliNotices = TQLI(ws.diagonal, ws.offDiagonal, p, ws.m);
        SortEigenvalues(ws.diagonal, p, ws.order);
    } else {
        // m is not read again in a randomised call: the float form may use it up.
        if (WidenedReductionFits(p))
            TridiagonalizeEigenvaluesOnly(ws.m, p, ws.diagonal, ws.offDiagonal, ws.kernels.isa,
                                          ws.reductionScratch);
        else
            TridiagonalizeEigenvaluesOnly(ws.m, p, ws.diagonal, ws.offDiagonal, ws.kernels.isa);
        report.tqliNotices = TqliEigenvaluesOnly(ws.diagonal, ws.offDiagonal, p);
        FastSortEigenvalues(ws.diagonal, p, ws.order);
    }
    for (int k = 1; k <= p; ++k) result.eigenvalues[static_cast<std::size_t>(k)] = clampedEigenvalue(ws, k);
}

// A randomised call with the fast kernels: the same figures as the
// reference call, without the products by W and D, the upper triangle of M
// and the eigenvectors. False when the cross product met tiny values; the
// caller then makes the reference call.
bool fastRandomisedCall(const data::Dataset& ds, const data::CountTables& counts, int nA, PcaWorkspace& ws,
                        PcaResult& result, PcaCallReport& report) {
    const int np = ds.np;
    // Only blocks of order s are written; the next reference call clears them.
    ws.usedOrder = std::max({ws.usedOrder, np, nA});
    const std::array<int, base::NLMax + 1> locusTotals = sampleTotals(ds, counts);
    buildFrequencies(ds, counts, ws, result, locusTotals);
    RealVector weights{};
    computeWeights(ds, counts, locusTotals, weights);
    const KernelIsa isa = ws.kernels.isa;
    if (!FastCrossProduct(ws.x, weights, np, nA, ws.xt, ws.p, ws.m, isa)) return false;

    const int p = std::min(np, nA);
    result.dimension = static_cast<std::uint16_t>(p);
    randomisedEigenvalues(ws, p, result, report);
    storeFst(p, result);
    return true;
}

// Steps 1 and 2: clears what an earlier call left, centred frequencies and
// the weight matrices. Returns the order of the products.
int prepareCall(const data::Dataset& ds, const data::CountTables& counts, int nA, PcaWorkspace& ws,
                PcaResult& result, RealVector& weights) {
    const int s = std::max(static_cast<int>(ds.np), nA);
    const int clearOrder = std::max(s, ws.usedOrder);
    for (SquareMatrix* matrix : {&ws.w, &ws.d, &ws.x, &ws.xt, &ws.m, &ws.r, &ws.p, &ws.v})
        clearBlock(*matrix, clearOrder);
    ws.usedOrder = s;

    const std::array<int, base::NLMax + 1> locusTotals = sampleTotals(ds, counts);
    buildFrequencies(ds, counts, ws, result, locusTotals);
    ZELTRIC_ASSERT(result.alleleColumnCount == nA);
    computeWeights(ds, counts, locusTotals, weights);
    buildWeights(ds, weights, ws, nA);
    return s;
}

// Step 3: the smaller cross-product matrix into ws.m; the weight matrix of
// the case becomes its square root.
void crossProduct(PcaWorkspace& ws, const RealVector& weights, int np, int nA, int s, bool fast) {
    Transpose(ws.x, ws.xt, s);
    const CrossCase shape = crossCase(np, nA);
    if (shape == CrossCase::A)
        for (int i = 1; i <= nA; ++i) ws.w(i, i) = toFloat(std::sqrt(static_cast<double>(ws.w(i, i))));
    else
        for (int j = 1; j <= np; ++j) ws.d(j, j) = toFloat(std::sqrt(static_cast<double>(ws.d(j, j))));
    if (fast && FastCrossProduct(ws.x, weights, np, nA, ws.xt, ws.p, ws.m, ws.kernels.isa)) return;
    if (shape == CrossCase::A) {
        MatMul(ws.x, ws.w, ws.r, s);
        MatMul(ws.d, ws.r, ws.p, s);
        MatMul(ws.xt, ws.p, ws.r, s);
        MatMul(ws.w, ws.r, ws.m, s);  // Xt D X
    } else {
        MatMul(ws.xt, ws.d, ws.r, s);
        MatMul(ws.w, ws.r, ws.p, s);
        MatMul(ws.x, ws.p, ws.r, s);
        MatMul(ws.d, ws.r, ws.m, s);  // D^1/2 X Xt D^1/2
    }
}

// Step 4: eigen-decomposition, eigenvalues in descending order, the
// eigenvectors in ws.v.
void decompose(PcaWorkspace& ws, int p, PcaResult& result, PcaCallReport& report) {
    Tridiagonalize(ws.m, p, ws.diagonal, ws.offDiagonal);
    report.tqliNotices = TQLI(ws.diagonal, ws.offDiagonal, p, ws.m);
    SortEigenvalues(ws.diagonal, p, ws.order);
    for (int k = 1; k <= p; ++k) {
        const int slot = ws.order[static_cast<std::size_t>(k)];
        result.eigenvalues[static_cast<std::size_t>(k)] = clampedEigenvalue(ws, k);
        for (int i = 1; i <= p; ++i) {
            const float component = ws.m(i, slot);
            ws.v(i, k) = std::fabs(static_cast<double>(component)) < 0.00001 ? 0.0f : component;
        }
    }
}

// Step 6, first part: the figures the randomised calls are compared with.
void keepObservedFigures(int p, PcaResult& result) {
    result.observedGlobalFst = result.globalFst;
    for (int k = 1; k <= p; ++k) {
        result.observedAxisShare[static_cast<std::size_t>(k)] = axisShare(result, k);
        result.observedAxisFst[static_cast<std::size_t>(k)] = result.axisFst[static_cast<std::size_t>(k)];
    }
}

// Step 6: sample and allele coordinates.
void coordinates(PcaWorkspace& ws, int np, int nA, int p, int s, bool fast, PcaResult& result) {
    result.populationCoordinates.fillZero();
    result.alleleCoordinates.fillZero();
    clearBlock(ws.r, s);
    for (int k = 1; k <= p; ++k)
        ws.r(k, k) = toFloat(std::sqrt(static_cast<double>(result.eigenvalues[static_cast<std::size_t>(k)])));
    // Every operand is zero outside the block named by its dimensions, so
    // the fast products may stop there.
    auto product = [&](const SquareMatrix& a, const SquareMatrix& b, SquareMatrix& c, int rows, int inner,
                       int cols) {
        if (fast)
            FastMatMul(a, b, c, s, rows, inner, cols, ws.kernels.isa);
        else
            MatMul(a, b, c, s);
    };
    if (crossCase(np, nA) == CrossCase::A) {
        product(ws.v, ws.r, result.alleleCoordinates, p, p, p);
        product(ws.w, ws.v, ws.r, nA, nA, p);
        product(ws.x, ws.r, result.populationCoordinates, np, nA, p);
    } else {
        invertWeights(ws, np);
        product(ws.v, ws.r, ws.p, p, p, p);
        product(ws.d, ws.p, result.populationCoordinates, np, np, p);
        invertWeights(ws, np);  // back to D^1/2
        product(ws.d, ws.v, ws.r, np, np, p);
        product(ws.xt, ws.r, result.alleleCoordinates, nA, np, p);
    }
}

// Step 6, last part: percentages of inertia and the broken-stick axes.
void inertiaShares(int p, PcaResult& result) {
    const float total = result.totalInertia;
    for (int k = 1; k <= p - 1; ++k) {
        const double lambda = result.eigenvalues[static_cast<std::size_t>(k)];
        result.percentInertia[static_cast<std::size_t>(k)] =
            result.observedAxisShare[static_cast<std::size_t>(k)] > 0.001 ? toFloat(lambda * 100.0 / total) : 0.0f;
    }
    result.brokenStickAxes = BrokenStickAxes(result.eigenvalues, p, total);
}

// What the user is told about an observed data set without a usable analysis.
void explainEmptyAnalysis(int p, const PcaResult& result, PcaCallReport& report) {
    const bool noHeterozygosity = !(static_cast<double>(result.heterozygositySum) > 0.0);
    if (p == 0)
        report.informations.push_back(base::noAlleleMessage());
    else if (noHeterozygosity)
        report.informations.push_back(base::noHeterozygosityMessage());
    else if (result.totalInertia == 0.0f)
        report.informations.push_back(base::noInertiaMessage());
}

// The reference reading of steps 1 to 6; with fast kernels selected, the
// cross product and the coordinate products take the fast kernels, which
// give the same bits.
PcaCallReport fullCall(const data::Dataset& ds, const data::CountTables& counts, bool observed, int nA, bool fast,
                       PcaWorkspace& ws, PcaResult& result) {
    PcaCallReport report;
    const int np = ds.np;
    RealVector weights{};
    const int s = prepareCall(ds, counts, nA, ws, result, weights);
    crossProduct(ws, weights, np, nA, s, fast);
    const int p = std::min(np, nA);
    result.dimension = static_cast<std::uint16_t>(p);
    decompose(ws, p, result, report);
    storeFst(p, result);  // step 5
    if (!observed) return report;

    keepObservedFigures(p, result);
    coordinates(ws, np, nA, p, s, fast, result);
    inertiaShares(p, result);
    explainEmptyAnalysis(p, result, report);
    return report;
}

}  // namespace

PcaCallReport RunFrequencyPca(const data::Dataset& ds, const data::CountTables& counts, bool observed,
                              PcaWorkspace& ws, PcaResult& result) {
    ZELTRIC_ASSERT(ds.np <= base::NPMax && ds.nl <= base::NLMax && ds.nu <= base::NUMax);

    // Capacity first, so that nothing is stored for a data set that is refused.
    const int nA = retainedAlleles(ds, counts);
    if (nA > kMatrixOrder) {
        if (observed) throw base::FatalError(base::MessageId::MatrixDimension, base::matrixDimensionMessage());
        return RunWideFrequencyPca(ds, counts, ws, result);
    }

    const bool fast = !ws.kernels.reference;
    if (fast && !observed) {
        PcaCallReport report;
        if (fastRandomisedCall(ds, counts, nA, ws, result, report)) return report;
        return fullCall(ds, counts, observed, nA, false, ws, result);
    }
    return fullCall(ds, counts, observed, nA, fast, ws, result);
}

PcaCallReport RunWideFrequencyPca(const data::Dataset& ds, const data::CountTables& counts, PcaWorkspace& ws,
                                  PcaResult& result) {
    ZELTRIC_ASSERT(ds.np <= base::NPMax && ds.nl <= base::NLMax && ds.nu <= base::NUMax);
    PcaCallReport report;
    const int np = ds.np;
    const int nA = retainedAlleles(ds, counts);
    ZELTRIC_ASSERT(np <= nA);

    // Step 1 into the wide tables.
    const std::array<int, base::NLMax + 1> locusTotals = sampleTotals(ds, counts);
    const auto width = static_cast<std::size_t>(nA) + 1;
    ws.widePooled.resize(width);
    ws.wideAlleleOf.resize(width);
    ws.wideX.resize(static_cast<std::size_t>(np) * width);
    std::array<int, base::NLMax + 2> firstColumn{};
    poolColumns(ds, counts, locusTotals, nA, ws.widePooled.data(), ws.wideAlleleOf.data(), firstColumn, result);
    auto rowOf = [&](int j) { return &ws.wideX[static_cast<std::size_t>(j - 1) * width]; };
    centreRows(ds, counts, ws.widePooled.data(), ws.wideAlleleOf.data(), firstColumn, ws.kernels, rowOf);

    // Step 2: the square roots of the sample weights (case B).
    RealVector root{};
    for (int j = 1; j <= np; ++j)
        root[static_cast<std::size_t>(j)] =
            toFloat(std::sqrt(static_cast<double>(sampleWeight(counts, locusTotals, ds.nl, j))));

    // Step 3: P = W . (Xt . D^1/2), then M = D^1/2 . (X . P), every sum in
    // column order rounded to single precision after each term. Only the
    // lower triangle is formed, as the fast cross product forms it: the
    // eigenvalue reduction reads no other element.
    const auto n = static_cast<std::size_t>(np);
    std::vector<float> p(static_cast<std::size_t>(nA) * n);  // P(k, j) at (k - 1) * np + j - 1
    for (int j = 1; j <= np; ++j) {
        const float* xRow = rowOf(j);
        for (int k = 1; k <= nA; ++k)
            p[static_cast<std::size_t>(k - 1) * n + static_cast<std::size_t>(j - 1)] = positiveZero(
                toFloat(static_cast<double>(root[static_cast<std::size_t>(j)]) * static_cast<double>(xRow[k])));
    }
    std::vector<float> sums(n);
    for (int i = 1; i <= np; ++i) {
        const auto count = static_cast<std::size_t>(i);
        std::fill_n(sums.begin(), count, 0.0f);
        const float* xRow = rowOf(i);
        // Term k for every j of the row at once: each sum still takes its
        // terms in order, one rounding after each.
        for (int k = 1; k <= nA; ++k) {
            const double factor = xRow[k];
            const float* pRow = &p[static_cast<std::size_t>(k - 1) * n];
            for (std::size_t j = 0; j < count; ++j)
                sums[j] = toFloat(factor * static_cast<double>(pRow[j]) + static_cast<double>(sums[j]));
        }
        const double rootI = root[static_cast<std::size_t>(i)];
        for (int j = 1; j <= i; ++j) {
            const float value =
                positiveZero(toFloat(rootI * static_cast<double>(sums[static_cast<std::size_t>(j - 1)])));
            ws.m(i, j) = value;
            ws.m(j, i) = value;
        }
    }
    ws.usedOrder = std::max(ws.usedOrder, np);

    // Steps 4 and 5.
    result.dimension = static_cast<std::uint16_t>(np);
    randomisedEigenvalues(ws, np, result, report);
    storeFst(np, result);
    return report;
}

}  // namespace zeltric::analysis
