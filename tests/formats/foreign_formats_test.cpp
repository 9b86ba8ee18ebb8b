// The readers of other formats, one conversion at a time: detection,
// numbering, layouts, refusals with file and line, and the writer's
// same-bytes rule.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/fatal_error.hpp"
#include "formats/foreign_formats.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

using formats::Format;
namespace fs = std::filesystem;

std::string refusal(Format format, const std::string& bytes, const formats::StructureOptions& o = {}) {
    try {
        formats::convert(format, bytes, "f.txt", o);
    } catch (const base::FatalError& e) {
        return e.what();
    }
    ADD_FAILURE() << "accepted: " << bytes.substr(0, 80);
    return {};
}

TEST(Detect, ContentAndExtension) {
    const struct {
        const char* bytes;
        const char* extension;
        Format expected;
    } cases[] = {
        {"2 1 9 1\r\nL\r\n1 11\r\n", ".dat", Format::ZeltricData},
        // The extensions of other programs decide first: a first line of four
        // numbers (an identifier and three numbers, a title of numbers) does not
        // make such a file a data file.
        {"3 2 211 3\nA\nB\n1 152156 0\n", ".gtx", Format::Genetix},
        {"1 1 152 156\n1 1 156 160\n", ".str", Format::Structure},
        {"1 2 3 4\nA\npop\nx , 0101\n", ".gen", Format::Genepop},
        {"1 2 3 4\nA\npop\nx , 0101\n", ".txt", Format::ZeltricData},
        {"title\nA, B\npop\nx , 0101 0202\n", ".txt", Format::Genepop},
        {"title\nA\nB\nPOP\nx , 0101 0202\n", "", Format::Genepop},
        {"anything", ".GEN", Format::Genepop},
        {"  2\n  1\nA\n 2 152 156\nB\n 1 100\np\n 1\nx         152156 100100\n", ".txt", Format::Genetix},
        {"a 1 152 156\na 1 156 160\n", ".txt", Format::Structure},
        {"A B\na 1 0 152 156\na 1 0 156 160\n", "", Format::Structure},
        {"x\ty", ".str", Format::Structure},
        {"2 1\r\n9 1\r\nL\r\n1 11\r\n", ".dat", Format::ZeltricData},  // a header over two lines
        {"", ".dat", Format::ZeltricData},
        {"free text\nof some kind\n", ".txt", Format::ZeltricData},
    };
    for (const auto& c : cases) EXPECT_EQ(formats::detect(c.bytes, c.extension), c.expected) << c.bytes;
}

TEST(Detect, WhichDataFilesMayBeAnotherFormat) {
    EXPECT_FALSE(formats::mayBeOtherFormat("2 1 9 1\r\nL\r\n", ".dat"));
    EXPECT_FALSE(formats::mayBeOtherFormat("2 1 9 2\r\nL\r\n", ".DAT"));
    EXPECT_TRUE(formats::mayBeOtherFormat("3 1 999 3\r\nA\r\n", ".dat"));  // a 3-digit FSTAT file
    EXPECT_TRUE(formats::mayBeOtherFormat("2 1 9 1\r\nL\r\n", ".txt"));
    EXPECT_TRUE(formats::mayBeOtherFormat("2 1 9 1\r\nL\r\n", ""));
}

