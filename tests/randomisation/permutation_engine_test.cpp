#include "randomisation/permutation_engine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <vector>

#include "analysis/frequency_pca.hpp"
#include "analysis/results_report.hpp"
#include "base/fatal_error.hpp"
#include "base/output_file.hpp"
#include "data/allele_counting.hpp"
#include "data/genotype_reader.hpp"
#include "run/port_observer.hpp"
#include "test_support.hpp"

namespace zeltric::randomisation {
namespace {

using test::RecordingInterface;
using test::TempDir;

// One data file's samples: per sample its genotype lines, each the codes of
// every locus.
using Samples = std::vector<std::vector<std::vector<int>>>;

std::string dataFileText(int loci, int alleles, const Samples& samples) {
    std::string text =
        std::to_string(samples.size()) + " " + std::to_string(loci) + " " + std::to_string(alleles) + " 1\r\n";
    for (int l = 1; l <= loci; ++l) text += "loc" + std::to_string(l) + "\r\n";
    for (std::size_t s = 0; s < samples.size(); ++s)
        for (const auto& codes : samples[s]) {
            text += std::to_string(s + 1);
            for (int code : codes) text += " " + std::to_string(code);
            text += "\r\n";
        }
    return text;
}

// A data set read and analysed as the go step does before the test; the
// share file holds the observed line.
struct Analysed {
    TempDir dir;
    data::Dataset ds;
    analysis::PcaResult observed;
    analysis::PcaWorkspace workspace;
    std::string sharePath;

    Analysed(int loci, int alleles, const Samples& samples) {
        const std::string path = dir.file("data.dat");
        test::writeFile(path, dataFileText(loci, alleles, samples));
        const data::Notify ignore = [](const std::string&) {};
        data::readHeader(ds, path, ignore);
        data::readGenotypes(ds, path, ignore);
        data::countObservedAlleles(ds);
        analysis::RunFrequencyPca(ds, ds.counts, true, workspace, observed);
        sharePath = dir.file("data.per");
        base::createEmptyFile(sharePath);
        base::appendToFile(sharePath, analysis::shareLine(observed));
    }

