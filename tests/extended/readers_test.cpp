#include <gtest/gtest.h>
#include <htslib/bgzf.h>
#include <htslib/hts.h>
#include <htslib/vcf.h>

#include <fstream>
#include <random>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "extended/extended_analysis.hpp"
#include "extended/input_kind.hpp"
#include "extended/plink_reader.hpp"
#include "extended/population_map.hpp"
#include "extended/vcf_reader.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace ext = zeltric::extended;

// The message of the FatalError `read` raises ("" when none).
template <class Read>
std::string refusalOf(Read read) {
    try {
        read();
    } catch (const base::FatalError& e) {
        return e.what();
    }
    return {};
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Genotypes as "0/0"-style strings per individual and locus.
std::string genotypeText(const ext::ExtendedData& d, std::size_t locus, std::size_t individual) {
    const ext::Genotype g = d.genotypes.at(locus, individual);
    if (g.missing()) return ".";
    return std::to_string(g.first) + "/" + std::to_string(g.second);
}

TEST(PopulationMap, ReadsPairsAndRefusesWhatIsAmbiguous) {
    TempDir dir;
    writeFile(dir.file("map.txt"), "# individual sample\nind1 popA\n\n  ind2\tpopB # trailing\r\nind1 popA\n");
    const ext::PopulationMap map = ext::ReadPopulationMap(dir.file("map.txt"));
    EXPECT_EQ(map.individuals, (std::vector<std::string>{"ind1", "ind2"}));
    EXPECT_EQ(map.sampleOf.at("ind2"), "popB");

    writeFile(dir.file("three.txt"), "ind1 popA\nind2 popB extra\n");
    EXPECT_EQ(refusalOf([&] { ext::ReadPopulationMap(dir.file("three.txt")); }),
              base::popmapColumnsMessage(dir.file("three.txt"), 2));
    writeFile(dir.file("two.txt"), "ind1 popA\n#\nind1 popB\n");
    EXPECT_EQ(refusalOf([&] { ext::ReadPopulationMap(dir.file("two.txt")); }),
              base::popmapTwoSamplesMessage(dir.file("two.txt"), 3, "ind1", "popA", "popB"));
    EXPECT_EQ(refusalOf([&] { ext::ReadPopulationMap(dir.file("absent.txt")); }),
              base::popmapUnreadableMessage(dir.file("absent.txt")));
}

TEST(PopulationMap, AssignsInOrderOfFirstIndividualAndNotesTheRest) {
    ext::PopulationMap map;
    map.fileName = "map.txt";
    map.individuals = {"a", "b", "c", "ghost"};
    map.sampleOf = {{"a", "P2"}, {"b", "P1"}, {"c", "P2"}, {"ghost", "P1"}};
    const std::vector<std::string> names{"c", "x", "b", "a", "y"};
    const ext::SampleAssignment s = ext::AssignSamples("data.vcf", names, {}, nullptr, &map);
    EXPECT_EQ(s.sampleOf, (std::vector<int>{0, -1, 1, 0, -1}));
    EXPECT_EQ(s.sampleNames, (std::vector<std::string>{"P2", "P1"}));
    EXPECT_EQ(s.notes, (std::vector<std::string>{base::unmappedIndividualsNote(2, "map.txt"),
                                                 base::unusedMapEntriesNote("map.txt", {"ghost"})}));
    EXPECT_EQ(refusalOf([&] { ext::AssignSamples("data.vcf", names, {}, nullptr, nullptr); }),
              base::popmapNeededMessage("data.vcf"));
    EXPECT_EQ(refusalOf([&] {
                  ext::AssignSamples("d.fam", {"a", "a"}, {1, 4}, nullptr, &map);
              }),
              base::duplicateIndividualMessage("d.fam", 4, "a"));
    EXPECT_EQ(refusalOf([&] { ext::AssignSamples("d.vcf", {"x"}, {}, nullptr, &map); }),
              base::noMappedIndividualMessage("d.vcf"));
}

// Five individuals in two families, three loci; .bed codes per individual:
// locus 1: hom A1, het, missing, hom A2, het.
struct PlinkFiles {
    TempDir dir;
    std::string bed = dir.file("set.bed");
    PlinkFiles() {
        writeFile(dir.file("set.fam"),
                  "F1 i1 0 0 1 -9\nF1 i2 0 0 2 -9\nF2 i3 0 0 1 -9\nF2 i4 0 0 1 -9\nF1 i5 0 0 1 -9\n");
        writeFile(dir.file("set.bim"), "1 rs1 0 100 A G\n1 rs2 0 200 C T\n2 rs3 0 300 G T\n");
        // Two bytes per locus; individual i in bits 2i..2i+1 of byte i/4.
        // .bed codes: 00 hom A1, 01 missing, 10 het, 11 hom A2.
        auto byte = [](unsigned a, unsigned b, unsigned c, unsigned d) {
            return static_cast<unsigned char>(a | (b << 2) | (c << 4) | (d << 6));
        };
        writeBytes(bed, {0x6C, 0x1B, 0x01,                    //
                         byte(0, 2, 1, 3), byte(2, 0, 0, 0),  //
                         byte(3, 3, 3, 3), byte(3, 0, 0, 0),  //
                         byte(1, 1, 0, 2), byte(1, 0, 0, 0)});
    }
};

TEST(PlinkReader, ReadsGenotypesWithFamiliesAsSamples) {
    PlinkFiles f;
    ext::ReadNotes notes;
    const ext::ExtendedData d = ext::ReadPlink(f.bed, {}, notes);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(d.sampleNames, (std::vector<std::string>{"F1", "F2"}));
    EXPECT_EQ(d.sampleOf, (std::vector<int>{0, 0, 1, 1, 0}));
    ASSERT_EQ(d.loci(), 3u);
    EXPECT_EQ(d.locusNames[2], "rs3");
    EXPECT_EQ(d.alleleName(1, 1), "T");
    const std::vector<std::string> locus1{"0/0", "0/1", ".", "1/1", "0/1"};
    const std::vector<std::string> locus3{".", ".", "0/0", "0/1", "."};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(genotypeText(d, 0, i), locus1[i]) << i;
        EXPECT_EQ(genotypeText(d, 1, i), "1/1") << i;
        EXPECT_EQ(genotypeText(d, 2, i), locus3[i]) << i;
    }
    EXPECT_EQ(ext::DetectInputKind(f.bed), ext::InputKind::Plink);
}

