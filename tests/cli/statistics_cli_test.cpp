// zeltric-cli --statistics on both analyses: pairwise theta against plink2,
// the tables and the record, the other outputs untouched, thread counts and
// the options' refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace fs = std::filesystem;

// A simulated SNP panel as VCF text: samples of the given sizes, each with
// its own frequencies around a common one, 5% of the calls missing; with
// the population map and plink2's phenotype file beside it.
void writePanel(const TempDir& dir, const std::vector<int>& sizes, int snps, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> drift(0.0, 0.15);
    std::string vcf =
        "##fileformat=VCFv4.2\n##contig=<ID=1>\n"
        "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
        "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    std::string popmap;
    std::string pheno = "#IID\tPOP\n";
    for (std::size_t p = 0; p < sizes.size(); ++p)
        for (int i = 0; i < sizes[p]; ++i) {
            const std::string id = "p" + std::to_string(p) + "_" + std::to_string(i);
            vcf += "\t" + id;
            popmap += id + "\tPOP" + std::to_string(p) + "\n";
            pheno += id + "\tPOP" + std::to_string(p) + "\n";
        }
    vcf += "\n";
    for (int s = 0; s < snps; ++s) {
        const double common = 0.05 + 0.9 * unit(engine);
        vcf += "1\t" + std::to_string(s + 1) + "\tsnp" + std::to_string(s) + "\tA\tG\t.\tPASS\t.\tGT";
        for (const int size : sizes) {
            const double f = std::clamp(common + drift(engine), 0.01, 0.99);
            for (int i = 0; i < size; ++i) {
                if (unit(engine) < 0.05) {
                    vcf += "\t./.";
                    continue;
                }
                const int a = unit(engine) < f ? 1 : 0;
                const int b = unit(engine) < f ? 1 : 0;
                vcf += "\t" + std::to_string(a) + "/" + std::to_string(b);
            }
        }
        vcf += "\n";
    }
    writeFile(dir.file("panel.vcf"), vcf);
    writeFile(dir.file("panel.popmap"), popmap);
    writeFile(dir.file("panel.pheno"), pheno);
}

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        std::vector<std::string> row;
        std::stringstream line(text.substr(start, end - start));
        std::string cell;
        while (std::getline(line, cell, ',')) row.push_back(cell);
        if (!text.empty() && text[end - 1] == ',') row.push_back("");
        rows.push_back(row);
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "the table ends in CRLF";
    return rows;
}

// Half a unit in the last printed digit of a number plink2 printed with %g.
double printedHalfUnit(const std::string& printed) {
    std::size_t digits = 0;
    bool leading = true;
    for (const char c : printed.substr(0, printed.find_first_of("eE"))) {
        if (c < '0' || c > '9') continue;
        if (leading && c == '0') continue;
        leading = false;
        ++digits;
    }
    const double value = std::fabs(std::stod(printed));
    const double magnitude = std::floor(std::log10(value));
    return 0.5 * std::pow(10.0, magnitude - static_cast<double>(digits) + 1.0) * (1.0 + 1e-9);
}

TEST(StatisticsCli, PairwiseThetaMatchesPlink2WeirCockerhamFst) {
    if (std::system("command -v plink2 >/dev/null 2>&1") != 0) GTEST_SKIP() << "plink2 is not installed";
    TempDir dir;
    writePanel(dir, {12, 15, 9, 20}, 400, 7);
    const ProcessResult plink = runProcess("cd " + shellQuote(dir.path().string()) +
                                           " && plink2 --vcf panel.vcf --pheno panel.pheno --fst POP method=wc "
                                           "--out panel >/dev/null 2>&1");
    ASSERT_EQ(plink.exitCode, 0) << plink.err;
    const ProcessResult ours = runCli("--quiet --statistics --popmap " + shellQuote(dir.file("panel.popmap")) +
                                      " " + shellQuote(dir.file("panel.vcf")));
    ASSERT_EQ(ours.exitCode, 0) << ours.err;
    const auto rows = csvRows(readFile(dir.file("panel-pairwise.csv")));
    ASSERT_EQ(rows.size(), 7u);

    std::istringstream summary(readFile(dir.file("panel.fst.summary")));
    std::string header;
    std::getline(summary, header);
    std::string first, second, printed;
    int compared = 0;
    while (summary >> first >> second >> printed) {
        const int j = std::stoi(first.substr(3)) + 1;  // POPn is the n+1-th sample of the map
        const int k = std::stoi(second.substr(3)) + 1;
        bool found = false;
        for (const auto& row : rows)
            if (row[0] == std::to_string(std::min(j, k)) && row[1] == std::to_string(std::max(j, k))) {
                found = true;
                EXPECT_NEAR(std::stod(row[2]), std::stod(printed), printedHalfUnit(printed))
                    << first << " " << second << ": plink2 printed " << printed << ", we have " << row[2];
            }
        EXPECT_TRUE(found) << first << " " << second;
        ++compared;
    }
    EXPECT_EQ(compared, 6);
}

