#include "run/reader_preparation.hpp"

#include <gtest/gtest.h>

#include "base/fatal_error.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::run {
namespace {

using test::readFile;
using test::writeFile;

const std::string kData =
    "4 3 9 1\r\nloc1\r\nloc2\r\nloc3\r\n"
    "1 11 12 13\r\n2 21 22 23\r\n3 31 32 33\r\n4 41 42 43\r\n";

class ReaderPreparation : public ::testing::Test {
protected:
    test::TempDir dir;
    test::RecordingInterface ui;
    Session session;

    void SetUp() override {
        writeFile(dir.file("trout.dat"), kData);
        openStep(session, ui, dir.file("trout.dat"));
    }
    // What the go step does before reading: start again from the opened file.
    std::string prepare() {
        session.results.analysed = session.settings.opened;
        session.results.dataFileName = dir.file("trout");
        std::string readPath = session.settings.openedPath;
        prepareReader(session, readPath);
        return readPath;
    }
};

TEST_F(ReaderPreparation, NoSelectionReadsTheOpenedFile) {
    EXPECT_EQ(prepare(), dir.file("trout.dat"));
    EXPECT_EQ(session.results.dataFileName, dir.file("trout"));
    EXPECT_EQ(session.results.analysed.np, 4);
}

TEST_F(ReaderPreparation, RepeatedWithTheSameSelectionGivesTheSameFile) {
    writeFile(dir.file("trout.lab"), "A\r\nB\r\nC\r\nD\r\n");
    labelCommand(session, dir.file("trout.lab"));
    chooseByNumbers(session, PickKind::Populations, {2, 4});
    chooseByNumbers(session, PickKind::Loci, {3});

    const std::string first = prepare();
    EXPECT_EQ(first, dir.file("trout-L3-P24.dat"));
    const std::string content = readFile(first);
    EXPECT_EQ(content, "   2    1    9    1\r\nloc3\r\n     1     23 \r\n     2     43 \r\n");
    const data::Dataset analysed = session.results.analysed;
    EXPECT_EQ(analysed.np, 2);
    EXPECT_EQ(analysed.populationLabels[2], "D");

    const std::string second = prepare();
    EXPECT_EQ(second, first);
    EXPECT_EQ(session.results.dataFileName, dir.file("trout-L3-P24"));
    EXPECT_EQ(readFile(second), content);
    EXPECT_EQ(session.results.analysed.populationLabels, analysed.populationLabels);
    EXPECT_EQ(session.results.analysed.np, analysed.np);
    EXPECT_EQ(session.settings.opened.np, 4);  // the opened numbering stays
    EXPECT_EQ(session.settings.opened.populationLabels[2], "B");
}

TEST_F(ReaderPreparation, NeverWritesOverTheLabelFile) {
    chooseByNumbers(session, PickKind::Populations, {1, 2});
    writeFile(dir.file("trout-P12.dat"), "labels\r\n");
    labelCommand(session, dir.file("trout-P12.dat"));
    EXPECT_THROW(prepare(), base::FatalError);
    EXPECT_EQ(readFile(dir.file("trout-P12.dat")), "labels\r\n");
}

}  // namespace
}  // namespace zeltric::run
