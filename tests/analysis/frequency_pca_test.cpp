#include "analysis/frequency_pca.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "analysis/results_report.hpp"
#include "analysis_data.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::analysis {
namespace {

using test::AnalysisData;
using Matrix = std::vector<std::vector<double>>;

// Heap-held because the matrices are large.
struct PcaRun {
    std::unique_ptr<PcaWorkspace> ws = std::make_unique<PcaWorkspace>();
    std::unique_ptr<PcaResult> result = std::make_unique<PcaResult>();
    PcaCallReport report;
};

PcaRun analyse(const data::Dataset& ds, bool observed = true) {
    PcaRun run;
    run.report = RunFrequencyPca(ds, ds.counts, observed, *run.ws, *run.result);
    return run;
}

float at(const RealVector& v, int k) { return v[static_cast<std::size_t>(k)]; }

// Plain double-precision Jacobi eigenvalues of a symmetric matrix, descending.
std::vector<double> jacobiEigenvalues(Matrix a) {
    const std::size_t n = a.size();
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j) off += a[i][j] * a[i][j];
        if (off < 1e-30) break;
        for (std::size_t p = 0; p < n; ++p)
            for (std::size_t q = p + 1; q < n; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (std::size_t k = 0; k < n; ++k) {
                    const double akp = a[k][p];
                    const double akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const double apk = a[p][k];
                    const double aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
            }
    }
    std::vector<double> values;
    for (std::size_t i = 0; i < n; ++i) values.push_back(a[i][i]);
    std::sort(values.rbegin(), values.rend());
    return values;
}

// X^T D X in double, straight from the counts (complete data: the weight of
// a sample is its share of all individuals).
Matrix crossProduct(const data::Dataset& ds) {
    const auto& c = ds.counts;
    std::vector<std::vector<double>> columns;  // per retained allele, per sample
    for (int l = 1; l <= ds.nl; ++l) {
        double bigN = 0.0;
        for (int j = 1; j <= ds.np; ++j) bigN += c.sampleSize(j, l);
        for (int a = 1; a <= ds.nu; ++a) {
            if (c.alleleTotal(l, a) == 0.0) continue;
            std::vector<double> column;
            for (int j = 1; j <= ds.np; ++j)
                column.push_back(c.alleleCount(j, l, a) / (2.0 * c.sampleSize(j, l)) -
                                 c.alleleTotal(l, a) / (2.0 * bigN));
            columns.push_back(column);
        }
    }
    double all = 0.0;
    for (int j = 1; j <= ds.np; ++j) all += c.sampleSize(j, 1);
    const std::size_t nA = columns.size();
    Matrix m(nA, std::vector<double>(nA, 0.0));
    for (std::size_t i = 0; i < nA; ++i)
        for (std::size_t k = 0; k < nA; ++k)
            for (int j = 1; j <= ds.np; ++j)
                m[i][k] += columns[i][static_cast<std::size_t>(j - 1)] * (c.sampleSize(j, 1) / all) *
                           columns[k][static_cast<std::size_t>(j - 1)];
    return m;
}

TEST(FrequencyPca, WorkedTwoSampleExample) {
    const data::Dataset ds = test::twoSampleDataset();
    const PcaRun run = analyse(ds);
    const PcaResult& r = *run.result;
    EXPECT_EQ(r.alleleColumnCount, 2);
    EXPECT_EQ(r.allelesPerLocus[1], 2);
    EXPECT_EQ(r.dimension, 2);
    EXPECT_EQ(r.typedLoci, 1);
    EXPECT_FLOAT_EQ(r.heterozygositySum, 0.48f);
    EXPECT_FLOAT_EQ(run.ws->x(1, 1), -0.2f);
    EXPECT_FLOAT_EQ(run.ws->x(2, 1), 0.2f);
    EXPECT_FLOAT_EQ(run.ws->x(1, 2), 0.2f);
    EXPECT_NEAR(at(r.eigenvalues, 1), 0.08, 1e-7);
    EXPECT_NEAR(at(r.eigenvalues, 2), 0.0, 1e-7);
    EXPECT_NEAR(r.totalInertia, 0.08, 1e-7);
    EXPECT_NEAR(r.globalFst, 1.0 / 6.0, 1e-6);
    EXPECT_FLOAT_EQ(at(r.observedAxisShare, 1), 1.0f);
    EXPECT_FLOAT_EQ(at(r.percentInertia, 1), 100.0f);
    EXPECT_EQ(r.brokenStickAxes, 1);
    EXPECT_NEAR(r.populationCoordinates(1, 1), 0.28284, 1e-5);
    EXPECT_NEAR(r.populationCoordinates(2, 1), -0.28284, 1e-5);
    EXPECT_NEAR(r.alleleCoordinates(1, 1), -0.2, 1e-6);
    EXPECT_NEAR(r.alleleCoordinates(2, 1), 0.2, 1e-6);
    EXPECT_EQ(run.report.tqliNotices, 0);
    EXPECT_TRUE(run.report.informations.empty());
}