TEST(StatisticsCli, TablesRecordAndSectionOnlyWhenAskedOtherOutputsUnchanged) {
    TempDir plain;
    TempDir asked;
    for (const TempDir* dir : {&plain, &asked}) {
        fs::copy_file(goldenPath("cli/inputs/trout.dat"), dir->file("trout.dat"));
        fs::copy_file(goldenPath("cli/inputs/trout.lab"), dir->file("trout.lab"));
    }
    ASSERT_EQ(runCli("--quiet --labels " + shellQuote(plain.file("trout.lab")) + " " +
                     shellQuote(plain.file("trout.dat")))
                  .exitCode,
              0);
    const ProcessResult run = runCli(
        "--quiet --statistics --pairwise-test 200 --pairwise-seeds 5,7 --threads 1 "
        "--pairwise-figure " +
        shellQuote(asked.file("theta.svg")) + " --labels " + shellQuote(asked.file("trout.lab")) + " " +
        shellQuote(asked.file("trout.dat")));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* extension : {".fre", ".al", ".pop", ".per"})
        EXPECT_EQ(readFile(plain.file(std::string("trout") + extension)),
                  readFile(asked.file(std::string("trout") + extension)))
            << extension;
    const std::string before = readFile(plain.file("trout.pca"));
    const std::string after = readFile(asked.file("trout.pca"));
    ASSERT_GT(after.size(), before.size());
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_NE(after.find("Fixation indices (Weir and Cockerham 1984)\r\ntheta: "), std::string::npos);
    EXPECT_FALSE(fs::exists(plain.file("trout-loci.csv")));
    EXPECT_FALSE(fs::exists(asked.file("ZELTRIC.INI"))) << "the pairwise test wrote a seed file";

    const auto loci = csvRows(readFile(asked.file("trout-loci.csv")));
    EXPECT_EQ(loci[0], (std::vector<std::string>{"locus", "theta", "Ho", "Hs", "Ht", "Dst", "Fis"}));
    const auto samples = csvRows(readFile(asked.file("trout-sample-diversity.csv")));
    EXPECT_EQ(samples[0], (std::vector<std::string>{"sample", "n", "Ho", "Hs", "Fis"}));
    const auto pairs = csvRows(readFile(asked.file("trout-pairwise.csv")));
    const std::size_t sampleCount = samples.size() - 1;
    ASSERT_EQ(pairs.size(), 1 + sampleCount * (sampleCount - 1) / 2);
    for (std::size_t p = 1; p < pairs.size(); ++p) {
        ASSERT_EQ(pairs[p].size(), 5u);
        const double pValue = std::stod(pairs[p][3]);
        EXPECT_GE(pValue, 1.0 / 200.0);
        EXPECT_LE(pValue, 1.0);
        EXPECT_GE(std::stod(pairs[p][4]), pValue);
    }

    const nlohmann::json record = nlohmann::json::parse(readFile(asked.file("trout.json")));
    ASSERT_TRUE(record.contains("statistics"));
    const auto& s = record["statistics"];
    for (const char* key : {"theta", "F", "f", "nei", "loci_left_out", "pairwise"})
        EXPECT_TRUE(s.contains(key)) << key;
    EXPECT_EQ(s["pairwise"]["test"]["randomisations"], 200);
    EXPECT_EQ(s["pairwise"]["test"]["seeds"], nlohmann::json::array({5, 7}));
    EXPECT_FALSE(nlohmann::json::parse(readFile(plain.file("trout.json"))).contains("statistics"));

    const std::string svg = readFile(asked.file("theta.svg"));
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    for (std::size_t j = 1; j < samples.size(); ++j)
        EXPECT_NE(svg.find(">" + samples[j][0] + "</text>"), std::string::npos) << samples[j][0];

    // A rerun from the record repeats the statistics and their test.
    const ProcessResult rerun = runCli("--threads 2 --rerun " + shellQuote(asked.file("trout.json")));
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err;
    EXPECT_NE(rerun.err.find("trout-pairwise.csv: byte-identical"), std::string::npos) << rerun.err;
    EXPECT_NE(rerun.err.find("0 differing"), std::string::npos) << rerun.err;

    // Another thread count, the same bits.
    const std::string firstTable = readFile(asked.file("trout-pairwise.csv"));
    ASSERT_EQ(runCli("--quiet --statistics --pairwise-test 200 --pairwise-seeds 5,7 --threads 3 --labels " +
                     shellQuote(asked.file("trout.lab")) + " " + shellQuote(asked.file("trout.dat")))
                  .exitCode,
              0);
    EXPECT_EQ(readFile(asked.file("trout-pairwise.csv")), firstTable);
}

TEST(StatisticsCli, OptionsThatNeedAnotherAreRefused) {
    const std::string data = shellQuote(goldenPath("cli/inputs/trout.dat"));
    for (const std::string& options :
         {std::string("--pairwise-test 1000"), std::string("--pairwise-figure x.svg"),
          std::string("--statistics --pairwise-seeds 1,2"), std::string("--statistics --pairwise-test 5"),
          std::string("--statistics --pairwise-test 1000 --pairwise-seeds 0,1"),
          std::string("--statistics --pairwise-figure x.txt")}) {
        const ProcessResult r = runCli("--quiet " + options + " " + data);
        EXPECT_EQ(r.exitCode, 2) << options << "\n" << r.err;
    }
}

}  // namespace
}  // namespace zeltric::test
