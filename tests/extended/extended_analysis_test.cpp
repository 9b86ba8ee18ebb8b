#include "extended/extended_analysis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analysis/analysis_data.hpp"
#include "analysis/frequency_pca.hpp"
#include "base/fatal_error.hpp"
#include "data/allele_counting.hpp"
#include "data/genotype_reader.hpp"
#include "extended/data_file_reader.hpp"
#include "extended/from_dataset.hpp"
#include "extended/symmetric_eigen.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace ext = zeltric::extended;

// The extended data set of an AnalysisData: individuals in sample order,
// alleles 1..nu as indices 0..nu-1.
ext::ExtendedData extendedOf(const AnalysisData& in) {
    ext::ExtendedData out;
    for (std::size_t j = 0; j < in.genotypes.size(); ++j) {
        out.sampleNames.push_back(std::to_string(j + 1));
        for (std::size_t i = 0; i < in.genotypes[j].size(); ++i) {
            out.sampleOf.push_back(static_cast<int>(j));
            out.individualNames.push_back(std::to_string(out.individualNames.size() + 1));
        }
    }
    out.genotypes = ext::GenotypeMatrix(out.sampleOf.size());
    for (int l = 0; l < in.ds.nl; ++l) {
        std::vector<ext::Genotype> calls;
        for (const auto& sample : in.genotypes)
            for (const auto& individual : sample) {
                const auto g = individual[static_cast<std::size_t>(l)];
                if (g.first == 0 || g.second == 0)
                    calls.emplace_back();
                else
                    calls.push_back(
                        {static_cast<std::uint16_t>(g.first - 1), static_cast<std::uint16_t>(g.second - 1)});
            }
        std::vector<std::string> names;
        for (int a = 1; a <= in.ds.nu; ++a) names.push_back(std::to_string(a));
        out.genotypes.addLocus(in.ds.nu, calls);
        out.addLocusNames("L" + std::to_string(l + 1), names);
    }
    return out;
}

// Two samples of ten, one biallelic locus, allele 1 counted 4 and 12 times.
ext::ExtendedData handCase() {
    AnalysisData data(2, 1, 2);
    // Sample 1: 4 copies of allele 1 in 20 (2 homozygotes 1/1); sample 2: 12
    // copies (4 homozygotes 1/1, 4 heterozygotes).
    for (int i = 0; i < 10; ++i)
        data.genotypes[0].push_back({i < 2 ? AnalysisData::Genotype{1, 1} : AnalysisData::Genotype{2, 2}});
    for (int i = 0; i < 10; ++i)
        data.genotypes[1].push_back({i < 4   ? AnalysisData::Genotype{1, 1}
                                     : i < 8 ? AnalysisData::Genotype{1, 2}
                                             : AnalysisData::Genotype{2, 2}});
    return extendedOf(data);
}

bool near(double expected, double actual) {
    return std::fabs(expected - actual) <= std::max(1e-6, 1e-5 * std::fabs(expected));
}

