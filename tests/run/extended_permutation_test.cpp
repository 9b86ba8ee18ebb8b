#include "run/extended_test.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <span>

#include "extended/arrangement_analysis.hpp"
#include "extended/extended_analysis.hpp"
#include "extended/extended_report.hpp"
#include "extended/symmetric_eigen.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace ext = zeltric::extended;
using randomisation::RandomGenerator;

// Samples of the given sizes, individuals interleaved across samples (so
// that positions and individuals differ), `loci` random loci: biallelic
// ones, every fourth with three alleles when `multiallelic`, a genotype
// missing with probability `missing`.
ext::ExtendedData simulated(const std::vector<int>& sizes, int loci, double missing, bool multiallelic,
                            unsigned seed) {
    ext::ExtendedData data;
    std::vector<int> left = sizes;
    for (std::size_t j = 0; j < sizes.size(); ++j) data.sampleNames.push_back("pop" + std::to_string(j + 1));
    for (bool any = true; any;) {
        any = false;
        for (std::size_t j = 0; j < sizes.size(); ++j)
            if (left[j] > 0) {
                --left[j];
                any = true;
                data.sampleOf.push_back(static_cast<int>(j));
                data.individualNames.push_back("i" + std::to_string(data.sampleOf.size()));
            }
    }
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    data.genotypes = ext::GenotypeMatrix(data.sampleOf.size());
    for (int l = 0; l < loci; ++l) {
        const int alleles = multiallelic && l % 4 == 3 ? 3 : 2;
        // Sample-specific frequencies, so that some structure shows.
        std::vector<double> p(sizes.size());
        for (double& v : p) v = 0.1 + 0.8 * unit(random);
        std::vector<ext::Genotype> calls;
        for (const int j : data.sampleOf) {
            if (unit(random) < missing) {
                calls.emplace_back();
                continue;
            }
            auto draw = [&] {
                const double u = unit(random);
                if (u < p[static_cast<std::size_t>(j)]) return std::uint16_t{0};
                return static_cast<std::uint16_t>(alleles == 3 && u > 0.95 ? 2 : 1);
            };
            calls.push_back({draw(), draw()});
        }
        data.genotypes.addLocus(alleles, calls);
        std::vector<std::string> names;
        for (int a = 0; a < alleles; ++a) names.push_back(std::string(1, static_cast<char>('A' + a)));
        data.addLocusNames("L" + std::to_string(l + 1), names);
    }
    return data;
}