// Coordinates checked through their definitions: the weighted sum of squares
// of the sample coordinates on axis k and the sum of squares of the allele
// coordinates both equal eigenvalue k.
void expectCoordinatesMatchEigenvalues(const data::Dataset& ds, const PcaRun& run, bool caseA) {
    const PcaResult& r = *run.result;
    for (int k = 1; k < r.dimension; ++k) {
        const double lambda = at(r.eigenvalues, k);
        if (lambda < 1e-4 * at(r.eigenvalues, 1)) continue;
        double samples = 0.0;
        double alleles = 0.0;
        for (int j = 1; j <= ds.np; ++j) {
            // D holds the weight in case A and its square root in case B.
            const double stored = run.ws->d(j, j);
            const double weight = caseA ? stored : stored * stored;
            samples += weight * r.populationCoordinates(j, k) * r.populationCoordinates(j, k);
        }
        for (int i = 1; i <= r.alleleColumnCount; ++i)
            alleles += r.alleleCoordinates(i, k) * r.alleleCoordinates(i, k);
        EXPECT_NEAR(samples, lambda, 1e-4 * at(r.eigenvalues, 1)) << "axis " << k;
        EXPECT_NEAR(alleles, lambda, 1e-4 * at(r.eigenvalues, 1)) << "axis " << k;
    }
}

struct GeneratedCase {
    int samples;
    int loci;
    int alleles;
    unsigned seed;
};

class CrossCheck : public ::testing::TestWithParam<GeneratedCase> {};

TEST_P(CrossCheck, EigenvaluesAgreeWithDoubleJacobiOnCompleteData) {
    const GeneratedCase g = GetParam();
    SCOPED_TRACE("seed " + std::to_string(g.seed));
    const AnalysisData data = AnalysisData::generated(g.samples, g.loci, g.alleles, 15, 0.0, g.seed);
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    const std::vector<double> expected = jacobiEigenvalues(crossProduct(data.ds));
    ASSERT_EQ(expected.size(), r.alleleColumnCount);
    ASSERT_EQ(r.dimension, std::min<int>(g.samples, r.alleleColumnCount));
    const double scale = expected.front();
    for (int k = 1; k <= r.dimension; ++k)
        EXPECT_NEAR(at(r.eigenvalues, k), expected[static_cast<std::size_t>(k - 1)], 1e-5 * scale) << "axis " << k;
    // The eigenvalues beyond p are those of the larger matrix only: zero.
    for (std::size_t k = r.dimension; k < expected.size(); ++k) EXPECT_NEAR(expected[k], 0.0, 1e-12);
    expectCoordinatesMatchEigenvalues(data.ds, run, g.samples > r.alleleColumnCount);
}

INSTANTIATE_TEST_SUITE_P(BothCases, CrossCheck,
                         ::testing::Values(GeneratedCase{40, 3, 3, 11},   // case A: np > nA
                                           GeneratedCase{25, 4, 4, 12},   // case A
                                           GeneratedCase{6, 5, 4, 13},    // case B: np < nA
                                           GeneratedCase{12, 6, 5, 14},   // case B
                                           GeneratedCase{8, 2, 4, 15}));  // np = nA: case B