TEST(ExtendedAnalysis, HandCase) {
    const ext::ExtendedResult r = ext::RunExtendedAnalysis(handCase());
    ASSERT_EQ(r.samples, 2u);
    EXPECT_EQ(r.columns, 2u);
    EXPECT_EQ(r.dimension, 2u);
    EXPECT_NEAR(r.heterozygositySum, 0.48, 1e-15);
    EXPECT_NEAR(r.eigenvalues[0], 0.08, 1e-15);
    EXPECT_NEAR(r.eigenvalues[1], 0.0, 1e-15);
    EXPECT_NEAR(r.globalFst, 1.0 / 6.0, 1e-14);
    EXPECT_NEAR(r.axisFst[0], 1.0 / 6.0, 1e-14);
    EXPECT_NEAR(r.axisShare[0], 1.0, 1e-14);
    EXPECT_EQ(r.brokenStickAxes, 1);
    EXPECT_DOUBLE_EQ(r.weights[0], 0.5);
    // f = 0.2 and 0.6 against pbar 0.4; the largest entries of the
    // eigenvector tie, and sample 1's is made positive.
    // D^-1/2 V Lambda^1/2 = sqrt 2 * (1/sqrt 2) * sqrt 0.08.
    EXPECT_NEAR(r.sampleCoordinate(0, 0), std::sqrt(0.08), 1e-14);
    EXPECT_NEAR(r.sampleCoordinate(1, 0), -std::sqrt(0.08), 1e-14);
    std::vector<double> alleleAxis1;
    ext::ForEachAlleleColumn(handCase(), r, [&](const ext::AlleleColumn& c) {
        EXPECT_NEAR(c.meanFrequency, c.allele == 0 ? 0.4 : 0.6, 1e-15);
        alleleAxis1.push_back(c.coordinates[0]);
    });
    ASSERT_EQ(alleleAxis1.size(), 2u);
    // X^T D^1/2 V: (-0.2 * sqrt(.5) * v1 + 0.2 * sqrt(.5) * v2), v = (1, -1)/sqrt 2.
    EXPECT_NEAR(alleleAxis1[0], -0.2, 1e-14);
    EXPECT_NEAR(alleleAxis1[1], 0.2, 1e-14);
}

TEST(ExtendedAnalysis, DegenerateDataTellWhatTheExactAnalysisTells) {
    AnalysisData mono(2, 1, 1);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) mono.genotypes[static_cast<std::size_t>(j)].push_back({{1, 1}});
    const ext::ExtendedResult r = ext::RunExtendedAnalysis(extendedOf(mono));
    EXPECT_EQ(r.heterozygositySum, 0.0);
    EXPECT_EQ(r.globalFst, 0.0);
    EXPECT_EQ(r.brokenStickAxes, 0);
    ASSERT_EQ(r.informations.size(), 1u);
    EXPECT_EQ(r.informations[0], base::noHeterozygosityMessage());

    AnalysisData untyped(2, 1, 2);
    for (int j = 0; j < 2; ++j) untyped.genotypes[static_cast<std::size_t>(j)].push_back({{0, 0}});
    const ext::ExtendedResult none = ext::RunExtendedAnalysis(extendedOf(untyped));
    EXPECT_EQ(none.typedLoci, 0u);
    EXPECT_EQ(none.dimension, 0u);
    ASSERT_EQ(none.informations.size(), 1u);
    EXPECT_EQ(none.informations[0], base::noAlleleMessage());
}

TEST(ExtendedAnalysis, MissingGenotypesWeighBySamplesTypedMembers) {
    AnalysisData data(2, 2, 2);
    // Sample 1: three individuals, one never typed; sample 2: two.
    data.genotypes[0] = {{{1, 1}, {1, 2}}, {{2, 2}, {0, 0}}, {{0, 0}, {0, 0}}};
    data.genotypes[1] = {{{1, 2}, {2, 2}}, {{0, 0}, {1, 1}}};
    const ext::ExtendedResult r = ext::RunExtendedAnalysis(extendedOf(data));
    EXPECT_EQ(r.typedMembers, (std::vector<std::int64_t>{2, 2}));
    EXPECT_DOUBLE_EQ(r.weights[0], 0.5);
    // Locus 1: 3 typed, pbar(allele 1) = 3/6; locus 2: 3 typed, 3/6 as well.
    EXPECT_NEAR(r.heterozygositySum, 1.0, 1e-15);
    EXPECT_EQ(r.typedLoci, 2u);
    // Sample 2's individual 2 is untyped at locus 1: its frequency there is
    // sample 2's one typed individual (1/2), so X = 0.5 - 0.5 = 0 for it.
    std::vector<double> sample2;
    ext::ForEachAlleleColumn(extendedOf(data), r,
                             [&](const ext::AlleleColumn& c) { sample2.push_back(c.frequencies[1]); });
    EXPECT_EQ(sample2, (std::vector<double>{0.5, 0.5, 0.5, 0.5}));
}