    PermutationOutcome test(RandomGenerator& generator, int randomisations, int threads, RecordingInterface& ui) {
        run::PortObserver observer(ui);
        return runPermutationTest(ds, observed, generator, randomisations, threads, sharePath, observer);
    }
    // The same test on the calling thread, `batch` arrangements per call;
    // checks that each call returns after at most one batch.
    PermutationOutcome stepped(RandomGenerator& generator, int randomisations, int batch, RecordingInterface& ui) {
        run::PortObserver observer(ui);
        SteppedPermutationTest test(ds, observed, generator, randomisations, sharePath, observer);
        int calls = 0;
        for (bool more = true; more;) {
            const int before = ui.progressSteps;
            more = test.advance(batch);
            EXPECT_LE(ui.progressSteps - before, batch);
            ++calls;
        }
        EXPECT_TRUE(test.done());
        EXPECT_FALSE(test.advance(batch));
        EXPECT_GE(calls, ui.progressSteps / batch);
        return test.outcome();
    }
    std::vector<std::string> shareLines() const {
        std::vector<std::string> lines;
        const std::string text = test::readFile(sharePath);
        std::size_t from = 0;
        for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2)
            lines.push_back(text.substr(from, end - from));
        EXPECT_EQ(from, text.size()) << "share file ends without CR LF";
        return lines;
    }
};

RandomGenerator seeded(std::int32_t seed1, std::int32_t seed2) {
    RandomGenerator generator;
    generator.seed1 = seed1;
    generator.seed2 = seed2;
    return generator;
}

// Repeats one genotype line `count` times.
std::vector<std::vector<int>> lines(int count, std::vector<int> codes) {
    return std::vector<std::vector<int>>(static_cast<std::size_t>(count), codes);
}

// The two-sample worked example: one locus, two alleles.
Samples twoSampleExample() {
    Samples samples(2);
    samples[0] = lines(2, {11});
    auto more = lines(8, {22});
    samples[0].insert(samples[0].end(), more.begin(), more.end());
    samples[1] = lines(6, {11});
    more = lines(4, {22});
    samples[1].insert(samples[1].end(), more.begin(), more.end());
    return samples;
}

// Four samples at three loci with four alleles, frequencies drifting from
// sample to sample, and about one genotype in twelve missing.
Samples generatedSamples() {
    std::mt19937 engine(20240611u);
    Samples samples(4);
    for (std::size_t s = 0; s < samples.size(); ++s)
        for (int i = 0; i < 15; ++i) {
            std::vector<int> codes;
            for (int l = 0; l < 3; ++l) {
                if (engine() % 12 == 0) {
                    codes.push_back(0);
                    continue;
                }
                // Allele 1 grows more common in later samples.
                auto allele = [&] {
                    const auto draw = engine() % 8;
                    return draw < s + 2 ? 1 : static_cast<int>(2 + engine() % 3);
                };
                codes.push_back(allele() * 10 + allele());
            }
            samples[s].push_back(codes);
        }
    return samples;
}

int takingPart(const data::Dataset& ds) {
    int count = 0;
    for (int i = 2; i <= ds.individualCount; ++i)
        if (ds.missingLoci[static_cast<std::size_t>(i)] == 0) ++count;
    return count;
}

// The generator after `draws` further draws.
RandomGenerator advanced(RandomGenerator generator, long draws) {
    for (long n = 0; n < draws; ++n) generator.uniform();
    return generator;
}

void expectOneHundredths(float value) {
    const double hundredths = std::round(static_cast<double>(value) * 100.0);
    EXPECT_GE(hundredths, 1.0);
    EXPECT_LE(hundredths, 100.0);
    EXPECT_EQ(value, static_cast<float>(hundredths / 100.0));
}

TEST(PermutationTest, HundredRandomisationsMakeNinetyNineRuns) {
    Analysed data(3, 4, generatedSamples());
    ASSERT_GT(data.observed.dimension, 2);
    RandomGenerator generator = seeded(12345, 67890);
    const RandomGenerator start = generator;
    RecordingInterface ui;

    const PermutationOutcome outcome = data.test(generator, 100, 2, ui);

    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(ui.progressStarts, 1);
    EXPECT_EQ(ui.progressMaximum, 100);
    EXPECT_EQ(ui.progressSteps, 99);
    EXPECT_EQ(ui.progressEnds, 1);
    EXPECT_EQ(data.shareLines().size(), 100u);
    // One draw per taking-part position 2..N in each of the 99 runs.
    const RandomGenerator expected = advanced(start, 99L * takingPart(data.ds));
    EXPECT_EQ(generator.seed1, expected.seed1);
    EXPECT_EQ(generator.seed2, expected.seed2);

    EXPECT_EQ(outcome.testedAxes, data.observed.dimension - 1);
    expectOneHundredths(outcome.fstPValue);
    for (int k = 1; k <= outcome.testedAxes; ++k)
        expectOneHundredths(outcome.axisPValues[static_cast<std::size_t>(k)]);
    for (int k = outcome.testedAxes + 1; k <= analysis::kMatrixOrder; ++k)
        EXPECT_EQ(outcome.axisPValues[static_cast<std::size_t>(k)], 0.0f);
}

TEST(PermutationTest, MissingPositionIsNeverDrawnAsI) {
    // Position 3 (the last) misses its genotype: only i = 2 draws, and j is at
    // most 2, so position 3 keeps its individual in every run.
    Samples samples{{{11, 12}, {22, 21}}, {{0, 33}}};
    Analysed data(2, 3, samples);
    ASSERT_EQ(data.ds.missingLoci[3], 1);
    RandomGenerator generator = seeded(1, 1);
    const RandomGenerator start = generator;
    RecordingInterface ui;
    data.test(generator, 100, 1, ui);

    const RandomGenerator expected = advanced(start, 99);
    EXPECT_EQ(generator.seed1, expected.seed1);
    EXPECT_EQ(generator.seed2, expected.seed2);
    EXPECT_EQ(data.ds.genotypeColumns.at(1, 3), 0);
    EXPECT_EQ(data.ds.genotypeColumns.at(2, 3), 33);
}

TEST(PermutationTest, MissingPositionMovesWhenDrawnAsJ) {
    // Position 1 misses a genotype but is a possible j of every step.
    Samples samples{{{0, 12}, {22, 21}}, {{11, 33}}};
    Analysed data(2, 3, samples);
    RandomGenerator generator = seeded(1, 1);
    int moved = 0;
    for (int run = 0; run < 50; ++run) {
        shuffleArrangement(data.ds, data.ds.genotypeColumns, generator);
        if (data.ds.genotypeColumns.at(2, 1) != 12) ++moved;
        // Whole individuals move: the missing genotype travels with its partner.
        for (int i = 1; i <= 3; ++i) {
            if (data.ds.genotypeColumns.at(2, i) == 12) {
                EXPECT_EQ(data.ds.genotypeColumns.at(1, i), 0);
            }
        }
    }
    EXPECT_GT(moved, 0);
    EXPECT_EQ(generator.seed1, advanced(seeded(1, 1), 100).seed1);
}

TEST(PermutationTest, NothingReachingGivesOneOverR) {
    // Two samples fixed for different alleles: no shuffle of 60 individuals
    // reaches that differentiation.
    Samples samples{lines(30, {11}), lines(30, {22})};
    Analysed data(1, 2, samples);
    RandomGenerator generator = seeded(4711, 815);
    RecordingInterface ui;
    const PermutationOutcome outcome = data.test(generator, 1000, 2, ui);

    EXPECT_EQ(outcome.fstPValue, 0.001f);
    EXPECT_EQ(outcome.testedAxes, 1);
    // Arrangements without inertia reach neither figure; every other one
    // has all its inertia on axis 1 and so ties with the observed share.
    int withoutInertia = 0;
    for (const std::string& line : data.shareLines())
        if (line.substr(0, 10) == "   0.00000") ++withoutInertia;
    EXPECT_GT(withoutInertia, 0);
    EXPECT_EQ(outcome.axisPValues[1], static_cast<float>((1000 - withoutInertia) / 1000.0));
    EXPECT_EQ(data.shareLines().size(), 1000u);
    const std::string section =
        analysis::testSectionText(data.ds, 1000, outcome.fstPValue, outcome.axisPValues, 2);
    EXPECT_NE(section.find("P-value for overall Fst: \r\n   0.00100\r\n"), std::string::npos) << section;
}

TEST(PermutationTest, ArrangementsEqualToTheObservedOneReachIt) {
    // Every individual but the first misses a genotype: no position draws,
    // each run reproduces the observed data, and ties count on every axis.
    Samples samples = generatedSamples();
    int n = 0;
    for (auto& sample : samples)
        for (auto& codes : sample)
            if (n++ > 0) codes[static_cast<std::size_t>(n % 3)] = 0;
    Analysed data(3, 4, samples);
    ASSERT_EQ(takingPart(data.ds), 0);
    ASSERT_EQ(data.observed.dimension, 4);
    RandomGenerator generator = seeded(1, 1);
    RecordingInterface ui;
    const PermutationOutcome outcome = data.test(generator, 100, 2, ui);
    EXPECT_EQ(outcome.fstPValue, 1.0f);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(outcome.axisPValues[static_cast<std::size_t>(k)], 1.0f) << k;
    EXPECT_EQ(generator.seed1, 1);
}

TEST(PermutationTest, TwoSampleExampleHandlesArrangementsWithoutInertia) {
    Analysed data(1, 2, twoSampleExample());
    RandomGenerator generator = seeded(1, 1);
    RecordingInterface ui;
    const PermutationOutcome outcome = data.test(generator, 100, 2, ui);

    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(outcome.testedAxes, 1);
    expectOneHundredths(outcome.fstPValue);
    expectOneHundredths(outcome.axisPValues[1]);
    const auto shareLines = data.shareLines();
    ASSERT_EQ(shareLines.size(), 100u);
    int withoutInertia = 0;
    for (std::size_t n = 1; n < shareLines.size(); ++n) {
        ASSERT_EQ(shareLines[n].size(), 20u) << shareLines[n];
        EXPECT_EQ(shareLines[n].find_first_not_of(" 0123456789.-"), std::string::npos) << shareLines[n];
        if (shareLines[n] == "   0.00000   0.00000") ++withoutInertia;
    }
    EXPECT_GT(withoutInertia, 10);
    // Those runs reach neither the observed Fst nor its axis share.
    EXPECT_LE(outcome.axisPValues[1], static_cast<float>(1.0 - withoutInertia / 100.0) + 1e-6f);
}

TEST(PermutationTest, SuccessiveTestsContinueTheStream) {
    Analysed data(3, 4, generatedSamples());
    RandomGenerator generator = seeded(1, 1);
    RecordingInterface ui;
    const PermutationOutcome first = data.test(generator, 100, 2, ui);
    const auto firstLines = data.shareLines();
    const RandomGenerator afterFirst = generator;
    const PermutationOutcome second = data.test(generator, 100, 2, ui);
    const auto allLines = data.shareLines();

    ASSERT_EQ(allLines.size(), 199u);
    EXPECT_NE(std::vector<std::string>(allLines.begin() + 1, allLines.begin() + 100),
              std::vector<std::string>(allLines.begin() + 100, allLines.end()));
    EXPECT_EQ(generator.seed1, advanced(afterFirst, 99L * takingPart(data.ds)).seed1);
    bool pValuesDiffer = first.fstPValue != second.fstPValue;
    for (int k = 1; k <= first.testedAxes; ++k)
        pValuesDiffer = pValuesDiffer || first.axisPValues[static_cast<std::size_t>(k)] !=
                                             second.axisPValues[static_cast<std::size_t>(k)];
    EXPECT_TRUE(pValuesDiffer);
}

struct RunRecord {
    std::string shares;
    float fst = 0.0f;
    analysis::RealVector axes{};
    std::string section;
    RandomGenerator generator;
    std::vector<int> finalColumns;
};

// threads > 0: the threaded engine; otherwise the calling-thread engine in
// batches of -threads arrangements.
RunRecord recordRun(int threads, int randomisations) {
    Analysed data(3, 4, generatedSamples());
    RunRecord record;
    record.generator = seeded(2147483562, 2147483398);
    RecordingInterface ui;
    const PermutationOutcome outcome = threads > 0 ? data.test(record.generator, randomisations, threads, ui)
                                                   : data.stepped(record.generator, randomisations, -threads, ui);
    EXPECT_EQ(ui.progressSteps, randomisations - 1);
    EXPECT_EQ(ui.progressEnds, 1);
    EXPECT_FALSE(outcome.cancelled);
    record.shares = test::readFile(data.sharePath);
    record.fst = outcome.fstPValue;
    record.axes = outcome.axisPValues;
    record.section = analysis::testSectionText(data.ds, randomisations, outcome.fstPValue, outcome.axisPValues,
                                               data.observed.dimension);
    for (int l = 1; l <= data.ds.nl; ++l)
        for (int i = 1; i <= data.ds.individualCount; ++i)
            record.finalColumns.push_back(data.ds.genotypeColumns.at(l, i));
    return record;
}

TEST(PermutationTest, OutputsAreTheSameForAnyThreadCountAndOnTheCallingThread) {
    const RunRecord one = recordRun(1, 300);
    // Negative: no worker thread, batches of 1, 7 and more than the whole test.
    for (int threads : {2, 8, -1, -7, -1000}) {
        SCOPED_TRACE(threads);
        const RunRecord many = recordRun(threads, 300);
        EXPECT_EQ(many.shares, one.shares);
        EXPECT_EQ(many.fst, one.fst);
        EXPECT_EQ(many.axes, one.axes);
        EXPECT_EQ(many.section, one.section);
        EXPECT_EQ(many.generator.seed1, one.generator.seed1);
        EXPECT_EQ(many.generator.seed2, one.generator.seed2);
        EXPECT_EQ(many.finalColumns, one.finalColumns);
    }
}

TEST(PermutationTest, EngineGivesWhatShufflingTheColumnsRunByRunGives) {
    // The plain reading: shuffle the columns, recount them, analyse, append
    // the share line; the engine must leave the same files, columns and
    // generator behind.
    Analysed data(3, 4, generatedSamples());
    data::Dataset plain = data.ds;
    RandomGenerator plainGenerator = seeded(99, 7);
    std::string plainShares = test::readFile(data.sharePath);
    analysis::PcaWorkspace workspace;
    analysis::PcaResult result = data.observed;
    data::CountTables counts;
    for (int run = 1; run < 150; ++run) {
        shuffleArrangement(plain, plain.genotypeColumns, plainGenerator);
        data::countAlleles(plain, plain.genotypeColumns, counts);
        analysis::RunFrequencyPca(plain, counts, false, workspace, result);
        plainShares += analysis::shareLine(result);
    }

    RandomGenerator generator = seeded(99, 7);
    RecordingInterface ui;
    data.test(generator, 150, 2, ui);
    EXPECT_EQ(test::readFile(data.sharePath), plainShares);
    EXPECT_EQ(generator.seed1, plainGenerator.seed1);
    EXPECT_EQ(generator.seed2, plainGenerator.seed2);
    for (int l = 1; l <= plain.nl; ++l)
        for (int i = 0; i <= plain.individualCount; ++i)
            ASSERT_EQ(data.ds.genotypeColumns.at(l, i), plain.genotypeColumns.at(l, i))
                << "locus " << l << " position " << i;
}

// A data set of `loci` loci with `alleles` alleles coded with `divisor`,
// samples of the given sizes, about one genotype in ten missing.
data::Dataset codedDataset(int loci, int alleles, int divisor, const std::vector<int>& sizes,
                           std::mt19937& engine) {
    data::Dataset ds;
    ds.np = static_cast<std::uint16_t>(sizes.size());
    ds.nl = static_cast<std::uint16_t>(loci);
    ds.nu = static_cast<std::uint16_t>(alleles);
    ds.alleleDivisor = divisor;
    ds.alleleCoding = divisor == 10 ? 1 : 2;
    int individuals = 0;
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        individuals += sizes[s];
        ds.sampleEnds[s + 1] = static_cast<std::uint16_t>(individuals);
    }
    ds.individualCount = static_cast<std::uint16_t>(individuals);
    ds.genotypeColumns.resize(loci);
    for (int l = 1; l <= loci; ++l)
        for (int i = 1; i <= individuals; ++i) {
            auto allele = [&] { return 1 + static_cast<int>(engine() % static_cast<unsigned>(alleles)); };
            ds.genotypeColumns.at(l, i) = engine() % 10 == 0 ? 0 : allele() * divisor + allele();
        }
    return ds;
}

