// Files in other formats through the batch front end: each gives exactly the
// figures (report, P-values, frequencies, coordinates) of the data file and
// label file a person would write by hand for the same individuals.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace fs = std::filesystem;

// Three samples of four individuals at three loci, as allele ranks (0 =
// missing). The third individual of sample 3 misses one allele at locus 2.
using Ranks = std::array<std::array<int, 2>, 3>;
const std::array<std::array<Ranks, 4>, 3> kRanks = {{
    {{{{{1, 2}, {1, 1}, {2, 3}}},
      {{{2, 2}, {1, 2}, {0, 0}}},
      {{{1, 3}, {2, 2}, {1, 1}}},
      {{{3, 3}, {1, 2}, {2, 2}}}}},
    {{{{{2, 3}, {2, 2}, {3, 3}}},
      {{{1, 1}, {0, 0}, {1, 3}}},
      {{{3, 3}, {1, 2}, {2, 3}}},
      {{{2, 2}, {2, 2}, {1, 2}}}}},
    {{{{{1, 1}, {1, 1}, {1, 1}}},
      {{{1, 2}, {2, 2}, {3, 3}}},
      {{{2, 3}, {1, 0}, {2, 2}}},
      {{{1, 1}, {1, 2}, {1, 3}}}}},
}};

// The data file written by hand: coding 2, the half-missing genotype missing.
std::string handDataFile() {
    std::string out = "3 3 3 2\r\nL1\r\nL2\r\nL3\r\n";
    for (int s = 0; s < 3; ++s)
        for (const Ranks& individual : kRanks[static_cast<std::size_t>(s)]) {
            out += std::to_string(s + 1);
            for (const auto& g : individual)
                out += " " + std::to_string(g[0] == 0 || g[1] == 0 ? 0 : 100 * g[0] + g[1]);
            out += "\r\n";
        }
    return out;
}

// Allele names of rank r at locus l: two or three digits.
const int kTwoDigits[3][3] = {{10, 12, 14}, {5, 7, 0}, {20, 21, 30}};
const int kThreeDigits[3][3] = {{152, 156, 160}, {98, 100, 0}, {201, 203, 211}};

std::string padded(int value, int width) {
    std::string text = std::to_string(value);
    return std::string(static_cast<std::size_t>(width) - text.size(), '0') + text;
}
int nameOf(const int (&names)[3][3], int locus, int rank) { return rank == 0 ? 0 : names[locus][rank - 1]; }

std::string genepop(int digits) {
    const auto& names = digits == 2 ? kTwoDigits : kThreeDigits;
    std::string out = "Made by hand for a test\nL1, L2\nL3\n";
    for (int s = 0; s < 3; ++s) {
        out += s == 1 ? "POP\n" : "Pop\n";
        for (int i = 0; i < 4; ++i) {
            out += "p" + std::to_string(s + 1) + "i" + std::to_string(i + 1) + " ,";
            for (int l = 0; l < 3; ++l) {
                const auto& g =
                    kRanks[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)][static_cast<std::size_t>(l)];
                out += "  " + padded(nameOf(names, l, g[0]), digits) + padded(nameOf(names, l, g[1]), digits);
            }
            out += "\n";
        }
    }
    return out;
}

// STRUCTURE rows of sample s (PopData pops[s]), missing -9.
std::string structureRows(int s, int i, int rows, int popData, const std::string& extra, const char* gap) {
    std::string out;
    const auto& individual = kRanks[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)];
    const std::string head = "ind" + std::to_string(s) + std::to_string(i) + gap + std::to_string(popData) + extra;
    auto allele = [&](int l, int k) {
        const int rank = individual[static_cast<std::size_t>(l)][static_cast<std::size_t>(k)];
        return rank == 0 ? std::string("-9") : std::to_string(nameOf(kThreeDigits, l, rank));
    };
    if (rows == 2) {
        for (int k = 0; k < 2; ++k) {
            out += head;
            for (int l = 0; l < 3; ++l) out += gap + allele(l, k);
            out += "\n";
        }
    } else {
        out += head;
        for (int l = 0; l < 3; ++l) out += gap + allele(l, 0) + gap + allele(l, 1);
        out += "\n";
    }
    return out;
}

std::string structure(int rows, bool namesRow) {
    std::string out = namesRow ? "L1 L2 L3\n" : "";
    for (int s = 0; s < 3; ++s)
        for (int i = 0; i < 4; ++i) out += structureRows(s, i, rows, s + 1, "", " ");
    return out;
}