// Every reader skips a UTF-8 byte-order mark and names UTF-16 text.
TEST(Encoding, ByteOrderMarkSkippedAndUtf16Named) {
    const struct {
        Format format;
        const char* bytes;
    } cases[] = {
        {Format::Genepop, "title\nA\npop\nx , 0101\npop\ny , 0102\n"},
        {Format::Structure, "x 1 152 156\ny 2 152 160\n"},
        {Format::Genetix, "1\n2\nA\n2 152 156\np\n1\ni         152156\nq\n1\nj         156156\n"},
        {Format::Fstat, "2 1 200 3\nA\n1 152156\n2 156156\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const formats::Conversion plain = formats::convert(c.format, c.bytes, "f.txt");
        const formats::Conversion marked =
            formats::convert(c.format, "\xEF\xBB\xBF" + std::string(c.bytes), "f.txt");
        EXPECT_EQ(marked.dataFile, plain.dataFile);
        EXPECT_EQ(marked.labelFile, plain.labelFile);
        EXPECT_EQ(marked.alleleTable, plain.alleleTable);
        std::string utf16 = "\xFF\xFE";
        for (const char ch : std::string(c.bytes)) utf16 += std::string(1, ch) + '\0';
        EXPECT_NE(refusal(c.format, utf16).find("is UTF-16 text"), std::string::npos);
        std::string unmarked;  // big-endian, without a mark
        for (const char ch : std::string(c.bytes)) unmarked += std::string(1, '\0') + ch;
        EXPECT_NE(refusal(c.format, unmarked).find("is UTF-16 text"), std::string::npos);
    }
}

TEST(Genepop, ALineWithACommaIsAnIndividualNeverAPopLine) {
    // The first individual's label starts with "pop": two samples of 2 and 1.
    const formats::Conversion c =
        formats::convert(Format::Genepop, "t\nA\npop\npop 2 , 0202\nx , 0101\npop\nz , 0102\n", "f.gen");
    EXPECT_EQ(c.dataFile.substr(0, 21), "   2    1    2    2\r\n");
    EXPECT_EQ(c.labelFile, "pop 2\r\nz\r\n");
}

TEST(Genetix, AllelesOutsideTheHeadersListAreReadAndNoted) {
    const formats::Conversion c = formats::convert(
        Format::Genetix, "2\n1\nA\n2 152 156\nB\n1 100\np\n2\ni         152160 100100\nj         158156 102102\n",
        "f.gtx");
    ASSERT_EQ(c.notes.size(), 2u);
    EXPECT_EQ(c.notes[0],
              "Locus 1 (\"A\"): the alleles 158, 160 of the genotypes are not in the header's allele list of the "
              "locus; they were read as written.");
    EXPECT_NE(c.notes[1].find("Locus 2 (\"B\"): the alleles 102 "), std::string::npos);
    EXPECT_NE(c.alleleTable.find("1\tA\t4\t160"), std::string::npos);
    // Alleles all listed: no note.
    EXPECT_TRUE(
        formats::convert(Format::Genetix, "1\n1\nA\n2 152 156\np\n1\ni         152156\n", "f.gtx").notes.empty());
}

TEST(Numbering, AscendingNumericPerLocusAndHeaderOfTheLargestCount) {
    // 9 < 10 < 100 numerically although not as text; locus B has a single allele.
    const formats::Conversion c = formats::convert(Format::Structure, "a 1 100 9 5 5\nb 2 10 10 5 -9\n", "f.str");
    EXPECT_EQ(c.dataFile, "   2    2    3    2\r\nL1\r\nL2\r\n     1    301    101 \r\n     2    202      0 \r\n");
    EXPECT_EQ(c.labelFile, "1\r\n2\r\n");
    EXPECT_EQ(c.alleleTable,
              "locus\tname\tnumber\tallele\r\n1\tL1\t1\t9\r\n1\tL1\t2\t10\r\n1\tL1\t3\t100\r\n2\tL2\t1\t5\r\n");
    ASSERT_EQ(c.notes.size(), 2u);
    EXPECT_EQ(c.notes[1], "1 genotype with one allele missing counted as missing.");
}

TEST(Numbering, NinetyNineAllelesFitAndAHundredAreRefusedNamingTheLocus) {
    auto genepop = [](int alleles) {
        std::string out = "t\nfirst\nMicro7\npop\n";
        for (int a = 1; a <= alleles; ++a) out += "i , 101101 " + std::to_string(100100 + a * 1001) + "\n";
        return out;
    };
    const formats::Conversion fits = formats::convert(Format::Genepop, genepop(99), "f.gen");
    EXPECT_EQ(fits.dataFile.substr(0, 21), "   1    2   99    2\r\n");
    const std::string message = refusal(Format::Genepop, genepop(100));
    EXPECT_NE(message.find("locus 2 (\"Micro7\") has 100 alleles, a data file holds at most 99 per locus"),
              std::string::npos)
        << message;
}

TEST(Numbering, CapacityOfSamplesLociAndIndividuals) {
    std::string manyLoci = "a 1";
    for (int l = 0; l < 51; ++l) manyLoci += " 5";
    EXPECT_NE(refusal(Format::Structure, manyLoci + "\n" + manyLoci + "\n").find("51 loci"), std::string::npos);
    std::string manySamples;
    for (int s = 0; s < 501; ++s) manySamples += "a " + std::to_string(s) + " 1 1\n";
    EXPECT_NE(refusal(Format::Structure, manySamples, {.loci = {}, .rows = 1, .extraColumns = {}, .missing = {}})
                  .find("501 samples"),
              std::string::npos);
    std::string manyIndividuals;
    for (int i = 0; i < 5001; ++i) manyIndividuals += "i" + std::to_string(i) + " 1 1 1\n";
    EXPECT_NE(refusal(Format::Structure, manyIndividuals).find("5001 individuals"), std::string::npos);
}

TEST(Numbering, SixCharacterNameCollisionsAreReported) {
    const formats::Conversion c =
        formats::convert(Format::Genepop, "t\nMicro12,Micro13,Other\npop\nx , 0101 0101 0101\n", "f.gen");
    EXPECT_NE(c.dataFile.find("\r\nMicro1\r\nMicro1\r\nOther\r\n"), std::string::npos);
    EXPECT_NE(c.alleleTable.find("2\tMicro13\t1\t1"), std::string::npos);
    ASSERT_EQ(c.notes.size(), 2u);
    EXPECT_EQ(
        c.notes[0],
        "The loci 1 (\"Micro12\") and 2 (\"Micro13\") share the name \"Micro1\" in the data file, which keeps "
        "six characters.");
    // Every cut name is given in full, in one note.
    EXPECT_EQ(c.notes[1],
              "Locus names longer than six characters are cut to six in the data file; the allele table, the run "
              "record and the tables keep the full names: locus 1 \"Micro12\" (\"Micro1\"), locus 2 "
              "\"Micro13\" (\"Micro1\").");
}

// GENETIX blocks with one name are one sample, in the first block's place,
// individuals in file order; in any format, samples that keep one name are
// named in a note.
TEST(Numbering, SameNamedSamples) {
    const std::string gtx =
        "1\n3\nL1\n2 001 002\n"
        "A\n1\nx1        001001\n"
        "B\n1\ny1        002002\n"
        "A\n2\nx2        001002\nx3        002001\n";
    const formats::Conversion merged = formats::convert(Format::Genetix, gtx, "f.gtx");
    EXPECT_EQ(merged.labelFile, "A\r\nB\r\n");
    EXPECT_EQ(merged.dataFile,
              "   2    1    2    2\r\nL1\r\n     1    101 \r\n     1    102 \r\n     1    201 \r\n"
              "     2    202 \r\n");
    ASSERT_EQ(merged.notes.size(), 1u);
    EXPECT_NE(merged.notes[0].find("The blocks named \"A\" at lines 5 and 11 are one sample"), std::string::npos);

    const formats::Conversion twice =
        formats::convert(Format::Genepop, "t\nL1\npop\nx , 0101\npop\nx , 0202\n", "f.gen");
    ASSERT_EQ(twice.notes.size(), 1u);
    EXPECT_EQ(twice.notes[0],
              "The samples 1 and 2 have the same name, \"x\": they stay two samples; tell them apart by their "
              "numbers.");

    // The cats: 17 samples whichever of the files is read.
    const std::string files = std::string(ZELTRIC_SOURCE_DIR) + "/tests/files/";
    for (const auto& [name, format] :
         std::vector<std::pair<std::string, Format>>{{"nancycats.gen", Format::Genepop},
                                                     {"nancycats.gtx", Format::Genetix},
                                                     {"nancycats.str", Format::Structure},
                                                     {"nancycats-fstat.dat", Format::Fstat}}) {
        const formats::Conversion c = formats::convert(format, readFile(files + name), name);
        EXPECT_EQ(c.dataFile.substr(0, 5), "  17 ") << name;
    }
}

// A file in no format read is named with the formats that are, instead of
// a data file reader's complaint about its first number.
TEST(Detect, UnrecognisedFormatIsSaidSo) {
    const std::string snp = std::string(ZELTRIC_SOURCE_DIR) + "/tests/files/exampleSnpDat.snp";
    try {
        formats::convertFile(snp, std::nullopt);
        ADD_FAILURE() << "accepted";
    } catch (const base::FatalError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("The format of the file \"" + snp + "\" was not recognised"), std::string::npos);
        for (const char* format : {"Genepop", "STRUCTURE", "GENETIX", "FSTAT"})
            EXPECT_NE(text.find(format), std::string::npos) << format;
    }
    // A data file with a bad first number still reaches the data file reader.
    TempDir dir;
    writeFile(dir.file("bad.dat"), "abc 1 9 1\r\nL\r\n");
    EXPECT_FALSE(formats::convertFile(dir.file("bad.dat"), std::nullopt).has_value());
}

