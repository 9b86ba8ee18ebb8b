// Hostile and broken input through the batch front end, run as a process on
// real files: each case gives its exit code and a fragment of its message;
// the user's own files (data, label and seed file) are never changed, and a
// run that stops leaves no output that looks complete.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace fs = std::filesystem;

const char* const kOutputs[] = {".pca", ".pop", ".al", ".per", ".fre"};

// A valid two-sample file: 1 locus, nu 9, coding 1.
const std::string kHeader = "2 1 9 1\r\nL\r\n";
const std::string kGood = kHeader + "1 11\r\n1 12\r\n2 12\r\n2 22\r\n";

struct BadInput {
    std::string name;
    std::string data;
    int exitCode;
    std::string message;                // on standard error ("" = no message asked for)
    std::optional<std::string> labels;  // label file content, given with --labels
    std::optional<std::string> seeds;   // seed file content; runs a test without --seeds
    std::string inResults;              // expected in the results file of a run that succeeds
    std::string options;                // further options, e.g. a selection
};

// Test names carry the case; GoogleTest would otherwise print its bytes.
void PrintTo(const BadInput& in, std::ostream* os) { *os << in.name; }

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// n genotype lines, the first half of sample 1, the rest of sample 2.
std::string genotypeLines(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += (i < n / 2 ? "1 " : "2 ") + std::string(i % 3 ? "11" : "12") + "\r\n";
    return out;
}

