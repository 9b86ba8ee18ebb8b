#include "data/selection_filter.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "base/fatal_error.hpp"
#include "data/genotype_reader.hpp"
#include "test_support.hpp"

namespace zeltric::data {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

const Notify kQuiet = [](const std::string&) {};

// Three samples, five loci (the second with leading blanks and more than six
// characters), coding 1, nu 9; sample 2 has two lines.
const std::string kFiveLoci =
    "3 5 9 1\r\n"
    "locA\r\n"
    "  locB long name \r\n"
    "locC\r\n"
    "locD#x\r\n"
    "locE\r\n"
    "1 11 12 13 14 15\r\n"
    "2 21 22 23 24 25\r\n"
    "2 0 22 0 24 0\r\n"
    "3 31 32 33 34 35 trailing words\r\n";

struct Opened {
    TempDir dir;
    std::string path;
    Dataset ds;
    explicit Opened(const std::string& content, const std::string& name = "trout.dat") {
        path = dir.file(name);
        writeFile(path, content);
        readHeader(ds, path, kQuiet);
    }
    void chooseLoci(std::initializer_list<int> loci) {
        for (int l = 1; l <= ds.nl; ++l) ds.locusSelected[static_cast<std::size_t>(l)] = 0;
        for (int l : loci) ds.locusSelected[static_cast<std::size_t>(l)] = 1;
    }
    void choosePops(std::initializer_list<int> pops) {
        for (int s = 1; s <= ds.np; ++s) ds.populationSelected[static_cast<std::size_t>(s)] = 0;
        for (int s : pops) ds.populationSelected[static_cast<std::size_t>(s)] = 1;
    }
    std::string base() const { return dir.file("trout"); }
};

TEST(SelectionFilter, OnlySampleTwoOfThree) {
    Opened f(kFiveLoci);
    f.choosePops({2});
    const std::string base = selectionBaseName(f.base(), f.ds, false, true);
    EXPECT_EQ(base, f.base() + "-P2");
    writeFilteredDataFile(f.ds, f.path, base + ".dat", false, true);
    EXPECT_EQ(readFile(base + ".dat"),
              "   1    5    9    1\r\n"
              "locA\r\n"
              "  locB long name \r\n"
              "locC\r\n"
              "locD#x\r\n"
              "locE\r\n"
              "     1     21     22     23     24     25 \r\n"
              "     1      0     22      0     24      0 \r\n");
}

TEST(SelectionFilter, LociTwoAndFourSamplesOneAndThree) {
    Opened f(kFiveLoci);
    f.chooseLoci({4, 2});
    f.choosePops({1, 3});
    EXPECT_EQ(selectionSuffix(f.ds, true, true), "-L24-P13");
    const std::string base = selectionBaseName(f.base(), f.ds, true, true);
    EXPECT_EQ(std::filesystem::path(base + ".dat").filename().string(), "trout-L24-P13.dat");
    writeFilteredDataFile(f.ds, f.path, base + ".dat", true, true);
    EXPECT_EQ(readFile(base + ".dat"),
              "   2    2    9    1\r\n"
              "  locB long name \r\n"
              "locD#x\r\n"
              "     1     12     14 \r\n"
              "     2     32     34 \r\n");
}

TEST(SelectionFilter, EveryLocusCheckedListsEveryLocus) {
    Opened f(kFiveLoci);
    EXPECT_EQ(selectionSuffix(f.ds, true, false), "-L12345");
    writeFilteredDataFile(f.ds, f.path, f.base() + "-L12345.dat", true, false);
    const std::string out = readFile(f.base() + "-L12345.dat");
    EXPECT_EQ(out.substr(0, 21), "   3    5    9    1\r\n");
    EXPECT_NE(out.find("\r\nlocE\r\n     1     11     12     13     14     15 \r\n"), std::string::npos);
    EXPECT_NE(out.find("     3     31     32     33     34     35 \r\n"), std::string::npos);
}

TEST(SelectionFilter, SuffixListsNumbersWithoutSeparators) {
    Dataset ds;
    ds.nl = 12;
    ds.np = 4;
    ds.locusSelected[1] = ds.locusSelected[3] = ds.locusSelected[12] = 1;
    ds.populationSelected[2] = ds.populationSelected[4] = 1;
    EXPECT_EQ(selectionSuffix(ds, true, false), "-L1312");
    EXPECT_EQ(selectionSuffix(ds, false, true), "-P24");
    EXPECT_EQ(selectionSuffix(ds, true, true), "-L1312-P24");
    EXPECT_EQ(selectionSuffix(ds, false, false), "");
}

TEST(SelectionFilter, LineEndsOfEveryKindGiveTheSameFile) {
    auto withEnds = [](const std::string& end) {
        std::string text = kFiveLoci;
        std::string converted;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 2, "\r\n") == 0) {
                converted += end;
                ++i;
            } else {
                converted += text[i];
            }
        }
        return converted;
    };
    std::set<std::string> outputs;
    for (const std::string end : {"\r\n", "\r", "\n"}) {
        Opened f(withEnds(end) + "\x1a" + "3 99 99 99 99 99\r\n");  // nothing after byte 26 is read
        f.chooseLoci({1, 5});
        writeFilteredDataFile(f.ds, f.path, f.base() + "-L15.dat", true, false);
        outputs.insert(readFile(f.base() + "-L15.dat"));
    }
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(*outputs.begin(),
              "   3    2    9    1\r\nlocA\r\nlocE\r\n"
              "     1     11     15 \r\n     2     21     25 \r\n     2      0      0 \r\n     3   "
              "  31     35 \r\n");
}

