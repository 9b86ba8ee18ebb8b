#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "run/go_step.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::run {
namespace {

using test::readFile;
using test::RecordingInterface;
using test::TempDir;
using test::writeFile;

std::string twoSampleData() {
    std::string text = "2 1 2 1\r\nloc1\r\n";
    for (int i = 0; i < 2; ++i) text += "1 11\r\n";
    for (int i = 0; i < 8; ++i) text += "1 22\r\n";
    for (int i = 0; i < 6; ++i) text += "2 11\r\n";
    for (int i = 0; i < 4; ++i) text += "2 22\r\n";
    return text;
}

TEST(GoStep, WorkedExampleThroughTheGoStep) {
    TempDir dir;
    writeFile(dir.file("trout.dat"), twoSampleData());
    Session session;
    RecordingInterface ui;
    openStep(session, ui, dir.file("trout.dat"));
    EXPECT_TRUE(session.desktop.goEnabled);
    EXPECT_TRUE(session.desktop.optionsEnabled);
    goStep(session, ui);
    ASSERT_EQ(ui.captions.size(), 1u);
    EXPECT_EQ(ui.captions[0], "ZELTRIC is Processing: trout.dat");
    for (const char* ext : {".pca", ".pop", ".al", ".per", ".fre"})
        EXPECT_EQ(readFile(dir.file(std::string("trout") + ext)), test::golden(std::string("two_sample") + ext))
            << ext;
    ASSERT_EQ(ui.shownResults.size(), 1u);
    EXPECT_EQ(ui.shownResults[0], test::golden("two_sample.pca"));

    // A second go step replaces every output instead of appending to it.
    goStep(session, ui);
    EXPECT_EQ(readFile(dir.file("trout.pca")), test::golden("two_sample.pca"));
    EXPECT_EQ(readFile(dir.file("trout.per")), test::golden("two_sample.per"));
}

// The go step reads what it was asked to do and fills what it found: the
// settings come out as they went in, but for the test's generator, which
// the test advances so that the next test continues the stream.
TEST(GoStep, ReadsTheSettingsAndFillsTheResults) {
    TempDir dir;
    std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", dir.file("trout.dat"));
    writeFile(dir.file("names.lab"), "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\n");
    Session session;
    RecordingInterface ui;
    openStep(session, ui, dir.file("trout.dat"));
    labelCommand(session, dir.file("names.lab"));
    chooseByNumbers(session, PickKind::Populations, {1, 2, 4, 5});
    RunSettings& settings = session.settings;
    settings.testingOn = true;
    settings.randomisationCount = 100;
    settings.generator.seed1 = 12345;
    settings.generator.seed2 = 67890;
    settings.bootstrapOn = true;
    settings.bootstrapReplicates = 100;
    settings.bootstrapSeed1 = 4711;
    settings.bootstrapSeed2 = 815;
    settings.threads = 2;
    const RunSettings before = settings;

    goStep(session, ui);
    EXPECT_EQ(settings.useLabels, before.useLabels);
    EXPECT_TRUE(settings.useLabels);
    EXPECT_EQ(settings.selectPops, before.selectPops);
    EXPECT_EQ(settings.selectLoci, before.selectLoci);
    EXPECT_EQ(settings.testingOn, before.testingOn);
    EXPECT_EQ(settings.bootstrapOn, before.bootstrapOn);
    EXPECT_EQ(settings.randomisationCount, 100);
    EXPECT_EQ(settings.bootstrapReplicates, 100);
    EXPECT_EQ(settings.bootstrapSeed1, 4711);
    EXPECT_EQ(settings.bootstrapSeed2, 815);
    EXPECT_EQ(settings.openedPath, before.openedPath);
    EXPECT_EQ(settings.labelFileName, before.labelFileName);
    EXPECT_EQ(settings.opened.np, before.opened.np);
    EXPECT_EQ(settings.opened.populationSelected, before.opened.populationSelected);
    EXPECT_EQ(settings.opened.populationLabels, before.opened.populationLabels);
    EXPECT_NE(settings.generator.seed1, 12345);  // the test's draws were taken

    const RunResults& results = session.results;
    EXPECT_TRUE(results.runDone);
    EXPECT_EQ(results.analysed.np, 4);
    EXPECT_EQ(results.dataFileName, dir.file("trout-P1245"));
    EXPECT_EQ(results.testedRandomisations, 100);
    EXPECT_EQ(results.bootstrap.replicates, 100);
    EXPECT_EQ(results.bootstrap.axes.size(), static_cast<std::size_t>(results.pca.dimension - 1));
}

TEST(GoStep, RepeatedSelectionGivesTheSameFiles) {
    TempDir dir;
    std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", dir.file("trout.dat"));
    writeFile(dir.file("names.lab"), "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\n");
    Session session;
    RecordingInterface ui;
    openStep(session, ui, dir.file("trout.dat"));
    labelCommand(session, dir.file("names.lab"));
    chooseByNumbers(session, PickKind::Loci, {1, 3});
    chooseByNumbers(session, PickKind::Populations, {2, 4, 5});
    goStep(session, ui);
    EXPECT_EQ(ui.captions.back(), "ZELTRIC is Processing: trout-L13-P245.dat");
    std::vector<std::string> first;
    for (const char* ext : {".dat", ".pca", ".pop", ".al", ".per", ".fre"})
        first.push_back(readFile(dir.file(std::string("trout-L13-P245") + ext)));
    EXPECT_NE(first[1].find(" two four five\r\n"), std::string::npos);
    EXPECT_EQ(session.results.analysed.np, 3);
    EXPECT_EQ(session.settings.opened.np, 8);  // the opened file's numbering stays

    goStep(session, ui);
    EXPECT_EQ(ui.captions.back(), "ZELTRIC is Processing: trout-L13-P245.dat");
    int i = 0;
    for (const char* ext : {".dat", ".pca", ".pop", ".al", ".per", ".fre"})
        EXPECT_EQ(readFile(dir.file(std::string("trout-L13-P245") + ext)), first[static_cast<std::size_t>(i++)])
            << ext;
}

TEST(GoStep, OpenResetsSelectionsAndRefusesBadCodingAtGo) {
    TempDir dir;
    writeFile(dir.file("a.dat"), twoSampleData());
    writeFile(dir.file("b.dat"), "2 1 9 7\r\nL\r\n1 11\r\n2 11\r\n");
    Session session;
    RecordingInterface ui;
    openStep(session, ui, dir.file("a.dat"));
    chooseByNumbers(session, PickKind::Populations, {1, 2});
    session.settings.testingOn = true;
    openStep(session, ui, dir.file("b.dat"));
    EXPECT_FALSE(session.settings.selectPops || session.settings.selectLoci || session.settings.testingOn ||
                 session.settings.useLabels);
    ASSERT_EQ(ui.informations.size(), 1u);
    EXPECT_EQ(ui.informations[0], base::codingMessage());
    EXPECT_TRUE(session.desktop.goEnabled);
    EXPECT_THROW(goStep(session, ui), base::FatalError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.pca")));
}

TEST(GoStep, TestingToggleAsksForTheCountEachTimeItIsSet) {
    Session session;
    RecordingInterface ui;
    ui.countAnswers = {std::string("99"), std::string("abc"), std::string("250")};
    testingToggle(session, ui);
    EXPECT_TRUE(session.settings.testingOn);
    EXPECT_EQ(session.settings.randomisationCount, 250);
    testingToggle(session, ui);  // off: no question
    EXPECT_FALSE(session.settings.testingOn);
    EXPECT_EQ(ui.countOffers.size(), 3u);
    ui.countAnswers = {std::string("100")};
    testingToggle(session, ui);
    EXPECT_EQ(session.settings.randomisationCount, 100);
    EXPECT_EQ(ui.countOffers.back(), "100");
}

}  // namespace
}  // namespace zeltric::run