std::vector<BadInput> cases() {
    std::vector<BadInput> c;
    auto add = [&](std::string name, std::string data, int exitCode, std::string message) {
        c.push_back({std::move(name), std::move(data), exitCode, std::move(message), {}, {}, {}, {}});
    };
    const std::string notWhole = "\" is not a whole number (";
    const std::string atLeastOne =
        "the number of samples, of loci and the highest allele number must each be at least 1";
    const std::string capacity = "Too many populations, loci or alleles. NPMax= 500 NLMax= 50 NUMax= 99";
    const std::string coding = "has to be a 1 or a 2, depending in the way alleles are coded.";

    // The header.
    add("EmptyFile", "", 1, "The data file \"study.dat\" is empty.");
    add("HeaderOnly", "2 1 9 1\r\n", 1, "holds no genotype lines: nothing to analyse.");
    add("HeaderAndLociOnly", kHeader, 1, "holds no genotype lines: nothing to analyse.");
    add("TwoHeaderNumbersAtEnd", "2 1\r\n", 1, atLeastOne + " (read 2, 1, 0).");
    add("TwoHeaderNumbers", "2 1\r\nL\r\n1 11\r\n2 12\r\n", 1, "line 2: \"L" + notWhole + "highest allele number");
    add("ThreeHeaderNumbers", "2 1 9\r\nL\r\n1 11\r\n2 12\r\n", 1, "line 2: \"L" + notWhole + "allele coding");
    for (const auto& [tag, token] :
         {std::pair{"Fraction", "1.5"}, std::pair{"Letters", "abc"}, std::pair{"TrailingLetter", "12x"},
          std::pair{"DoubleMinus", "--3"}, std::pair{"SignAlone", "+"}}) {
        const std::string t = token;
        add(std::string("HeaderToken") + tag, t + " 1 9 1\r\nL\r\n1 11\r\n2 12\r\n", 1,
            "line 1: \"" + t + notWhole + "number of samples expected).");
        add(std::string("SampleToken") + tag, kHeader + "1 11\r\n" + t + " 12\r\n", 1,
            "line 4: \"" + t + notWhole + "sample number expected).");
        add(std::string("CodeToken") + tag, kHeader + "1 11\r\n2 " + t + "\r\n", 1,
            "line 4: \"" + t + notWhole + "genotype code expected).");
    }
    add("NegativeSampleCount", "-2 1 9 1\r\nL\r\n1 11\r\n2 12\r\n", 1, atLeastOne + " (read -2, 1, 9).");
    for (const auto& [tag, number] :
         {std::pair{"TwoTo31", "2147483648"}, std::pair{"TwoTo63", "9223372036854775808"},
          std::pair{"TwentyDigits", "12345678901234567890"}}) {
        const std::string n = number;
        add(std::string("HeaderHuge") + tag, n + " 1 9 1\r\nL\r\n1 11\r\n2 12\r\n", 1,
            "line 1: the number \"" + n + "\" is too large (number of samples expected).");
        add(std::string("SampleHuge") + tag, kHeader + "1 11\r\n" + n + " 12\r\n", 1,
            "line 4: the number \"" + n + "\" is too large (sample number expected).");
        add(std::string("CodeHuge") + tag, kHeader + "1 11\r\n2 " + n + "\r\n", 1,
            "line 4: the number \"" + n + "\" is too large (genotype code expected).");
    }
    add("HeaderLargestInteger", "2147483647 1 9 1\r\nL\r\n1 11\r\n2 12\r\n", 1, capacity);
    add("HeaderSmallestInteger", "-2147483648 1 9 1\r\nL\r\n1 11\r\n2 12\r\n", 1, atLeastOne);

    // Genotype codes.
    add("CodeAbove16Bits", kHeader + "1 11\r\n2 65547\r\n", 1,
        "Genotype in sample: 2, individual: 1\nFor locus: L(locus: 1).\nfirst allele: 6554, second allele: 7");
    add("CodeNegative", kHeader + "1 11\r\n2 -12\r\n", 1, "first allele: -1, second allele: -2");
    add("AlleleZero", kHeader + "1 11\r\n1 10\r\n2 12\r\n", 1,
        "Genotype in sample: 1, individual: 2\nFor locus: L(locus: 1).\nfirst allele: 1, second allele: 0");
    add("AlleleAboveNu", "2 1 2 1\r\nL\r\n1 11\r\n2 13\r\n", 1, "first allele: 1, second allele: 3");
    add("AlleleAboveNuCoding2", "2 1 20 2\r\nL\r\n1 101\r\n2 2101\r\n", 1, "first allele: 21, second allele: 1");

    // Coding.
    add("Coding0", "2 1 9 0\r\nL\r\n1 11\r\n2 12\r\n", 1, coding);
    add("Coding3", "2 1 9 3\r\nL\r\n1 11\r\n2 12\r\n", 1, coding);
    add("CodingMinus1", "2 1 9 -1\r\nL\r\n1 11\r\n2 12\r\n", 1, coding);

    // Counts at and beyond the limits.
    add("NoSamples", "0 1 9 1\r\nL\r\n1 11\r\n", 1, atLeastOne + " (read 0, 1, 9).");
    add("NoLoci", "2 0 9 1\r\n1 11\r\n2 12\r\n", 1, atLeastOne + " (read 2, 0, 9).");
    add("NoAlleles", "2 1 0 1\r\nL\r\n1 11\r\n2 12\r\n", 1, atLeastOne + " (read 2, 1, 0).");
    add("SamplesAboveLimit", "501 1 9 1\r\nL\r\n1 11\r\n2 12\r\n", 1, capacity);
    add("LociAboveLimit", "2 51 9 1\r\n" + repeat("L\r\n", 51) + "1" + repeat(" 11", 51) + "\r\n", 1, capacity);
    add("AllelesAboveLimit", "2 1 100 2\r\nL\r\n1 101\r\n2 102\r\n", 1, capacity);
    add("LociAtLimit",
        "2 50 99 2\r\n" + repeat("L\r\n", 50) + "1" + repeat(" 9901", 50) + "\r\n2" + repeat(" 9999", 50) + "\r\n",
        0, "");
    add("SamplesAtLimit", "500 1 99 2\r\nL\r\n1 101\r\n1 9999\r\n250 101\r\n500 9999\r\n500 9901\r\n", 0, "");

    // Sample numbers.
    add("SampleZeroIsSkipped", kHeader + "0 11\r\n1 11\r\n1 12\r\n0 99\r\n2 12\r\n2 22\r\n", 0, "");
    add("SampleAboveCount", kHeader + "1 11\r\n3 12\r\n", 1, "line 4: sample number 3 lies outside 1..2.");
    add("SampleNegative", kHeader + "-1 11\r\n2 12\r\n", 1, "line 3: sample number -1 lies outside 1..2.");
    add("SamplesOutOfOrder", kHeader + "2 11\r\n1 12\r\n", 1,
        "line 4: sample 1 follows sample 2; the lines of each sample must be together");

    // Genotype line count.
    add("ExactlyNIMaxLines", kHeader + genotypeLines(5000), 0, "");
    add("OneLineTooMany", kHeader + genotypeLines(5001), 1,
        "line 5003: more than 5000 genotype lines; at most 5000 individuals fit in one data file.");

    // Line ends and odd bytes.
    add("ShortLastLineReadsAsMissing", "2 2 9 1\r\nL\r\nM\r\n1 11 12\r\n1 12 11\r\n2 11 22\r\n2 12", 0, "");
    add("CharacterTwentySixEndsTheFile", kGood + "\x1a" + "3 99\r\nrubbish", 0, "");
    add("NulSeparatesNumbers", kHeader + "1 11\r\n2 1" + std::string(1, '\0') + "2\r\n", 1,
        "first allele: 0, second allele: 1");
    add("NulInLocusName", "2 1 9 1\r\nL" + std::string(1, '\0') + "X\r\n1 11\r\n1 12\r\n2 12\r\n2 22\r\n", 0, "");
    add("MegabyteLocusLine", "2 1 9 1\r\n" + std::string(1 << 20, 'L') + "\r\n1 11\r\n1 12\r\n2 12\r\n2 22\r\n", 0,
        "");
    add("MegabyteTrailingBlanks", kHeader + "1 11" + std::string(1 << 20, ' ') + "\r\n1 12\r\n2 12\r\n2 22\r\n", 0,
        "");
    // The message quotes a shortened token, not a megabyte of it.
    add("MegabyteToken", kHeader + "1 11\r\n2 " + std::string(1 << 20, '7') + "x\r\n", 1,
        "line 4: the number \"7777777777777777777777777777777777777777...\" is too large");

    // Encodings: a UTF-8 byte-order mark is skipped; UTF-16 is named as such.
    add("ByteOrderMarkSkipped", "\xEF\xBB\xBF" + kGood, 0, "");
    std::string utf16 = "\xFF\xFE";
    for (const char ch : kGood) utf16 += std::string(1, ch) + '\0';
    add("Utf16Named", utf16, 1, "The data file \"study.dat\" is UTF-16 text");
    c.push_back({"LabelsByteOrderMarkSkipped",
                 kGood,
                 0,
                 "",
                 "\xEF\xBB\xBFNorth\r\nSouth\r\n",
                 {},
                 "populations:\r\n North South\r\n",
                 {}});
    std::string labels16 = "\xFE\xFF";
    for (const char ch : std::string("North\r\nSouth\r\n")) labels16 += std::string(1, '\0') + ch;
    c.push_back(
        {"LabelsUtf16Named", kGood, 1, "is UTF-16 text, which ZELTRIC does not read", labels16, {}, {}, {}});
    // A file that may be another program's says how to state its format.
    add("ThreeDigitFstatGetsTheFormatHint", "2 1 200 3\r\nA\r\n1 152152\r\n2 152156\r\n", 1,
        "If \"study.dat\" is a Genepop, STRUCTURE, GENETIX or FSTAT file, state its format with --format");

    // Locus names: six bytes as they stand; the genotype reader blanks codes 38 and below.
    auto named = [&](std::string name, std::string locusLine, std::string shown) {
        c.push_back({std::move(name),
                     "2 1 9 1\r\n" + locusLine + "\r\n1 11\r\n1 12\r\n2 12\r\n2 22\r\n",
                     0,
                     "",
                     {},
                     {},
                     "loci\r\n " + shown + "\r\n",
                     {}});
    };
    named("LocusNameTabsAndAmpersand", "\tA&B!C#D", " A B C");
    named("LocusNameUtf8", "\xc3\xa9t\xc3\xa9-long", "\xc3\xa9t\xc3\xa9-");
    named("LocusNameLatin1", "\xe9t\xe9 long", "\xe9t\xe9 lo");
    named("LocusNameLong", std::string(300, 'x'), "xxxxxx");

    // Label files (any content is a label; the run goes on).
    auto labelled = [&](std::string name, std::string labels, std::string inResults) {
        c.push_back({std::move(name), kGood, 0, "", std::move(labels), {}, std::move(inResults), {}});
    };
    labelled("LabelsTooShort", "North\r\n", "populations:\r\n North \r\n");
    labelled("LabelsTooLong", "North\r\nSouth\r\nEast\r\nWest\r\n", "populations:\r\n North South\r\n");
    labelled("LabelsEmptyFile", "", "populations:\r\n  \r\n");
    labelled("LabelsBinary", std::string("\x01\x02\xff\0\x7f", 5) + "\r\n\xfe\r\n", "");
    labelled("LabelsTenMegabyteLine", std::string(10 << 20, 'n') + "\r\nSouth\r\n", " South\r\n");

    // Seed files: a test without --seeds needs two non-zero seeds from the file.
    auto seeded = [&](std::string name, std::string seeds, int exitCode, std::string message) {
        c.push_back({std::move(name), kGood, exitCode, std::move(message), {}, std::move(seeds), {}, {}});
    };
    // Each says what the file holds.
    const std::string giveSeeds = "; give --seeds S1,S2";
    seeded("SeedsEmptyFile", "", 2, "\" is empty" + giveSeeds);
    seeded("SeedsBlank", " \r\n\t\r\n", 2, "\" is empty" + giveSeeds);
    seeded("SeedsText", "first second\r\n", 2,
           "\" holds \"first\" where a seed (a whole number) is expected" + giveSeeds);
    seeded("SeedsAbc", "abc\r\n", 2, "\" holds \"abc\" where a seed (a whole number) is expected" + giveSeeds);
    seeded("SeedsTextSecond", "12345 x\r\n", 2, "\" holds \"x\" where a seed");
    seeded("SeedsOneNumber", "12345\r\n", 2, "\" holds one number; two seeds are expected" + giveSeeds);
    seeded("SeedsZero", "0 12345\r\n", 2, "\" holds the seed 0, which would hold the generator at 0" + giveSeeds);
    seeded("SeedsBeyond32Bits", "4294967297 12345\r\n", 2, "\" holds a number beyond the seeds' range");
    seeded("SeedsNegativeAreUsedAsRead", "-5 -7\r\n", 0, "");

    // A selection reads the data file through the filter, which refuses the same faults.
    auto selected = [&](std::string name, std::string data, std::string options, int exitCode,
                        std::string message) {
        c.push_back(
            {std::move(name), std::move(data), exitCode, std::move(message), {}, {}, {}, std::move(options)});
    };
    const std::string three = "3 2 9 1\r\nL\r\nM\r\n1 11 12\r\n2 12 22\r\n3 22 11\r\n";
    selected("SelectionSampleAboveCount", three + "4 11 11\r\n", "--pops 1,3", 1,
             "line 7: sample number 4 lies outside 1..3.");
    selected("SelectionSamplesOutOfOrder", three + "1 11 11\r\n", "--loci 2", 1,
             "line 7: sample 1 follows sample 3");
    selected("SelectionToken", three + "3 1x 11\r\n", "--pops 1,3", 1, "line 7: \"1x" + notWhole);
    selected(
        "SelectionKeepsOversizedCodes", three + "3 11 65547\r\n", "--loci 2", 1,
        "Genotype in sample: 3, individual: 2\nFor locus: M(locus: 1).\nfirst allele: 6554, second allele: 7");
    selected("SelectionOfUnknownSample", three, "--pops 1,4", 2,
             "there is no number 4: the numbers run from 1 to 3");
    selected("SelectionOfAHugeNumberQuotesIt", three, "--loci 1-99999999999999999999", 2,
             "there is no number 99999999999999999999: the numbers run from 1 to 2");
    // Files of other formats, converted before the open step: refused with
    // file and line, and none of the converted files is left behind.
    const std::string at = "In file \"study.dat\", line ";
    selected("GenepopShortGenotype", "title\r\nA, B\r\nPop\r\nx , 0101 0102\r\ny , 0101 012\r\n",
             "--format genepop", 1, at + "5: \"012\" is not a genotype of 4 digits");
    selected("GenepopTooFewGenotypes", "title\r\nA\r\nB\r\npop\r\nx , 101101\r\n", "--format genepop", 1,
             at + "5: 1 genotypes for 2 loci.");
    selected("GenepopNoPopLine", "title\r\nA\r\nx , 0101\r\n", "--format genepop", 1, at + "3: no \"Pop\" line");
    selected("StructureRagged", "x 1 152 156\r\ny 2 152\r\n", "--format structure", 1,
             at + "2: 3 columns, 4 expected as in line 1.");
    selected("StructureLetterAllele", "x 1 152 156\r\ny 2 152 15b\r\n", "--format structure", 1,
             at + "2: \"15b\" is not an allele");
    selected("StructureSecondRowMissing", "x 1 152\r\nx 1 156\r\ny 2 152\r\n",
             "--format structure --structure-rows 2", 1, at + "3: the second row of this individual is missing.");
    selected("StructureStatedLociDoNotFit", "x 1 152 156\r\ny 2 152 156\r\n",
             "--format structure --structure-loci 3", 1, at + "1: 4 columns do not hold a label, the population");
    selected("GenetixShortCode", "1\r\n1\r\nA\r\n1 152\r\np\r\n1\r\nind       15215\r\n", "--format genetix", 1,
             at + "7: \"15215\" is not a genotype of 6 digits");
    selected("GenetixEndsEarly", "1\r\n2\r\nA\r\n1 152\r\np\r\n1\r\nind       152152\r\n", "--format genetix", 1,
             at + "7: the file ends early (a sample name expected).");
    selected("FstatSampleOutside", "2 1 200 3\r\nA\r\n1 152152\r\n3 152152\r\n", "--format fstat", 1,
             at + "4: \"3\" is not a sample number (1..2 expected).");
    selected("FstatCodeTooLong", "2 1 200 3\r\nA\r\n1 1521520\r\n", "--format fstat", 1,
             at + "3: \"1521520\" is not a genotype of two alleles of 3 digits.");
    selected("UnknownFormat", kGood, "--format arlequin", 2,
             "--format needs genepop, structure, genetix or fstat");
    return c;
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, ExitCodeMessageAndUntouchedInputs) {
    const BadInput& in = GetParam();
    TempDir dir;
    const std::string data = dir.file("study.dat");
    writeFile(data, in.data);
    std::string arguments = "--quiet " + in.options;
    if (in.labels) {
        writeFile(dir.file("study.lab"), *in.labels);
        arguments += " --labels " + shellQuote(dir.file("study.lab"));
    }
    if (in.seeds) {
        writeFile(dir.file("ZELTRIC.INI"), *in.seeds);
        arguments += " --test 100 --threads 2 --seed-file " + shellQuote(dir.file("ZELTRIC.INI"));
    }
    // Run from inside the folder so that messages name "study.dat" as given.
    const ProcessResult r = runProcess("cd " + shellQuote(dir.path().string()) + " && " +
                                       shellQuote(ZELTRIC_CLI_PATH) + " " + arguments + " study.dat");

    EXPECT_EQ(r.exitCode, in.exitCode) << r.err;
    if (!in.message.empty()) {
        EXPECT_NE(r.err.find(in.message), std::string::npos) << r.err;
    }
    EXPECT_LT(r.err.size(), 2000u) << "a message repeats the input";
    EXPECT_EQ(readFile(data), in.data) << "the data file changed";
    if (in.labels) {
        EXPECT_EQ(readFile(dir.file("study.lab")), *in.labels) << "the label file changed";
    }

    if (in.exitCode == 0) {
        const std::string results = readFile(dir.file("study.pca"));
        ASSERT_GE(results.size(), 2u);
        EXPECT_EQ(results.substr(results.size() - 2), "\r\n");
        if (!in.inResults.empty()) {
            EXPECT_NE(results.find(in.inResults), std::string::npos) << results.substr(0, 300);
        }
        if (in.seeds) {
            // The exit step saves the stream's continuation with three blanks.
            const std::string saved = readFile(dir.file("ZELTRIC.INI"));
            EXPECT_NE(saved, *in.seeds);
            EXPECT_NE(saved.find("   "), std::string::npos) << saved;
            EXPECT_EQ(saved.find('-'), std::string::npos) << saved;
        }
    } else {
        if (in.seeds) {
            EXPECT_EQ(readFile(dir.file("ZELTRIC.INI")), *in.seeds) << "the seed file changed";
        }
        // Outputs of a selection carry its suffix, so every file beside the
        // inputs counts. A filtered data file is written whole or not at all.
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string output = entry.path().string();
            const std::string extension = entry.path().extension().string();
            const std::string name = entry.path().filename().string();
            EXPECT_NE(name.rfind(".zeltric-", 0), 0u) << name << ": a temporary file was left behind";
            if (output == data || name == "study.lab" || name == "ZELTRIC.INI" || extension == ".dat") continue;
            { EXPECT_EQ(fs::file_size(output), 0u) << extension << " looks written"; }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, BadInputTest, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<BadInput>& param) { return param.param.name; });

