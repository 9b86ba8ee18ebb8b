// zeltric-cli on VCF, BCF, PLINK and foreign files past the data file's
// limits: the extended analysis, its outputs, refusals and notes.
#include <gtest/gtest.h>
#include <htslib/hts.h>
#include <htslib/vcf.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <thread>

#include "base/messages.hpp"
#include "extended/extended_analysis.hpp"
#include "extended/vcf_reader.hpp"
#include "platform/sha256.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace fs = std::filesystem;
namespace ext = zeltric::extended;

// A Balding-Nichols panel: ancestral frequencies uniform in 0.05..0.95, each
// sample's frequency Beta(p(1-F)/F, (1-p)(1-F)/F); genotypes drawn from
// them, a share `missing` of them missing. genotype[l][i] = copies of the
// ALT allele (0..2) or -1.
struct Panel {
    std::vector<int> sampleOf;
    std::vector<std::vector<int>> genotype;
    int samples = 0;

    Panel(int sampleCount, int perSample, int loci, double fst, double missing, unsigned seed)
        : samples(sampleCount) {
        std::mt19937_64 engine(seed);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int j = 0; j < sampleCount; ++j)
            for (int i = 0; i < perSample; ++i) sampleOf.push_back(j);
        const double scale = (1.0 - fst) / fst;
        for (int l = 0; l < loci; ++l) {
            const double p = 0.05 + 0.9 * unit(engine);
            std::vector<double> q;
            for (int j = 0; j < sampleCount; ++j) {
                std::gamma_distribution<double> a(p * scale, 1.0);
                std::gamma_distribution<double> b((1.0 - p) * scale, 1.0);
                const double x = a(engine);
                const double y = b(engine);
                q.push_back(x / (x + y));
            }
            std::vector<int> calls;
            for (const int j : sampleOf) {
                const double f = q[static_cast<std::size_t>(j)];
                const int copies = (unit(engine) < f ? 1 : 0) + (unit(engine) < f ? 1 : 0);
                calls.push_back(unit(engine) < missing ? -1 : copies);
            }
            genotype.push_back(calls);
        }
    }

    std::string name(std::size_t i) const { return "ind" + std::to_string(i + 1); }
    std::string sampleName(int j) const { return "pop" + std::to_string(j + 1); }

    std::string vcf() const {
        std::string out =
            "##fileformat=VCFv4.2\n##contig=<ID=1>\n"
            "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
            "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
        for (std::size_t i = 0; i < sampleOf.size(); ++i) out += "\t" + name(i);
        out += "\n";
        for (std::size_t l = 0; l < genotype.size(); ++l) {
            out +=
                "1\t" + std::to_string(100 * (l + 1)) + "\tsnp" + std::to_string(l + 1) + "\tA\tC\t.\tPASS\t.\tGT";
            for (const int g : genotype[l]) out += g < 0 ? "\t./." : g == 0 ? "\t0/0" : g == 1 ? "\t0|1" : "\t1/1";
            out += "\n";
        }
        return out;
    }

    std::string popmap() const {
        std::string out = "# individual sample\n";
        for (std::size_t i = 0; i < sampleOf.size(); ++i) out += name(i) + " " + sampleName(sampleOf[i]) + "\n";
        return out;
    }

    // NAME.bed, .bim and .fam with the samples as family IDs; allele 1 is
    // REF (A), allele 2 ALT (C).
    void writePlink(const std::string& base) const {
        std::string fam;
        for (std::size_t i = 0; i < sampleOf.size(); ++i)
            fam += sampleName(sampleOf[i]) + " " + name(i) + " 0 0 0 -9\n";
        writeFile(base + ".fam", fam);
        std::string bim;
        for (std::size_t l = 0; l < genotype.size(); ++l)
            bim += "1\tsnp" + std::to_string(l + 1) + "\t0\t" + std::to_string(100 * (l + 1)) + "\tA\tC\n";
        writeFile(base + ".bim", bim);
        std::string bed = "\x6C\x1B\x01";
        const std::size_t stride = (sampleOf.size() + 3) / 4;
        for (const auto& calls : genotype) {
            std::string bytes(stride, '\0');
            for (std::size_t i = 0; i < calls.size(); ++i) {
                const unsigned code = calls[i] < 0 ? 1u : calls[i] == 0 ? 0u : calls[i] == 1 ? 2u : 3u;
                bytes[i / 4] =
                    static_cast<char>(static_cast<unsigned char>(bytes[i / 4]) | (code << (2 * (i % 4))));
            }
            bed += bytes;
        }
        writeFile(base + ".bed", bed);
    }
};