namespace zeltric::run {
namespace {

// The go step and the stepped go step on the example with a test, each in a
// folder of its own; returns the files and messages of each.
struct SteppedRun {
    std::vector<std::string> files;
    std::vector<std::string> informations;
    int advances = 0;
};

// `test` randomisations (0: no test), then `bootstrap` replicates (0: none).
SteppedRun runExampleTest(bool stepped, int batch, int cancelAfter, int test = 120, int bootstrap = 0) {
    test::TempDir dir;
    std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", dir.file("trout.dat"));
    Session session;
    session.settings.threads = 1;
    test::RecordingInterface ui;
    ui.cancelAfterSteps = cancelAfter;
    openStep(session, ui, dir.file("trout.dat"));
    session.settings.generator.seed1 = 12345;
    session.settings.generator.seed2 = 67890;
    session.settings.testingOn = test > 0;
    session.settings.randomisationCount = test;
    session.settings.bootstrapOn = bootstrap > 0;
    session.settings.bootstrapReplicates = bootstrap;
    session.settings.bootstrapSeed1 = 31;
    session.settings.bootstrapSeed2 = 4159;
    SteppedRun run;
    if (stepped) {
        SteppedGoStep go(session, ui);
        while (go.advance(batch)) ++run.advances;
    } else {
        goStep(session, ui);
    }
    for (const char* ext : {".pca", ".pop", ".al", ".per", ".fre"})
        run.files.push_back(test::readFile(dir.file(std::string("trout") + ext)));
    run.files.push_back(std::to_string(session.settings.generator.seed1) + " " +
                        std::to_string(session.settings.generator.seed2));
    run.informations = ui.informations;
    return run;
}

TEST(SteppedGoStep, BatchesWriteWhatTheGoStepWrites) {
    const SteppedRun whole = runExampleTest(false, 0, -1);
    for (int batch : {1, 7, 1000}) {
        const SteppedRun stepped = runExampleTest(true, batch, -1);
        EXPECT_EQ(stepped.files, whole.files) << "batch " << batch;
        EXPECT_EQ(stepped.informations, whole.informations);
        // 119 arrangements: the work is really split into batches.
        EXPECT_GE(stepped.advances, 119 / batch - 1) << "batch " << batch;
    }
}

TEST(SteppedGoStep, ACancelKeepsTheObservedFilesAndTheShareLinesTaken) {
    const SteppedRun whole = runExampleTest(false, 0, 30);
    const SteppedRun stepped = runExampleTest(true, 4, 30);
    EXPECT_EQ(stepped.files, whole.files);
    ASSERT_FALSE(stepped.informations.empty());
    EXPECT_NE(stepped.informations.back().find("cancelled"), std::string::npos);
    EXPECT_EQ(stepped.files[0].find("P-value for overall Fst"), std::string::npos);
    EXPECT_NE(runExampleTest(true, 4, -1).files[0].find("P-value for overall Fst"), std::string::npos);
}

}  // namespace
}  // namespace zeltric::run