// Every way of ending lines, with or without a final line end and with
// anything after a character 26, reads as the same file.
TEST(BadInputLineEnds, AllVariantsGiveTheSameOutputs) {
    const std::vector<std::string> lines = {"2 2 9 1", "L1", "L2", "1 11 12", "1 12 0", "2 22 11", "2 12 12"};
    auto join = [&](const std::vector<std::string>& ends, const std::string& last) {
        std::string out;
        for (std::size_t i = 0; i < lines.size(); ++i)
            out += lines[i] + (i + 1 < lines.size() ? ends[i % ends.size()] : last);
        return out;
    };
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"crlf", join({"\r\n"}, "\r\n")},     {"lf", join({"\n"}, "\n")},
        {"cr", join({"\r"}, "\r")},           {"mixed", join({"\r\n", "\n", "\r"}, "\n")},
        {"no final end", join({"\r\n"}, "")}, {"character 26", join({"\r\n"}, "\r\n") + "\x1a" + "2 99 99\r\n"},
    };
    std::string referencePca;
    std::string referenceFre;
    for (const auto& [what, content] : variants) {
        SCOPED_TRACE(what);
        TempDir dir;
        writeFile(dir.file("v.dat"), content);
        const ProcessResult r = runCli("--quiet " + shellQuote(dir.file("v.dat")));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(readFile(dir.file("v.dat")), content);
        if (referencePca.empty()) {
            referencePca = readFile(dir.file("v.pca"));
            referenceFre = readFile(dir.file("v.fre"));
            continue;
        }
        EXPECT_EQ(readFile(dir.file("v.pca")), referencePca);
        EXPECT_EQ(readFile(dir.file("v.fre")), referenceFre);
    }
}

