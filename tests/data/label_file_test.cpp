#include "data/label_file.hpp"

#include <gtest/gtest.h>

#include "base/fatal_error.hpp"
#include "run/label_command.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::data {
namespace {

using test::TempDir;
using test::writeFile;

Dataset samples(int np) {
    Dataset ds;
    ds.np = static_cast<std::uint16_t>(np);
    setDefaultLabels(ds);
    return ds;
}

TEST(LabelFile, DefaultsAreTheSampleNumbers) {
    const Dataset ds = samples(12);
    EXPECT_EQ(ds.populationLabels[1], "1");
    EXPECT_EQ(ds.populationLabels[12], "12");
    EXPECT_EQ(ds.populationLabels[13], "");
}

TEST(LabelFile, WholeLinesWithTheirBlanks) {
    TempDir dir;
    writeFile(dir.file("labels"), "  Lake Ness  \r\nRiver\tTay\r\n\r\nSea\r\nignored after np\r\n");
    Dataset ds = samples(4);
    readLabelFile(ds, dir.file("labels"));
    EXPECT_EQ(ds.populationLabels[1], "  Lake Ness  ");
    EXPECT_EQ(ds.populationLabels[2], "River\tTay");
    EXPECT_EQ(ds.populationLabels[3], "");
    EXPECT_EQ(ds.populationLabels[4], "Sea");
    EXPECT_EQ(ds.populationLabels[5], "");
}

TEST(LabelFile, FewerLinesLeaveEmptyLabels) {
    TempDir dir;
    for (const std::string content : {"A\r\nB", "A\r\nB\r\n", "A\nB\n", "A\rB\r",
                                      "A\r\nB\r\n\x1a"
                                      "C\r\nD\r\n"}) {
        writeFile(dir.file("labels"), content);
        Dataset ds = samples(4);
        readLabelFile(ds, dir.file("labels"));
        EXPECT_EQ(ds.populationLabels[1], "A");
        EXPECT_EQ(ds.populationLabels[2], "B");
        EXPECT_EQ(ds.populationLabels[3], "") << content;
        EXPECT_EQ(ds.populationLabels[4], "") << content;
    }
}

TEST(LabelFile, LongLabelsAreKeptWhole) {
    TempDir dir;
    const std::string longLabel(1000, 'q');
    writeFile(dir.file("labels"), longLabel + "\r\nshort\r\n");
    Dataset ds = samples(2);
    readLabelFile(ds, dir.file("labels"));
    EXPECT_EQ(ds.populationLabels[1], longLabel);
    EXPECT_EQ(ds.populationLabels[2], "short");
}

TEST(LabelFile, UnreadableFileIsRefusedNamingItAndChangesNothing) {
    TempDir dir;
    Dataset ds = samples(2);
    ds.populationLabels[1] = "kept";
    try {
        readLabelFile(ds, dir.file("missing.lab"));
        ADD_FAILURE() << "accepted";
    } catch (const base::FatalError& e) {
        EXPECT_NE(std::string(e.what()).find(dir.file("missing.lab")), std::string::npos);
    }
    EXPECT_THROW(readLabelFile(ds, dir.path().string()), base::FatalError);  // a folder
    EXPECT_EQ(ds.populationLabels[1], "kept");
}

// The command through the session, with the open step in between.
class LabelCommand : public ::testing::Test {
protected:
    TempDir dir;
    test::RecordingInterface ui;
    run::Session session;

    void open(const std::string& name, int np) {
        std::string content = std::to_string(np) + " 1 9 1\r\nloc\r\n";
        for (int s = 1; s <= np; ++s) content += std::to_string(s) + " 11\r\n";
        writeFile(dir.file(name), content);
        run::openStep(session, ui, dir.file(name));
    }
    const std::string& label(int s) const {
        return session.settings.opened.populationLabels[static_cast<std::size_t>(s)];
    }
};

TEST_F(LabelCommand, CancelBeforeAnyChoiceKeepsNumbersUnchecked) {
    open("a.dat", 3);
    session.settings.opened.populationLabels[2] = "stale";
    run::labelCommand(session, std::nullopt);
    EXPECT_FALSE(session.settings.useLabels);
    EXPECT_EQ(label(2), "2");
    EXPECT_TRUE(session.settings.labelFileName.empty());
}

TEST_F(LabelCommand, ChoiceReadsAndChecksAndCancelRereads) {
    open("a.dat", 3);
    writeFile(dir.file("a.lab"), "North\r\nSouth\r\n");
    run::labelCommand(session, dir.file("a.lab"));
    EXPECT_TRUE(session.settings.useLabels);
    EXPECT_EQ(label(1), "North");
    EXPECT_EQ(label(3), "");

    writeFile(dir.file("a.lab"), "East\r\nWest\r\nMiddle\r\n");
    run::labelCommand(session, std::nullopt);
    EXPECT_TRUE(session.settings.useLabels);
    EXPECT_EQ(label(1), "East");
    EXPECT_EQ(label(3), "Middle");
}

TEST_F(LabelCommand, FileIsKeptAcrossOpensAndAppliedToTheNewFile) {
    open("a.dat", 2);
    writeFile(dir.file("pops.lab"), "one\r\ntwo\r\nthree\r\nfour\r\n");
    run::labelCommand(session, dir.file("pops.lab"));
    open("b.dat", 4);
    EXPECT_FALSE(session.settings.useLabels);
    EXPECT_EQ(label(4), "4");
    EXPECT_EQ(session.settings.labelFileName, dir.file("pops.lab"));
    run::labelCommand(session, std::nullopt);
    EXPECT_TRUE(session.settings.useLabels);
    EXPECT_EQ(label(4), "four");
}

TEST_F(LabelCommand, UnreadableChoiceLeavesNumbersAndNoCheckMark) {
    open("a.dat", 2);
    EXPECT_THROW(run::labelCommand(session, dir.file("nowhere.lab")), base::FatalError);
    EXPECT_FALSE(session.settings.useLabels);
    EXPECT_EQ(label(1), "1");
}

}  // namespace
}  // namespace zeltric::data