namespace zeltric::run {
namespace {

TEST(SteppedGoStep, TheBootstrapInBatchesWritesWhatTheGoStepWrites) {
    // After a test, and alone.
    for (const int test : {50, 0}) {
        SCOPED_TRACE(test);
        const SteppedRun whole = runExampleTest(false, 0, -1, test, 150);
        ASSERT_NE(whole.files[0].find("Bootstrap over loci: 150 replicates, seeds 31,4159"), std::string::npos);
        for (int batch : {1, 7, 1000}) {
            const SteppedRun stepped = runExampleTest(true, batch, -1, test, 150);
            EXPECT_EQ(stepped.files, whole.files) << "batch " << batch;
            EXPECT_EQ(stepped.informations, whole.informations);
            EXPECT_GE(stepped.advances, (std::max(test - 1, 0) + 150) / batch - 1) << "batch " << batch;
        }
    }
}

TEST(SteppedGoStep, ACancelledBootstrapWritesWhatTheGoStepWrites) {
    // 49 arrangements of the test, then 20 replicates of the bootstrap.
    const SteppedRun whole = runExampleTest(false, 0, 69, 50, 150);
    const SteppedRun stepped = runExampleTest(true, 4, 69, 50, 150);
    EXPECT_EQ(stepped.files, whole.files);
    EXPECT_EQ(stepped.informations, whole.informations);
    ASSERT_FALSE(stepped.informations.empty());
    EXPECT_NE(stepped.informations.back().find("bootstrap over loci was cancelled"), std::string::npos);
    EXPECT_NE(stepped.files[0].find("P-value for overall Fst"), std::string::npos);
    EXPECT_EQ(stepped.files[0].find("Bootstrap"), std::string::npos);
}

}  // namespace
}  // namespace zeltric::run