void expectSameCounts(const data::Dataset& ds, const data::CountTables& expected,
                      const data::CountTables& actual) {
    for (int l = 1; l <= ds.nl; ++l) {
        for (int a = 1; a <= ds.nu; ++a)
            ASSERT_EQ(actual.alleleTotal(l, a), expected.alleleTotal(l, a)) << l << " " << a;
        for (int s = 1; s <= ds.np; ++s) {
            ASSERT_EQ(actual.sampleSize(s, l), expected.sampleSize(s, l)) << s << " " << l;
            for (int a = 1; a <= ds.nu; ++a)
                ASSERT_EQ(actual.alleleCount(s, l, a), expected.alleleCount(s, l, a)) << s << " " << l << " " << a;
        }
    }
}

TEST(ArrangementCounter, CountsWhatCountAllelesCountsInTheGatheredColumns) {
    std::mt19937 engine(77u);
    struct Case {
        int loci, alleles, divisor;
        std::vector<int> sizes;
    };
    const std::vector<Case> cases = {
        {1, 2, 10, {10, 10}},
        {3, 9, 10, {1, 7, 0, 12, 5}},         // an empty sample and a single individual
        {7, 99, 100, {40, 3, 25}},            // every allele slot
        {50, 12, 100, {30, 30, 30, 30, 30}},  // every locus
    };
    for (const Case& c : cases) {
        const data::Dataset ds = codedDataset(c.loci, c.alleles, c.divisor, c.sizes, engine);
        const data::ArrangementCounter counter(ds, ds.genotypeColumns);
        ASSERT_TRUE(counter.valid());
        std::vector<std::uint16_t> origin(static_cast<std::size_t>(ds.individualCount) + 1);
        for (std::size_t p = 0; p < origin.size(); ++p) origin[p] = static_cast<std::uint16_t>(p);
        // One table set across arrangements, as a worker keeps it.
        data::CountTables counted;
        data::CountTables expected;
        data::GenotypeColumns gathered(ds.nl);
        for (int arrangement = 0; arrangement < 20; ++arrangement) {
            if (arrangement > 0) std::shuffle(origin.begin() + 1, origin.end(), engine);
            for (int l = 1; l <= ds.nl; ++l)
                for (int p = 1; p <= ds.individualCount; ++p)
                    gathered.at(l, p) = ds.genotypeColumns.at(l, origin[static_cast<std::size_t>(p)]);
            data::countAlleles(ds, gathered, expected);
            counter.count(origin.data(), counted);
            SCOPED_TRACE(testing::Message() << c.loci << " loci, arrangement " << arrangement);
            expectSameCounts(ds, expected, counted);
        }
    }
}

