#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "data/allele_counting.hpp"
#include "data/frequency_file.hpp"
#include "data/genotype_reader.hpp"
#include "test_support.hpp"

namespace zeltric::data {
namespace {

using test::TempDir;
using test::writeFile;

// The two-sample data set whose counts the worked analysis example uses.
std::string twoSampleData(const std::string& eol = "\r\n") {
    std::string text = "2 1 2 1" + eol + "loc1" + eol;
    for (int i = 0; i < 2; ++i) text += "1 11" + eol;
    for (int i = 0; i < 8; ++i) text += "1 22" + eol;
    for (int i = 0; i < 6; ++i) text += "2 11" + eol;
    for (int i = 0; i < 4; ++i) text += "2 22" + eol;
    return text;
}

struct Loaded {
    Dataset ds;
    std::vector<std::string> notices;
};

Loaded load(const std::string& content, bool count = true) {
    TempDir dir;
    const std::string path = dir.file("data.dat");
    writeFile(path, content);
    Loaded out;
    const Notify notify = [&](const std::string& text) { out.notices.push_back(text); };
    readHeader(out.ds, path, notify);
    readGenotypes(out.ds, path, notify);
    if (count) {
        countObservedAlleles(out.ds);
    }
    return out;
}

std::string refusal(const std::string& content) {
    try {
        load(content);
    } catch (const base::FatalError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no refusal for:\n" << content;
    return {};
}

TEST(GenotypeReader, TwoSampleExampleCounts) {
    const Loaded l = load(twoSampleData());
    const Dataset& ds = l.ds;
    EXPECT_EQ(ds.individualCount, 20);
    EXPECT_EQ(ds.sampleEnds[1], 10);
    EXPECT_EQ(ds.sampleEnds[2], 20);
    EXPECT_EQ(ds.counts.sampleSize(1, 1), 10);
    EXPECT_EQ(ds.counts.sampleSize(2, 1), 10);
    EXPECT_EQ(ds.counts.alleleCount(1, 1, 1), 4.0);
    EXPECT_EQ(ds.counts.alleleCount(2, 1, 1), 12.0);
    EXPECT_EQ(ds.counts.alleleTotal(1, 2), 24.0);
    EXPECT_EQ(ds.completeCounts[1], 10);
    EXPECT_EQ(frequencyFileText(ds, ds.counts), test::golden("two_sample.fre"));
}

// Every count of samples 1..np, loci 1..nl, alleles 1..nu.
void expectSameCounts(const Dataset& ds, const CountTables& expected, const CountTables& actual) {
    for (int l = 1; l <= ds.nl; ++l) {
        for (int a = 1; a <= ds.nu; ++a) ASSERT_EQ(actual.alleleTotal(l, a), expected.alleleTotal(l, a));
        for (int s = 1; s <= ds.np; ++s) {
            ASSERT_EQ(actual.sampleSize(s, l), expected.sampleSize(s, l));
            for (int a = 1; a <= ds.nu; ++a)
                ASSERT_EQ(actual.alleleCount(s, l, a), expected.alleleCount(s, l, a)) << s << " " << l << " " << a;
        }
    }
}

TEST(AlleleCounting, TablesSizedForFewAllelesAreWidenedForMoreAndNarrowedByTheRecount) {
    const Loaded two = load(twoSampleData());  // alleles 1..2
    const Loaded nine = load("2 2 9 1\r\nloc\r\nother\r\n1 99 12\r\n1 11 0\r\n2 11 93\r\n2 0 99\r\n");
    std::vector<std::uint16_t> origin(21);
    for (std::size_t p = 0; p < origin.size(); ++p) origin[p] = static_cast<std::uint16_t>(p);

    // The recount asks for rows of two alleles only.
    CountTables tables;
    ArrangementCounter(two.ds, two.ds.genotypeColumns).count(origin.data(), tables);
    EXPECT_EQ(tables.alleles(), 2);
    expectSameCounts(two.ds, two.ds.counts, tables);

    // The same tables for nine alleles: widened, every count in its place.
    countAlleles(nine.ds, nine.ds.genotypeColumns, tables);
    EXPECT_GE(tables.alleles(), 9);
    EXPECT_EQ(tables.alleleCount(1, 1, 9), 2.0);
    expectSameCounts(nine.ds, nine.ds.counts, tables);

    // Whole-range tables handed to the recount come back narrowed, refilled.
    CountTables wide;
    wide.allocate(2, 2);
    wide.alleleCount(2, 2, 99) = 5.0;
    ArrangementCounter(nine.ds, nine.ds.genotypeColumns).count(origin.data(), wide);
    EXPECT_EQ(wide.alleles(), 9);
    expectSameCounts(nine.ds, nine.ds.counts, wide);
}

TEST(GenotypeReader, LineEndsReadAlike) {
    const std::string expected =
        frequencyFileText(load(twoSampleData("\r\n")).ds, load(twoSampleData("\r\n")).ds.counts);
    for (const std::string eol : {"\r", "\n"}) {
        const Loaded l = load(twoSampleData(eol));
        EXPECT_EQ(frequencyFileText(l.ds, l.ds.counts), expected) << "line end " << int(eol[0]);
    }
    // Mixed line ends, trailing blank lines and character 26 ending the file.
    std::string mixed = twoSampleData("\n");
    mixed.replace(mixed.find("\n"), 1, "\r");
    const Loaded m = load(mixed +
                          "\r\n\r\n   \n\x1a"
                          "9 99 garbage");
    EXPECT_EQ(frequencyFileText(m.ds, m.ds.counts), expected);
}

TEST(GenotypeReader, LocusNames) {
    const Loaded l = load("1 4 9 1\r\nabcdefghi\r\nx\r\n  ab\r\na#b&c'\r\n1 11 11 11 11\r\n", false);
    EXPECT_EQ(l.ds.locusNames[1], "abcdef");
    EXPECT_EQ(l.ds.locusNames[2], "x");
    EXPECT_EQ(l.ds.locusNames[3], "  ab");
    EXPECT_EQ(l.ds.locusNames[4], "a b c'");  // "#" and "&" become blanks at the go step
    TempDir dir;
    writeFile(dir.file("h.dat"), "1 1 9 1\r\na#b\r\n");
    Dataset header;
    readHeader(header, dir.file("h.dat"), [](const std::string&) {});
    EXPECT_EQ(header.locusNames[1], "a#b");  // kept as it stands by the open step
    EXPECT_EQ(header.populationLabels[1], "1");
    EXPECT_EQ(header.alleleDivisor, 10);
}

TEST(GenotypeReader, IgnoredLinesAndMissingGenotypes) {
    const Loaded l = load("2 2 9 1\r\nA\r\nB\r\n1 11 12\r\n0 99 99\r\n1 0 22\r\n\r\n2 33 34\r\n\r\n\r\n");
    const Dataset& ds = l.ds;
    EXPECT_EQ(ds.individualCount, 3);
    EXPECT_EQ(ds.counts.sampleSize(1, 1), 1);  // missing at locus 1 only
    EXPECT_EQ(ds.counts.sampleSize(1, 2), 2);
    EXPECT_EQ(ds.missingLoci[2], 1);
    EXPECT_EQ(ds.completeCounts[1], 1);
    EXPECT_EQ(ds.completeCounts[2], 1);
    // Locus A holds alleles 1 and 3, locus B alleles 1 to 4; the missing
    // genotype leaves sample 1 with one typed individual at A.
    EXPECT_EQ(frequencyFileText(ds, ds.counts),
              " 1.000  0.000  0.250  0.750  0.000  0.000 \r\n"
              " 0.000  1.000  0.000  0.000  0.500  0.500 \r\n");
}

TEST(GenotypeReader, EmptySampleAndLocusWithoutTypes) {
    const Loaded l = load("3 2 2 1\r\nA\r\nB\r\n1 11 0\r\n3 12 0\r\n");
    EXPECT_EQ(l.ds.sampleEnds[1], 1);
    EXPECT_EQ(l.ds.sampleEnds[2], 1);
    EXPECT_EQ(l.ds.sampleEnds[3], 2);
    // Locus B has no typed individual: no field at all.
    EXPECT_EQ(frequencyFileText(l.ds, l.ds.counts), " 1.000  0.000 \r\n 0.000  0.000 \r\n 0.500  0.500 \r\n");
}

TEST(GenotypeReader, ThreeAlleleFrequencyExample) {
    const Loaded l = load("2 1 3 1\r\nL\r\n1 11\r\n1 12\r\n2 22\r\n");
    EXPECT_EQ(frequencyFileText(l.ds, l.ds.counts), test::golden("three_allele.fre"));
}

TEST(GenotypeReader, InvalidGenotypesGiveTheGenotypeMessage) {
    EXPECT_EQ(refusal("2 1 9 1\r\nloc\r\n1 11\r\n1 10\r\n2 11\r\n"), base::genotypeMessage(1, 2, "loc", 1, 1, 0));
    EXPECT_EQ(refusal("2 1 20 2\r\nloc\r\n1 101\r\n2 2101\r\n"), base::genotypeMessage(2, 1, "loc", 1, 21, 1));
    // n counts only the individuals typed at that locus before.
    EXPECT_EQ(refusal("1 2 9 1\r\nA\r\nB\r\n1 11 0\r\n1 11 5\r\n"), base::genotypeMessage(1, 1, "B", 2, 0, 5));
    // Codes beyond 16 bits and negative codes are never wrapped into valid ones.
    EXPECT_EQ(refusal("2 1 9 1\r\nloc\r\n1 65547\r\n2 11\r\n"), base::genotypeMessage(1, 1, "loc", 1, 6554, 7));
    EXPECT_EQ(refusal("2 1 9 1\r\nloc\r\n1 -11\r\n2 11\r\n"), base::genotypeMessage(1, 1, "loc", 1, -1, -1));
    // 99 is the homozygote 9/9 with coding 1.
    EXPECT_EQ(load("2 1 9 1\r\nloc\r\n1 99\r\n2 11\r\n").ds.counts.alleleCount(1, 1, 9), 2.0);
}

TEST(GenotypeReader, LargestDataSetAccepted) {
    std::string text = "500 50 99 2\r\n";
    for (int l = 1; l <= 50; ++l) text += "L" + std::to_string(l) + "\r\n";
    for (int s = 1; s <= 500; ++s) {
        text += std::to_string(s);
        for (int l = 1; l <= 50; ++l) text += s % 2 ? " 9999" : " 199";
        text += "\r\n";
    }
    const Loaded l = load(text);
    EXPECT_EQ(l.ds.np, 500);
    EXPECT_EQ(l.ds.counts.alleleCount(1, 50, 99), 2.0);
    EXPECT_EQ(l.ds.counts.alleleTotal(50, 99), 750.0);
}

TEST(GenotypeReader, RefusesWhatTheTablesCannotHold) {
    EXPECT_EQ(refusal("501 1 9 1\r\nL\r\n1 11\r\n"), base::capacityMessage());
    EXPECT_EQ(refusal("2 51 9 1\r\nL\r\n1 11\r\n"), base::capacityMessage());
    EXPECT_EQ(refusal("2 1 100 1\r\nL\r\n1 11\r\n"), base::capacityMessage());
    EXPECT_NE(refusal("2 1 9 1\r\nL\r\n3 11\r\n").find("line 3"), std::string::npos);
    EXPECT_NE(refusal("2 1 9 1\r\nL\r\n-1 11\r\n").find("outside 1..2"), std::string::npos);
    EXPECT_NE(refusal("2 1 9 1\r\nL\r\n2 11\r\n1 11\r\n").find("ascending"), std::string::npos);
    EXPECT_NE(refusal("2 1 9 1\r\nL\r\n1 1.5\r\n").find("\"1.5\" is not a whole number"), std::string::npos);
    EXPECT_NE(refusal("2 1 9 1\r\nL\r\nabc 11\r\n").find("line 3"), std::string::npos);
    EXPECT_NE(refusal("2 1 9 x\r\nL\r\n1 11\r\n").find("line 1"), std::string::npos);
    EXPECT_NE(refusal("2 1 9 1\r\nL\r\n1 99999999999999999999\r\n").find("too large"), std::string::npos);
    EXPECT_NE(refusal("0 1 9 1\r\nL\r\n").find("at least 1"), std::string::npos);
    EXPECT_NE(refusal("2 1 9 1\r\nL\r\n").find("no genotype lines"), std::string::npos);
}

TEST(GenotypeReader, AtMostNIMaxGenotypeLines) {
    std::string text = "2 1 9 1\r\nL\r\n";
    for (int i = 0; i < 5000; ++i) text += i < 2500 ? "1 11\r\n" : "2 12\r\n";
    EXPECT_EQ(load(text).ds.individualCount, 5000);
    EXPECT_NE(refusal(text + "2 11\r\n").find("more than 5000"), std::string::npos);
}

TEST(GenotypeReader, CodingOutsideOneAndTwo) {
    TempDir dir;
    writeFile(dir.file("c.dat"), "2 1 9 3\r\nL\r\n1 11\r\n");
    Dataset ds;
    ds.alleleDivisor = 100;
    std::vector<std::string> notices;
    readHeader(ds, dir.file("c.dat"), [&](const std::string& t) { notices.push_back(t); });
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], base::codingMessage());
    EXPECT_EQ(ds.alleleDivisor, 100);  // kept as it was
}

}  // namespace
}  // namespace zeltric::data
