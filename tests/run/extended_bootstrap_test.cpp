#include "run/extended_bootstrap.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "extended/extended_analysis.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::test {
namespace {

namespace ext = zeltric::extended;

// Samples of the given sizes, `loci` biallelic loci (every fifth with three
// alleles), a genotype missing with probability `missing`; chromosome names
// per locus when given.
ext::ExtendedData panel(const std::vector<int>& sizes, int loci, double missing, unsigned seed,
                        const std::vector<std::string>& chromosomes = {}, int blankFirst = 0) {
    ext::ExtendedData data;
    for (std::size_t j = 0; j < sizes.size(); ++j) {
        data.sampleNames.push_back("pop" + std::to_string(j + 1));
        for (int i = 0; i < sizes[j]; ++i) {
            data.sampleOf.push_back(static_cast<int>(j));
            data.individualNames.push_back("i" + std::to_string(data.sampleOf.size()));
        }
    }
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    data.genotypes = ext::GenotypeMatrix(data.sampleOf.size());
    for (int l = 0; l < loci; ++l) {
        const int alleles = l % 5 == 4 ? 3 : 2;
        std::vector<double> p(sizes.size());
        for (double& v : p) v = 0.1 + 0.8 * unit(random);
        std::vector<ext::Genotype> calls;
        for (const int j : data.sampleOf) {
            if (unit(random) < missing || (calls.empty() && l < blankFirst)) {
                calls.emplace_back();
                continue;
            }
            auto draw = [&] {
                const double u = unit(random);
                if (u < p[static_cast<std::size_t>(j)]) return std::uint16_t{0};
                return static_cast<std::uint16_t>(alleles == 3 && u > 0.93 ? 2 : 1);
            };
            calls.push_back({draw(), draw()});
        }
        data.genotypes.addLocus(alleles, calls);
        std::vector<std::string> names;
        for (int a = 0; a < alleles; ++a) names.push_back(std::string(1, static_cast<char>('A' + a)));
        data.addLocusNames("L" + std::to_string(l + 1), names);
        if (!chromosomes.empty()) data.addLocusChromosome(chromosomes[static_cast<std::size_t>(l)]);
    }
    return data;
}

// The data set of the given loci in that order.
ext::ExtendedData subset(const ext::ExtendedData& data, const std::vector<std::size_t>& loci) {
    ext::ExtendedData out;
    out.sampleNames = data.sampleNames;
    out.sampleOf = data.sampleOf;
    out.individualNames = data.individualNames;
    out.genotypes = ext::GenotypeMatrix(data.individuals());
    for (const std::size_t l : loci) {
        std::vector<ext::Genotype> calls;
        for (std::size_t i = 0; i < data.individuals(); ++i) calls.push_back(data.genotypes.at(l, i));
        out.genotypes.addLocus(data.genotypes.alleleCount(l), calls);
        std::vector<std::string> names;
        for (std::size_t a = 0; a < data.alleleCount(l); ++a) names.push_back(data.alleleName(l, a));
        out.addLocusNames(data.locusNames[l], names);
    }
    return out;
}

// The definition recounted plainly for a data set: M = D^1/2 X X^T D^1/2,
// then v_k^T M v_k along the given vectors, the trace and H.
randomisation::ObservedAxes::Measures handMeasure(const ext::ExtendedData& data,
                                                  const ext::ExtendedResult& observed, std::size_t axes) {
    const std::size_t P = data.samples();
    std::vector<double> cross(P * P, 0.0);
    std::vector<int> typedAnywhere(data.individuals(), 0);
    randomisation::ObservedAxes::Measures out;
    for (std::size_t l = 0; l < data.loci(); ++l) {
        const std::size_t K = std::max<std::size_t>(data.alleleCount(l), 2);
        std::vector<double> n(P, 0.0);
        std::vector<double> c(P * K, 0.0);
        double total = 0.0;
        for (std::size_t i = 0; i < data.individuals(); ++i) {
            const ext::Genotype g = data.genotypes.at(l, i);
            if (g.missing()) continue;
            typedAnywhere[i] = 1;
            const auto j = static_cast<std::size_t>(data.sampleOf[i]);
            n[j] += 1.0;
            total += 1.0;
            c[j * K + g.first] += 1.0;
            c[j * K + g.second] += 1.0;
        }
        if (total == 0.0) continue;
        double homozygosity = 0.0;
        for (std::size_t a = 0; a < K; ++a) {
            double t = 0.0;
            for (std::size_t j = 0; j < P; ++j) t += c[j * K + a];
            if (t == 0.0) continue;
            const double pbar = t / (2.0 * total);
            homozygosity += pbar * pbar;
            std::vector<double> x(P, 0.0);
            for (std::size_t j = 0; j < P; ++j) x[j] = n[j] > 0.0 ? c[j * K + a] / (2.0 * n[j]) - pbar : 0.0;
            for (std::size_t j = 0; j < P; ++j)
                for (std::size_t k = 0; k < P; ++k) cross[j * P + k] += x[j] * x[k];
        }
        out.heterozygosity += 1.0 - homozygosity;
    }
    std::vector<double> m(P, 0.0);
    double all = 0.0;
    for (std::size_t i = 0; i < data.individuals(); ++i)
        if (typedAnywhere[i] != 0) {
            m[static_cast<std::size_t>(data.sampleOf[i])] += 1.0;
            all += 1.0;
        }
    for (std::size_t j = 0; j < P; ++j) out.totalInertia += m[j] / all * cross[j * P + j];
    for (std::size_t k = 0; k < axes; ++k) {
        double sum = 0.0;
        for (std::size_t j = 0; j < P; ++j)
            for (std::size_t h = 0; h < P; ++h)
                sum += observed.eigenvector(j, k) * std::sqrt(m[j] / all) * cross[j * P + h] *
                       std::sqrt(m[h] / all) * observed.eigenvector(h, k);
        out.inertia.push_back(sum);
    }
    return out;
}

std::vector<std::size_t> lociOf(const std::vector<std::size_t>& bounds, const std::vector<int>& drawn) {
    std::vector<std::size_t> loci;
    for (const int b : drawn)
        for (std::size_t l = bounds[static_cast<std::size_t>(b - 1)]; l < bounds[static_cast<std::size_t>(b)]; ++l)
            loci.push_back(l);
    return loci;
}

void expectNear(double expected, double actual, const std::string& what) {
    EXPECT_NEAR(actual, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << what;
}

struct Quiet : randomisation::TestObserver {
    int takenCount = 0;
    int finishedCount = 0;
    int cancelAfter = -1;
    void started(int) override {}
    void taken(int) override { ++takenCount; }
    void finished() override { ++finishedCount; }
    bool cancelRequested() override { return cancelAfter >= 0 && takenCount >= cancelAfter; }
    void notice(const std::string&) override {}
};

TEST(ExtendedBootstrapBlocks, NeverSpanChromosomesAndDefaultToAHundredth) {
    const std::vector<std::string> chromosomes = {"1", "1", "1", "2", "2", "3", "3", "3", "3", "3", "1"};
    const ext::ExtendedData data = panel({3, 3}, 11, 0.0, 1, chromosomes);
    EXPECT_EQ(run::BootstrapBlockBounds(data, 2), (std::vector<std::size_t>{0, 2, 3, 5, 7, 9, 10, 11}));
    EXPECT_EQ(run::BootstrapBlockBounds(data, 11), (std::vector<std::size_t>{0, 3, 5, 10, 11}));
    EXPECT_EQ(run::BootstrapBlockBounds(data, 1).size(), 12u);
    // Without positions: consecutive loci in file order.
    const ext::ExtendedData plain = panel({3, 3}, 11, 0.0, 1);
    EXPECT_EQ(run::BootstrapBlockBounds(plain, 4), (std::vector<std::size_t>{0, 4, 8, 11}));

    // Random layouts: every block within one chromosome, at most N loci,
    // together every locus once in order.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> names;
        for (int l = 0; l < 60; ++l) names.push_back(std::to_string(random() % 3 == 0 ? l / 7 : l / 13));
        const ext::ExtendedData d = panel({2, 2}, 60, 0.0, 2, names);
        const std::size_t block = 1 + random() % 9;
        const std::vector<std::size_t> bounds = run::BootstrapBlockBounds(d, block);
        ASSERT_EQ(bounds.front(), 0u);
        ASSERT_EQ(bounds.back(), 60u);
        for (std::size_t b = 0; b + 1 < bounds.size(); ++b) {
            ASSERT_LT(bounds[b], bounds[b + 1]);
            EXPECT_LE(bounds[b + 1] - bounds[b], block);
            for (std::size_t l = bounds[b] + 1; l < bounds[b + 1]; ++l)
                EXPECT_EQ(d.chromosomeOf[l], d.chromosomeOf[bounds[b]]) << "block " << b;
            // A block shorter than N ends at a chromosome's end.
            if (bounds[b + 1] - bounds[b] < block && bounds[b + 1] < 60) {
                EXPECT_NE(d.chromosomeOf[bounds[b + 1]], d.chromosomeOf[bounds[b + 1] - 1]);
            }
        }
    }

    EXPECT_EQ(run::DefaultBootstrapBlock(0), 1u);
    EXPECT_EQ(run::DefaultBootstrapBlock(99), 1u);
    EXPECT_EQ(run::DefaultBootstrapBlock(250), 2u);
    EXPECT_EQ(run::DefaultBootstrapBlock(650000), 6500u);
}

TEST(ExtendedBootstrap, ADrawMeasuresAsAPlainRecountOfItsLoci) {
    for (const double missing : {0.0, 0.08}) {
        // The first individual typed in no locus of blocks 1 and 2: its
        // sample's weight follows the draw.
        const ext::ExtendedData data = panel({4, 6, 5}, 23, missing, 11, {}, 8);
        const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
        const std::vector<std::size_t> bounds = run::BootstrapBlockBounds(data, 4);
        for (const std::vector<int>& drawn :
             {std::vector<int>{1, 2, 3, 4, 5, 6}, std::vector<int>{6, 6, 1, 3, 3, 2}, std::vector<int>{2}}) {
            const randomisation::ObservedAxes::Measures fast =
                run::MeasureBlockDraw(data, observed, bounds, drawn);
            const randomisation::ObservedAxes::Measures hand =
                handMeasure(subset(data, lociOf(bounds, drawn)), observed, observed.dimension - 1);
            expectNear(hand.heterozygosity, fast.heterozygosity, "H");
            expectNear(hand.totalInertia, fast.totalInertia, "trace");
            ASSERT_EQ(fast.inertia.size(), hand.inertia.size());
            for (std::size_t k = 0; k < hand.inertia.size(); ++k)
                expectNear(hand.inertia[k], fast.inertia[k], "axis " + std::to_string(k + 1));
        }
        // Every block once is the data: its inertia along each axis is that
        // axis's eigenvalue, its trace the total inertia.
        std::vector<int> all;
        for (std::size_t b = 1; b < bounds.size(); ++b) all.push_back(static_cast<int>(b));
        const randomisation::ObservedAxes::Measures whole = run::MeasureBlockDraw(data, observed, bounds, all);
        EXPECT_NEAR(whole.globalFst(), observed.globalFst, 1e-12);
        for (std::size_t k = 0; k + 1 < observed.dimension; ++k)
            EXPECT_NEAR(whole.inertia[k], observed.eigenvalues[k], 1e-12) << k;
    }
}

TEST(ExtendedBootstrap, ReplicatesAreTheGeneratorsDrawsOfBlocks) {
    const ext::ExtendedData data = panel({5, 4, 6, 5}, 30, 0.05, 21);
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
    run::ExtendedBootstrapRequest request;
    request.replicates = 40;
    request.seed1 = 1234;
    request.seed2 = 5678;
    request.blockLoci = 3;
    Quiet observer;
    const randomisation::BootstrapOutcome outcome = run::RunExtendedBootstrap(data, observed, request, observer);
    ASSERT_FALSE(outcome.cancelled);
    EXPECT_EQ(observer.takenCount, 40);
    EXPECT_EQ(observer.finishedCount, 1);
    EXPECT_EQ(outcome.summaries.blocks, 10u);
    EXPECT_EQ(outcome.summaries.blockLoci, 3u);

    // The same replicates recounted: blocks 1 + integerDeviate(10) from the seeds.
    const std::vector<std::size_t> bounds = run::BootstrapBlockBounds(data, 3);
    randomisation::RandomGenerator generator;
    generator.seed1 = 1234;
    generator.seed2 = 5678;
    const std::size_t axes = observed.dimension - 1;
    std::vector<double> global;
    std::vector<std::vector<double>> share(axes);
    for (int r = 0; r < 40; ++r) {
        std::vector<int> drawn(10);
        for (int& b : drawn) b = 1 + generator.integerDeviate(10);
        const randomisation::ObservedAxes::Measures m =
            handMeasure(subset(data, lociOf(bounds, drawn)), observed, axes);
        global.push_back(m.globalFst());
        for (std::size_t k = 0; k < axes; ++k) share[k].push_back(m.share(static_cast<int>(k) + 1));
    }
    auto mean = [](const std::vector<double>& v) {
        double s = 0.0;
        for (const double x : v) s += x;
        return s / static_cast<double>(v.size());
    };
    expectNear(mean(global), outcome.summaries.globalFst.mean, "global Fst");
    ASSERT_EQ(outcome.summaries.axes.size(), axes);
    for (std::size_t k = 0; k < axes; ++k)
        expectNear(mean(share[k]), outcome.summaries.axes[k].share.mean, "share");
    // The observed values are the analysis's; the estimate lands on them.
    EXPECT_EQ(outcome.summaries.globalFst.observed, observed.globalFst);
    EXPECT_NEAR(outcome.summaries.globalFst.estimate, observed.globalFst, 1e-12);
    for (const randomisation::BootstrapAxis& axis : outcome.summaries.axes)
        for (const randomisation::BootstrapFigure* f : {&axis.fst, &axis.share})
            if (f->hasInterval) {
                EXPECT_LE(f->lower, f->estimate);
                EXPECT_GE(f->upper, f->estimate);
            }
}

TEST(ExtendedBootstrap, AnyThreadCountGivesTheSameBitsAndCancelStops) {
    const ext::ExtendedData data = panel({6, 4, 7}, 80, 0.03, 5, std::vector<std::string>(80, "7"));
    const ext::ExtendedResult observed = ext::RunExtendedAnalysis(data);
    run::ExtendedBootstrapRequest request;
    request.replicates = 150;
    request.blockLoci = run::DefaultBootstrapBlock(data.loci());
    std::string first;
    for (const int threads : {1, 2, 3, 5}) {
        request.threads = threads;
        Quiet observer;
        const randomisation::BootstrapOutcome outcome =
            run::RunExtendedBootstrap(data, observed, request, observer);
        const std::string text = randomisation::bootstrapSectionText(outcome.summaries);
        std::string bits;
        for (const double v : {outcome.summaries.globalFst.mean, outcome.summaries.globalFst.se,
                               outcome.summaries.globalFst.lower, outcome.summaries.axes[0].share.upper})
            bits += std::to_string(std::bit_cast<std::uint64_t>(v)) + " ";
        if (threads == 1) {
            first = text + bits;
            EXPECT_NE(text.find("Blocks of up to 1 contiguous loci, never across chromosomes: 80 blocks"),
                      std::string::npos)
                << text;
        } else {
            EXPECT_EQ(text + bits, first) << threads;
        }
    }
    Quiet cancelling;
    cancelling.cancelAfter = 20;
    request.threads = 2;
    EXPECT_TRUE(run::RunExtendedBootstrap(data, observed, request, cancelling).cancelled);
    EXPECT_EQ(cancelling.takenCount, 20);
    EXPECT_EQ(cancelling.finishedCount, 1);
}

}  // namespace
}  // namespace zeltric::test
