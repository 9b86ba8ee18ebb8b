#include "analysis/results_report.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/frequency_pca.hpp"
#include "analysis_data.hpp"
#include "test_support.hpp"

namespace zeltric::analysis {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
    return lines;
}

TEST(ResultsReport, WorkedTwoSampleExampleByteForByte) {
    const data::Dataset ds = test::twoSampleDataset();
    auto ws = std::make_unique<PcaWorkspace>();
    auto result = std::make_unique<PcaResult>();
    (void)RunFrequencyPca(ds, ds.counts, true, *ws, *result);
    EXPECT_EQ(resultsReportSection(ds, *result), test::golden("two_sample.pca"));
    EXPECT_EQ(sampleCoordinateText(ds, *result), test::golden("two_sample.pop"));
    EXPECT_EQ(alleleCoordinateText(*result), test::golden("two_sample.al"));
    EXPECT_EQ(shareLine(*result), test::golden("two_sample.per"));
}

// A hand-made result of dimension 5: axes 2 and 4 have shares at or below
// 0.001 (not shown; a float 0.001 lies just above it); axis 5 only matters
// to the share line.
struct FiveAxes {
    data::Dataset ds;
    std::unique_ptr<PcaResult> r = std::make_unique<PcaResult>();

    FiveAxes() {
        ds.np = 3;
        ds.nl = 2;
        ds.locusNames[1] = "Adh";
        ds.locusNames[2] = "PGM-1";
        ds.populationLabels[1] = "North shore";
        ds.populationLabels[2] = "B";
        ds.populationLabels[3] = "C";
        r->dimension = 5;
        r->alleleColumnCount = 6;
        r->allelesPerLocus[1] = 2;
        r->allelesPerLocus[2] = 4;
        r->typedLoci = 2;
        r->heterozygositySum = 1.25f;
        const float lambda[6] = {0, 0.6f, 0.001f, 0.3f, 0.0005f, 0.0985f};
        const float share[6] = {0, 0.6f, 0.00099f, 0.3f, 0.0005f, 0.0985f};
        for (int k = 1; k <= 5; ++k) {
            r->eigenvalues[static_cast<std::size_t>(k)] = lambda[k];
            r->observedAxisShare[static_cast<std::size_t>(k)] = share[k];
            r->observedAxisFst[static_cast<std::size_t>(k)] = lambda[k] / 2.0f;
            r->axisFst[static_cast<std::size_t>(k)] = lambda[k] / 4.0f;
        }
        r->totalInertia = 1.0f;
        r->globalFst = 0.25f;
        r->observedGlobalFst = 0.5f;
        r->brokenStickAxes = 1;
        for (int j = 1; j <= 3; ++j)
            for (int k = 1; k <= 5; ++k)
                r->populationCoordinates(j, k) = static_cast<float>(j) - 0.5f * static_cast<float>(k);
        for (int i = 1; i <= 6; ++i)
            for (int k = 1; k <= 5; ++k) r->alleleCoordinates(i, k) = 0.01f * static_cast<float>(i * k);
    }
};

TEST(ResultsReport, HiddenAxesLeaveTheValueLinesButStayInTheCumulativeSum) {
    const FiveAxes f;
    const std::vector<std::string> lines = linesOf(resultsReportSection(f.ds, *f.r));
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[2], " Adh PGM-1");
    EXPECT_EQ(lines[4], " North shore B C");
    EXPECT_EQ(lines[7], "Number of alleles (loci):      6(2)");
    EXPECT_EQ(lines[8], "Number of alleles per locus:    2   4");
    EXPECT_EQ(lines[10], "Total heterozygosity:    0.62500");
    EXPECT_EQ(lines[13], "   0.60000   0.30000");
    EXPECT_EQ(lines[15], "     60.00     30.00");
    // 60, then 60 + 0.1 (axis 2, hidden) + 30; axis 4 hidden.
    EXPECT_EQ(lines[17], "     60.00     90.10");
    EXPECT_EQ(lines[19], "Number of significant axes according to the broken-stick:    1");
    EXPECT_EQ(lines[22], "Global Fst:    0.50000");
    EXPECT_EQ(lines[24], "   0.30000   0.15000");
}

TEST(ResultsReport, CoordinateFilesHoldEveryAxisBeforeTheLast) {
    const FiveAxes f;
    const std::vector<std::string> samples = linesOf(sampleCoordinateText(f.ds, *f.r));
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0], "  0.5000  0.0000 -0.5000 -1.0000");
    const std::vector<std::string> alleles = linesOf(alleleCoordinateText(*f.r));
    ASSERT_EQ(alleles.size(), 6u);
    EXPECT_EQ(alleles[5], "  0.0600  0.1200  0.1800  0.2400");
}