// Agreement with the exact analysis on complete data.
void expectAgreement(const data::Dataset& ds, const ext::ExtendedData& extended) {
    analysis::PcaWorkspace ws;
    analysis::PcaResult exact;
    analysis::RunFrequencyPca(ds, ds.counts, true, ws, exact);
    const ext::ExtendedResult r = ext::RunExtendedAnalysis(extended);
    ASSERT_EQ(r.dimension, exact.dimension);
    EXPECT_TRUE(near(exact.heterozygositySum, r.heterozygositySum));
    EXPECT_TRUE(near(exact.totalInertia, r.totalInertia)) << exact.totalInertia << " " << r.totalInertia;
    EXPECT_TRUE(near(exact.observedGlobalFst, r.globalFst));
    EXPECT_EQ(exact.brokenStickAxes, r.brokenStickAxes);
    for (std::size_t k = 0; k < r.dimension; ++k) {
        EXPECT_TRUE(near(exact.eigenvalues[k + 1], r.eigenvalues[k])) << k;
        EXPECT_TRUE(near(exact.observedAxisFst[k + 1], r.axisFst[k])) << k;
        if (r.axisShare[k] < 1e-4) continue;  // the sign of an axis without inertia is noise
        // Coordinates up to each axis's sign.
        double sign = 0.0;
        for (std::size_t j = 0; j < r.samples; ++j) {
            const double e = exact.populationCoordinates(static_cast<int>(j) + 1, static_cast<int>(k) + 1);
            if (sign == 0.0 && std::fabs(e) > 1e-3) sign = (e > 0) == (r.sampleCoordinate(j, k) > 0) ? 1.0 : -1.0;
        }
        for (std::size_t j = 0; j < r.samples; ++j) {
            const double e = exact.populationCoordinates(static_cast<int>(j) + 1, static_cast<int>(k) + 1);
            EXPECT_TRUE(near(e, sign * r.sampleCoordinate(j, k)) ||
                        std::fabs(e - sign * r.sampleCoordinate(j, k)) < 2e-5)
                << "sample " << j << " axis " << k << ": " << e << " " << r.sampleCoordinate(j, k);
        }
    }
}