TEST(SelectionFilter, CodesAreWrittenAsReadNotWrapped) {
    Opened f("2 2 9 1\r\na\r\nb\r\n1 65547 -5\r\n2 +07 11\r\n");
    f.choosePops({1, 2});
    writeFilteredDataFile(f.ds, f.path, f.base() + "-P12.dat", false, true);
    EXPECT_EQ(readFile(f.base() + "-P12.dat"),
              "   2    2    9    1\r\na\r\nb\r\n     1  65547     -5 \r\n     2      7     11 \r\n");
}

TEST(SelectionFilter, ShortRecordsAndBlankLinesReadAsTheGenotypeReaderDoes) {
    // Numbers run over line ends, a sample 0 line and empty lines are skipped,
    // and a number at the end of the file reads as 0.
    Opened f("2 3 9 1\r\na\r\nb\r\nc\r\n1 11\r\n12 13\r\n\r\n0 99 99 99\r\n2 21 22");
    f.chooseLoci({1, 3});
    writeFilteredDataFile(f.ds, f.path, f.base() + "-L13.dat", true, false);
    EXPECT_EQ(readFile(f.base() + "-L13.dat"),
              "   2    2    9    1\r\na\r\nc\r\n     1     11     13 \r\n     2     21      0 \r\n");
}

TEST(SelectionFilter, RefusesBadInputNamingFileAndLineAndWritesNothing) {
    struct Case {
        std::string data;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"2 1 9 1\r\na\r\n1 11\r\n2 1x\r\n", "line 4: \"1x\" is not a whole number"},
        {"2 1 9 1\r\na\r\n1 11\r\n\r\nabc 11\r\n", "line 5: \"abc\" is not a whole number"},
        {"2 1 9 1\r\na\r\n1 11\r\n3 11\r\n", "line 4: sample number 3 lies outside 1..2"},
        {"2 1 9 1\r\na\r\n-1 11\r\n", "line 3: sample number -1 lies outside 1..2"},
        {"2 1 9 1\r\na\r\n2 11\r\n1 11\r\n", "line 4: sample 1 follows sample 2"},
    };
    for (const Case& c : cases) {
        Opened f(c.data);
        const std::string out = f.base() + "-P12.dat";
        try {
            writeFilteredDataFile(f.ds, f.path, out, false, true);
            ADD_FAILURE() << "accepted: " << c.data;
        } catch (const base::FatalError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(f.path), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.path()), {}),
                  1);  // no temporary left
    }
}