TEST(ArrangementCounter, AnInvalidCodeLeavesTheCountToCountAlleles) {
    std::mt19937 engine(5u);
    for (const int bad : {-11, 70000, 105, 50, 3})  // negative, beyond 16 bits, allele 0 or > nu
    {
        data::Dataset ds = codedDataset(2, 4, 10, {5, 5}, engine);
        ds.genotypeColumns.at(2, 7) = bad;
        EXPECT_FALSE(data::ArrangementCounter(ds, ds.genotypeColumns).valid()) << bad;
    }
}

// A cancel after three arrangements leaves what a complete test of three
// runs leaves: share lines, stream and columns.
void expectCancelAfterThreeRuns(bool onCallingThread) {
    const RunRecord threeRuns = recordRun(2, 4);
    Analysed data(3, 4, generatedSamples());
    RandomGenerator generator = seeded(2147483562, 2147483398);
    RecordingInterface ui;
    ui.cancelAfterSteps = 3;
    const PermutationOutcome outcome =
        onCallingThread ? data.stepped(generator, 100, 2, ui) : data.test(generator, 100, 2, ui);

    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(ui.progressSteps, 3);
    EXPECT_EQ(ui.progressEnds, 1);
    EXPECT_EQ(test::readFile(data.sharePath), threeRuns.shares);
    EXPECT_EQ(generator.seed1, threeRuns.generator.seed1);
    EXPECT_EQ(generator.seed2, threeRuns.generator.seed2);
    std::vector<int> columns;
    for (int l = 1; l <= data.ds.nl; ++l)
        for (int i = 1; i <= data.ds.individualCount; ++i) columns.push_back(data.ds.genotypeColumns.at(l, i));
    EXPECT_EQ(columns, threeRuns.finalColumns);
}