// As such files are often published: tabs, a PopFlag column, no names row,
// PopData not in order and a sample's rows apart.
std::string publishedStructure() {
    const int popData[3] = {7, 12, 3};  // file samples 1..3; ascending order 3, 7, 12
    const int order[12][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {2, 1}, {1, 1},
                              {0, 2}, {1, 2}, {2, 2}, {0, 3}, {1, 3}, {2, 3}};
    std::string out;
    for (const auto& [s, i] : order)
        out += structureRows(s, i, 2, popData[s], "\t" + std::string(s == 1 ? "0" : "1"), "\t");
    return out;
}

std::string genetix() {
    std::string out = "  3\n  3\nL1\n  3 152 156 160\nL2\n  2 098 100\nL3\n  3 201 203 211\n";
    const char* names[3] = {"north", "south", "east"};
    for (int s = 0; s < 3; ++s) {
        out += std::string(names[s]) + "\n  4\n";
        for (int i = 0; i < 4; ++i) {
            std::string label = "ind" + std::to_string(s) + std::to_string(i);
            label.resize(10, ' ');
            out += label;
            for (int l = 0; l < 3; ++l) {
                const auto& g =
                    kRanks[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)][static_cast<std::size_t>(l)];
                out += padded(nameOf(kThreeDigits, l, g[0]), 3) + padded(nameOf(kThreeDigits, l, g[1]), 3) + " ";
            }
            out += "\n";
        }
    }
    return out;
}

std::string fstat() {
    std::string out = "3 3 211 3\nL1\nL2\nL3\n";
    // The samples' lines interleaved: sample order is by number, file order within.
    for (int i = 0; i < 4; ++i)
        for (int s = 2; s >= 0; --s) {
            out += std::to_string(s + 1);
            for (int l = 0; l < 3; ++l) {
                const auto& g =
                    kRanks[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)][static_cast<std::size_t>(l)];
                out += " " + std::to_string(nameOf(kThreeDigits, l, g[0]) * 1000 + nameOf(kThreeDigits, l, g[1]));
            }
            out += "\n";
        }
    return out;
}

struct Case {
    std::string name;
    std::string fileName;
    std::string content;
    std::string options;
    std::string format;
    std::string labels;  // the label file a person would write
};

std::vector<Case> cases() {
    return {
        {"GenepopTwoDigits", "trout.gen", genepop(2), "", "genepop", "p1i1\r\np2i1\r\np3i1\r\n"},
        {"GenepopThreeDigits", "trout.txt", genepop(3), "", "genepop", "p1i1\r\np2i1\r\np3i1\r\n"},
        {"StructureTwoRowsNames", "trout.str", structure(2, true), "", "structure", "1\r\n2\r\n3\r\n"},
        {"StructureTwoRowsNoNames", "trout.txt", structure(2, false), "", "structure", "1\r\n2\r\n3\r\n"},
        {"StructureOneRowNames", "trout.txt", structure(1, true), "", "structure", "1\r\n2\r\n3\r\n"},
        {"StructureOneRowNoNames", "trout", structure(1, false), "", "structure", "1\r\n2\r\n3\r\n"},
        {"StructurePublished", "trout.txt", publishedStructure(), "", "structure", "3\r\n7\r\n12\r\n"},
        {"Genetix", "trout.gtx", genetix(), "", "genetix", "north\r\nsouth\r\neast\r\n"},
        {"FstatThreeDigits", "trout.dat", fstat(), "--format fstat", "fstat", "1\r\n2\r\n3\r\n"},
    };
}

class ForeignFormatTest : public ::testing::TestWithParam<Case> {};

