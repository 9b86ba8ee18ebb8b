#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/fatal_error.hpp"
#include "run/open_summary.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::run {
namespace {

using test::RecordingInterface;
using test::TempDir;
using test::writeFile;

// Two samples, two loci, two digits per allele; "0" is a missing genotype.
const std::string kTwoLoci =
    "2 2 9 2\r\nL1\r\nL2\r\n"
    "1 102 0\r\n"
    "1 101 303\r\n"
    "2 905 303\r\n";

TEST(OpenSummary, SamplesIndividualsAndDistinctAllelesOfEachLocus) {
    TempDir dir;
    writeFile(dir.file("two.dat"), kTwoLoci);
    Session session;
    RecordingInterface ui;
    openStep(session, ui, dir.file("two.dat"));
    ASSERT_TRUE(session.settings.fileOpen);
    const OpenedSummary summary = summariseOpened(session);
    EXPECT_EQ(summary.individuals, 3);
    EXPECT_EQ(summary.sampleSizes, (std::vector<int>{2, 1}));
    // L1: alleles 1, 2, 9 and 5; L2: allele 3 only, the missing genotype counts none.
    EXPECT_EQ(summary.allelesPerLocus, (std::vector<int>{4, 1}));
    EXPECT_EQ(summary.alleles, 5);
    EXPECT_EQ(countIndividuals(session), 3);
}

TEST(OpenSummary, TheExampleFileAsThePageShowsIt) {
    Session session;
    RecordingInterface ui;
    openStep(session, ui, std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat");
    const OpenedSummary summary = summariseOpened(session);
    EXPECT_EQ(summary.sampleSizes.size(), 8u);
    EXPECT_EQ(summary.allelesPerLocus.size(), 6u);
    EXPECT_EQ(summary.alleles, 33);
    int total = 0;
    for (int size : summary.sampleSizes) total += size;
    EXPECT_EQ(total, summary.individuals);
}

TEST(OpenSummary, AFaultyGenotypeIsTheGoStepsRefusal) {
    TempDir dir;
    writeFile(dir.file("bad.dat"), "2 2 9 2\r\nL1\r\nL2\r\n1 102 0\r\n1 1x1 303\r\n2 905 303\r\n");
    Session session;
    RecordingInterface ui;
    openStep(session, ui, dir.file("bad.dat"));
    ASSERT_TRUE(session.settings.fileOpen);
    EXPECT_THROW(summariseOpened(session), base::FatalError);
    // The desktop's status line leaves the count out instead.
    EXPECT_EQ(countIndividuals(session), std::nullopt);
}

}  // namespace
}  // namespace zeltric::run