TEST(SelectionFilter, NeverWritesOverTheDataFile) {
    Opened f(kFiveLoci);
    f.choosePops({1, 2});
    EXPECT_THROW(writeFilteredDataFile(f.ds, f.path, f.path, false, true), base::FatalError);
    std::filesystem::create_symlink(f.path, f.dir.file("link.dat"));
    EXPECT_THROW(writeFilteredDataFile(f.ds, f.path, f.dir.file("link.dat"), false, true), base::FatalError);
    EXPECT_EQ(readFile(f.path), kFiveLoci);
}

TEST(SelectionFilter, ReplacesAnEarlierFilteredFileWhole) {
    Opened f(kFiveLoci);
    f.choosePops({3});
    const std::string out = f.base() + "-P3.dat";
    writeFile(out, std::string(5000, 'x'));
    writeFilteredDataFile(f.ds, f.path, out, false, true);
    EXPECT_EQ(readFile(out),
              "   1    5    9    1\r\nlocA\r\n  locB long name \r\nlocC\r\nlocD#x\r\nlocE\r\n"
              "     1     31     32     33     34     35 \r\n");
}

TEST(SelectionFilter, FilteredFileReadsBackAsTheSelection) {
    Opened f(kFiveLoci);
    f.chooseLoci({2, 3, 5});
    f.choosePops({2, 3});
    const std::string out = f.base() + "-L235-P23.dat";
    writeFilteredDataFile(f.ds, f.path, out, true, true);
    Dataset back;
    readGenotypes(back, out, kQuiet);
    EXPECT_EQ(back.np, 2);
    EXPECT_EQ(back.nl, 3);
    EXPECT_EQ(back.individualCount, 3);
    EXPECT_EQ(back.sampleEnds[1], 2);
    EXPECT_EQ(back.sampleEnds[2], 3);
    EXPECT_EQ(back.locusNames[1], "  locB");
    const int expected[4][4] = {{}, {0, 22, 23, 25}, {0, 22, 0, 0}, {0, 32, 33, 35}};
    for (int i = 1; i <= 3; ++i)
        for (int l = 1; l <= 3; ++l) EXPECT_EQ(back.genotypeColumns.at(l, i), expected[i][l]) << i << "," << l;
}

TEST(SelectionFilter, RenumbersTheAnalysedCopyOnly) {
    Opened f(kFiveLoci);
    f.ds.populationLabels[1] = "Lake";
    f.ds.populationLabels[2] = "River";
    f.ds.populationLabels[3] = "Sea";
    f.chooseLoci({2, 5});
    f.choosePops({1, 3});
    const Dataset before = f.ds;
    Dataset analysed = f.ds;
    applySelection(analysed, f.ds, true, true);
    EXPECT_EQ(analysed.np, 2);
    EXPECT_EQ(analysed.nl, 2);
    EXPECT_EQ(analysed.populationLabels[1], "Lake");
    EXPECT_EQ(analysed.populationLabels[2], "Sea");
    EXPECT_EQ(analysed.locusNames[1], "  locB");
    EXPECT_EQ(analysed.locusNames[2], "locE");
    EXPECT_EQ(f.ds.np, before.np);
    EXPECT_EQ(f.ds.populationLabels, before.populationLabels);
    EXPECT_EQ(f.ds.populationSelected, before.populationSelected);

    // Only the checked kind is applied: unchecked samples all stay.
    Dataset lociOnly = f.ds;
    applySelection(lociOnly, f.ds, true, false);
    EXPECT_EQ(lociOnly.np, 3);
    EXPECT_EQ(lociOnly.populationLabels[2], "River");
    EXPECT_EQ(lociOnly.nl, 2);

    Dataset none;
    applySelection(none, f.ds, false, false);
    EXPECT_EQ(none.np, 3);
    EXPECT_EQ(none.nl, 5);
    EXPECT_EQ(none.populationLabels, f.ds.populationLabels);
}

