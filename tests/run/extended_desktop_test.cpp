// The run layer's desktop steps of the extended analysis: the population map
// found beside the data, the open and go steps on a session, and what the
// windows and the figure read of the run.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/messages.hpp"
#include "run/extended_step.hpp"
#include "run/shown_results.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace fs = std::filesystem;

TEST(ExtendedDesktop, PopulationMapBesideTheDataByNameThenPopmapTxt) {
    TempDir dir;
    writeFile(dir.file("panel.vcf.gz"), "");
    writeFile(dir.file("set.bed"), "");
    fs::create_directory(dir.file("odd.popmap"));  // a folder is no map
    writeFile(dir.file("odd.bcf"), "");
    EXPECT_EQ(run::PopulationMapBeside(dir.file("panel.vcf.gz")), std::nullopt);
    writeFile(dir.file("popmap.txt"), "a x\n");
    EXPECT_EQ(run::PopulationMapBeside(dir.file("panel.vcf.gz")), dir.file("popmap.txt"));
    EXPECT_EQ(run::PopulationMapBeside(dir.file("odd.bcf")), dir.file("popmap.txt"));
    writeFile(dir.file("panel.popmap"), "a x\n");
    writeFile(dir.file("set.popmap"), "a x\n");
    EXPECT_EQ(run::PopulationMapBeside(dir.file("panel.vcf.gz")), dir.file("panel.popmap"));
    EXPECT_EQ(run::PopulationMapBeside(dir.file("set.bed")), dir.file("set.popmap"));
    EXPECT_TRUE(run::NeedsPopulationMap(dir.file("panel.vcf.gz")));
    EXPECT_FALSE(run::NeedsPopulationMap(dir.file("set.bed")));
}

TEST(ExtendedDesktop, OpenAndGoStepsFillTheSessionTheWindowsRead) {
#if !ZELTRIC_TEST_READS_VCF
    GTEST_SKIP() << "this build reads no VCF files";
#endif
    TempDir dir;
    writeFile(dir.file("calls.vcf"),
              "##fileformat=VCFv4.2\n##contig=<ID=1>\n"
              "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
              "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\tc\td\te\tf\n"
              "1\t10\ts1\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/1\t1/1\t1/1\t0/1\n"
              "1\t20\ts2\tC\tT,G\t.\t.\t.\tGT\t0/1\t0/0\t2/2\t1/2\t0/0\t1/1\n"
              "1\t30\ts3\tG\tA\t.\t.\t.\tGT\t1/1\t./.\t0/0\t0/1\t0/0\t1/1\n");
    writeFile(dir.file("calls.popmap"), "a north\nb north\nc east\nd east\ne south\nf west\n");
    run::Session session;
    RecordingInterface ui;

    // A data file within the limits stays with the exact analysis.
    writeFile(dir.file("small.dat"), "2 1 2 1\r\nlocA\r\n1 11 12\r\n2 22 21\r\n");
    run::ExtendedRequest exact;
    exact.dataFile = dir.file("small.dat");
    EXPECT_FALSE(run::ExtendedOpenStep(session, ui, exact));
    EXPECT_FALSE(session.settings.fileOpen);
    EXPECT_TRUE(ui.informations.empty());

    run::ExtendedRequest request;
    request.dataFile = dir.file("calls.vcf");
    request.popmapFile = run::PopulationMapBeside(request.dataFile);
    ASSERT_TRUE(run::ExtendedOpenStep(session, ui, request));
    EXPECT_TRUE(session.settings.fileOpen && session.desktop.goEnabled);
    EXPECT_EQ(session.results.dataFileName, dir.file("calls"));
    ASSERT_EQ(ui.informations.size(), 1u);
    EXPECT_EQ(ui.informations[0], base::extendedAnalysisNote(dir.file("calls.vcf"), "a VCF or BCF file"));

    session.settings.bootstrapOn = true;
    run::ExtendedGoStep(session, ui);
    EXPECT_EQ(ui.informations.back(), base::extendedDesktopTestNote());
    ASSERT_TRUE(session.results.runDone && session.results.extended);
    ASSERT_EQ(ui.shownResults.size(), 1u);
    EXPECT_EQ(ui.shownResults[0], readFile(dir.file("calls.pca")));

    const extended::ExtendedResult& result = session.results.extended->result;
    EXPECT_EQ(run::shownSamples(session.results), 4);
    EXPECT_EQ(run::shownAxes(session.results), static_cast<int>(result.dimension) - 1);
    EXPECT_EQ(run::shownAxes(session.results), 3);
    EXPECT_EQ(run::shownCoordinate(session.results, 4, 2), result.sampleCoordinate(3, 1));
    EXPECT_EQ(run::shownAxisFst(session.results, 3), result.axisFst[2]);
    EXPECT_EQ(run::shownSampleName(session.settings, session.results, 2), "east");
    session.settings.testingOn = true;
    EXPECT_FALSE(run::shownPValues(session.settings, session.results));

    // The exact analysis's open step forgets the extended file.
    run::openStep(session, ui, dir.file("small.dat"));
    EXPECT_EQ(session.settings.extended, nullptr);
}

}  // namespace
}  // namespace zeltric::test
