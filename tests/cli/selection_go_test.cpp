#include <gtest/gtest.h>

#include <filesystem>

#include "run/go_step.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::run {
namespace {

using test::readFile;
using test::shellQuote;
using test::TempDir;

const char* const kOutputs[] = {".dat", ".pca", ".pop", ".al", ".per", ".fre"};

std::string example(const std::string& name) {
    return readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/" + name);
}

class SelectionGo : public ::testing::Test {
protected:
    TempDir dir;
    test::RecordingInterface ui;
    Session session;

    void SetUp() override {
        test::writeFile(dir.file("trout.dat"), example("trout.dat"));
        test::writeFile(dir.file("trout.lab"), example("trout.lab"));
        openStep(session, ui, dir.file("trout.dat"));
        labelCommand(session, dir.file("trout.lab"));
        chooseByNumbers(session, PickKind::Loci, {1, 3, 4, 6});
        chooseByNumbers(session, PickKind::Populations, {2, 3, 5, 8});
    }
    std::vector<std::string> outputs(const std::string& base) const {
        std::vector<std::string> contents;
        for (const char* extension : kOutputs) contents.push_back(readFile(dir.file(base + extension)));
        return contents;
    }
};

TEST_F(SelectionGo, RepeatedGoStepGivesTheSameOutputs) {
    goStep(session, ui);
    const std::string base = "trout-L1346-P2358";
    EXPECT_EQ(session.results.dataFileName, dir.file(base));
    EXPECT_EQ(session.results.analysed.np, 4);
    EXPECT_EQ(session.results.analysed.populationLabels[2], "Allier");
    const std::vector<std::string> first = outputs(base);
    EXPECT_EQ(first[0].substr(0, 21), "   4    4    8    2\r\n");

    goStep(session, ui);
    EXPECT_EQ(session.results.dataFileName, dir.file(base));
    EXPECT_EQ(outputs(base), first);
    EXPECT_EQ(session.settings.opened.np, 8);  // the opened numbering is untouched
    EXPECT_EQ(session.settings.opened.populationLabels[2], "Loire-B");
}

TEST_F(SelectionGo, SelectionAnalysesAsTheFilteredFileOpenedDirectly) {
    goStep(session, ui);
    const std::vector<std::string> selected = outputs("trout-L1346-P2358");

    // The filtered file, opened as a data file of its own with the labels of
    // the chosen samples, must give the same results.
    std::filesystem::copy_file(dir.file("trout-L1346-P2358.dat"), dir.file("subset.dat"));
    test::writeFile(dir.file("subset.lab"), "Loire-B\r\nAllier\r\nRhone-A\r\nDoubs\r\n");
    Session direct;
    openStep(direct, ui, dir.file("subset.dat"));
    labelCommand(direct, dir.file("subset.lab"));
    goStep(direct, ui);
    const std::vector<std::string> plain = outputs("subset");
    for (std::size_t i = 1; i < plain.size(); ++i) EXPECT_EQ(selected[i], plain[i]) << kOutputs[i];
}

TEST(SelectionCli, LociPopsAndLabelsEndToEnd) {
    TempDir dir;
    test::writeFile(dir.file("trout.dat"), example("trout.dat"));
    test::writeFile(dir.file("trout.lab"), example("trout.lab"));
    const test::ProcessResult r =
        test::runCli("--quiet --loci 6,1,3-4 --pops 2-3,5,8 --labels " + shellQuote(dir.file("trout.lab")) + " " +
                     shellQuote(dir.file("trout.dat")));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* extension : kOutputs)
        EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("trout-L1346-P2358") + extension))) << extension;
    EXPECT_FALSE(std::filesystem::exists(dir.file("trout.pca")));
    EXPECT_NE(readFile(dir.file("trout-L1346-P2358.pca")).find("Rhone-A"), std::string::npos);

    for (const std::string bad : {"--loci 0", "--loci 7", "--pops 3", "--pops 1,x", "--loci ''"}) {
        const test::ProcessResult refused = test::runCli(bad + " " + shellQuote(dir.file("trout.dat")));
        EXPECT_EQ(refused.exitCode, 2) << bad;
        EXPECT_FALSE(refused.err.empty()) << bad;
    }
}

}  // namespace
}  // namespace zeltric::run