TEST(ResultsReport, ShareLineFiltersByTheObservedSharesOverAllAxes) {
    const FiveAxes f;
    // Axes 1, 3 and 5 have observed shares above 0.001; axis 5 is the last.
    EXPECT_EQ(shareLine(*f.r), "   0.25000   0.60000   0.30000   0.09850\r\n");
}

TEST(ResultsReport, AFigureWiderThanItsFieldWidensIt) {
    FiveAxes f;
    f.r->totalInertia = 12345.67891f;
    const std::vector<std::string> lines = linesOf(resultsReportSection(f.ds, *f.r));
    EXPECT_EQ(lines[11], "Total inertia (Dst X nb loci): 12345.67871");
}

data::Dataset labelled(std::vector<std::pair<std::string, int>> samples) {
    data::Dataset ds;
    ds.np = static_cast<std::uint16_t>(samples.size());
    for (std::size_t s = 0; s < samples.size(); ++s) {
        ds.populationLabels[s + 1] = samples[s].first;
        ds.completeCounts[s + 1] = static_cast<std::uint16_t>(samples[s].second);
    }
    return ds;
}

std::string axisLine(const std::string& section) {
    const std::string head = "P-values for the proportion of inertia of each axis: \r\n";
    const auto at = section.find(head);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(section.substr(section.size() - 2), "\r\n");
    return section.substr(at + head.size(), section.size() - at - head.size() - 2);
}

RealVector pValues(std::vector<double> values) {
    RealVector result{};
    for (std::size_t k = 0; k < values.size(); ++k) result[k + 1] = static_cast<float>(values[k]);
    return result;
}

TEST(TestSection, Layout) {
    const data::Dataset ds = labelled({{"pop1", 10}, {"B", 7}, {"North", 1234}});
    const std::string section = testSectionText(ds, 1000, 0.001f, pValues({0.5, 0.0125}), 3);
    EXPECT_EQ(section,
              "P-values are given after 1000 randomizations.\r\n"
              "With the following number of complete genotypes :\r\n"
              "pop1    10\r\n"
              "B     7\r\n"
              "North  1234\r\n"
              "\r\n"
              "P-value for overall Fst: \r\n"
              "   0.00100\r\n"
              "P-values for the proportion of inertia of each axis: \r\n"
              "   0.50000   0.01250\r\n");
}

TEST(TestSection, OneTestedAxisGivesOneNumberAndNoneAnEmptyLine) {
    const data::Dataset ds = labelled({{"1", 10}, {"2", 10}});
    const auto values = pValues({0.02, 0.01, 0.01});
    EXPECT_EQ(axisLine(testSectionText(ds, 100, 0.5f, values, 2)), "   0.02000");
    EXPECT_EQ(axisLine(testSectionText(ds, 100, 0.5f, values, 1)), "");
    EXPECT_EQ(axisLine(testSectionText(ds, 100, 0.5f, values, 0)), "");
}

TEST(TestSection, WhichAxesAreWritten) {
    const data::Dataset ds = labelled({{"1", 5}});
    struct Case {
        std::vector<double> p;  // axes 1..5
        int written;
    };
    const Case cases[] = {
        {{0.9, 0.9, 0.9, 0.9, 0.9}, 2},                                        // axes 1 and 2 always
        {{0.01, 0.01, 0.01, 0.01, 0.01}, 5}, {{0.9, 0.3, 0.9, 0.9, 0.9}, 2},   // 30 of 100 is stored above 0.3
        {{0.9, 0.29, 0.9, 0.9, 0.9}, 3},     {{0.9, 0.9, 0.05, 0.9, 0.9}, 2},  // 5 of 100 is stored above 0.05
        {{0.9, 0.9, 0.04, 0.9, 0.9}, 4},    // axis 3 is small, and axis 4 follows it
        {{0.9, 0.9, 0.04, 0.31, 0.01}, 5},  // axis 4 follows axis 3, axis 5 is small
        {{0.9, 0.9, 0.9, 0.01, 0.01}, 2},   // once stopped, small later axes stay out
    };
    for (const Case& c : cases) {
        const std::string line = axisLine(testSectionText(ds, 100, 1.0f, pValues(c.p), 6));
        ASSERT_EQ(line.size() % 10, 0u) << line;
        EXPECT_EQ(static_cast<int>(line.size() / 10), c.written) << line;
        for (int k = 0; k < static_cast<int>(line.size() / 10); ++k)
            EXPECT_EQ(std::stod(line.substr(static_cast<std::size_t>(k) * 10, 10)),
                      c.p[static_cast<std::size_t>(k)]);
    }
}

}  // namespace
}  // namespace zeltric::analysis
