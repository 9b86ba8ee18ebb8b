#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "test_support.hpp"

namespace zeltric::test {
namespace {

std::string withLineEnds(std::string text, const std::string& eol) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += eol;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

TEST(Cli, LineEndsGiveIdenticalFrequencyFiles) {
    const std::string data = readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat");
    ASSERT_NE(data.find(" 0 "), std::string::npos) << "the example has missing genotypes";
    std::string reference;
    for (const std::string eol : {"\r\n", "\r", "\n"}) {
        TempDir dir;
        writeFile(dir.file("trout.dat"), withLineEnds(data, eol));
        const ProcessResult r = runCli("--quiet " + shellQuote(dir.file("trout.dat")));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string fre = readFile(dir.file("trout.fre"));
        if (reference.empty())
            reference = fre;
        else
            EXPECT_EQ(fre, reference);
    }
    EXPECT_NE(reference.find("\r\n"), std::string::npos);
}

TEST(Cli, WritesTheOutputSetBesideTheDataFile) {
    TempDir dir;
    writeFile(dir.file("two.dat"), "2 1 2 1\r\nloc1\r\n1 11\r\n1 22\r\n2 11\r\n2 12\r\n");
    const ProcessResult r = runCli(shellQuote(dir.file("two.dat")));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* ext : {".pca", ".pop", ".al", ".per", ".fre"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("two") + ext))) << ext;
    EXPECT_EQ(r.out, readFile(dir.file("two.pca")));
}

TEST(Cli, ExitCodes) {
    TempDir dir;
    EXPECT_EQ(runCli("--help").exitCode, 0);
    EXPECT_EQ(runCli("--version").out.rfind("zeltric-cli 1.2", 0), 0u);
    EXPECT_EQ(runCli("").exitCode, 2);
    EXPECT_EQ(runCli("--frobnicate x.dat").exitCode, 2);
    EXPECT_EQ(runCli("--test 99 x.dat").exitCode, 2);
    EXPECT_EQ(runCli("--test 15001 x.dat").exitCode, 2);
    EXPECT_EQ(runCli("--seeds 0,5 --test 100 x.dat").exitCode, 2);

    const ProcessResult missing = runCli(shellQuote(dir.file("none.dat")));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.dat"), std::string::npos);

    writeFile(dir.file("bad.dat"), "2 1 9 1\r\nL\r\n1 11\r\n2 1x\r\n");
    const ProcessResult bad = runCli(shellQuote(dir.file("bad.dat")));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("line 4"), std::string::npos) << bad.err;

    writeFile(dir.file("coding.dat"), "2 1 9 3\r\nL\r\n1 11\r\n2 11\r\n");
    const ProcessResult coding = runCli(shellQuote(dir.file("coding.dat")));
    EXPECT_EQ(coding.exitCode, 1);
    EXPECT_NE(coding.err.find("has to be a 1 or a 2"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("coding.pca")));

    writeFile(dir.file("genotype.dat"), "2 1 9 1\r\nL\r\n1 11\r\n2 10\r\n");
    const ProcessResult genotype = runCli(shellQuote(dir.file("genotype.dat")));
    EXPECT_EQ(genotype.exitCode, 1);
    EXPECT_NE(genotype.err.find("Problem in the data file!!!!\nGenotype in sample: 2, individual: 1"),
              std::string::npos)
        << genotype.err;
}

