// The statistics: a case worked by hand, the pairwise test's stream, routes
// and thread counts, Holm's adjustment and the tables read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "randomisation/permutation_engine.hpp"
#include "randomisation/random_generator.hpp"
#include "statistics/observed_statistics.hpp"
#include "statistics/pairwise_test.hpp"
#include "statistics/statistics_tables.hpp"

namespace zeltric::test {
namespace {

namespace st = zeltric::statistics;
namespace ext = zeltric::extended;

constexpr std::uint16_t kMissing = ext::Genotype::kMissing;

// A data set from sample sizes and, per locus, its allele count and one
// call per individual.
struct Builder {
    ext::ExtendedData data;
    explicit Builder(const std::vector<int>& sizes) {
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            data.sampleNames.push_back("S" + std::to_string(s + 1));
            for (int i = 0; i < sizes[s]; ++i) {
                data.sampleOf.push_back(static_cast<int>(s));
                data.individualNames.push_back("i" + std::to_string(data.sampleOf.size()));
            }
        }
        data.genotypes = ext::GenotypeMatrix(data.sampleOf.size());
    }
    void locus(int alleles, const std::vector<ext::Genotype>& calls) {
        data.genotypes.addLocus(alleles, calls);
        std::vector<std::string> names;
        for (int a = 0; a < alleles; ++a) names.push_back(std::to_string(a + 1));
        data.addLocusNames("L" + std::to_string(data.loci() + 1), std::move(names));
    }
};

// P samples of the given sizes, `loci` loci of 2..maxAlleles alleles with
// sample-specific frequencies and a share `missing` of missing calls.
ext::ExtendedData randomData(const std::vector<int>& sizes, int loci, int maxAlleles, double missing,
                             unsigned seed) {
    Builder b(sizes);
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int l = 0; l < loci; ++l) {
        const int alleles = 2 + static_cast<int>(engine() % static_cast<unsigned>(maxAlleles - 1));
        std::vector<ext::Genotype> calls;
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            std::vector<double> weights;
            for (int a = 0; a < alleles; ++a) weights.push_back(unit(engine) + 0.05);
            std::discrete_distribution<int> allele(weights.begin(), weights.end());
            for (int i = 0; i < sizes[s]; ++i) {
                if (unit(engine) < missing) {
                    calls.push_back({});
                    continue;
                }
                calls.push_back(
                    {static_cast<std::uint16_t>(allele(engine)), static_cast<std::uint16_t>(allele(engine))});
            }
        }
        b.locus(alleles, calls);
    }
    return b.data;
}

class Silent final : public randomisation::TestObserver {
public:
    void started(int count) override { maximum = count; }
    void taken(int done) override { last = done; }
    void finished() override { ++finishedCalls; }
    bool cancelRequested() override { return cancelAfter >= 0 && last >= cancelAfter; }
    void notice(const std::string&) override {}
    int maximum = -1;
    int last = 0;
    int finishedCalls = 0;
    int cancelAfter = -1;
};

// Sample 1: AA, AB; sample 2: BB, BB at locus 1 (worked below). Locus 2 is
// typed in one individual of sample 1 only; locus 3 in nobody.
Builder handCase() {
    Builder b({2, 2});
    b.locus(2, {{0, 0}, {0, 1}, {1, 1}, {1, 1}});
    b.locus(2, {{0, 1}, {}, {}, {}});
    b.locus(2, {{}, {}, {}, {}});
    return b;
}