nlohmann::json recordOf(const std::string& path) { return nlohmann::json::parse(readFile(path)); }

struct ExtendedCli : ::testing::Test {
    TempDir dir;
    Panel panel{4, 12, 400, 0.1, 0.005, 20261207};
    void SetUp() override {
        writeFile(dir.file("panel.vcf"), panel.vcf());
        writeFile(dir.file("panel.map"), panel.popmap());
    }
    ProcessResult run(const std::string& arguments) { return runCli(arguments); }
    std::string q(const std::string& name) { return shellQuote(dir.file(name)); }
};

TEST_F(ExtendedCli, VcfGivesTheInProcessAnalysisAndItsRecord) {
    const ProcessResult r = run("--threads 2 --popmap " + q("panel.map") + " " + q("panel.vcf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(base::extendedAnalysisNote(dir.file("panel.vcf"), "a VCF or BCF file")),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, readFile(dir.file("panel.pca")));
    EXPECT_NE(r.out.find("Number of samples:      4"), std::string::npos);

    ext::PopulationMap map = ext::ReadPopulationMap(dir.file("panel.map"));
    ext::ReadOptions options;
    options.map = &map;
    ext::ReadNotes notes;
    const ext::ExtendedResult expected =
        ext::RunExtendedAnalysis(ext::ReadVariants(dir.file("panel.vcf"), options, notes));
    const nlohmann::json record = recordOf(dir.file("panel.json"));
    EXPECT_EQ(record["analysis"], "extended");
    const nlohmann::json& results = record["results"];
    EXPECT_EQ(results["samples"], 4);
    EXPECT_EQ(results["alleles"], expected.columns);
    EXPECT_NE(r.out.find("Number of alleles (loci):    " + std::to_string(expected.columns) + "(400)"),
              std::string::npos);
    EXPECT_EQ(results["global_fst"].get<double>(), expected.globalFst);
    // The simulation's F is 0.1; the estimate of four samples lies near it.
    EXPECT_GT(expected.globalFst, 0.05);
    EXPECT_LT(expected.globalFst, 0.2);
    EXPECT_EQ(results["broken_stick_axes"], expected.brokenStickAxes);
    ASSERT_EQ(results["axes"].size(), 3u);
    EXPECT_EQ(results["axes"][0]["fst"].get<double>(), expected.axisFst[0]);
    EXPECT_EQ(results["axes"][1]["share"].get<double>(), expected.axisShare[1]);
    EXPECT_EQ(results["sample_coordinates"][2]["label"], "pop3");
    EXPECT_EQ(results["sample_coordinates"][2]["coordinates"][0].get<double>(), expected.sampleCoordinate(2, 0));
    EXPECT_EQ(record["input"]["sha256"], platform::fileSha256(dir.file("panel.vcf")).value());
    EXPECT_EQ(record["input"]["popmap_sha256"], platform::fileSha256(dir.file("panel.map")).value());
    // 400 loci: the per-allele files are written, plain.
    EXPECT_TRUE(fs::exists(dir.file("panel.fre")));
    EXPECT_TRUE(fs::exists(dir.file("panel.al")));
    const std::string pop = readFile(dir.file("panel.pop"));
    EXPECT_EQ(std::count(pop.begin(), pop.end(), '\n'), 4);
}

TEST_F(ExtendedCli, PlinkBcfAndAnyThreadCountGiveTheSameFiles) {
    ASSERT_EQ(run("-q --threads 1 --popmap " + q("panel.map") + " " + q("panel.vcf")).exitCode, 0);
    const std::string pca = readFile(dir.file("panel.pca"));
    const std::string pop = readFile(dir.file("panel.pop"));

    panel.writePlink(dir.file("set"));
    const ProcessResult plink = run("-q --threads 2 " + q("set.bed"));
    ASSERT_EQ(plink.exitCode, 0) << plink.err;
    EXPECT_EQ(readFile(dir.file("set.pca")), pca);
    EXPECT_EQ(readFile(dir.file("set.pop")), pop);
    const nlohmann::json record = recordOf(dir.file("set.json"));
    ASSERT_EQ(record["input"]["companion_files"].size(), 2u);
    EXPECT_EQ(record["input"]["companion_files"][1]["sha256"], platform::fileSha256(dir.file("set.fam")).value());

    // BCF written by htslib from the text.
    {
        htsFile* in = hts_open(dir.file("panel.vcf").c_str(), "r");
        bcf_hdr_t* header = bcf_hdr_read(in);
        htsFile* out = hts_open(dir.file("binary.bcf").c_str(), "wb");
        ASSERT_EQ(bcf_hdr_write(out, header), 0);
        bcf1_t* rec = bcf_init();
        while (bcf_read(in, header, rec) == 0) ASSERT_EQ(bcf_write(out, header, rec), 0);
        bcf_destroy(rec);
        bcf_hdr_destroy(header);
        hts_close(out);
        hts_close(in);
    }
    const ProcessResult bcf = run("-q --threads 3 --popmap " + q("panel.map") + " " + q("binary.bcf"));
    ASSERT_EQ(bcf.exitCode, 0) << bcf.err;
    EXPECT_EQ(readFile(dir.file("binary.pca")), pca);
    EXPECT_EQ(readFile(dir.file("binary.pop")), pop);
}

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST_F(ExtendedCli, TestWritesSharesSectionRecordAndSeedsForAnyThreadCount) {
    const std::string common =
        "--test 200 --seed-file " + q("z.ini") + " --popmap " + q("panel.map") + " " + q("panel.vcf");
    const ProcessResult one = run("--threads 1 --seeds 111,222 " + common);
    ASSERT_EQ(one.exitCode, 0) << one.err;
    const std::string pca = readFile(dir.file("panel.pca"));
    const std::string per = readFile(dir.file("panel.per"));
    EXPECT_EQ(one.out, pca);
    EXPECT_NE(pca.find("P-values are given after 200 randomizations.\r\n"
                       "With the following number of complete genotypes :\r\npop1    12\r\n"),
              std::string::npos)
        << pca;
    // The observed line, then one per arrangement.
    EXPECT_EQ(lineCount(per), 200);
    const nlohmann::json record = recordOf(dir.file("panel.json"));
    EXPECT_EQ(record["randomisations"], 200);
    EXPECT_EQ(record["seeds_start"], nlohmann::json::array({111, 222}));
    EXPECT_EQ(record["cancelled"], false);
    const double fstP = record["results"]["global_fst_p_value"].get<double>();
    // Four samples at F = 0.1: no arrangement reaches the observed Fst.
    EXPECT_EQ(fstP, 1.0 / 200);
    EXPECT_NE(pca.find("P-value for overall Fst: \r\n   0.00500\r\n"), std::string::npos);
    for (const auto& axis : record["results"]["axes"]) {
        const double p = axis["p_value"].get<double>();
        EXPECT_GE(p, 1.0 / 200);
        EXPECT_LE(p, 1.0);
    }
    // The stream's continuation is saved for the next run.
    const std::string seeds = readFile(dir.file("z.ini"));
    EXPECT_NE(seeds.find(std::to_string(record["seeds_end"][0].get<long long>())), std::string::npos) << seeds;

    // The seed file starts the next test; any thread count gives its bytes.
    const ProcessResult fromFile = run("--threads 1 " + common);
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(recordOf(dir.file("panel.json"))["seeds_start"], record["seeds_end"]);
    const std::string nextPca = readFile(dir.file("panel.pca"));
    const std::string nextPer = readFile(dir.file("panel.per"));
    EXPECT_NE(nextPer, per);
    for (const char* threads : {"2", "3"}) {
        ASSERT_EQ(run(std::string("--threads ") + threads + " --seeds 111,222 " + common).exitCode, 0);
        EXPECT_EQ(readFile(dir.file("panel.pca")), pca) << threads;
        EXPECT_EQ(readFile(dir.file("panel.per")), per) << threads;
    }
}

// Ctrl-C during the test: the run ends as a cancelled test does (results
// without P-values, the shares taken, the seeds saved), then by the
// interrupt, so that a shell loop around it stops too.
TEST_F(ExtendedCli, CtrlCDuringTheTestStopsTheShellLoop) {
    const Panel slow(6, 20, 3000, 0.05, 0.01, 7);
    writeFile(dir.file("slow.vcf"), slow.vcf());
    writeFile(dir.file("slow.map"), slow.popmap());
    const std::string script = "cd " + shellQuote(dir.path().string()) +
                               "; for f in slow.vcf missing.vcf; do echo start $f; " +
                               shellQuote(ZELTRIC_CLI_PATH) +
                               " --quiet --test 1000000 --threads 2 --seeds 1,2 --seed-file z.ini"
                               " --popmap slow.map \"$f\" || echo failed; done; echo end";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
        const int fd = ::open(dir.file("log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl("/bin/bash", "bash", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!fs::exists(dir.file("slow.per")) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::kill(-pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::string log = readFile(dir.file("log"));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << log;
    EXPECT_EQ(log.find("missing.vcf"), std::string::npos) << log;
    EXPECT_NE(log.find(base::testCancelledMessage()), std::string::npos) << log;
    const std::string results = readFile(dir.file("slow.pca"));
    EXPECT_NE(results.find("Global Fst"), std::string::npos);
    EXPECT_EQ(results.find("P-values are given"), std::string::npos);
    const int taken = lineCount(readFile(dir.file("slow.per"))) - 1;
    EXPECT_GE(taken, 1);
    const nlohmann::json record = recordOf(dir.file("slow.json"));
    EXPECT_EQ(record["cancelled"], true);
    EXPECT_TRUE(record["results"]["global_fst_p_value"].is_null());
    EXPECT_NE(readFile(dir.file("z.ini")).find(std::to_string(record["seeds_end"][0].get<long long>())),
              std::string::npos);
}

TEST_F(ExtendedCli, RefusalsWriteNothing) {
    const ProcessResult noMap = run(q("panel.vcf"));
    EXPECT_EQ(noMap.exitCode, 1);
    EXPECT_NE(noMap.err.find("--popmap FILE"), std::string::npos) << noMap.err;

    const ProcessResult exact = run("--analysis exact --popmap " + q("panel.map") + " " + q("panel.vcf"));
    EXPECT_EQ(exact.exitCode, 2);
    const ProcessResult bootstrap = run("--bootstrap 100 --popmap " + q("panel.map") + " " + q("panel.vcf"));
    EXPECT_EQ(bootstrap.exitCode, 2);
    EXPECT_NE(bootstrap.err.find("--bootstrap is not available with the extended analysis"), std::string::npos)
        << bootstrap.err;

    std::string haploid = panel.vcf();
    const std::size_t at = haploid.find("\t0/0", haploid.find("snp3"));
    haploid.replace(at, 4, "\t0");
    writeFile(dir.file("haploid.vcf"), haploid);
    const ProcessResult refused = run("--popmap " + q("panel.map") + " " + q("haploid.vcf"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("record 3: the individual"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("haploid"), std::string::npos);

    writeFile(dir.file("twice.map"), panel.popmap() + "ind1 pop9\n");
    const ProcessResult twice = run("--popmap " + q("twice.map") + " " + q("panel.vcf"));
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_NE(twice.err.find("\"ind1\" is in sample \"pop1\" already"), std::string::npos) << twice.err;

    for (const char* output : {"panel.pca", "panel.pop", "panel.json", "haploid.pca", "haploid.json"})
        EXPECT_FALSE(fs::exists(dir.file(output))) << output;
}

TEST_F(ExtendedCli, FigureOfTheExtendedAnalysisAndItsRefusals) {
    const ProcessResult r =
        run("-q --figure " + q("fig.svg") + " --axes 1,3 --popmap " + q("panel.map") + " " + q("panel.vcf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = readFile(dir.file("fig.svg"));
    const nlohmann::json axes = recordOf(dir.file("panel.json"))["results"]["axes"];
    char title[64];
    std::snprintf(title, sizeof title, "Axis 3 (%.1f", axes[2]["percent"].get<double>());
    EXPECT_NE(svg.find(title), std::string::npos) << svg;
    for (const char* label : {">pop1<", ">pop2<", ">pop3<", ">pop4<"})
        EXPECT_NE(svg.find(label), std::string::npos);
    EXPECT_EQ(svg.find("P = "), std::string::npos);  // no test ran

    // Four samples report three axes; the figure is never the data file.
    const ProcessResult beyond =
        run("-q --figure " + q("beyond.svg") + " --axes 1,4 --popmap " + q("panel.map") + " " + q("panel.vcf"));
    EXPECT_EQ(beyond.exitCode, 2);
    EXPECT_NE(beyond.err.find("both axes must lie in 1..3"), std::string::npos) << beyond.err;
    EXPECT_FALSE(fs::exists(dir.file("beyond.svg")));
    const std::string before = readFile(dir.file("panel.vcf"));
    const ProcessResult overData =
        run("-q --figure " + q("panel.vcf") + " --popmap " + q("panel.map") + " " + q("panel.vcf"));
    EXPECT_EQ(overData.exitCode, 2);
    EXPECT_EQ(readFile(dir.file("panel.vcf")), before);
}

TEST_F(ExtendedCli, TablesOfTheExtendedAnalysisReadBack) {
    const ProcessResult r = run("-q --tables --popmap " + q("panel.map") + " " + q("panel.vcf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json results = recordOf(dir.file("panel.json"))["results"];
    const auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r');
            out.push_back(line.substr(0, line.size() - 1));
        }
        return out;
    };
    const auto number = [](const std::string& field) {
        double value = 0.0;
        std::from_chars(field.data(), field.data() + field.size(), value);
        return value;
    };
    const auto fields = [](const std::string& line) {
        std::vector<std::string> out;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, ',');) out.push_back(field);
        return out;
    };

    const std::vector<std::string> axes = lines(readFile(dir.file("panel-axes.csv")));
    ASSERT_EQ(axes.size(), 4u);  // a header and three axes
    EXPECT_EQ(axes[0], "axis,eigenvalue,percent,fst,share,p_value,share_lower,share_upper,fst_lower,fst_upper");
    for (std::size_t k = 0; k < 3; ++k) {
        const std::vector<std::string> f = fields(axes[k + 1]);
        EXPECT_EQ(number(f[1]), results["axes"][k]["inertia"].get<double>());  // full precision
        EXPECT_EQ(number(f[3]), results["axes"][k]["fst"].get<double>());
    }
    const std::vector<std::string> samples = lines(readFile(dir.file("panel-samples.csv")));
    ASSERT_EQ(samples.size(), 5u);
    EXPECT_EQ(samples[0], "sample,label,size,complete,axis1,axis2,axis3");
    const std::vector<std::string> third = fields(samples[3]);
    EXPECT_EQ(third[1], "pop3");
    EXPECT_EQ(third[2], "12");
    EXPECT_EQ(number(third[4]), results["sample_coordinates"][2]["coordinates"][0].get<double>());
    const std::size_t columns = results["alleles"].get<std::size_t>();
    EXPECT_EQ(lines(readFile(dir.file("panel-alleles.csv"))).size(), columns + 1);
    const std::vector<std::string> frequencies = lines(readFile(dir.file("panel-frequencies.csv")));
    ASSERT_EQ(frequencies.size(), 4 * columns + 1);
    // The first allele of the first locus (REF "A") in the first sample: its
    // copies over twice the typed individuals, as the VCF says.
    const std::vector<std::string> first = fields(frequencies[1]);
    EXPECT_EQ(first[3], "snp1");
    EXPECT_EQ(first[5], "A");
    int copies = 0, typed = 0;
    for (std::size_t i = 0; i < 12; ++i) {
        const int g = panel.genotype[0][i];
        if (g < 0) continue;
        ++typed;
        copies += 2 - g;
    }
    EXPECT_EQ(first[7], std::to_string(typed));
    EXPECT_EQ(number(first[6]), static_cast<double>(copies) / (2.0 * typed));
}

TEST_F(ExtendedCli, MapLeavesOutAndNamesWhatItCannotPlace) {
    std::string map = panel.popmap();
    map = map.substr(0, map.rfind("ind48"));  // the last individual is left out
    writeFile(dir.file("short.map"), map + "ghost pop1\n");
    const ProcessResult r = run("-q --popmap " + q("short.map") + " " + q("panel.vcf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(base::unmappedIndividualsNote(1, dir.file("short.map"))), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(base::unusedMapEntriesNote(dir.file("short.map"), {"ghost"})), std::string::npos);
    EXPECT_EQ(recordOf(dir.file("panel.json"))["results"]["sample_coordinates"][3]["individuals"], 11);
}

// A Genepop file of 60 loci: past the data file's 50, so it goes to the
// extended analysis instead of being refused.
TEST(ExtendedCliForeign, GenepopPastTheLimitsGoesToTheExtendedAnalysis) {
    TempDir dir;
    std::mt19937 engine(5);
    std::string text = "sixty loci\n";
    for (int l = 1; l <= 60; ++l) text += "loc" + std::to_string(l) + "\n";
    for (int s = 0; s < 3; ++s) {
        text += "Pop\n";
        for (int i = 0; i < 6; ++i) {
            text += "s" + std::to_string(s) + "i" + std::to_string(i) + ",";
            for (int l = 0; l < 60; ++l) {
                const auto allele = [&] {
                    return 100 + static_cast<int>(engine() % (2 + static_cast<unsigned>(s)));
                };
                text += " " + std::to_string(allele()) + std::to_string(allele());
            }
            text += "\n";
        }
    }
    writeFile(dir.file("wide.gen"), text);
    const ProcessResult r = runCli("-q " + shellQuote(dir.file("wide.gen")));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(base::extendedAnalysisNote(dir.file("wide.gen"), "past the data file's limits")),
              std::string::npos)
        << r.err;
    const nlohmann::json record = recordOf(dir.file("wide.json"));
    EXPECT_EQ(record["results"]["loci"], 60);
    EXPECT_EQ(record["results"]["samples"], 3);
    EXPECT_GT(record["results"]["global_fst"].get<double>(), 0.0);

    // A data file past its limits keeps today's refusal.
    std::string data = "2 60 2 1\n";
    for (int l = 1; l <= 60; ++l) data += "L" + std::to_string(l) + "\n";
    writeFile(dir.file("over.dat"), data + "1 " + std::string(60 * 3, ' ') + "\n");
    const ProcessResult refused = runCli("-q " + shellQuote(dir.file("over.dat")));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(base::capacityMessage().substr(0, 30)), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir.file("over.pca")));

    // Unless the extended analysis is asked for.
    data = "2 60 2 1\n";
    for (int l = 1; l <= 60; ++l) data += "L" + std::to_string(l) + "\n";
    for (int i = 0; i < 8; ++i) {
        data += std::to_string(1 + i / 4);
        for (int l = 0; l < 60; ++l) data += (i + l) % 3 == 0 ? " 12" : (i < 4 ? " 11" : " 22");
        data += "\n";
    }
    writeFile(dir.file("over.dat"), data);
    const ProcessResult asked = runCli("-q --analysis extended " + shellQuote(dir.file("over.dat")));
    ASSERT_EQ(asked.exitCode, 0) << asked.err;
    EXPECT_EQ(recordOf(dir.file("over.json"))["results"]["loci"], 60);
}

// The HGDP-CEPH panel (1350 individuals, 678 loci, up to 35 alleles) as the
// peer package exports it; its figures computed there from the allele table.
// Needs R with adegenet (not installed by scripts/setup): skipped without.
TEST(ExtendedCliPanel, HgdpCephPanelFromThePeerPackage) {
    // Asks where the package lies rather than attaching it (seconds).
    if (runProcess("Rscript -e 'quit(status = !nzchar(system.file(package = \"adegenet\")))' 2>/dev/null")
            .exitCode != 0)
        GTEST_SKIP() << "R with adegenet (Debian's r-cran-adegenet) is not installed";
    TempDir dir;
    const ProcessResult r =
        runProcess("Rscript " + shellQuote(std::string(ZELTRIC_TEST_DIR) + "/data/ehgdp_panel.R") + " " +
                   shellQuote(dir.file("hgdp.gen")) + " " + shellQuote(dir.file("r.txt")));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream figures(readFile(dir.file("r.txt")));
    long long samples = 0, loci = 0, alleles = 0, individuals = 0;
    double fst = 0.0, axisFst = 0.0, share2 = 0.0;
    figures >> samples >> loci >> alleles >> individuals >> fst >> axisFst >> share2;
    ASSERT_EQ(samples, 79);
    ASSERT_EQ(loci, 678);

    const ProcessResult run = runCli("-q --threads 2 " + shellQuote(dir.file("hgdp.gen")));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("past the data file's limits"), std::string::npos);
    const nlohmann::json results = recordOf(dir.file("hgdp.json"))["results"];
    EXPECT_EQ(results["samples"], samples);
    EXPECT_EQ(results["loci"], loci);
    EXPECT_EQ(results["alleles"], alleles);
    long long typed = 0;
    for (const auto& sample : results["sample_coordinates"]) typed += sample["individuals"].get<long long>();
    EXPECT_EQ(typed, individuals);
    EXPECT_NEAR(results["global_fst"].get<double>(), fst, 1e-9 * fst);
    EXPECT_NEAR(results["axes"][0]["fst"].get<double>(), axisFst, 1e-9 * axisFst);
    EXPECT_NEAR(results["axes"][1]["share"].get<double>(), share2, 1e-9 * share2);
}

}  // namespace
}  // namespace zeltric::test