// Every mistake on the command line: exit status 2, the message and the hint, nothing on standard output.
TEST(Cli, EveryUsageErrorExitsWithTwoAndSaysWhy) {
    const std::string seedRanges = " needs two seeds S1,S2 with S1 in 1..2147483562 and S2 in 1..2147483398, not ";
    const std::pair<const char*, std::string> cases[] = {
        {"", "no data file given"},
        {"--frobnicate x.dat", "unknown option --frobnicate"},
        {"a.dat b.dat", "only one data file can be analysed per run"},
        {"x.dat --loci", "option --loci needs a value"},
        {"--plot 1,2 --plot-file= x.dat", "option --plot-file needs a value"},
        {"--test 99 x.dat", "--test needs a number of randomisations within 100..15000, not \"99\""},
        // Past 15000 only the extended analysis takes the count.
        {"--test 15001 x.dat", "--test needs a number of randomisations within 100..15000, not \"15001\""},
        {"--test 1000001 x.dat", "--test needs a number of randomisations within 100..15000, not \"1000001\""},
        {"--seeds 0,5 x.dat", "--seeds" + seedRanges + "\"0,5\""},
        {"--bootstrap 99 x.dat", "--bootstrap needs a number of replicates within 100..100000, not \"99\""},
        {"--bootstrap-seeds 1 x.dat", "--bootstrap-seeds" + seedRanges + "\"1\""},
        {"--threads 0 x.dat", "--threads needs a number within 1..256, not \"0\""},
        {"--plot 0,1 x.dat", "--plot needs two axis numbers X,Y, not \"0,1\""},
        {"--format foo x.dat", "--format needs genepop, structure, genetix or fstat, not \"foo\""},
        {"--structure-loci 0 x.dat", "--structure-loci needs a number of loci of at least 1, not \"0\""},
        {"--structure-rows 3 x.dat", "--structure-rows needs 1 or 2, not \"3\""},
        {"--structure-extra-columns -1 x.dat",
         "--structure-extra-columns needs a number of columns of at least 0, not \"-1\""},
        {"--structure-missing x x.dat", "--structure-missing needs a whole number, not \"x\""},
        {"--figure a.txt x.dat", "--figure needs a file name ending in .svg, .pdf or .png, not \"a.txt\""},
        {"--figure a.svg --axes 1,1 x.dat", "--axes needs two different axis numbers X,Y, not \"1,1\""},
        {"--figure a.png --figure-width 10 x.dat",
         "--figure-width needs a number of pixels within 200..20000, not \"10\""},
        {"--rerun=", "option --rerun needs a value"},
        {"--rerun r.json x.dat", "--rerun takes the data file from the record; give no DATA_FILE"},
        {"--rerun r.json --loci 1", "--rerun takes its settings from the record; --loci cannot be given with it"},
        {"--plot-file p.bmp x.dat", "--plot-file needs --plot X,Y"},
        {"--bootstrap-seeds 1,1 x.dat", "--bootstrap-seeds needs --bootstrap B"},
        {"--axes 1,2 x.dat", "--axes needs --figure FILE"},
        {"--figure-width 300 x.dat", "--figure-width needs --figure FILE"},
        {"--figure-intervals x.dat", "--figure-intervals needs --figure FILE"},
        {"--figure-aspect free x.dat", "--figure-aspect needs --figure FILE"},
        {"--figure a.svg --figure-aspect square x.dat", "--figure-aspect needs equal or free, not \"square\""},
    };
    for (const auto& [arguments, message] : cases) {
        const ProcessResult r = runCli(arguments);
        EXPECT_EQ(r.exitCode, 2) << arguments;
        EXPECT_EQ(r.err, "zeltric-cli: " + message + "\nTry 'zeltric-cli --help'.\n") << arguments;
        EXPECT_EQ(r.out, "") << arguments;
    }
}

// The help text is ours, whichever spelling asks for it.
TEST(Cli, HelpPrintsTheUsageText) {
    const ProcessResult help = runCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("Usage: zeltric-cli [OPTIONS] DATA_FILE\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\n  --bootstrap-seeds S1,S2\n"), std::string::npos);
    EXPECT_NE(help.out.find("\nExit status: 0 success,"), std::string::npos);
    EXPECT_EQ(runCli("-h").out, help.out);
    EXPECT_EQ(runCli("--quiet --help x.dat").out, help.out);
}