TEST(Structure, LayoutDetection) {
    const struct {
        const char* bytes;
        const char* expected;
    } cases[] = {
        {"A B\nx 1 1 152 90\nx 1 1 156 92\n",
         "a names row, 2 rows per individual, 1 extra column (PopFlag), 2 loci"},
        {"x 1 1 152 90\nx 1 1 156 92\ny 2 0 152 92\ny 2 0 152 90\n",
         "no names row, 2 rows per individual, 1 extra column (PopFlag), 2 loci"},
        {"x\t1\t152\t156\ny\t2\t152\t160\n", "no names row, 1 row per individual, 0 extra columns, 1 locus"},
        {"A\nx 1 152 156\ny 2 152 160\n", "a names row, 1 row per individual, 0 extra columns, 1 locus"},
        {"x 1 0 152 156\ny 2 1 152 160\n",
         "no names row, 1 row per individual, 1 extra column (PopFlag), 1 locus"},
        // A first locus coded 0/1 differs between the rows of a heterozygote:
        // a locus, not a PopFlag (which is the same on both rows).
        {"x 1 0 152 90\nx 1 1 156 92\ny 2 1 152 92\ny 2 1 152 90\n",
         "no names row, 2 rows per individual, 0 extra columns, 3 loci"},
    };
    for (const auto& c : cases)
        EXPECT_NE(formats::describeLayout(formats::structureLayout(c.bytes, "f", {})).find(c.expected),
                  std::string::npos)
            << c.bytes << formats::describeLayout(formats::structureLayout(c.bytes, "f", {}));

    // Rows that pair up only partly, and odd genotype columns, are left to the user.
    EXPECT_NE(refusal(Format::Structure, "x 1 5 5\nx 1 5 5\ny 1 5 5\n").find("--structure-rows"),
              std::string::npos);
    const formats::StructureLayout stated = formats::structureLayout(
        "x 1 5 5\nx 1 5 5\ny 1 5 5\n", "f", {.loci = {}, .rows = 1, .extraColumns = {}, .missing = {}});
    EXPECT_EQ(stated.loci, 1);
    EXPECT_EQ(stated.rows, 1);
    // A stated missing code and a stated number of loci.
    const formats::Conversion c = formats::convert(Format::Structure, "x 1 0 0 152\ny 1 0 156 152\n", "f",
                                                   {.loci = 1, .rows = 1, .extraColumns = {}, .missing = 0});
    EXPECT_EQ(c.dataFile, "   1    1    2    2\r\nL1\r\n     1      0 \r\n     1    201 \r\n");
    EXPECT_NE(c.notes[1].find("1 genotype with one allele"), std::string::npos);
}