// The definition recounted by hand for one assignment (individual ->
// sample): counts, centred frequencies, M, its eigenvalues, Fst and shares.
ext::ArrangementFigures handRecount(const ext::ExtendedData& data, const std::vector<int>& sampleOf) {
    const std::size_t P = data.samples();
    std::vector<double> cross(P * P, 0.0);
    std::vector<int> typedAnywhere(data.individuals(), 0);
    double h = 0.0;
    std::size_t columns = 0;
    for (std::size_t l = 0; l < data.loci(); ++l) {
        const std::size_t K = std::max<std::size_t>(data.alleleCount(l), 2);
        std::vector<double> n(P, 0.0);
        std::vector<double> c(P * K, 0.0);
        for (std::size_t i = 0; i < data.individuals(); ++i) {
            const ext::Genotype g = data.genotypes.at(l, i);
            if (g.missing()) continue;
            typedAnywhere[i] = 1;
            const auto j = static_cast<std::size_t>(sampleOf[i]);
            n[j] += 1;
            c[j * K + g.first] += 1;
            c[j * K + g.second] += 1;
        }
        double total = 0.0;
        for (const double v : n) total += v;
        if (total == 0.0) continue;
        double homozygosity = 0.0;
        for (std::size_t a = 0; a < K; ++a) {
            double t = 0.0;
            for (std::size_t j = 0; j < P; ++j) t += c[j * K + a];
            if (t == 0.0) continue;
            ++columns;
            const double pbar = t / (2 * total);
            homozygosity += pbar * pbar;
            std::vector<double> x(P, 0.0);
            for (std::size_t j = 0; j < P; ++j) x[j] = n[j] > 0 ? c[j * K + a] / (2 * n[j]) - pbar : 0.0;
            for (std::size_t j = 0; j < P; ++j)
                for (std::size_t k = 0; k < P; ++k) cross[j * P + k] += x[j] * x[k];
        }
        h += 1.0 - homozygosity;
    }
    std::vector<double> m(P, 0.0);
    double mTotal = 0.0;
    for (std::size_t i = 0; i < data.individuals(); ++i)
        if (typedAnywhere[i] != 0) {
            m[static_cast<std::size_t>(sampleOf[i])] += 1;
            mTotal += 1;
        }
    ext::SymmetricMatrix matrix(P);
    for (std::size_t j = 0; j < P; ++j)
        for (std::size_t k = 0; k < P; ++k)
            matrix(j, k) = std::sqrt(m[j] / mTotal * m[k] / mTotal) * cross[j * P + k];
    const ext::SymmetricEigen eigen = ext::DecomposeSymmetric(matrix);
    const std::size_t p = std::min(P, columns);
    ext::ArrangementFigures f;
    double t = 0.0;
    for (std::size_t k = 0; k < p; ++k) t += std::max(eigen.eigenvalues[k], 0.0);
    f.globalFst = h > 0 ? t / h : 0.0;
    for (std::size_t k = 0; k < p; ++k) f.shares.push_back(t > 0 ? std::max(eigen.eigenvalues[k], 0.0) / t : 0.0);
    return f;
}

// The fast route's figures of one arrangement against the recount's:
// global Fst within `relative` of it, every share within `shares`.
void expectRecountFigures(const ext::ArrangementAnalyser& fast, const ext::ArrangementAnalyser& reference,
                          const std::vector<int>& sampleOf, ext::ArrangementAnalyser::Work& work, double relative,
                          double shares, int label) {
    ext::ArrangementFigures a;
    ext::ArrangementFigures b;
    fast.analyse(sampleOf, work, a);
    reference.analyse(sampleOf, work, b);
    EXPECT_NEAR(a.globalFst, b.globalFst, relative * b.globalFst) << label;
    ASSERT_EQ(a.shares.size(), b.shares.size());
    for (std::size_t k = 0; k < a.shares.size(); ++k) EXPECT_NEAR(a.shares[k], b.shares[k], shares) << label;
}

// The test as issue text states it, written out: positions sample by
// sample, a Fisher-Yates pass per arrangement, counts against the observed
// figures with the 1e-9 tolerance.
struct HandTest {
    double fstP = 0.0;
    std::vector<double> axisP;
    RandomGenerator after;
};
HandTest handTest(const ext::ExtendedData& data, const ext::ExtendedResult& observed, RandomGenerator generator,
                  int randomisations) {
    std::vector<int> individualAt;
    std::vector<int> sampleAt;
    for (std::size_t j = 0; j < data.samples(); ++j)
        for (std::size_t i = 0; i < data.individuals(); ++i)
            if (data.sampleOf[i] == static_cast<int>(j)) {
                individualAt.push_back(static_cast<int>(i));
                sampleAt.push_back(static_cast<int>(j));
            }
    const std::size_t tested = observed.dimension - 1;
    int fst = 0;
    std::vector<int> axes(tested, 0);
    for (int r = 1; r < randomisations; ++r) {
        for (int i = static_cast<int>(individualAt.size()); i >= 2; --i) {
            const int k = 1 + generator.integerDeviate(i);
            std::swap(individualAt[static_cast<std::size_t>(i - 1)],
                      individualAt[static_cast<std::size_t>(k - 1)]);
        }
        std::vector<int> sampleOf(data.individuals());
        for (std::size_t p = 0; p < individualAt.size(); ++p)
            sampleOf[static_cast<std::size_t>(individualAt[p])] = sampleAt[p];
        const ext::ArrangementFigures f = handRecount(data, sampleOf);
        if (f.globalFst >= observed.globalFst * (1 - 1e-9)) ++fst;
        for (std::size_t k = 0; k < tested; ++k)
            if (f.shares[k] >= observed.axisShare[k] * (1 - 1e-9)) ++axes[k];
    }
    HandTest out;
    out.fstP = (1.0 + fst) / randomisations;
    for (const int a : axes) out.axisP.push_back((1.0 + a) / randomisations);
    out.after = generator;
    return out;
}