TEST(FrequencyPca, ThreeSamplesOneBiallelicLocusUseCaseA) {
    AnalysisData data(3, 1, 2);
    const std::pair<int, int> genotypes[3][4] = {
        {{1, 1}, {1, 1}, {1, 2}, {1, 1}}, {{1, 2}, {2, 2}, {1, 2}, {2, 2}}, {{1, 2}, {1, 2}, {2, 2}, {1, 1}}};
    for (int j = 0; j < 3; ++j)
        for (const auto& g : genotypes[j]) data.genotypes[static_cast<std::size_t>(j)].push_back({g});
    data.count();
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    ASSERT_EQ(r.alleleColumnCount, 2);
    ASSERT_EQ(r.dimension, 2);
    // Case A keeps D itself (1/3 each) and M = X^T D X of order 2.
    EXPECT_FLOAT_EQ(run.ws->d(1, 1), 1.0f / 3.0f);
    const std::vector<double> expected = jacobiEigenvalues(crossProduct(data.ds));
    EXPECT_NEAR(at(r.eigenvalues, 1), expected[0], 1e-6);
    EXPECT_NEAR(at(r.eigenvalues, 2), 0.0, 1e-6);
    // Biallelic: the two allele columns are opposite, and so are their coordinates.
    EXPECT_NEAR(r.alleleCoordinates(1, 1), -r.alleleCoordinates(2, 1), 1e-6);
    expectCoordinatesMatchEigenvalues(data.ds, run, true);
}

TEST(FrequencyPca, FiguresAddUpOnMissingData) {
    const AnalysisData data = AnalysisData::generated(24, 12, 6, 20, 0.15, 21);
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    ASSERT_GT(r.dimension, 2);
    double percent = 0.0;
    double axisFst = 0.0;
    for (int k = 1; k <= r.dimension; ++k) {
        percent += at(r.eigenvalues, k) * 100.0 / r.totalInertia;
        axisFst += at(r.axisFst, k);
        if (k > 1) {
            EXPECT_GE(at(r.eigenvalues, k - 1), at(r.eigenvalues, k));
        }
    }
    EXPECT_NEAR(percent, 100.0, 1e-4);
    EXPECT_NEAR(axisFst, r.globalFst, 1e-6);
    EXPECT_NEAR(r.globalFst, r.totalInertia / r.heterozygositySum, 1e-7);
    EXPECT_EQ(r.observedGlobalFst, r.globalFst);
    // Weights are means of shares and so sum to 1.
    double weights = 0.0;
    for (int j = 1; j <= data.ds.np; ++j) weights += static_cast<double>(run.ws->d(j, j)) * run.ws->d(j, j);
    EXPECT_NEAR(weights, 1.0, 1e-5);
}

TEST(FrequencyPca, WeightIsTheMeanShareOverTypedLoci) {
    // Sample 1: 2 of 4 typed at locus 1, 1 of 3 at locus 2; locus 3 untyped
    // everywhere. Sample 3 is never typed.
    AnalysisData data(3, 3, 2);
    using G = std::pair<int, int>;
    data.genotypes[0] = {{G{1, 1}, G{1, 2}, G{0, 0}}, {G{1, 2}, G{0, 0}, G{0, 0}}};
    data.genotypes[1] = {{G{2, 2}, G{2, 2}, G{0, 0}}, {G{2, 2}, G{1, 1}, G{0, 0}}};
    data.genotypes[2] = {{G{0, 0}, G{0, 0}, G{0, 0}}};
    data.count();
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    ASSERT_EQ(r.alleleColumnCount, 4);  // case B: D holds square roots
    const double w1 = (2.0 / 4.0 + 1.0 / 3.0) / 2.0;
    const double w2 = (2.0 / 4.0 + 2.0 / 3.0) / 2.0;
    EXPECT_FLOAT_EQ(run.ws->d(1, 1), static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(w1)))));
    EXPECT_FLOAT_EQ(run.ws->d(2, 2), static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(w2)))));
    EXPECT_EQ(run.ws->d(3, 3), 0.0f);
    // The untyped locus adds nothing to H, and the untyped sample has zero rows.
    EXPECT_EQ(r.typedLoci, 2);
    EXPECT_EQ(r.allelesPerLocus[3], 0);
    const double p1 = 3.0 / 8.0;
    const double p2 = 0.5;
    EXPECT_NEAR(r.heterozygositySum, (1.0 - p1 * p1 - (1 - p1) * (1 - p1)) + (1.0 - p2 * p2 - (1 - p2) * (1 - p2)),
                1e-6);
    for (int col = 1; col <= 4; ++col) EXPECT_EQ(run.ws->x(3, col), 0.0f);
}