TEST(Structure, SamplesAscendingAndIndividualsInFileOrder) {
    const formats::Conversion c =
        formats::convert(Format::Structure, "a 10 1 1\nb 9 1 2\nc 10 2 2\nd 9 2 1\ne 10 1 2\n", "f");
    EXPECT_EQ(c.labelFile, "9\r\n10\r\n");
    EXPECT_EQ(c.dataFile.substr(c.dataFile.find("     1 ")),
              "     1    102 \r\n     1    201 \r\n     2    101 \r\n     2    202 \r\n     2    102 \r\n");
}

TEST(Refusals, NameTheFileTheLineAndWhatWasExpected) {
    const struct {
        Format format;
        const char* bytes;
        const char* expected;
    } cases[] = {
        {Format::Genepop, "", "line 1: the file is empty"},
        {Format::Genepop, "t\nA\nB\n", "line 3: no \"Pop\" line"},
        {Format::Genepop, "t\npop\nx , 0101\n", "line 2: no locus name"},
        {Format::Genepop, "t\nA\npop\nx 0101\n", "line 4: no comma after the individual's label"},
        {Format::Genepop, "t\nA,B\npop\nx , 0101\n", "line 4: 1 genotypes for 2 loci."},
        {Format::Genepop, "t\nA\npop\nx , 01a1\n", "line 4: \"01a1\" is not a genotype of 4 digits"},
        {Format::Genepop, "t\nA\npop\nx , 0101\ny , 101101\n", "line 5: \"101101\" is not a genotype of 4 digits"},
        {Format::Genepop, "t\nA\npop\nx , 101\n", "line 4: \"101\" is not a genotype"},
        {Format::Genepop, "t\nA\npop\nx , +102\n", "line 4: \"+102\" is not a genotype of 4 digits"},
        {Format::Genepop, "t\nA\npop\nx , 0101\ny , -101\n", "line 5: \"-101\" is not a genotype of 4 digits"},
        {Format::Genepop, "t\nA\npop\nx , 0101\npop\n",
         "line 5: a sample without individuals (an individual after this line expected)."},
        {Format::Structure, "", "line 1: the file is empty"},
        {Format::Structure, "x 1 5 5\ny 1 5\n", "line 2: 3 columns, 4 expected as in line 1."},
        {Format::Structure, "x 1 5 5\n\nx 1 a 5\n", "line 3: \"a\" is not an allele"},
        {Format::Structure, "x p 5 5\nx p 5 5\n", "line 1: \"p\" is not a population number"},
        {Format::Structure, "x 1 5\nx 2 5\n", "line 2: the second row of individual \"x\" expected"},
        {Format::Genetix, "", "line 1: the file ends early (the number of loci expected)."},
        {Format::Genetix, "1\nx\n", "line 2: \"x\" is not the number of samples"},
        {Format::Genetix, "1\n1\nA\n2 152\n", "line 4: the number of alleles followed by that many"},
        {Format::Genetix, "1\n1\nA\n1 152\np\n1\ni         15215\n",
         "line 7: \"15215\" is not a genotype of 6 digits"},
        {Format::Genetix, "1\n1\nA\n1 152\np\n1\nshort\n", "line 7: 0 genotypes after the 10 columns"},
        {Format::Genetix, "1\n1\nA\n1 152\np\n1\ni         +52152\n",
         "line 7: \"+52152\" is not a genotype of 6 digits"},
        {Format::Genetix, "1\n1\nA\n1 152\np\n2\ni         152152\n",
         "line 7: the file ends early (an individual expected)."},
        {Format::Genetix, "1\n1\nA\n1 152\np\n1\ni         152152\nmore\n", "line 8: more lines than"},
        {Format::Fstat, "2 1 9\nA\n", "line 1: the numbers of samples and loci"},
        {Format::Fstat, "2 2 200 3\nA\n", "line 2: the file ends early"},
        {Format::Fstat, "2 1 200 3\nA\n3 152152\n", "line 3: \"3\" is not a sample number (1..2 expected)."},
        {Format::Fstat, "2 1 200 3\nA\n1 152152 1\n", "line 3: 2 genotypes for 1 loci."},
        {Format::Fstat, "2 1 200 3\nA\n1 1521520\n",
         "line 3: \"1521520\" is not a genotype of two alleles of 3 digits."},
    };
    for (const auto& c : cases) {
        const std::string message = refusal(c.format, c.bytes);
        EXPECT_EQ(message.rfind("In file \"f.txt\", ", 0), 0u) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << c.bytes << "\n" << message;
    }
}