class CountingObserver : public randomisation::TestObserver {
public:
    explicit CountingObserver(int cancelAfter = -1) : cancelAfter_(cancelAfter) {}
    void started(int randomisations) override { started_ = randomisations; }
    void taken(int arrangement) override {
        EXPECT_EQ(arrangement, taken_ + 1);
        taken_ = arrangement;
    }
    void finished() override { ++finished_; }
    bool cancelRequested() override { return cancelAfter_ >= 0 && taken_ >= cancelAfter_; }
    void notice(const std::string&) override {}
    int started_ = 0;
    int taken_ = 0;
    int finished_ = 0;

private:
    int cancelAfter_;
};

RandomGenerator seeds(std::int32_t a, std::int32_t b) {
    RandomGenerator g;
    g.seed1 = a;
    g.seed2 = b;
    return g;
}

struct TestRun {
    run::ExtendedTestOutcome outcome;
    std::string shares;
    RandomGenerator after;
};
TestRun runTest(const ext::ExtendedData& data, const ext::ExtendedResult& observed, int randomisations,
                int threads, TempDir& dir, bool useGram = true, int cancelAfter = -1) {
    const ext::ArrangementAnalyser analyser(data, observed, threads, useGram);
    TestRun out;
    out.after = seeds(12345, 67890);
    const std::string path = dir.file("shares" + std::to_string(threads) + ".per");
    writeFile(path, "");
    CountingObserver observer(cancelAfter);
    out.outcome = run::RunExtendedPermutationTest(data, observed, analyser, out.after, randomisations, threads,
                                                  path, observer);
    EXPECT_EQ(observer.started_, randomisations);
    EXPECT_EQ(observer.finished_, 1);
    out.shares = readFile(path);
    return out;
}

TEST(ExtendedPermutation, PValuesEqualAHandRecountOfEveryArrangement) {
    TempDir dir;
    // Complete biallelic data (the Gram matrix's path), then missing
    // genotypes and three-allele loci (the recount's), then both mixed.
    struct Case {
        double missing;
        bool multiallelic;
    };
    for (const Case c : {Case{0.0, false}, Case{0.05, true}, Case{0.01, false}}) {
        const ext::ExtendedData data = simulated({4, 3, 5, 2}, 30, c.missing, c.multiallelic, 7);
        const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
        ASSERT_GE(observed.dimension, 3u);
        const HandTest hand = handTest(data, observed, seeds(12345, 67890), 300);
        const TestRun fast = runTest(data, observed, 300, 2, dir);
        EXPECT_EQ(fast.outcome.fstPValue, hand.fstP) << c.missing;
        EXPECT_EQ(fast.outcome.axisPValues, hand.axisP) << c.missing;
        EXPECT_EQ(fast.after.seed1, hand.after.seed1);
        EXPECT_EQ(fast.after.seed2, hand.after.seed2);
        // Not every P-value at its bound: the test tells arrangements apart.
        EXPECT_GT(*std::max_element(hand.axisP.begin(), hand.axisP.end()), 1.0 / 300);
        EXPECT_EQ(std::count(fast.shares.begin(), fast.shares.end(), '\n'), 299);
    }
}