TEST(PlinkReader, MapLeavesOutAndRepacksIndividuals) {
    PlinkFiles f;
    writeFile(f.dir.file("map"), "i4 east\ni2 west\ni5 west\n");
    const ext::PopulationMap map = ext::ReadPopulationMap(f.dir.file("map"));
    ext::ReadOptions options;
    options.map = &map;
    ext::ReadNotes notes;
    const ext::ExtendedData d = ext::ReadPlink(f.bed, options, notes);
    EXPECT_EQ(notes, (std::vector<std::string>{base::unmappedIndividualsNote(2, f.dir.file("map"))}));
    EXPECT_EQ(d.individualNames, (std::vector<std::string>{"i2", "i4", "i5"}));
    EXPECT_EQ(d.sampleNames, (std::vector<std::string>{"west", "east"}));
    EXPECT_EQ(d.sampleOf, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(genotypeText(d, 0, 0), "0/1");
    EXPECT_EQ(genotypeText(d, 0, 1), "1/1");
    EXPECT_EQ(genotypeText(d, 2, 1), "0/1");
    EXPECT_EQ(genotypeText(d, 2, 2), ".");
}

TEST(PlinkReader, RefusesBrokenFileSets) {
    PlinkFiles f;
    ext::ReadNotes notes;
    auto read = [&] { ext::ReadPlink(f.bed, {}, notes); };
    const std::string good = readFile(f.bed);

    std::string wrongMagic = good;
    wrongMagic[2] = '\0';  // individual-major
    writeFile(f.bed, wrongMagic);
    EXPECT_EQ(refusalOf(read), base::bedMagicMessage(f.bed));

    writeFile(f.bed, good.substr(0, good.size() - 1));
    EXPECT_EQ(refusalOf(read), base::bedSizeMessage(f.bed, 8, 9, 3, 5));
    writeFile(f.bed, good);

    // A .bim with a locus more than the .bed holds.
    const std::string bim = readFile(f.dir.file("set.bim"));
    writeFile(f.dir.file("set.bim"), bim + "2 rs4 0 400 A C\n");
    EXPECT_EQ(refusalOf(read), base::bedSizeMessage(f.bed, 9, 11, 4, 5));
    writeFile(f.dir.file("set.bim"), bim + "2 rs4 0 400 A\n");
    EXPECT_EQ(refusalOf(read), base::plinkColumnsMessage(f.dir.file("set.bim"), 4, 6, 5));
    writeFile(f.dir.file("set.bim"), "1 rs1 0 100 A A\n");
    EXPECT_EQ(refusalOf(read), base::plinkAlleleMessage(f.dir.file("set.bim"), 1));
    writeFile(f.dir.file("set.bim"), bim);

    writeFile(f.dir.file("set.fam"), "F1 i1 0 0 1\n");
    EXPECT_EQ(refusalOf(read), base::plinkColumnsMessage(f.dir.file("set.fam"), 1, 6, 5));
    std::remove(f.dir.file("set.fam").c_str());
    EXPECT_EQ(refusalOf(read), base::companionMissingMessage(f.dir.file("set.fam"), f.bed));
}

const char* const kVcf =
    "##fileformat=VCFv4.2\n"
    "##contig=<ID=1>\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\ts4\n"
    "1\t10\trs1\tA\tG\t.\tPASS\t.\tGT\t0/0\t0|1\t./.\t1/1\n"
    "1\t20\t.\tC\tT,G\t.\tPASS\t.\tGT\t2/1\t.\t0/2\t1/1\n"
    "1\t30\trs3\tG\tT\t.\tPASS\t.\tGT\t0/.\t1/0\t0/0\t0/1\n";

struct VcfFiles {
    TempDir dir;
    ext::PopulationMap map;
    ext::ReadOptions options;
    VcfFiles() {
        writeFile(dir.file("map"), "s1 north\ns2 south\ns3 north\ns4 south\n");
        map = ext::ReadPopulationMap(dir.file("map"));
        options.map = &map;
    }
    ext::ExtendedData read(const std::string& path) {
        ext::ReadNotes notes;
        return ext::ReadVariants(path, options, notes);
    }
    std::string refusal(const std::string& name, const std::string& text) {
        writeFile(dir.file(name), text);
        return refusalOf([&] { read(dir.file(name)); });
    }
};

// The text VCF `from` rewritten by htslib as `mode` ("wz": bgzipped VCF, "wb": BCF).
void rewrite(const std::string& from, const std::string& to, const char* mode) {
    htsFile* in = hts_open(from.c_str(), "r");
    bcf_hdr_t* header = bcf_hdr_read(in);
    htsFile* out = hts_open(to.c_str(), mode);
    ASSERT_EQ(bcf_hdr_write(out, header), 0);
    bcf1_t* rec = bcf_init();
    while (bcf_read(in, header, rec) == 0) ASSERT_EQ(bcf_write(out, header, rec), 0);
    bcf_destroy(rec);
    bcf_hdr_destroy(header);
    hts_close(out);
    hts_close(in);
}

TEST(VariantReader, ReadsPlainCompressedAndBinaryAlike) {
    VcfFiles f;
    writeFile(f.dir.file("a.vcf"), kVcf);
    rewrite(f.dir.file("a.vcf"), f.dir.file("a.vcf.gz"), "wz");
    rewrite(f.dir.file("a.vcf"), f.dir.file("a.bcf"), "wb");
    for (const std::string name : {"a.vcf", "a.vcf.gz", "a.bcf"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ext::DetectInputKind(f.dir.file(name)), ext::InputKind::Variants);
        const ext::ExtendedData d = f.read(f.dir.file(name));
        EXPECT_EQ(d.sampleNames, (std::vector<std::string>{"north", "south"}));
        EXPECT_EQ(d.sampleOf, (std::vector<int>{0, 1, 0, 1}));
        EXPECT_EQ(d.locusNames, (std::vector<std::string>{"rs1", "1:20", "rs3"}));
        EXPECT_EQ(d.alleleCount(1), 3u);
        EXPECT_EQ(d.alleleName(1, 2), "G");
        const std::vector<std::vector<std::string>> expected{
            {"0/0", "0/1", ".", "1/1"}, {"2/1", ".", "0/2", "1/1"}, {".", "0/1", "0/0", "0/1"}};
        for (std::size_t l = 0; l < 3; ++l)
            for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(genotypeText(d, l, i), expected[l][i]) << l << " " << i;
    }
    // Found by content under any name.
    writeFile(f.dir.file("renamed.dat"), kVcf);
    EXPECT_EQ(ext::DetectInputKind(f.dir.file("renamed.dat")), ext::InputKind::Variants);
    rewrite(f.dir.file("a.vcf"), f.dir.file("renamed.bin"), "wb");
    EXPECT_EQ(ext::DetectInputKind(f.dir.file("renamed.bin")), ext::InputKind::Variants);
    EXPECT_EQ(ext::DetectInputKind(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat"),
              ext::InputKind::Other);
}

TEST(VariantReader, RefusesWhatItCannotAnalyse) {
    VcfFiles f;
    const std::string head = std::string(kVcf).substr(0, std::string(kVcf).find("1\t10"));
    EXPECT_EQ(f.refusal("haploid.vcf", head + "1\t10\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t1\t0/0\t0/0\n"),
              base::ploidyMessage(f.dir.file("haploid.vcf"), 1, "s2", 1));
    EXPECT_EQ(f.refusal("triploid.vcf", head + "1\t10\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\t0/0\n" +
                                            "1\t11\trs2\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/1/1\t0/0\n"),
              base::ploidyMessage(f.dir.file("triploid.vcf"), 2, "s3", 3));
    EXPECT_EQ(f.refusal("allele.vcf", head + "1\t10\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/3\t0/0\t0/0\n"),
              base::variantRecordMessage(f.dir.file("allele.vcf"), 1));
    EXPECT_EQ(f.refusal("short.vcf", head + "1\t10\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\t0/0\n1\tx\n"),
              base::variantRecordMessage(f.dir.file("short.vcf"), 2));
    EXPECT_EQ(f.refusal("empty.vcf", head), base::noLocusMessage(f.dir.file("empty.vcf")));
    EXPECT_EQ(f.refusal("garbage.vcf", "not a vcf\n"),
              base::variantFileUnreadableMessage(f.dir.file("garbage.vcf")));

    writeFile(f.dir.file("nomap.vcf"), kVcf);
    ext::ReadNotes notes;
    EXPECT_EQ(refusalOf([&] { ext::ReadVariants(f.dir.file("nomap.vcf"), {}, notes); }),
              base::popmapNeededMessage(f.dir.file("nomap.vcf")));
}

// Text VCF genotypes are read from the GT values directly, BCF through
// htslib: random records of every form a GT value takes (phased, missing,
// half missing, multi-digit alleles, other FORMAT fields before and after it,
// absent trailing parts, a column left out by the map, CRLF line ends) must
// read alike both ways.
TEST(VariantReader, TextGenotypesReadAsHtslibReadsThem) {
    VcfFiles f;
    std::mt19937 random(20261208);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string text =
        "##fileformat=VCFv4.2\n##contig=<ID=1>\n##contig=<ID=2>\n"
        "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
        "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
        "##FORMAT=<ID=GQ,Number=1,Type=Integer,Description=\"Quality\">\n"
        "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\ts4\tnobody\n";
    const char* const bases[] = {"A", "C", "G", "T", "AT", "CG", "GTT", "TA", "CCA", "GA", "TTT", "AC", "GG"};
    for (int record = 0; record < 300; ++record) {
        const int alleles = 1 + (pick(4) == 0 ? pick(13) : pick(2));
        std::string alt;
        for (int a = 1; a < alleles; ++a) alt += std::string(a > 1 ? "," : "") + bases[a];
        const int layout = pick(3);  // GT, GT:DP, GT:GQ:DP
        const char* const keys[] = {"GT", "GT:DP", "GT:GQ:DP"};
        text += std::string(record < 150 ? "1" : "2") + "\t" + std::to_string(100 + record) + "\t.\tN" + "\t" +
                (alleles > 1 ? alt : ".") + "\t.\tPASS\t.\t" + keys[layout];
        for (int i = 0; i < 5; ++i) {
            auto allele = [&] { return pick(6) == 0 ? std::string(".") : std::to_string(pick(alleles)); };
            std::string gt;
            switch (pick(8)) {
                case 0: gt = "."; break;
                case 1: gt = "./."; break;
                case 2: gt = allele() + "|" + allele(); break;
                default: gt = allele() + "/" + allele();
            }
            std::string field = gt;
            if (layout >= 1 && pick(3) > 0) field += ":" + std::to_string(pick(99));
            if (layout == 2 && field.find(':') != std::string::npos && pick(2) == 0)
                field += ":" + std::to_string(pick(40));
            text += "\t" + field;
        }
        text += pick(10) == 0 ? "\r\n" : "\n";
    }
    // The reference allele N needs a real base in the BCF.
    for (std::size_t at = text.find("\tN\t"); at != std::string::npos; at = text.find("\tN\t", at + 1))
        text.replace(at, 3, "\tC\t");
    writeFile(f.dir.file("random.vcf"), text);
    std::string lf = text;
    for (std::size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at)) lf.erase(at, 1);
    writeFile(f.dir.file("lf.vcf"), lf);
    rewrite(f.dir.file("lf.vcf"), f.dir.file("random.bcf"), "wb");
    const ext::ExtendedData fromText = f.read(f.dir.file("random.vcf"));
    const ext::ExtendedData fromBinary = f.read(f.dir.file("random.bcf"));
    ASSERT_EQ(fromText.loci(), 300u);
    ASSERT_EQ(fromBinary.loci(), 300u);
    ASSERT_EQ(fromText.individuals(), 4u);
    std::size_t missing = 0, multiDigit = 0;
    for (std::size_t l = 0; l < 300; ++l) {
        ASSERT_EQ(fromText.alleleCount(l), fromBinary.alleleCount(l)) << l;
        for (std::size_t i = 0; i < 4; ++i) {
            const std::string call = genotypeText(fromText, l, i);
            EXPECT_EQ(call, genotypeText(fromBinary, l, i)) << l << " " << i;
            missing += call == "." ? 1 : 0;
            multiDigit += call.size() > 3 ? 1 : 0;
        }
    }
    // The random records did reach the cases that matter.
    EXPECT_GT(missing, 100u);
    EXPECT_GT(multiDigit, 5u);
}

TEST(VariantReader, MalformedTextGenotypesAreRefusedWithTheirRecord) {
    VcfFiles f;
    const std::string head = std::string(kVcf).substr(0, std::string(kVcf).find("1\t10"));
    const std::string good = "1\t10\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t0/0\t0/0\n";
    for (const std::string bad : {"0/x", "0//1", "/1", "0/1/", "-1/0", "0 /1", "01/2", "0/99999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(
            f.refusal("bad.vcf", head + good + "1\t11\trs2\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t" + bad + "\t0/0\n"),
            base::variantRecordMessage(f.dir.file("bad.vcf"), 2));
    }
    // Too few and too many sample columns.
    EXPECT_EQ(f.refusal("few.vcf", head + "1\t10\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t0/0\n"),
              base::variantRecordMessage(f.dir.file("few.vcf"), 1));
    EXPECT_EQ(f.refusal("many.vcf", head + "1\t10\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t0/0\t0/0\t0/0\n"),
              base::variantRecordMessage(f.dir.file("many.vcf"), 1));
    // No GT among the keys: every call missing, as htslib reads it.
    const ext::ExtendedData noGt = f.read([&] {
        writeFile(f.dir.file("nogt.vcf"), head + good + "1\t11\trs2\tA\tG\t.\t.\t.\tDP\t3\t4\t5\t6\n");
        return f.dir.file("nogt.vcf");
    }());
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(genotypeText(noGt, 1, i), ".");
}

TEST(VariantReader, UndeclaredContigsAndTagsAreReadAsDeclaredOnes) {
    VcfFiles f;
    writeFile(f.dir.file("declared.vcf"), kVcf);
    // No contig line, GT not declared, and a depth field nowhere declared.
    std::string bare = kVcf;
    bare.erase(bare.find("##contig"), bare.find("#CHROM") - bare.find("##contig"));
    for (std::size_t at = bare.find("\tGT\t"); at != std::string::npos; at = bare.find("\tGT\t", at + 1))
        bare.replace(at, 4, "\tGT:DP\t");
    bare.replace(bare.find("\t0/0\t", bare.find("\trs3\t")), 5, "\t0/0:7\t");
    writeFile(f.dir.file("bare.vcf"), bare);
    const ext::ExtendedData declared = f.read(f.dir.file("declared.vcf"));
    const ext::ExtendedData undeclared = f.read(f.dir.file("bare.vcf"));
    ASSERT_EQ(undeclared.loci(), declared.loci());
    EXPECT_EQ(undeclared.locusNames, declared.locusNames);
    for (std::size_t l = 0; l < declared.loci(); ++l)
        for (std::size_t i = 0; i < declared.individuals(); ++i)
            EXPECT_EQ(genotypeText(undeclared, l, i), genotypeText(declared, l, i)) << l << " " << i;
    // A record that is malformed all the same is still refused.
    EXPECT_EQ(f.refusal("bad.vcf", bare + "1\tforty\trs4\tA\tG\t.\t.\t.\tGT:DP\t0/0\t0/0\t0/0\t0/0\n"),
              base::variantRecordMessage(f.dir.file("bad.vcf"), 4));
}

TEST(VariantReader, SameDataFromPlinkAndVcfGiveTheSameAnalysis) {
    // The first locus of PlinkFiles written as a VCF, families as samples.
    PlinkFiles p;
    writeFile(p.dir.file("map"), "i1 F1\ni2 F1\ni3 F2\ni4 F2\ni5 F1\n");
    ext::PopulationMap map = ext::ReadPopulationMap(p.dir.file("map"));
    ext::ReadOptions options;
    options.map = &map;
    writeFile(p.dir.file("same.vcf"),
              std::string("##fileformat=VCFv4.2\n##contig=<ID=1>\n##contig=<ID=2>\n") +
                  "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                  "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ti1\ti2\ti3\ti4\ti5\n"
                  "1\t100\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t./.\t1/1\t1/0\n"
                  "1\t200\trs2\tC\tT\t.\t.\t.\tGT\t1/1\t1/1\t1/1\t1/1\t1/1\n"
                  "2\t300\trs3\tG\tT\t.\t.\t.\tGT\t.\t.\t0/0\t0/1\t.\n");
    ext::ReadNotes notes;
    const ext::ExtendedResult a = ext::RunExtendedAnalysis(ext::ReadPlink(p.bed, {}, notes));
    const ext::ExtendedResult b =
        ext::RunExtendedAnalysis(ext::ReadVariants(p.dir.file("same.vcf"), options, notes));
    EXPECT_EQ(a.eigenvalues, b.eigenvalues);
    EXPECT_EQ(a.heterozygositySum, b.heterozygositySum);
    EXPECT_EQ(a.sampleCoordinates, b.sampleCoordinates);
    EXPECT_GT(a.globalFst, 0.0);
}

}  // namespace
}  // namespace zeltric::test