TEST(Writer, SameBytesSucceedOtherBytesAreNeverReplaced) {
    TempDir dir;
    const std::string source = dir.file("s.gen");
    const formats::ConvertedPaths paths = formats::convertedPaths(source, Format::Genepop);
    EXPECT_EQ(paths.dataFile, source + "-genepop.dat");
    EXPECT_EQ(paths.labelFile, source + "-genepop.lab");
    EXPECT_EQ(paths.alleleTable, source + "-genepop-alleles.txt");
    const formats::Conversion c{"data\r\n", "labels\r\n", "table\r\n", {}};
    formats::writeConversion(c, paths);
    formats::writeConversion(c, paths);
    EXPECT_EQ(readFile(paths.labelFile), "labels\r\n");

    // Another conversion meets a file of other bytes: nothing of it stays behind.
    fs::remove(paths.dataFile);
    fs::remove(paths.labelFile);
    writeFile(paths.alleleTable, "mine");
    EXPECT_THROW(formats::writeConversion(c, paths), base::FatalError);
    EXPECT_EQ(readFile(paths.alleleTable), "mine");
    EXPECT_FALSE(fs::exists(paths.dataFile));
    EXPECT_FALSE(fs::exists(paths.labelFile));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().filename().string().rfind(".zeltric-", 0), 0u) << "a temporary file stayed behind";
}

}  // namespace
}  // namespace zeltric::test