TEST(ExtendedPermutation, GramPathMatchesTheRecountOnEveryArrangement) {
    // Complete loci through the Gram matrix, incomplete ones recounted,
    // against recounting every locus: the same figures to rounding, the
    // same P-values and share lines.
    TempDir dir;
    ext::ExtendedData data = simulated({6, 9, 4, 7, 5, 3, 8, 2, 5, 6, 4, 3, 7, 5, 5, 2}, 2500, 0.0, false, 11);
    const ext::ExtendedData withMissing =
        simulated({6, 9, 4, 7, 5, 3, 8, 2, 5, 6, 4, 3, 7, 5, 5, 2}, 40, 0.02, true, 12);
    for (std::size_t l = 0; l < withMissing.loci(); ++l) {
        std::vector<ext::Genotype> calls;
        for (std::size_t i = 0; i < withMissing.individuals(); ++i)
            calls.push_back(withMissing.genotypes.at(l, i));
        data.genotypes.addLocus(withMissing.genotypes.alleleCount(l), calls);
        std::vector<std::string> names;
        for (std::size_t a = 0; a < withMissing.alleleCount(l); ++a) names.push_back(withMissing.alleleName(l, a));
        data.addLocusNames("M" + std::to_string(l + 1), names);
    }
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
    const ext::ArrangementAnalyser fast(data, observed, 2);
    const ext::ArrangementAnalyser reference(data, observed, 1, false);
    EXPECT_GE(fast.completeLoci(), 2500u);
    EXPECT_LT(fast.completeLoci(), data.loci());
    EXPECT_EQ(reference.completeLoci(), 0u);

    // The observed arrangement gives the observed figures.
    ext::ArrangementAnalyser::Work work;
    ext::ArrangementFigures f;
    fast.analyse(data.sampleOf, work, f);
    EXPECT_NEAR(f.globalFst, observed.globalFst, 1e-12 * observed.globalFst);
    for (std::size_t k = 0; k < observed.dimension; ++k) EXPECT_NEAR(f.shares[k], observed.axisShare[k], 1e-11);

    std::mt19937 random(3);
    std::vector<int> sampleOf = data.sampleOf;
    for (int r = 0; r < 50; ++r) {
        std::shuffle(sampleOf.begin(), sampleOf.end(), random);
        ext::ArrangementFigures a;
        ext::ArrangementFigures b;
        fast.analyse(sampleOf, work, a);
        reference.analyse(sampleOf, work, b);
        const ext::ArrangementFigures hand = handRecount(data, sampleOf);
        EXPECT_NEAR(a.globalFst, b.globalFst, 1e-12 * b.globalFst);
        EXPECT_NEAR(b.globalFst, hand.globalFst, 1e-12 * b.globalFst);
        for (std::size_t k = 0; k < observed.dimension; ++k) EXPECT_NEAR(a.shares[k], b.shares[k], 1e-11);
    }
    const TestRun gram = runTest(data, observed, 200, 1, dir);
    const TestRun recount = runTest(data, observed, 200, 3, dir, false);
    EXPECT_EQ(gram.outcome.fstPValue, recount.outcome.fstPValue);
    EXPECT_EQ(gram.outcome.axisPValues, recount.outcome.axisPValues);
    EXPECT_EQ(gram.shares, recount.shares);
}