TEST(FrequencyPca, SameShareAtEveryLocusIsUsedAsItIs) {
    const AnalysisData data = AnalysisData::generated(5, 7, 3, 9, 0.0, 31);
    const PcaRun run = analyse(data.ds);  // case B
    for (int j = 1; j <= 5; ++j)
        EXPECT_EQ(run.ws->d(j, j),
                  static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(9.0 / 45.0)))));
}

TEST(FrequencyPca, AlleleWithZeroTotalGetsNoColumn) {
    AnalysisData data(2, 2, 5);
    using G = std::pair<int, int>;
    data.genotypes[0] = {{G{1, 3}, G{5, 5}}, {G{3, 3}, G{2, 5}}};
    data.genotypes[1] = {{G{1, 1}, G{2, 2}}};
    data.count();
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    EXPECT_EQ(r.allelesPerLocus[1], 2);  // alleles 1 and 3
    EXPECT_EQ(r.allelesPerLocus[2], 2);  // alleles 2 and 5
    EXPECT_EQ(r.alleleColumnCount, 4);
    // Column 2 is allele 3 of locus 1: frequency 3/4 in sample 1, 0 in
    // sample 2, 1/2 pooled.
    EXPECT_EQ(run.ws->x(1, 2), 0.25f);
    EXPECT_EQ(run.ws->x(2, 2), -0.5f);
}

// Loci x alleles with every allele present in one of two samples.
AnalysisData manyAlleles(int loci, int alleles, int extra) {
    AnalysisData data(2, loci, std::max(alleles, extra));
    for (int l = 1; l <= loci; ++l) {
        const int count = l == loci && extra > 0 ? extra : alleles;
        for (int a = 1; a <= count; ++a) {
            const int j = 1 + a % 2;
            data.ds.counts.alleleCount(j, l, a) = 2;
            data.ds.counts.alleleTotal(l, a) = 2;
            data.ds.counts.sampleSize(j, l) = static_cast<std::uint16_t>(data.ds.counts.sampleSize(j, l) + 1);
        }
    }
    return data;
}

TEST(FrequencyPca, FiveHundredAlleleColumnsAreAnalysed) {
    const AnalysisData data = manyAlleles(10, 50, 0);
    PcaRun run;
    run.report = RunFrequencyPca(data.ds, data.ds.counts, false, *run.ws, *run.result);
    EXPECT_EQ(run.result->alleleColumnCount, 500);
    EXPECT_EQ(run.result->dimension, 2);
    EXPECT_GT(run.result->totalInertia, 0.0f);
}

TEST(FrequencyPca, FiveHundredAndOneColumnsAreRefusedBeforeAnythingIsStored) {
    const AnalysisData data = manyAlleles(6, 90, 51);  // 5 x 90 + 51 = 501
    PcaRun run;
    run.result->alleleColumnCount = 7;
    try {
        (void)RunFrequencyPca(data.ds, data.ds.counts, true, *run.ws, *run.result);
        FAIL() << "no error";
    } catch (const base::FatalError& error) {
        EXPECT_EQ(error.what(), base::matrixDimensionMessage());
        EXPECT_EQ(std::string(error.what()), "Required matrix dimension too large (<=500). Existing.");
    }
    EXPECT_EQ(run.result->alleleColumnCount, 7);
    for (int j = 1; j <= 2; ++j)
        for (int col = 1; col <= kMatrixOrder; ++col) ASSERT_EQ(run.ws->x(j, col), 0.0f);
}