TEST(ExtendedAnalysis, AgreesWithTheExactAnalysisOnTheExample) {
    data::Dataset ds;
    const data::Notify ignore = [](const std::string&) {};
    data::readHeader(ds, std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", ignore);
    data::readGenotypes(ds, std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", ignore);
    // Its complete individuals only: the two analyses weigh samples alike
    // on complete data.
    data::GenotypeColumns complete(ds.nl);
    int kept = 0;
    int sample = 1;
    std::array<std::uint16_t, base::NPMax + 1> ends{};
    for (int i = 1; i <= ds.individualCount; ++i) {
        while (sample < ds.np && ds.sampleEnds[static_cast<std::size_t>(sample)] < i) ++sample;
        bool typed = true;
        for (int l = 1; l <= ds.nl; ++l) typed = typed && ds.genotypeColumns.at(l, i) != 0;
        if (!typed) continue;
        ++kept;
        for (int l = 1; l <= ds.nl; ++l) complete.at(l, kept) = ds.genotypeColumns.at(l, i);
        ends[static_cast<std::size_t>(sample)] = static_cast<std::uint16_t>(kept);
    }
    ASSERT_GT(kept, 100);
    ASSERT_LT(kept, ds.individualCount);
    for (int s = 2; s <= ds.np; ++s)
        if (ends[static_cast<std::size_t>(s)] == 0)
            ends[static_cast<std::size_t>(s)] = ends[static_cast<std::size_t>(s - 1)];
    ds.genotypeColumns = complete;
    ds.sampleEnds = ends;
    ds.individualCount = static_cast<std::uint16_t>(kept);
    data::countObservedAlleles(ds);
    expectAgreement(ds, ext::FromDataset(ds));
}

TEST(ExtendedAnalysis, DataFileReadWithoutLimitsGivesTheSameData) {
    const std::string path = std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat";
    data::Dataset ds;
    const data::Notify ignore = [](const std::string&) {};
    data::readHeader(ds, path, ignore);
    data::readGenotypes(ds, path, ignore);
    const ext::ExtendedData bounded = ext::FromDataset(ds);
    const ext::ExtendedData unlimited = ext::ReadDataFileUnlimited(path, ignore);
    EXPECT_EQ(unlimited.sampleOf, bounded.sampleOf);
    EXPECT_EQ(unlimited.alleleNames, bounded.alleleNames);
    ASSERT_EQ(unlimited.loci(), bounded.loci());
    for (std::size_t l = 0; l < bounded.loci(); ++l)
        for (std::size_t i = 0; i < bounded.individuals(); ++i) {
            EXPECT_EQ(unlimited.genotypes.at(l, i).first, bounded.genotypes.at(l, i).first);
            EXPECT_EQ(unlimited.genotypes.at(l, i).second, bounded.genotypes.at(l, i).second);
        }

    // Past every limit: 600 samples of one individual, 60 loci.
    TempDir dir;
    std::string big = "600 60 2 1\n";
    for (int l = 1; l <= 60; ++l) big += "L" + std::to_string(l) + "\n";
    for (int j = 1; j <= 600; ++j) {
        big += std::to_string(j);
        for (int l = 1; l <= 60; ++l) big += (j + l) % 3 == 0 ? " 12" : (j + l) % 3 == 1 ? " 11" : " 0";
        big += "\n";
    }
    writeFile(dir.file("big.dat"), big);
    const ext::ExtendedData wide = ext::ReadDataFileUnlimited(dir.file("big.dat"), ignore);
    EXPECT_EQ(wide.samples(), 600u);
    EXPECT_EQ(wide.loci(), 60u);
    EXPECT_TRUE(wide.genotypes.at(0, 0).missing());  // sample 1, locus 1: (1 + 1) % 3 = 2, code 0
    EXPECT_FALSE(wide.genotypes.at(1, 0).missing());
    writeFile(dir.file("bad.dat"), "2 1 2 1\nL1\n1 11\n2 13\n");
    try {
        ext::ReadDataFileUnlimited(dir.file("bad.dat"), ignore);
        ADD_FAILURE() << "allele 3 of 2 accepted";
    } catch (const base::FatalError& e) {
        EXPECT_EQ(e.code(), base::MessageId::Genotype);
    }
}

TEST(ExtendedAnalysis, AgreesWithTheExactAnalysisOnGeneratedCompleteData) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const AnalysisData data = AnalysisData::generated(6, 8, 4, 12, 0.0, seed);
        expectAgreement(data.ds, extendedOf(data));
    }
}