TEST(ExtendedPermutation, SparseCorrectionsMatchTheRecountWithManyMissingGenotypes) {
    // 30 % missing: samples of one and two individuals often have nobody
    // typed at a locus; a sample of 130 passes the 8-bit sums' 127
    // individuals; over 1024 two-allele loci with missing genotypes fill two
    // chunks of the samples' sums; every fourth locus has three alleles
    // (recounted).
    TempDir dir;
    const ext::ExtendedData data = simulated({1, 2, 130, 3, 5, 2}, 1500, 0.3, true, 17);
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
    const ext::ArrangementAnalyser fast(data, observed, 2);
    const ext::ArrangementAnalyser reference(data, observed, 1, false);
    EXPECT_GT(fast.sparseLoci(), 1024u);
    EXPECT_EQ(fast.completeLoci(), 0u);
    EXPECT_EQ(fast.recountedLoci(), 375u);
    EXPECT_EQ(reference.sparseLoci(), 0u);

    ext::ArrangementAnalyser::Work work;
    ext::ArrangementFigures f;
    fast.analyse(data.sampleOf, work, f);
    EXPECT_NEAR(f.globalFst, observed.globalFst, 1e-12 * observed.globalFst);
    std::mt19937 random(5);
    std::vector<int> sampleOf = data.sampleOf;
    int emptySamples = 0;
    for (int r = 0; r < 40; ++r) {
        std::shuffle(sampleOf.begin(), sampleOf.end(), random);
        expectRecountFigures(fast, reference, sampleOf, work, 1e-12, 1e-11, r);
        // Count the (sample, locus) pairs left with nobody typed.
        for (std::size_t l = 0; l < data.loci(); ++l) {
            ext::LocusCounts counts;
            ext::CountLocusAs(data, l, sampleOf, counts);
            for (const std::int64_t typed : counts.typed) emptySamples += typed == 0 ? 1 : 0;
        }
    }
    EXPECT_GT(emptySamples, 1000);

    // Arrangements analysed together, by a worker that has analysed others
    // before, keep the bits each gets alone from a fresh worker.
    std::vector<std::vector<int>> five;
    for (int r = 0; r < 5; ++r) {
        std::shuffle(sampleOf.begin(), sampleOf.end(), random);
        five.push_back(sampleOf);
    }
    std::vector<std::span<const int>> group(five.begin(), five.end());
    std::vector<ext::ArrangementFigures> together(5);
    fast.analyseTogether(std::span(group).subspan(0, 3), work, std::span(together).subspan(0, 3));
    fast.analyseTogether(std::span(group).subspan(3, 2), work, std::span(together).subspan(3, 2));
    for (std::size_t r = 0; r < 5; ++r) {
        ext::ArrangementAnalyser::Work fresh;
        ext::ArrangementFigures alone;
        fast.analyse(five[r], fresh, alone);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(alone.globalFst),
                  std::bit_cast<std::uint64_t>(together[r].globalFst));
        EXPECT_EQ(alone.shares, together[r].shares);
    }

    const TestRun sparse = runTest(data, observed, 300, 2, dir);
    const TestRun recount = runTest(data, observed, 300, 1, dir, false);
    EXPECT_EQ(sparse.outcome.fstPValue, recount.outcome.fstPValue);
    EXPECT_EQ(sparse.outcome.axisPValues, recount.outcome.axisPValues);
    EXPECT_EQ(sparse.shares, recount.shares);
}

TEST(ExtendedPermutation, LargeSamplesKeepTheIntegerProductsExact) {
    // A sample of 1,100 with about one individual missing a locus: the
    // products of its sums reach about 1.2 million, so the thousands of loci
    // where it misses one individual pass 32 bits unless the running sums
    // are moved to 64 bits on the way.
    const ext::ExtendedData data = simulated({1100, 30, 20}, 12000, 0.001, false, 23);
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
    const ext::ArrangementAnalyser fast(data, observed, 2);
    const ext::ArrangementAnalyser reference(data, observed, 1, false);
    EXPECT_GT(fast.sparseLoci(), 7000u);
    ext::ArrangementAnalyser::Work work;
    std::mt19937 random(29);
    std::vector<int> sampleOf = data.sampleOf;
    for (int r = 0; r < 4; ++r) {
        if (r > 0) std::shuffle(sampleOf.begin(), sampleOf.end(), random);
        // Little structure here: the figures are small differences, good
        // to about 1e-11; a lost 2^32 would move them by far more.
        expectRecountFigures(fast, reference, sampleOf, work, 1e-9, 1e-9, r);
    }
}