// A data set with every flag chosen at random, so that suffixes get long.
Dataset randomChoice(std::mt19937& random, int np, int nl) {
    Dataset ds;
    ds.np = static_cast<std::uint16_t>(np);
    ds.nl = static_cast<std::uint16_t>(nl);
    for (int s = 1; s <= np; ++s) ds.populationSelected[static_cast<std::size_t>(s)] = random() % 2 ? 1 : 0;
    for (int l = 1; l <= nl; ++l) ds.locusSelected[static_cast<std::size_t>(l)] = random() % 2 ? 1 : 0;
    return ds;
}

TEST(SelectionFilter, LongSuffixIsShortenedWithoutEverSharingAName) {
    const unsigned seed = 20240607;
    std::mt19937 random(seed);
    TempDir dir;
    const std::string base = dir.file(std::string(100, 'b'));
    std::set<std::string> names;
    std::set<std::string> suffixes;
    for (int round = 0; round < 200; ++round) {
        Dataset ds = randomChoice(random, 500, 50);
        Dataset twin = ds;  // differs only far into the suffix
        twin.populationSelected[static_cast<std::size_t>(450 + round % 51)] ^= 1;
        const bool loci = round % 3 != 1;
        for (const Dataset* d : {&ds, &twin}) {
            const std::string name = selectionBaseName(base, *d, loci, true);
            const std::string file = std::filesystem::path(name + ".dat").filename().string();
            EXPECT_LE(file.size(), kFileNameLimit) << "seed " << seed;
            const bool fresh = suffixes.insert(selectionSuffix(*d, loci, true)).second;
            EXPECT_EQ(names.insert(name).second, fresh) << "seed " << seed << ": " << name;
            writeFile(name + ".dat", "");  // the file system takes the name
        }
    }
}

TEST(SelectionFilter, ShortSuffixIsKeptAndLongOnesDifferInTheirCode) {
    Dataset a;
    a.np = 500;
    a.nl = 2;
    for (int s = 1; s <= 500; ++s) a.populationSelected[static_cast<std::size_t>(s)] = 1;
    Dataset b = a;
    b.populationSelected[500] = 0;  // the suffixes share their first 1380 characters
    const std::string base = "/data/" + std::string(60, 'x');
    const std::string nameA = selectionBaseName(base, a, false, true);
    const std::string nameB = selectionBaseName(base, b, false, true);
    EXPECT_NE(nameA, nameB);
    EXPECT_EQ(nameA.substr(0, base.size() + 6), base + "-P1234");
    EXPECT_EQ(nameA.size() - 6 + 4, kFileNameLimit);  // uses the room it has
    EXPECT_NE(nameA.find('~'), std::string::npos);
    EXPECT_EQ(nameA.substr(nameA.size() - 3), "fff");
    EXPECT_EQ(nameB.substr(nameB.size() - 3), "ffe");

    a.populationSelected[3] = 0;
    EXPECT_EQ(selectionBaseName(base, a, false, false), base);
    Dataset few = a;
    for (int s = 10; s <= 500; ++s) few.populationSelected[static_cast<std::size_t>(s)] = 0;
    EXPECT_EQ(selectionBaseName(base, few, false, true), base + "-P12456789");
}

TEST(SelectionFilter, BaseTooLongForAnyCodeIsRefused) {
    Dataset ds;
    ds.np = 500;
    ds.nl = 50;
    for (int s = 1; s <= 500; ++s) ds.populationSelected[static_cast<std::size_t>(s)] = 1;
    try {
        selectionBaseName("/d/" + std::string(200, 'n'), ds, true, true);
        ADD_FAILURE() << "accepted";
    } catch (const base::FatalError& e) {
        EXPECT_NE(std::string(e.what()).find(std::string(200, 'n')), std::string::npos);
    }
}

}  // namespace
}  // namespace zeltric::data