TEST(ExtendedAnalysis, AnyThreadCountGivesTheSameBits) {
    // More loci than one block, so that several blocks are summed.
    const std::size_t loci = ext::ExtendedOptions::kLociPerBlock * 2 + 17;
    std::mt19937 engine(7);
    ext::ExtendedData data;
    for (int i = 0; i < 40; ++i) {
        data.sampleOf.push_back(i / 8);
        data.individualNames.push_back(std::to_string(i));
    }
    for (int j = 0; j < 5; ++j) data.sampleNames.push_back(std::to_string(j));
    data.genotypes = ext::GenotypeMatrix(40);
    std::vector<ext::Genotype> calls(40);
    for (std::size_t l = 0; l < loci; ++l) {
        const int alleles = l % 5 == 0 ? 3 : 2;
        for (auto& g : calls) {
            if (engine() % 50 == 0)
                g = {};
            else
                g = {static_cast<std::uint16_t>(engine() % static_cast<unsigned>(alleles)),
                     static_cast<std::uint16_t>(engine() % static_cast<unsigned>(alleles))};
        }
        data.genotypes.addLocus(alleles, calls);
        data.addLocusNames("s" + std::to_string(l), alleles == 3 ? std::vector<std::string>{"A", "C", "G"}
                                                                 : std::vector<std::string>{"A", "C"});
    }
    ext::ExtendedOptions one;
    const ext::ExtendedResult a = ext::RunExtendedAnalysis(data, one);
    for (const int threads : {2, 3}) {
        ext::ExtendedOptions many;
        many.threads = threads;
        const ext::ExtendedResult b = ext::RunExtendedAnalysis(data, many);
        EXPECT_EQ(a.heterozygositySum, b.heterozygositySum);
        EXPECT_EQ(a.eigenvalues, b.eigenvalues);
        EXPECT_EQ(a.sampleCoordinates, b.sampleCoordinates);
        EXPECT_EQ(a.globalFst, b.globalFst);
    }
}

TEST(GenotypeMatrix, KeepsEveryCallAtEachWidth) {
    for (const int alleles : {2, 3, 300}) {
        SCOPED_TRACE(alleles);
        ext::GenotypeMatrix m(7);
        std::vector<ext::Genotype> calls(7);
        for (std::size_t i = 0; i < 7; ++i)
            calls[i] = i == 3 ? ext::Genotype{}
                              : ext::Genotype{
                                    static_cast<std::uint16_t>(i % static_cast<std::size_t>(alleles)),
                                    static_cast<std::uint16_t>((i * 5 + 1) % static_cast<std::size_t>(alleles))};
        // A biallelic heterozygote reads back with its alleles in order.
        if (alleles == 2) {
            for (auto& g : calls) {
                if (!g.missing() && g.first > g.second) std::swap(g.first, g.second);
            }
        }
        m.addLocus(alleles, calls);
        for (std::size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(m.at(0, i).missing(), calls[i].missing());
            if (calls[i].missing()) continue;
            EXPECT_EQ(m.at(0, i).first, calls[i].first);
            EXPECT_EQ(m.at(0, i).second, calls[i].second);
        }
    }
    // Seven biallelic calls take two bytes.
    ext::GenotypeMatrix packed(7);
    packed.addLocus(2, std::vector<ext::Genotype>(7, ext::Genotype{0, 1}));
    EXPECT_EQ(packed.bytes() - sizeof(std::size_t) * 2, 2u);
}

TEST(SymmetricEigen, PairsHaveSmallResidualsAndComeInDescendingOrder) {
    std::mt19937 engine(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (const std::size_t n : {1u, 2u, 5u, 30u}) {
        ext::SymmetricMatrix a(n);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j <= i; ++j) a(i, j) = a(j, i) = unit(engine);
        const ext::SymmetricEigen e = ext::DecomposeSymmetric(a);
        for (std::size_t k = 0; k < n; ++k) {
            if (k > 0) {
                EXPECT_GE(e.eigenvalues[k - 1], e.eigenvalues[k]);
            }
            for (std::size_t i = 0; i < n; ++i) {
                double av = 0.0;
                for (std::size_t j = 0; j < n; ++j) av += a(i, j) * e.vectors(j, k);
                EXPECT_NEAR(av, e.eigenvalues[k] * e.vectors(i, k), 1e-12);
            }
            double norm = 0.0;
            for (std::size_t i = 0; i < n; ++i) norm += e.vectors(i, k) * e.vectors(i, k);
            EXPECT_NEAR(norm, 1.0, 1e-12);
        }
    }
    ext::SymmetricMatrix bad(2);
    bad(1, 0) = std::nan("");
    EXPECT_THROW(ext::DecomposeSymmetric(bad), base::FatalError);
}

}  // namespace
}  // namespace zeltric::test