TEST(ExtendedPermutation, AnyThreadCountGivesTheSameBits) {
    TempDir dir;
    const ext::ExtendedData data = simulated({5, 8, 3, 6}, 70, 0.01, true, 5);
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
    const TestRun one = runTest(data, observed, 150, 1, dir);
    for (const int threads : {2, 3, 5}) {
        const TestRun many = runTest(data, observed, 150, threads, dir);
        EXPECT_EQ(many.shares, one.shares) << threads;
        EXPECT_EQ(many.outcome.fstPValue, one.outcome.fstPValue);
        EXPECT_EQ(many.outcome.axisPValues, one.outcome.axisPValues);
        EXPECT_EQ(many.after.seed1, one.after.seed1);
        EXPECT_EQ(many.after.seed2, one.after.seed2);
    }
    // The Gram matrix built in pieces of rows, as separate processes give
    // them, is the one built at once.
    const ext::ArrangementAnalyser whole(data, observed, 1);
    ext::ArrangementAnalyser pieces(data, observed, 1, true, false);
    const std::size_t n = data.individuals();
    for (std::size_t first = 0; first < n; first += 7)
        pieces.setGramRows(first, whole.buildGramRows(first, std::min(n, first + 7), 2));
    ext::ArrangementAnalyser::Work work;
    ext::ArrangementFigures a;
    ext::ArrangementFigures b;
    std::vector<int> sampleOf = data.sampleOf;
    std::reverse(sampleOf.begin(), sampleOf.end());
    whole.analyse(sampleOf, work, a);
    pieces.analyse(sampleOf, work, b);
    EXPECT_EQ(a.globalFst, b.globalFst);
    EXPECT_EQ(a.shares, b.shares);
}

TEST(ExtendedPermutation, CancelKeepsTheArrangementsTakenAndTheirStream) {
    TempDir dir;
    const ext::ExtendedData data = simulated({5, 4, 6}, 20, 0.0, false, 9);
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
    for (const int threads : {1, 2}) {
        const TestRun cancelled = runTest(data, observed, 1000, threads, dir, true, 37);
        EXPECT_TRUE(cancelled.outcome.cancelled);
        EXPECT_EQ(std::count(cancelled.shares.begin(), cancelled.shares.end(), '\n'), 37);
        // The generator stands after the 37 arrangements taken.
        const HandTest hand = handTest(data, observed, seeds(12345, 67890), 38);
        EXPECT_EQ(cancelled.after.seed1, hand.after.seed1);
        EXPECT_EQ(cancelled.after.seed2, hand.after.seed2);
        const TestRun full = runTest(data, observed, 38, threads, dir);
        EXPECT_EQ(full.shares, cancelled.shares);
    }
    // A cancel before the first arrangement draws nothing.
    const TestRun none = runTest(data, observed, 100, 1, dir, true, 0);
    EXPECT_TRUE(none.outcome.cancelled);
    EXPECT_EQ(none.shares, "");
    EXPECT_EQ(none.after.seed1, 12345);
    EXPECT_EQ(none.after.seed2, 67890);
}

TEST(ExtendedPermutation, TestSectionListsAxesByTheExactAnalysisRule) {
    EXPECT_EQ(ext::ExtendedReportedPValueAxes({}), 0u);
    EXPECT_EQ(ext::ExtendedReportedPValueAxes({0.5}), 1u);
    EXPECT_EQ(ext::ExtendedReportedPValueAxes({0.5, 0.9, 0.01, 0.5}), 4u);
    EXPECT_EQ(ext::ExtendedReportedPValueAxes({0.5, 0.9, 0.4, 0.01}), 2u);
    EXPECT_EQ(ext::ExtendedReportedPValueAxes({0.01, 0.2, 0.4, 0.06, 0.01}), 3u);
    EXPECT_EQ(ext::ExtendedReportedPValueAxes({0.01, 0.2, 0.3, 0.3, 0.3}), 5u);
    const ext::ExtendedData data = simulated({2, 3}, 4, 0.0, false, 1);
    const std::string text = ext::ExtendedTestSectionText(data, 1000, 0.001, {0.25});
    EXPECT_EQ(text,
              "P-values are given after 1000 randomizations.\r\n"
              "With the following number of complete genotypes :\r\n"
              "pop1     2\r\npop2     3\r\n\r\n"
              "P-value for overall Fst: \r\n   0.00100\r\n"
              "P-values for the proportion of inertia of each axis: \r\n   0.25000\r\n");
}

}  // namespace
}  // namespace zeltric::test