TEST(BadInputPaths, SpacesAndNonAsciiLetters) {
    TempDir dir;
    const fs::path folder = dir.path() / "r\xc3\xa9sultats d'\xc3\xa9t\xc3\xa9 & co";
    fs::create_directories(folder);
    const std::string data = (folder / "truite du lac \xc3\xbc.dat").string();
    writeFile(data, kGood);
    const ProcessResult r = runCli("--quiet " + shellQuote(data));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* extension : kOutputs)
        EXPECT_GT(fs::file_size(folder / (std::string("truite du lac \xc3\xbc") + extension)), 0u) << extension;
}

TEST(BadInputPaths, FolderDeviceAndMissingFileAreRefused) {
    TempDir dir;
    fs::create_directories(dir.file("folder.dat"));
    const ProcessResult folder = runCli(shellQuote(dir.file("folder.dat")));
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("folder.dat\": it is a folder, not a file."), std::string::npos) << folder.err;

    const ProcessResult device = runCli("/dev/zero");
    EXPECT_EQ(device.exitCode, 1);
    EXPECT_NE(device.err.find("\"/dev/zero\": it is a device, not a file."), std::string::npos) << device.err;

    const ProcessResult missing = runCli(shellQuote(dir.file("none.dat")));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Cannot open the data file"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;

    writeFile(dir.file("good.dat"), kGood);
    const ProcessResult labels =
        runCli("--labels " + shellQuote(dir.file("none.lab")) + " " + shellQuote(dir.file("good.dat")));
    EXPECT_EQ(labels.exitCode, 1);
    EXPECT_NE(labels.err.find("Cannot open the label file"), std::string::npos) << labels.err;
    EXPECT_FALSE(fs::exists(dir.file("good.pca"))) << "the run went on without its labels";
}