// What a randomised call gives, compared bit for bit.
void expectSameRandomisedFigures(const PcaRun& expected, const PcaRun& actual) {
    const PcaResult& e = *expected.result;
    const PcaResult& a = *actual.result;
    EXPECT_EQ(a.alleleColumnCount, e.alleleColumnCount);
    EXPECT_EQ(a.typedLoci, e.typedLoci);
    EXPECT_EQ(a.heterozygositySum, e.heterozygositySum);
    ASSERT_EQ(a.dimension, e.dimension);
    for (int k = 1; k <= e.dimension; ++k) {
        EXPECT_EQ(at(a.eigenvalues, k), at(e.eigenvalues, k)) << "axis " << k;
        EXPECT_EQ(at(a.axisFst, k), at(e.axisFst, k)) << "axis " << k;
    }
    EXPECT_EQ(a.totalInertia, e.totalInertia);
    EXPECT_EQ(a.globalFst, e.globalFst);
    EXPECT_EQ(actual.report.tqliNotices, expected.report.tqliNotices);
}

// The wide path is the randomised call's arithmetic on another matrix
// layout: where both apply (np <= nA), the same bits with either kernels,
// on complete and on missing data.
TEST(FrequencyPca, WidePathGivesTheRandomisedCallsBits) {
    for (const KernelSelection kernels : {KernelSelection::best(), KernelSelection::referenceKernels()})
        for (const double missing : {0.0, 0.2})
            for (const GeneratedCase g : {GeneratedCase{6, 5, 4, 21}, GeneratedCase{12, 6, 5, 22},
                                          GeneratedCase{8, 2, 4, 23}, GeneratedCase{30, 9, 8, 24}}) {
                SCOPED_TRACE("seed " + std::to_string(g.seed) + (kernels.reference ? " reference" : " fast") +
                             (missing > 0.0 ? " missing" : ""));
                const AnalysisData data =
                    AnalysisData::generated(g.samples, g.loci, g.alleles, 15, missing, g.seed);
                PcaRun narrow;
                PcaRun wide;
                narrow.ws->kernels = kernels;
                wide.ws->kernels = kernels;
                narrow.report = RunFrequencyPca(data.ds, data.ds.counts, false, *narrow.ws, *narrow.result);
                wide.report = RunWideFrequencyPca(data.ds, data.ds.counts, *wide.ws, *wide.result);
                ASSERT_LE(g.samples, narrow.result->alleleColumnCount);
                expectSameRandomisedFigures(narrow, wide);
            }
}

// Past 500 columns a randomised call (a bootstrap replicate) is analysed,
// not refused, and a workspace that held a wider or a narrower table before
// gives the bits of a fresh one.
TEST(FrequencyPca, RandomisedCallPastFiveHundredColumnsTakesTheWidePath) {
    const AnalysisData wideData = manyAlleles(6, 90, 51);  // 501 columns
    const AnalysisData narrowData = manyAlleles(10, 50, 0);
    PcaRun fresh;
    fresh.report = RunFrequencyPca(wideData.ds, wideData.ds.counts, false, *fresh.ws, *fresh.result);
    EXPECT_EQ(fresh.result->alleleColumnCount, 501);
    EXPECT_EQ(fresh.result->dimension, 2);
    EXPECT_GT(fresh.result->globalFst, 0.0f);
    PcaRun direct;
    direct.report = RunWideFrequencyPca(wideData.ds, wideData.ds.counts, *direct.ws, *direct.result);
    expectSameRandomisedFigures(fresh, direct);

    const PcaRun freshNarrow = analyse(narrowData.ds, false);
    PcaRun reused;
    reused.report = RunFrequencyPca(narrowData.ds, narrowData.ds.counts, false, *reused.ws, *reused.result);
    reused.report = RunFrequencyPca(wideData.ds, wideData.ds.counts, false, *reused.ws, *reused.result);
    expectSameRandomisedFigures(fresh, reused);
    reused.report = RunFrequencyPca(narrowData.ds, narrowData.ds.counts, false, *reused.ws, *reused.result);
    expectSameRandomisedFigures(freshNarrow, reused);
}