TEST_P(ForeignFormatTest, SameFiguresAsTheHandWrittenDataFile) {
    const Case& c = GetParam();
    std::string handData = handDataFile();
    if (c.name == "StructurePublished") {
        // Samples in ascending PopData: the file's sample 3 (PopData 3) comes first.
        handData = "3 3 3 2\r\nL1\r\nL2\r\nL3\r\n";
        const int fileSample[3] = {2, 0, 1};
        for (int n = 0; n < 3; ++n)
            for (const Ranks& individual : kRanks[static_cast<std::size_t>(fileSample[n])]) {
                handData += std::to_string(n + 1);
                for (const auto& g : individual)
                    handData += " " + std::to_string(g[0] == 0 || g[1] == 0 ? 0 : 100 * g[0] + g[1]);
                handData += "\r\n";
            }
    }
    TempDir hand;
    writeFile(hand.file("hand.dat"), handData);
    writeFile(hand.file("hand.lab"), c.labels);
    const std::string common = "--quiet --threads 2 --test 200 --seeds 12345,67890 --seed-file ";
    const ProcessResult expected =
        runCli(common + shellQuote(hand.file("S.INI")) + " --labels " + shellQuote(hand.file("hand.lab")) + " " +
               shellQuote(hand.file("hand.dat")));
    ASSERT_EQ(expected.exitCode, 0) << expected.err;

    TempDir foreign;
    const std::string source = foreign.file(c.fileName);
    writeFile(source, c.content);
    const std::string arguments =
        common + shellQuote(foreign.file("S.INI")) + " " + c.options + " " + shellQuote(source);
    const ProcessResult r = runCli(arguments);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(source), c.content) << "the source changed";
    EXPECT_NE(r.err.find("1 genotype with one allele missing counted as missing."), std::string::npos) << r.err;

    const std::string base = source + "-" + c.format;
    EXPECT_EQ(readFile(base + ".lab"), c.labels);
    for (const char* extension : {".pca", ".per", ".fre", ".pop", ".al"})
        EXPECT_EQ(readFile(base + extension), readFile(hand.file(std::string("hand") + extension))) << extension;
    EXPECT_EQ(readFile(foreign.file("S.INI")), readFile(hand.file("S.INI")));

    // A repeated conversion finds its own files and gives the same results.
    const ProcessResult again = runCli(arguments);
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(readFile(base + ".pca"), readFile(hand.file("hand.pca")));
}

INSTANTIATE_TEST_SUITE_P(Cli, ForeignFormatTest, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

TEST(ForeignFormatCli, ConvertOnlyWritesThreeFilesAndNeverReplacesOthers) {
    TempDir dir;
    const std::string source = dir.file("trout.gen");
    writeFile(source, genepop(3));
    const ProcessResult r = runCli("--convert-only " + shellQuote(source));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("converted to " + source + "-genepop.dat"), std::string::npos) << r.err;
    // The selection filter's layout: numbers right-aligned, each followed by a blank.
    EXPECT_EQ(readFile(source + "-genepop.dat").substr(0, 63),
              "   3    3    3    2\r\nL1\r\nL2\r\nL3\r\n     1    102    101    203 \r\n");
    EXPECT_TRUE(fs::exists(source + "-genepop-alleles.txt"));
    EXPECT_FALSE(fs::exists(source + "-genepop.pca")) << "--convert-only analysed";
    const std::string table = readFile(source + "-genepop-alleles.txt");
    EXPECT_NE(table.find("1\tL1\t3\t160\r\n"), std::string::npos) << table;
    EXPECT_NE(table.find("2\tL2\t1\t98\r\n"), std::string::npos) << table;

    writeFile(source + "-genepop.lab", "my own labels\r\n");
    const ProcessResult refused = runCli("--convert-only " + shellQuote(source));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("already exists with other content"), std::string::npos) << refused.err;
    EXPECT_EQ(readFile(source + "-genepop.lab"), "my own labels\r\n");

    // A data file needs no conversion; its first line keeps FSTAT files out of the converters.
    writeFile(dir.file("plain.dat"), fstat());
    EXPECT_EQ(runCli("--convert-only " + shellQuote(dir.file("plain.dat"))).exitCode, 2);
    const ProcessResult coding = runCli("--quiet " + shellQuote(dir.file("plain.dat")));
    EXPECT_NE(coding.err.find("Too many populations, loci or alleles."), std::string::npos) << coding.err;
    EXPECT_FALSE(fs::exists(dir.file("plain.dat-fstat.dat")));
}