TEST(Cli, AnUnknownKernelNameIsAUsageErrorBeforeAnyOutput) {
    TempDir dir;
    writeFile(dir.file("two.dat"), "2 1 2 1\r\nloc1\r\n1 11\r\n1 22\r\n2 11\r\n2 12\r\n");
    const std::string data = shellQuote(dir.file("two.dat"));
    const ProcessResult option = runCli("--kernels fast " + data);
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_NE(option.err.find("--kernels needs one of reference, scalar, sse2, avx2, avx512, not \"fast\""),
              std::string::npos)
        << option.err;
    EXPECT_EQ(runCli("--kernels= " + data).exitCode, 2);
    const ProcessResult environment =
        runProcess("ZELTRIC_KERNELS=AVX2 " + shellQuote(ZELTRIC_CLI_PATH) + " " + data);
    EXPECT_EQ(environment.exitCode, 2);
    EXPECT_NE(environment.err.find("ZELTRIC_KERNELS holds \"AVX2\""), std::string::npos) << environment.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("two.pca")));
    // A valid option overrides a bad environment value, which is then not read.
    EXPECT_EQ(
        runProcess("ZELTRIC_KERNELS=AVX2 " + shellQuote(ZELTRIC_CLI_PATH) + " --quiet --kernels reference " + data)
            .exitCode,
        0);
}

TEST(Cli, NeverReplacesTheDataFile) {
    TempDir dir;
    const std::string data = "2 1 2 1\r\nloc1\r\n1 11\r\n1 22\r\n2 11\r\n2 12\r\n";
    writeFile(dir.file("study.pca"), data);
    const ProcessResult r = runCli(shellQuote(dir.file("study.pca")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("would replace the data file"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir.file("study.pca")), data);
    EXPECT_FALSE(std::filesystem::exists(dir.file("study.fre")));
}

TEST(Cli, ReadsTheOpenedFileWhateverItsExtension) {
    TempDir dir;
    writeFile(dir.file("study.txt"), "2 1 2 1\r\nloc1\r\n1 11\r\n1 22\r\n2 11\r\n2 12\r\n");
    const ProcessResult r = runCli("--quiet " + shellQuote(dir.file("study.txt")));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(dir.file("study.fre")), " 0.500  0.500 \r\n 0.750  0.250 \r\n");
}

}  // namespace
}  // namespace zeltric::test