TEST(FrequencyPca, MonomorphicLociGiveZeroFstAndAMessage) {
    AnalysisData data(2, 2, 3);
    using G = std::pair<int, int>;
    data.genotypes[0] = {{G{2, 2}, G{1, 1}}, {G{2, 2}, G{1, 1}}};
    data.genotypes[1] = {{G{2, 2}, G{1, 1}}};
    data.count();
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    EXPECT_EQ(r.heterozygositySum, 0.0f);
    EXPECT_EQ(r.globalFst, 0.0f);
    EXPECT_EQ(r.observedGlobalFst, 0.0f);
    EXPECT_EQ(at(r.axisFst, 1), 0.0f);
    EXPECT_EQ(at(r.observedAxisShare, 1), 0.0f);
    ASSERT_EQ(run.report.informations.size(), 1u);
    EXPECT_EQ(run.report.informations[0], base::noHeterozygosityMessage());
    // Every text builds (the number fields refuse NaN and infinity).
    EXPECT_NE(resultsReportSection(data.ds, r).find("Global Fst:    0.00000"), std::string::npos);
    EXPECT_EQ(shareLine(r), "   0.00000\r\n");
}

TEST(FrequencyPca, EqualFrequenciesGiveZeroInertiaAndZeroShares) {
    AnalysisData data(2, 1, 2);
    using G = std::pair<int, int>;
    data.genotypes[0] = {{G{1, 2}}, {G{1, 1}}, {G{2, 2}}};
    data.genotypes[1] = {{G{1, 2}}, {G{1, 2}}, {G{2, 1}}};
    data.count();
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    EXPECT_EQ(r.totalInertia, 0.0f);
    EXPECT_EQ(r.globalFst, 0.0f);
    EXPECT_EQ(at(r.observedAxisShare, 1), 0.0f);
    EXPECT_EQ(at(r.percentInertia, 1), 0.0f);
    EXPECT_EQ(r.brokenStickAxes, 0);
    ASSERT_EQ(run.report.informations.size(), 1u);
    EXPECT_EQ(run.report.informations[0], base::noInertiaMessage());
    const std::string section = resultsReportSection(data.ds, r);
    EXPECT_NE(section.find("Percent Cumulative inertia\r\n\r\n"), std::string::npos);
    EXPECT_EQ(shareLine(r), "   0.00000\r\n");
}

TEST(FrequencyPca, NoRetainedAlleleGivesDimensionZeroAndAMessage) {
    AnalysisData data(3, 2, 4);  // nothing typed anywhere
    data.count();
    const PcaRun run = analyse(data.ds);
    const PcaResult& r = *run.result;
    EXPECT_EQ(r.alleleColumnCount, 0);
    EXPECT_EQ(r.dimension, 0);
    EXPECT_EQ(r.typedLoci, 0);
    EXPECT_EQ(r.brokenStickAxes, 0);
    EXPECT_EQ(r.globalFst, 0.0f);
    ASSERT_EQ(run.report.informations.size(), 1u);
    EXPECT_EQ(run.report.informations[0], base::noAlleleMessage());
    EXPECT_NE(resultsReportSection(data.ds, r).find("Total heterozygosity:    0.00000\r\n"), std::string::npos);
    EXPECT_EQ(sampleCoordinateText(data.ds, r), "\r\n\r\n\r\n");
    EXPECT_EQ(alleleCoordinateText(r), "");
}