TEST(PermutationTest, CancelStopsAfterTheArrangementsTaken) { expectCancelAfterThreeRuns(false); }

TEST(PermutationTest, CancelOnTheCallingThreadStopsAfterTheArrangementsTaken) { expectCancelAfterThreeRuns(true); }

TEST(PermutationTest, ErrorOnTheCallingThreadReachesTheCaller) {
    Analysed data(3, 4, generatedSamples());
    data.ds.genotypeColumns.at(1, 1) = 10;
    RandomGenerator generator = seeded(1, 1);
    RecordingInterface ui;
    {
        run::PortObserver observer(ui);
        SteppedPermutationTest test(data.ds, data.observed, generator, 100, data.sharePath, observer);
        EXPECT_THROW(test.advance(10), base::FatalError);
        EXPECT_TRUE(test.done());
        EXPECT_FALSE(test.advance(10));
    }
    EXPECT_EQ(ui.progressEnds, 1);
    EXPECT_EQ(ui.progressSteps, 0);
    EXPECT_EQ(data.shareLines().size(), 1u);
}

TEST(PermutationTest, ErrorInAnAnalysisReachesTheCaller) {
    Analysed data(3, 4, generatedSamples());
    // A code the observed pass never saw: every recount refuses it.
    data.ds.genotypeColumns.at(1, 1) = 10;
    RandomGenerator generator = seeded(1, 1);
    RecordingInterface ui;
    EXPECT_THROW(data.test(generator, 100, 2, ui), base::FatalError);
    EXPECT_EQ(ui.progressEnds, 1);
    EXPECT_EQ(ui.progressSteps, 0);
    EXPECT_EQ(data.shareLines().size(), 1u);
}

// --- The test section ---------------------------------------------------

}  // namespace
}  // namespace zeltric::randomisation