namespace zeltric::test {
namespace {

// Selection, labels and a permutation test together; the files and the seeds
// left behind do not depend on the number of worker threads.
TEST(Cli, SelectionLabelsAndTestEndToEnd) {
    std::vector<std::string> outputs;
    for (const char* threads : {"1", "2", "3"}) {
        TempDir dir;
        std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", dir.file("trout.dat"));
        std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.lab", dir.file("trout.lab"));
        const ProcessResult r =
            runCli(std::string("--quiet --threads ") + threads + " --loci 1,2,4-6 --pops 1-3,5,7 --labels " +
                   shellQuote(dir.file("trout.lab")) + " --test 300 --seeds 4321,8765 --seed-file " +
                   shellQuote(dir.file("seeds.ini")) + " " + shellQuote(dir.file("trout.dat")));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::string all;
        for (const char* ext : {".dat", ".fre", ".pca", ".pop", ".al", ".per"})
            all += readFile(dir.file(std::string("trout-L12456-P12357") + ext));
        all += readFile(dir.file("seeds.ini"));
        outputs.push_back(all);
        const std::string pca = readFile(dir.file("trout-L12456-P12357.pca"));
        EXPECT_NE(pca.find(" Loire-A Loire-B Allier Rhone-A Ain\r\n"), std::string::npos);
        EXPECT_NE(pca.find("P-values are given after 300 randomizations.\r\n"), std::string::npos);
        EXPECT_NE(pca.find("Loire-B  "), std::string::npos);
        std::string per = readFile(dir.file("trout-L12456-P12357.per"));
        EXPECT_EQ(std::count(per.begin(), per.end(), '\n'), 300);
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(outputs[0], outputs[2]);
}

// The next run continues the generator's stream from the saved seeds.
TEST(Cli, SeedsCarryOverBetweenRuns) {
    TempDir dir;
    writeFile(dir.file("t.dat"), readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat"));
    const std::string common = "--quiet --test 100 --seed-file " + shellQuote(dir.file("z.ini")) + " ";
    EXPECT_EQ(runCli(common + shellQuote(dir.file("t.dat"))).exitCode, 2);  // no seeds, no terminal
    ASSERT_EQ(runCli(common + "--seeds 1,1 " + shellQuote(dir.file("t.dat"))).exitCode, 0);
    const std::string first = readFile(dir.file("z.ini"));
    EXPECT_NE(first.find("   "), std::string::npos);  // the exit layout: three blanks
    const std::string firstPer = readFile(dir.file("t.per"));
    ASSERT_EQ(runCli(common + shellQuote(dir.file("t.dat"))).exitCode, 0);
    EXPECT_NE(readFile(dir.file("z.ini")), first);
    EXPECT_NE(readFile(dir.file("t.per")), firstPer);
}

// The bootstrap: its own seeds (the seed file is neither read nor written),
// the same section for any thread count, appended after the report; the
// other files are those of a run without it.
TEST(Cli, BootstrapOverLoci) {
    TempDir plain;
    writeFile(plain.file("t.dat"), readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat"));
    ASSERT_EQ(runCli("--quiet " + shellQuote(plain.file("t.dat"))).exitCode, 0);
    const std::string report = readFile(plain.file("t.pca"));
    std::vector<std::string> sections;
    for (const char* threads : {"1", "2", "3"}) {
        TempDir dir;
        writeFile(dir.file("t.dat"), readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat"));
        const std::string seeds = "   1234   5678\r\n";
        writeFile(dir.file("z.ini"), seeds);
        const ProcessResult r =
            runCli(std::string("--threads ") + threads + " --bootstrap 500 --bootstrap-seeds 99,77 --seed-file " +
                   shellQuote(dir.file("z.ini")) + " " + shellQuote(dir.file("t.dat")));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(readFile(dir.file("z.ini")), seeds);
        const std::string pca = readFile(dir.file("t.pca"));
        EXPECT_EQ(r.out, pca);
        ASSERT_EQ(pca.rfind(report, 0), 0u);
        sections.push_back(pca.substr(report.size()));
        EXPECT_NE(sections.back().find("Bootstrap over loci: 500 replicates, seeds 99,77\r\n"), std::string::npos);
        for (const char* ext : {".per", ".pop", ".al", ".fre"})
            EXPECT_EQ(readFile(dir.file(std::string("t") + ext)), readFile(plain.file(std::string("t") + ext)))
                << ext;
    }
    EXPECT_EQ(sections[0], sections[1]);
    EXPECT_EQ(sections[0], sections[2]);

    // Default seeds 1,1, and no seed file is made.
    TempDir dir;
    writeFile(dir.file("t.dat"), readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat"));
    ASSERT_EQ(runCli("--quiet --bootstrap 100 --seed-file " + shellQuote(dir.file("z.ini")) + " " +
                     shellQuote(dir.file("t.dat")))
                  .exitCode,
              0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("z.ini")));
    EXPECT_NE(readFile(dir.file("t.pca")).find("100 replicates, seeds 1,1\r\n"), std::string::npos);
}

TEST(Cli, BootstrapUsageErrors) {
    for (const char* arguments :
         {"--bootstrap 99 x.dat", "--bootstrap 100001 x.dat", "--bootstrap 1e3 x.dat", "--bootstrap x.dat",
          "--bootstrap-seeds 1,1 x.dat", "--bootstrap 100 --bootstrap-seeds 0,1 x.dat",
          "--bootstrap 100 --bootstrap-seeds 1,2147483399 x.dat", "--bootstrap 100 --bootstrap-seeds 5 x.dat"}) {
        const ProcessResult r = runCli(arguments);
        EXPECT_EQ(r.exitCode, 2) << arguments;
        EXPECT_NE(r.err.find("--bootstrap"), std::string::npos) << arguments << ": " << r.err;
    }
    const std::string usage = runCli("--help").out;
    EXPECT_NE(usage.find("  --bootstrap B "), std::string::npos);
    EXPECT_NE(usage.find("  --bootstrap-seeds S1,S2"), std::string::npos);
}

}  // namespace
}  // namespace zeltric::test