TEST(FrequencyPca, RandomisedCallLeavesObservedFieldsAlone) {
    const AnalysisData observedData = AnalysisData::generated(10, 4, 3, 12, 0.1, 41);
    AnalysisData shuffled = AnalysisData::generated(10, 4, 3, 12, 0.1, 42);
    PcaRun run = analyse(observedData.ds);
    const PcaResult before = *run.result;
    const PcaCallReport report = RunFrequencyPca(shuffled.ds, shuffled.ds.counts, false, *run.ws, *run.result);
    const PcaResult& r = *run.result;
    EXPECT_TRUE(report.informations.empty());
    EXPECT_NE(r.globalFst, before.globalFst);
    EXPECT_EQ(r.observedGlobalFst, before.observedGlobalFst);
    EXPECT_EQ(r.observedAxisShare, before.observedAxisShare);
    EXPECT_EQ(r.observedAxisFst, before.observedAxisFst);
    EXPECT_EQ(r.percentInertia, before.percentInertia);
    EXPECT_EQ(r.brokenStickAxes, before.brokenStickAxes);
    for (int j = 1; j <= 10; ++j) EXPECT_EQ(r.populationCoordinates(j, 1), before.populationCoordinates(j, 1));
}

TEST(FrequencyPca, RandomisedCallWithoutInertiaHasZeroShares) {
    AnalysisData data(2, 1, 2);
    using G = std::pair<int, int>;
    data.genotypes[0] = {{G{1, 2}}, {G{2, 1}}};
    data.genotypes[1] = {{G{1, 1}}, {G{2, 2}}};
    data.count();
    PcaRun run = analyse(test::twoSampleDataset());
    (void)RunFrequencyPca(data.ds, data.ds.counts, false, *run.ws, *run.result);
    EXPECT_EQ(run.result->globalFst, 0.0f);
    EXPECT_EQ(axisShare(*run.result, 1), 0.0f);
    EXPECT_EQ(shareLine(*run.result), "   0.00000   0.00000\r\n");
}

TEST(FrequencyPca, AWorkspaceGivesTheSameBitsAfterALargerDataSet) {
    const AnalysisData large = AnalysisData::generated(30, 8, 5, 10, 0.1, 51);
    const AnalysisData small = AnalysisData::generated(4, 2, 3, 10, 0.1, 52);
    const PcaRun fresh = analyse(small.ds);
    PcaRun reused = analyse(large.ds);
    reused.report = RunFrequencyPca(small.ds, small.ds.counts, true, *reused.ws, *reused.result);
    const PcaResult& a = *fresh.result;
    const PcaResult& b = *reused.result;
    ASSERT_EQ(a.dimension, b.dimension);
    for (int k = 1; k <= a.dimension; ++k) {
        EXPECT_EQ(at(a.eigenvalues, k), at(b.eigenvalues, k));
        EXPECT_EQ(at(a.axisFst, k), at(b.axisFst, k));
    }
    EXPECT_EQ(a.globalFst, b.globalFst);
    EXPECT_EQ(shareLine(a), shareLine(b));
    EXPECT_EQ(resultsReportSection(small.ds, a), resultsReportSection(small.ds, b));
    EXPECT_EQ(sampleCoordinateText(small.ds, a), sampleCoordinateText(small.ds, b));
    EXPECT_EQ(alleleCoordinateText(a), alleleCoordinateText(b));
}

TEST(BrokenStickAxes, CountsLeadingAxesUpToTheFirstShortfall) {
    // p = 4, T = 1: expectations 0.5208, 0.2708, 0.1458, 0.0625.
    auto axes = [](std::initializer_list<float> values) {
        RealVector lambda{};
        int k = 0;
        for (float v : values) lambda[static_cast<std::size_t>(++k)] = v;
        return BrokenStickAxes(lambda, 4, 1.0f);
    };
    EXPECT_EQ(axes({0.5f, 0.3f, 0.2f, 0.0f}), 0);
    // Axis 2 falls short; axis 3 would pass but comes after it.
    EXPECT_EQ(axes({0.6f, 0.25f, 0.15f, 0.0f}), 1);
    // Axis 4 falls short but the last axis never counts.
    EXPECT_EQ(axes({0.55f, 0.28f, 0.17f, 0.0f}), 3);
    RealVector one{};
    one[1] = 0.3f;
    EXPECT_EQ(BrokenStickAxes(one, 1, 0.3f), 0);
    EXPECT_EQ(BrokenStickAxes(one, 0, 0.0f), 0);
}

}  // namespace
}  // namespace zeltric::analysis