// A read error must not pass for the end of the file. Reading the process's
// own memory file from offset 0 fails with an input/output error, even as root.
TEST(BadInputPaths, ReadErrorIsNotTheEndOfTheFile) {
    const ProcessResult data = runCli("/proc/self/mem");
    EXPECT_EQ(data.exitCode, 1);
    EXPECT_NE(data.err.find("Cannot read the data file \"/proc/self/mem\": Input/output error."),
              std::string::npos)
        << data.err;

    TempDir dir;
    writeFile(dir.file("good.dat"), kGood);
    const ProcessResult labels = runCli("--labels /proc/self/mem " + shellQuote(dir.file("good.dat")));
    EXPECT_EQ(labels.exitCode, 1);
    EXPECT_NE(labels.err.find("Cannot read the label file"), std::string::npos) << labels.err;
}

TEST(BadInputPaths, UnreadableFile) {
    TempDir dir;
    const std::string data = dir.file("locked.dat");
    writeFile(data, kGood);
    fs::permissions(data, fs::perms::none);
    if (std::FILE* probe = std::fopen(data.c_str(), "rb")) {
        std::fclose(probe);
        GTEST_SKIP()
            << "running with the right to read any file (root): permissions cannot make a file unreadable";
    }
    const ProcessResult r = runCli(shellQuote(data));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Cannot open the data file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
}