// Something other than a file at a converted file's name (a folder, a pipe)
// is refused with its name, never read (a pipe would wait for a writer);
// nothing is converted.
TEST(ForeignFormatCli, NoFileAtAConvertedNameIsRefusedByName) {
    const std::pair<const char*, const char*> cases[] = {{"-genepop.lab", "folder"},
                                                         {"-genepop.lab", "pipe"},
                                                         {"-genepop.dat", "pipe"},
                                                         {"-genepop-alleles.txt", "folder"}};
    for (const auto& [suffix, kind] : cases) {
        SCOPED_TRACE(std::string(suffix) + " " + kind);
        TempDir dir;
        const std::string source = dir.file("g3.gen");
        writeFile(source, genepop(3));
        const std::string taken = source + suffix;
        if (std::string(kind) == "folder")
            fs::create_directory(taken);
        else
            ASSERT_EQ(runProcess("mkfifo " + shellQuote(taken)).exitCode, 0);
        // The time limit turns a hang into a failure.
        const ProcessResult r =
            runProcess("timeout 60 " + shellQuote(ZELTRIC_CLI_PATH) + " --quiet " + shellQuote(source));
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("\"" + taken + "\" is a " + (std::string(kind) == "folder" ? "folder" : "pipe")),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("nothing was converted"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("internal error"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(source + "-genepop.pca"));
        EXPECT_EQ(fs::status(taken).type(),
                  std::string(kind) == "folder" ? fs::file_type::directory : fs::file_type::fifo);
    }
}

TEST(ForeignFormatCli, StructureAmbiguityNamesWhatToState) {
    TempDir dir;
    // One row per individual, no names row, an odd number of columns after PopData.
    const std::string source = dir.file("odd.txt");
    writeFile(source, "a 1 152 156 160\nb 1 156 156 152\nc 2 160 160 152\n");
    const ProcessResult r = runCli("--quiet " + shellQuote(source));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("is ambiguous"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--structure-extra-columns"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(source + "-structure.dat"));

    const ProcessResult stated = runCli("--convert-only --structure-extra-columns 1 " + shellQuote(source));
    ASSERT_EQ(stated.exitCode, 0) << stated.err;
    EXPECT_EQ(readFile(source + "-structure.dat"),
              "   2    1    3    2\r\nL1\r\n     1    203 \r\n     1    201 \r\n     2    301 \r\n");
    EXPECT_NE(stated.err.find("1 extra column, 1 locus"), std::string::npos) << stated.err;
}

// The extensions of other programs decide before the first line's numbers,
// and a data file that may be another format says how to state it.
TEST(ForeignFormatCli, ExtensionsDecideAndDataFileMessagesPointToFormat) {
    TempDir dir;
    // Numeric labels: the first line holds four numbers.
    writeFile(dir.file("numid.str"), "1 1 152 156\n1 1 156 160\n2 2 152 152\n2 2 160 156\n");
    const ProcessResult str = runCli("--convert-only " + shellQuote(dir.file("numid.str")));
    EXPECT_EQ(str.exitCode, 0) << str.err;
    EXPECT_TRUE(fs::exists(dir.file("numid.str-structure.dat")));
    // A title of numbers.
    writeFile(dir.file("titlenums.gen"), "2024 600 12 3\nA\npop\nx , 0101\npop\ny , 0102\n");
    const ProcessResult gen = runCli("--convert-only " + shellQuote(dir.file("titlenums.gen")));
    EXPECT_EQ(gen.exitCode, 0) << gen.err;
    EXPECT_TRUE(fs::exists(dir.file("titlenums.gen-genepop.dat")));

    // A 3-digit FSTAT file taken for a data file.
    writeFile(dir.file("three.dat"), fstat());
    const ProcessResult fst = runCli("--quiet " + shellQuote(dir.file("three.dat")));
    EXPECT_EQ(fst.exitCode, 1);
    EXPECT_NE(fst.err.find("state its format with --format genepop, structure, genetix or fstat"),
              std::string::npos)
        << fst.err;
    // A data file's own faults get no such hint.
    writeFile(dir.file("plain.dat"), "2 1 9 1\r\nL\r\n1 11\r\n2 1x\r\n");
    const ProcessResult plain = runCli("--quiet " + shellQuote(dir.file("plain.dat")));
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(plain.err.find("--format"), std::string::npos) << plain.err;
}

// A write that fails while the converted files are written says why.
TEST(ForeignFormatCli, FailedConversionWriteGivesItsReason) {
    TempDir dir;
    const std::string source = dir.file("trout.gen");
    std::string big = "many\nA, B\n";
    for (int s = 0; s < 3; ++s) {
        big += "pop\n";
        for (int i = 0; i < 300; ++i)
            big += "x" + std::to_string(i) + " , 0102 030" + std::to_string(s + 1) + "\n";
    }
    writeFile(source, big);
    // A file size limit of a few kilobytes (the signal ignored) fails the
    // data file's writing as a full disk does, while messages still fit.
    const ProcessResult r = runProcess("trap '' XFSZ; ulimit -f 8; " + shellQuote(ZELTRIC_CLI_PATH) +
                                       " --convert-only " + shellQuote(source));
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("Cannot write the file \"" + source + "-genepop.dat\": File too large"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(source + "-genepop.dat"));
}

}  // namespace
}  // namespace zeltric::test