TEST(Statistics, TwoSamplesWorkedByHand) {
    // Locus 1: n_i = 2, r = 2, nbar = 2, n_c = (4 - 8/4) / 1 = 2. Allele A:
    // p = 3/4, 0; pbar = 3/8; s2 = (2 (3/8)^2 + 2 (3/8)^2) / 2 = 9/32;
    // hbar = 1/4; pbar(1-pbar) = 15/64.
    // a = 9/32 - (15/64 - 9/64 - 1/16) = 1/4; b = 2 (15/64 - 9/64 - 3/32)
    // = 0; c = 1/8. Allele B mirrors A: theta = 1/2 / 3/4 = 2/3,
    // F = 1 - 1/4 / 3/4 = 2/3, f = 1 - 1/4 / 1/4 = 0.
    // Nei: Ho = 1/4, sum p^2 = 5/8 and 1, ntilde = 2, Hs = 2 (1 - 13/16 -
    // 1/16) = 1/4, pbar = 3/8, 5/8, Ht = 1 - 17/32 + 1/16 - 1/32 = 1/2.
    const Builder b = handCase();
    const st::Statistics s = st::computeStatistics(b.data, 1);
    ASSERT_TRUE(s.theta && s.bigF && s.smallF);
    EXPECT_NEAR(*s.theta, 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(*s.bigF, 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(*s.smallF, 0.0, 1e-15);
    EXPECT_NEAR(s.loci[0].components.a, 0.5, 1e-15);
    EXPECT_NEAR(s.loci[0].components.b, 0.0, 1e-15);
    EXPECT_NEAR(s.loci[0].components.c, 0.25, 1e-15);
    EXPECT_NEAR(*s.loci[0].theta, 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(*s.loci[0].ho, 0.25, 1e-15);
    EXPECT_NEAR(*s.loci[0].hs, 0.25, 1e-15);
    EXPECT_NEAR(*s.loci[0].ht, 0.5, 1e-15);
    EXPECT_NEAR(*s.loci[0].dst, 0.25, 1e-15);
    EXPECT_NEAR(*s.loci[0].fst, 0.5, 1e-15);
    EXPECT_NEAR(*s.loci[0].fis, 0.0, 1e-15);
    // Locus 2: one sample typed, one individual: no theta, no Hs; locus 3
    // is typed in nobody and not listed.
    EXPECT_TRUE(s.loci[1].typed);
    EXPECT_FALSE(s.loci[1].theta);
    EXPECT_FALSE(s.loci[1].hs);
    EXPECT_FALSE(s.loci[2].typed);
    EXPECT_EQ(s.thetaLeftOut, std::vector<std::size_t>{1});
    EXPECT_EQ(s.neiLeftOut, std::vector<std::size_t>{1});
    EXPECT_EQ(s.neiLoci, 1u);
    EXPECT_NEAR(*s.ht, 0.5, 1e-15);
    // Per sample: sample 1 Ho = 1/2, Hs = 2 (1 - 5/8 - 1/8) = 1/2, Fis 0;
    // sample 2 is monomorphic: Hs = 0 and no Fis.
    ASSERT_EQ(s.samples.size(), 2u);
    EXPECT_EQ(s.samples[0].individuals, 2);
    EXPECT_NEAR(*s.samples[0].ho, 0.5, 1e-15);
    EXPECT_NEAR(*s.samples[0].hs, 0.5, 1e-15);
    EXPECT_NEAR(*s.samples[0].fis, 0.0, 1e-15);
    EXPECT_EQ(*s.samples[1].hs, 0.0);
    EXPECT_FALSE(s.samples[1].fis);
    // The only pair is the whole data set.
    ASSERT_EQ(s.pairTheta.size(), 1u);
    EXPECT_NEAR(*s.pairTheta[0], 2.0 / 3.0, 1e-15);
}

TEST(Statistics, PairThetaIsTheStatisticOfTheTwoSamplesAlone) {
    const ext::ExtendedData data = randomData({7, 9, 5, 11}, 40, 6, 0.1, 3);
    const st::Statistics all = st::computeStatistics(data, 1);
    for (std::size_t p = 0; p < all.pairs.size(); ++p) {
        // The pair's individuals as a data set of their own.
        std::vector<int> sizes{0, 0};
        std::vector<std::size_t> members;
        for (const std::size_t side : {all.pairs[p].j, all.pairs[p].k})
            for (std::size_t i = 0; i < data.individuals(); ++i)
                if (static_cast<std::size_t>(data.sampleOf[i]) == side) {
                    members.push_back(i);
                    ++sizes[side == all.pairs[p].j ? 0 : 1];
                }
        Builder pair(sizes);
        for (std::size_t l = 0; l < data.loci(); ++l) {
            std::vector<ext::Genotype> calls;
            for (const std::size_t i : members) calls.push_back(data.genotypes.at(l, i));
            pair.locus(data.genotypes.alleleCount(l), calls);
        }
        const st::Statistics alone = st::computeStatistics(pair.data, 1);
        ASSERT_TRUE(alone.theta && all.pairTheta[p]);
        EXPECT_EQ(*alone.theta, *all.pairTheta[p]) << "pair " << p;
    }
}

TEST(Statistics, AnyThreadCountGivesTheSameBits) {
    const ext::ExtendedData data = randomData({6, 8, 5, 7, 9}, 2100, 5, 0.08, 11);  // past one block
    const st::Statistics one = st::computeStatistics(data, 1);
    const st::Statistics three = st::computeStatistics(data, 3);
    EXPECT_EQ(one.theta, three.theta);
    EXPECT_EQ(one.smallF, three.smallF);
    EXPECT_EQ(one.hs, three.hs);
    EXPECT_EQ(one.pairTheta, three.pairTheta);
    for (std::size_t s = 0; s < one.samples.size(); ++s) EXPECT_EQ(one.samples[s].fis, three.samples[s].fis);

    st::PairwiseTestOptions options;
    options.randomisations = 200;
    options.seed1 = 4711;
    options.seed2 = 815;
    Silent quiet;
    const ext::ExtendedData small = randomData({6, 8, 5, 7, 9}, 30, 5, 0.08, 12);
    const st::Statistics observed = st::computeStatistics(small, 1);
    const st::PairwiseTestResult sequential = st::runPairwiseTest(small, observed.pairTheta, options, quiet);
    options.threads = 3;
    const st::PairwiseTestResult parallel = st::runPairwiseTest(small, observed.pairTheta, options, quiet);
    EXPECT_EQ(sequential.reached, parallel.reached);
    EXPECT_EQ(sequential.p, parallel.p);
    EXPECT_EQ(sequential.holm, parallel.holm);
    EXPECT_EQ(quiet.maximum, 10);
    EXPECT_EQ(quiet.last, 10);
}

TEST(PairwiseTest, FastRouteAgreesWithTheRecountOnEveryArrangement) {
    // Complete loci take the Gram route, loci with missing calls the recount.
    for (const double missing : {0.0, 0.15}) {
        const ext::ExtendedData data = randomData({9, 13, 4}, 60, 7, missing, 21);
        for (const st::SamplePair pair : st::samplePairs(3)) {
            st::PairwiseTestOptions fast;
            fast.randomisations = 300;
            fast.seed1 = 12345;
            fast.seed2 = 67890;
            st::PairwiseTestOptions recount = fast;
            recount.route = st::PairwiseTestOptions::Route::Recount;
            const auto a = st::pairArrangementThetas(data, pair, fast);
            const auto b = st::pairArrangementThetas(data, pair, recount);
            ASSERT_EQ(a.size(), 300u);
            ASSERT_EQ(a.size(), b.size());
            for (std::size_t r = 0; r < a.size(); ++r) {
                ASSERT_TRUE(a[r] && b[r]);
                EXPECT_NEAR(*a[r], *b[r], 1e-12 * std::fabs(*b[r]) + 1e-15) << "arrangement " << r;
            }
            // The observed arrangement is the definition's pair theta.
            EXPECT_NEAR(*a[0], *st::pairTheta(data, pair.j, pair.k), 1e-13);
        }
    }
}

TEST(PairwiseTest, StreamRunsOnFromPairToPairAndMatchesTheSteps) {
    const ext::ExtendedData data = randomData({5, 7, 6}, 25, 4, 0.05, 5);
    const st::Statistics observed = st::computeStatistics(data, 1);
    st::PairwiseTestOptions options;
    options.randomisations = 150;
    options.seed1 = 99;
    options.seed2 = 1234;
    options.threads = 2;
    Silent quiet;
    const st::PairwiseTestResult test = st::runPairwiseTest(data, observed.pairTheta, options, quiet);

    // Stepped by hand: each pair takes (R - 1)(n - 1) deviates.
    randomisation::RandomGenerator stepped{options.seed1, options.seed2};
    const std::vector<int> sizes{5, 7, 6};
    for (std::size_t p = 0; p < observed.pairs.size(); ++p) {
        st::PairwiseTestOptions pairOptions = options;
        pairOptions.seed1 = stepped.seed1;
        pairOptions.seed2 = stepped.seed2;
        const auto thetas = st::pairArrangementThetas(data, observed.pairs[p], pairOptions);
        std::int64_t reached = 0;
        const double limit = *observed.pairTheta[p] - 1e-9 * std::fabs(*observed.pairTheta[p]);
        for (std::size_t r = 1; r < thetas.size(); ++r)
            if (thetas[r] && *thetas[r] >= limit) ++reached;
        EXPECT_EQ(test.reached[p], reached) << "pair " << p;
        EXPECT_EQ(*test.p[p], static_cast<double>(1 + reached) / 150.0);
        const int n = sizes[observed.pairs[p].j] + sizes[observed.pairs[p].k];
        for (int r = 1; r < options.randomisations; ++r)
            for (int i = n; i >= 2; --i) stepped.integerDeviate(i);
    }
    EXPECT_EQ(test.seed1After, stepped.seed1);
    EXPECT_EQ(test.seed2After, stepped.seed2);
}

TEST(PairwiseTest, IdenticalSamplesGiveThetaAtMostZeroAndPNearOne) {
    Builder b({10, 10, 10});
    std::mt19937 engine(8);
    for (int l = 0; l < 30; ++l) {
        std::vector<ext::Genotype> first;
        for (int i = 0; i < 10; ++i)
            first.push_back({static_cast<std::uint16_t>(engine() % 3), static_cast<std::uint16_t>(engine() % 3)});
        std::vector<ext::Genotype> calls = first;
        calls.insert(calls.end(), first.begin(), first.end());  // sample 2 repeats sample 1
        for (int i = 0; i < 10; ++i) calls.push_back({static_cast<std::uint16_t>(l % 2 == 0 ? 0 : 2), 2});
        b.locus(3, calls);
    }
    const st::Statistics s = st::computeStatistics(b.data, 1);
    ASSERT_TRUE(s.pairTheta[0]);
    EXPECT_LE(*s.pairTheta[0], 0.0);
    st::PairwiseTestOptions options;
    options.randomisations = 500;
    Silent quiet;
    const st::PairwiseTestResult test = st::runPairwiseTest(b.data, s.pairTheta, options, quiet);
    EXPECT_GT(*test.p[0], 0.95);
    EXPECT_LE(*test.p[0], 1.0);
    EXPECT_EQ(*test.p[1], 1.0 / 500.0);  // a sample unlike the others
    // Holm over 3 pairs: the two at 1/500 share 3 x 1/500 (running maximum).
    EXPECT_DOUBLE_EQ(*test.holm[1], 3.0 / 500.0);
    EXPECT_DOUBLE_EQ(*test.holm[2], 3.0 / 500.0);
}

TEST(PairwiseTest, CancelLeavesNoPValuesAndEndsTheProgress) {
    const ext::ExtendedData data = randomData({4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, 10, 3, 0.0, 9);
    const st::Statistics s = st::computeStatistics(data, 1);
    st::PairwiseTestOptions options;
    options.randomisations = 100;
    Silent cancelling;
    cancelling.cancelAfter = 4;
    const st::PairwiseTestResult test = st::runPairwiseTest(data, s.pairTheta, options, cancelling);
    EXPECT_TRUE(test.cancelled);
    EXPECT_TRUE(test.p.empty());
    EXPECT_EQ(cancelling.finishedCalls, 1);
    // The table keeps the pairs' theta and leaves P and Holm_P empty.
    const std::string table = st::pairwiseTable(s, &test);
    std::size_t rows = 0;
    for (std::size_t end = table.find("\r\n"); end != std::string::npos; end = table.find("\r\n", end + 2)) {
        ++rows;
        if (rows > 1) {
            EXPECT_EQ(table.substr(end - 2, 2), ",,");
        }
    }
    EXPECT_EQ(rows, 46u);
}

TEST(Holm, StepDownWithRunningMaximumCappedAtOne) {
    const std::vector<std::optional<double>> p{0.01, 0.04, 0.03, 0.005, std::nullopt};
    const auto holm = st::holmAdjusted(p);
    ASSERT_EQ(holm.size(), 5u);
    EXPECT_DOUBLE_EQ(*holm[3], 0.02);  // 4 x 0.005
    EXPECT_DOUBLE_EQ(*holm[0], 0.03);  // 3 x 0.01
    EXPECT_DOUBLE_EQ(*holm[2], 0.06);  // 2 x 0.03
    EXPECT_DOUBLE_EQ(*holm[1], 0.06);  // 1 x 0.04, raised to the running maximum
    EXPECT_FALSE(holm[4]);
    const auto capped = st::holmAdjusted({0.6, 0.5, 0.9});
    EXPECT_EQ(*capped[1], 1.0);
    EXPECT_EQ(*capped[0], 1.0);
    EXPECT_EQ(*capped[2], 1.0);
    // Ties keep their given order and share the factor of their ranks.
    const auto tied = st::holmAdjusted({0.01, 0.01});
    EXPECT_DOUBLE_EQ(*tied[0], 0.02);
    EXPECT_DOUBLE_EQ(*tied[1], 0.02);
}

// RFC 4180 records: fields split at commas outside quotes, "" inside quotes.
std::vector<std::vector<std::string>> readCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            ++i;
        } else {
            EXPECT_NE(c, '\n') << "a bare line feed outside quotes";
            field += c;
        }
    }
    EXPECT_TRUE(field.empty() && row.empty()) << "the last record has no CRLF";
    return rows;
}

std::optional<double> number(const std::string& cell) {
    if (cell.empty()) return std::nullopt;
    return std::strtod(cell.c_str(), nullptr);
}

TEST(StatisticsTables, ReadBackToTheSameDoubles) {
    Builder b = handCase();
    b.data.sampleNames = {"North, \"upper\"", "South"};
    b.data.locusNames[0] = "Str,15";
    ext::ExtendedData data = b.data;
    const st::Statistics s = st::computeStatistics(data, 1);

    const auto loci = readCsv(st::lociTable(data, s));
    ASSERT_EQ(loci.size(), 3u);  // the header and the two loci typed in somebody
    EXPECT_EQ(loci[0], (std::vector<std::string>{"locus", "theta", "Ho", "Hs", "Ht", "Dst", "Fis"}));
    EXPECT_EQ(loci[1][0], "Str,15");
    EXPECT_EQ(number(loci[1][1]), s.loci[0].theta);
    EXPECT_EQ(number(loci[1][4]), s.loci[0].ht);
    EXPECT_EQ(loci[2][1], "");  // no theta at locus 2
    EXPECT_EQ(number(loci[2][2]), s.loci[1].ho);

    const auto samples = readCsv(st::sampleDiversityTable(data, s));
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0], (std::vector<std::string>{"sample", "n", "Ho", "Hs", "Fis"}));
    EXPECT_EQ(samples[1][0], "North, \"upper\"");
    EXPECT_EQ(samples[1][1], "2");
    EXPECT_EQ(samples[2][4], "");

    // Full precision: a random data set's pair thetas and P-values read back
    // bit for bit.
    const ext::ExtendedData wide = randomData({5, 6, 7, 8}, 20, 4, 0.05, 31);
    const st::Statistics ws = st::computeStatistics(wide, 1);
    st::PairwiseTestOptions options;
    options.randomisations = 100;
    Silent quiet;
    const st::PairwiseTestResult test = st::runPairwiseTest(wide, ws.pairTheta, options, quiet);
    const auto pairs = readCsv(st::pairwiseTable(ws, &test));
    ASSERT_EQ(pairs.size(), 7u);
    EXPECT_EQ(pairs[0], (std::vector<std::string>{"j", "k", "theta", "P", "Holm_P"}));
    EXPECT_EQ(pairs[3][0], "1");
    EXPECT_EQ(pairs[3][1], "4");
    EXPECT_EQ(pairs[4][0], "2");
    for (std::size_t p = 0; p < 6; ++p) {
        EXPECT_EQ(number(pairs[p + 1][2]), ws.pairTheta[p]);
        EXPECT_EQ(number(pairs[p + 1][3]), test.p[p]);
        EXPECT_EQ(number(pairs[p + 1][4]), test.holm[p]);
    }
    const auto untested = readCsv(st::pairwiseTable(ws, nullptr));
    EXPECT_EQ(untested[1][3], "");
    EXPECT_EQ(untested[1][4], "");
}

}  // namespace
}  // namespace zeltric::test