// Outputs that cannot be created: a name that needs a regular file as a
// folder (fails even for root), and an output name taken by a folder.
TEST(BadOutput, OutputThatCannotBeCreated) {
    TempDir dir;
    const std::string data = dir.file("study.dat");
    writeFile(data, kGood);
    writeFile(dir.file("plain"), "x");
    // A link at an output's name is never followed, wherever it points.
    fs::create_symlink(dir.file("plain") + "/sub", dir.file("study.pca"));
    const ProcessResult blocked = runCli("--quiet " + shellQuote(data));
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.err.find("study.pca\" is a symbolic link"), std::string::npos) << blocked.err;
    EXPECT_FALSE(fs::exists(dir.file("study.fre")));
    fs::remove(dir.file("study.pca"));

    fs::create_directories(dir.file("study.pop"));
    const ProcessResult folder = runCli("--quiet " + shellQuote(data));
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("study.pop\": Is a directory."), std::string::npos) << folder.err;
    EXPECT_EQ(readFile(data), kGood);
}

// Each output in turn is a link to the full device: the run is refused with
// that output named before anything is written (a link is never written
// through); the full disk itself is tried on a mounted file system below.
TEST(BadOutput, FullDeviceLinkForEachOutput) {
    for (const char* extension : kOutputs) {
        SCOPED_TRACE(extension);
        TempDir dir;
        const std::string data = dir.file("study.dat");
        writeFile(data, kGood);
        fs::create_symlink("/dev/full", dir.file(std::string("study") + extension));
        const ProcessResult r = runCli("--quiet " + shellQuote(data));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("The output file \"" + dir.file(std::string("study") + extension) +
                             "\" is a symbolic link"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(readFile(data), kGood);
        for (const char* other : kOutputs)
            if (std::string(other) != extension) {
                EXPECT_FALSE(fs::exists(dir.file(std::string("study") + other))) << other;
            }
    }
}

// A run that stops leaves none of the outputs of an earlier run of the same
// file beside its own: each would look like a result of the broken file.
TEST(BadOutput, FailedRunLeavesNoStaleOutputs) {
    TempDir dir;
    const std::string data = dir.file("study.dat");
    writeFile(data, kGood);
    ASSERT_EQ(runCli("--quiet " + shellQuote(data)).exitCode, 0);
    ASSERT_GT(fs::file_size(dir.file("study.fre")), 0u);
    const std::string broken = kHeader + "1 11\r\n2 10\r\n";
    writeFile(data, broken);
    const ProcessResult r = runCli("--quiet " + shellQuote(data));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Problem in the data file!!!!"), std::string::npos) << r.err;
    for (const char* extension : kOutputs)
        EXPECT_EQ(fs::file_size(dir.file(std::string("study") + extension)), 0u) << extension;
    EXPECT_EQ(readFile(data), broken);
}

// A small file system of its own, mounted for the test; needs the right to
// mount (root in a container that allows it), skipped otherwise.
class Mounted {
public:
    explicit Mounted(const fs::path& where, const std::string& options) : where_(where) {
        fs::create_directories(where);
        mounted_ = ::mount("zeltric-test", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~Mounted() {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    bool ok() const { return mounted_; }
    bool makeReadOnly() { return ::mount(nullptr, where_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    fs::path where_;
    bool mounted_ = false;
};

TEST(BadOutput, ReadOnlyFolder) {
    TempDir dir;
    Mounted fsys(dir.path() / "ro", "size=256k");
    if (!fsys.ok()) GTEST_SKIP() << "cannot mount a file system here; the read-only folder is not tried";
    const std::string data = (dir.path() / "ro" / "study.dat").string();
    writeFile(data, kGood);
    ASSERT_TRUE(fsys.makeReadOnly());
    const ProcessResult r = runCli("--quiet " + shellQuote(data));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("study.pca\": Read-only file system."), std::string::npos) << r.err;
    EXPECT_EQ(readFile(data), kGood);
}

// The disk fills while the results file is appended: the file is cut back
// to what it held before, never left holding part of a report.
TEST(BadOutput, DiskFullWhileWritingLeavesNoPartialReport) {
    TempDir dir;
    const fs::path root = dir.path() / "small";
    Mounted fsys(root, "size=64k");
    if (!fsys.ok())
        GTEST_SKIP() << "cannot mount a file system here; the full disk is tried through /dev/full only";
    const std::string data = (root / "study.dat").string();
    writeFile(data, kGood);
    // Long labels make the report far longer than the space left.
    const std::string labels = dir.file("long.lab");
    writeFile(labels, std::string(20000, 'n') + "\r\n" + std::string(20000, 's') + "\r\n");
    {
        std::ofstream filler((root / "filler").string(), std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }
    // Leave two pages: the frequency file takes one, the report finds one.
    const auto fillerSize = fs::file_size(root / "filler");
    ASSERT_GT(fillerSize, 8192u);
    fs::resize_file(root / "filler", fillerSize - 8192);
    const ProcessResult r = runCli("--quiet --labels " + shellQuote(labels) + " " + shellQuote(data));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("No space left on device."), std::string::npos) << r.err;
    EXPECT_EQ(readFile(data), kGood);
    for (const char* extension : {".pca", ".pop", ".al", ".per"})
        EXPECT_EQ(fs::file_size(root / (std::string("study") + extension)), 0u) << extension;
}

TEST(BadInputSeeds, MissingOrFolderSeedFileIsNeverCreated) {
    TempDir dir;
    writeFile(dir.file("good.dat"), kGood);
    const ProcessResult missing = runCli("--quiet --test 100 --seed-file " + shellQuote(dir.file("none.ini")) +
                                         " " + shellQuote(dir.file("good.dat")));
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_FALSE(fs::exists(dir.file("none.ini")));

    fs::create_directories(dir.file("folder.ini"));
    const ProcessResult folder = runCli("--quiet --test 100 --seed-file " + shellQuote(dir.file("folder.ini")) +
                                        " " + shellQuote(dir.file("good.dat")));
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_TRUE(fs::is_directory(dir.file("folder.ini")));
}

}  // namespace
}  // namespace zeltric::test
