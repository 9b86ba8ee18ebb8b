// The run record NAME.json: its numbers, its agreement with the other
// outputs, and --rerun.

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include <nlohmann/json.hpp>

#include "base/number_field.hpp"
#include "platform/sha256.hpp"
#include "randomisation/bootstrap.hpp"
#include "record/run_record.hpp"
#include "run/go_step.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string example(const std::string& name) { return std::string(ZELTRIC_SOURCE_DIR) + "/examples/" + name; }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

// The line after the one that starts with `heading` in the results file.
std::string lineAfter(const std::string& results, const std::string& heading) {
    const auto all = lines(results);
    for (std::size_t i = 0; i + 1 < all.size(); ++i)
        if (all[i].rfind(heading, 0) == 0) return all[i + 1];
    ADD_FAILURE() << "no line " << heading;
    return {};
}

std::string sha256sum(const std::string& path) {
    const ProcessResult r = runProcess("sha256sum " + shellQuote(path));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out.substr(0, 64);
}

float asFloat(const json& number) { return static_cast<float>(number.get<double>()); }

json readRecord(const std::string& path) {
    const std::string text = readFile(path);
    EXPECT_EQ(text.find('\r'), std::string::npos) << "LF line ends only";
    EXPECT_EQ(text.back(), '\n');
    return json::parse(text);
}

// One file of each kind in `dir` ending in `extension`.
std::string only(const fs::path& dir, const std::string& extension) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == extension) found.push_back(entry.path().string());
    EXPECT_EQ(found.size(), 1u) << extension;
    return found.empty() ? std::string{} : found[0];
}

TEST(RunRecord, FloatNumbersReadBackAsTheSameFloat) {
    std::vector<float> values = {0.0f,   -0.0f,         0.1f,     1.0f / 3.0f,     123456.78f,
                                 1e-30f, 3.4028235e38f, 1.4e-45f, 1.17549435e-38f, -2.5f};
    // A sweep over the bit patterns, subnormals through the largest.
    for (std::uint32_t bits = 1; bits < 0x7f800000u; bits += 4099u) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        values.push_back(f);
        values.push_back(-f);
    }
    for (float f : values) {
        const std::string text = record::floatNumber(f).dump();
        char shortest[32];
        const auto end = std::to_chars(shortest, shortest + sizeof shortest, f).ptr;
        ASSERT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
        // No longer than the float's shortest text (an exponent may be spelt
        // differently).
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), std::strtod(std::string(shortest, end).c_str(), nullptr))
            << text << " vs " << std::string(shortest, end);
        // The reader's route: parse as double, narrow to float.
        ASSERT_EQ(asFloat(json::parse(text)), f) << text;
    }
}

TEST(RunRecord, TextIsUtf8WithLfEndsEvenForForeignBytes) {
    const record::Json record = {{"label", std::string("Loire\xff-A")}, {"n", 1}};
    const std::string text = record::recordText(record);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text.find("Loire\xef\xbf\xbd-A"), std::string::npos) << text;
    EXPECT_EQ(json::parse(text)["n"], 1);
}

TEST(RunRecord, Sha256AgreesWithTheSystemTool) {
    EXPECT_EQ(platform::sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(platform::sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    TempDir dir;
    std::string big(200000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(i % 251);
    writeFile(dir.file("big"), big);
    EXPECT_EQ(platform::fileSha256(dir.file("big")), sha256sum(dir.file("big")));
    EXPECT_FALSE(platform::fileSha256(dir.file("missing")).has_value());
}

struct RecordedRun {
    TempDir dir;
    std::string recordPath;
    json record;
    ProcessResult result;

    explicit RecordedRun(const std::string& options) {
        fs::copy_file(example("trout.dat"), dir.file("trout.dat"));
        fs::copy_file(example("trout.lab"), dir.file("trout.lab"));
        // From the data's folder, so that a label file can be named as it is.
        result = runProcess("cd " + shellQuote(dir.path().string()) + " && " + shellQuote(ZELTRIC_CLI_PATH) +
                            " --quiet " + options + " trout.dat");
        EXPECT_EQ(result.exitCode, 0) << result.err;
        recordPath = only(dir.path(), ".json");
        record = readRecord(recordPath);
    }
    std::string output(const std::string& extension) const {
        return readFile(recordPath.substr(0, recordPath.size() - 5) + extension);
    }
};

TEST(RunRecord, AgreesWithTheResultsTheSeedFileAndTheData) {
    const RecordedRun run("--labels trout.lab --loci 2-6 --pops 1-4,7 --test 200 --seeds 12345,67890");
    const json& r = run.record;
    EXPECT_EQ(r["program"]["name"], "zeltric");
    EXPECT_EQ(r["program"]["version"], ZELTRIC_VERSION);
    EXPECT_TRUE(r["program"]["kernels"].is_string());
    EXPECT_GE(r["program"]["threads"].get<int>(), 1);

    const json& input = r["input"];
    EXPECT_EQ(input["sha256"], sha256sum(run.dir.file("trout.dat")));
    EXPECT_EQ(fs::path(input["data_file"].get<std::string>()), fs::absolute(run.dir.file("trout.dat")));
    EXPECT_EQ(input["label_sha256"], sha256sum(run.dir.file("trout.lab")));
    EXPECT_TRUE(input["source_file"].is_null());
    EXPECT_EQ(input["selection"]["loci"], json({2, 3, 4, 5, 6}));
    EXPECT_EQ(input["selection"]["samples"], json({1, 2, 3, 4, 7}));

    EXPECT_EQ(r["randomisations"], 200);
    EXPECT_EQ(r["seeds_start"], json({12345, 67890}));
    std::istringstream seeds(readFile(run.dir.file("ZELTRIC.INI")));
    long long s1 = 0, s2 = 0;
    seeds >> s1 >> s2;
    EXPECT_EQ(r["seeds_end"], json({s1, s2}));
    EXPECT_FALSE(r["cancelled"].get<bool>());
    EXPECT_TRUE(
        std::regex_match(r["started"].get<std::string>(), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
    EXPECT_GE(r["elapsed_seconds"].get<double>(), 0.0);

    // The stored figures print as the results file's text.
    const json& res = r["results"];
    const std::string pca = run.output(".pca");
    auto field = [](const json& v, int w, int d) { return base::realField(v.get<double>(), w, d); };
    EXPECT_EQ(res["samples"], 5);
    EXPECT_EQ(res["loci"], 5);
    EXPECT_NE(pca.find("Global Fst: " + base::realField(asFloat(res["global_fst"]), 10, 5)), std::string::npos);
    EXPECT_NE(pca.find("Total inertia (Dst X nb loci): " + field(res["total_inertia"], 10, 5)), std::string::npos);
    EXPECT_NE(pca.find("Total heterozygosity: " + field(res["total_heterozygosity"], 10, 5)), std::string::npos);
    EXPECT_EQ(lineAfter(pca, "P-value for overall Fst"), field(res["global_fst_p_value"], 10, 5));
    std::string perLocus = "Number of alleles per locus: ";
    for (const json& n : res["alleles_per_locus"]) perLocus += base::integerField(n.get<int>(), 4);
    EXPECT_NE(pca.find(perLocus), std::string::npos) << perLocus;

    std::string inertia, fst, pValues;
    for (const json& axis : res["axes"]) {
        if (axis["share"].get<double>() > 0.001) {
            inertia += field(axis["inertia"], 10, 5);
            fst += field(axis["fst"], 10, 5);
        }
        if (axis.contains("p_value")) pValues += field(axis["p_value"], 10, 5);
    }
    EXPECT_EQ(lineAfter(pca, "Per axis inertia"), inertia);
    EXPECT_EQ(lineAfter(pca, "Per axis Fst:"), fst);
    EXPECT_EQ(lineAfter(pca, "P-values for the proportion"), pValues);
    EXPECT_FALSE(pValues.empty());

    const std::vector<std::string> labels = {"Loire-A", "Loire-B", "Allier", "Vienne", "Ain"};
    const auto pcaLines = lines(pca);
    for (std::size_t j = 0; j < labels.size(); ++j) {
        const json& complete = res["complete_genotypes"][j];
        EXPECT_EQ(complete["label"], labels[j]);
        EXPECT_NE(std::find(pcaLines.begin(), pcaLines.end(),
                            labels[j] + "  " + base::integerField(complete["complete"].get<int>(), 4)),
                  pcaLines.end());
        EXPECT_EQ(res["sample_coordinates"][j]["label"], labels[j]);
        EXPECT_EQ(res["sample_coordinates"][j]["number"], input["selection"]["samples"][j]);
    }

    // Coordinates: one line per sample or allele, one number per axis.
    for (const auto& [key, extension] : {std::pair{"sample_coordinates", ".pop"}, {"allele_coordinates", ".al"}}) {
        const auto fileLines = lines(run.output(extension));
        ASSERT_EQ(fileLines.size(), res[key].size()) << extension;
        for (std::size_t i = 0; i < fileLines.size(); ++i) {
            std::string text;
            for (const json& c : res[key][i]["coordinates"]) text += field(c, 8, 4);
            EXPECT_EQ(text, fileLines[i]) << extension << " line " << i + 1;
            EXPECT_EQ(res[key][i]["coordinates"].size(), res["axes"].size());
        }
    }
    EXPECT_EQ(res["allele_coordinates"][0]["locus"], "Str60");
    EXPECT_TRUE(res["allele_coordinates"][0]["original_name"].is_null());
}

TEST(RunRecord, RerunWritesTheSameOutputsAndLeavesTheSeedFileAlone) {
    const RecordedRun run("--labels trout.lab --pops 1-4,7,8 --test 150 --seeds 4242,777 --threads 2");
    TempDir copy;
    for (const char* name : {"trout.dat", "trout.lab"}) fs::copy_file(run.dir.file(name), copy.file(name));
    const std::string recordCopy = copy.file(fs::path(run.recordPath).filename().string());
    fs::copy_file(run.recordPath, recordCopy);
    writeFile(copy.file("ZELTRIC.INI"), "1 1\r\n");

    // The originals' outputs beside the record, to compare with.
    const std::string base = fs::path(run.recordPath).stem().string();
    for (const char* extension : {".pca", ".pop", ".al", ".per", ".fre", ".dat"})
        fs::copy_file(run.dir.file(base + extension), copy.file(base + extension));
    const std::string recordBytes = readFile(recordCopy);

    const ProcessResult rerun =
        runProcess("cd " + shellQuote(copy.path().string()) + " && " + shellQuote(ZELTRIC_CLI_PATH) +
                   " --quiet --threads 1 --rerun " + shellQuote(recordCopy));
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err;
    EXPECT_EQ(readFile(copy.file("ZELTRIC.INI")), "1 1\r\n");
    EXPECT_NE(rerun.err.find("rerun: 6 outputs byte-identical, 0 differing."), std::string::npos) << rerun.err;
    // A check writes into a folder of its own: the original run's files stay as they were.
    EXPECT_EQ(readFile(recordCopy), recordBytes);

    const std::string folder = copy.file(base + "-rerun");
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(run.dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name == "ZELTRIC.INI" || name == "trout.dat" || name == "trout.lab" ||
            entry.path().extension() == ".json" || entry.path().extension() == ".lock")
            continue;
        ASSERT_TRUE(fs::exists(folder + "/" + name)) << name;
        EXPECT_EQ(readFile(folder + "/" + name), readFile(entry.path().string())) << name;
        EXPECT_NE(rerun.err.find(name + ": byte-identical to "), std::string::npos) << name;
        ++compared;
    }
    EXPECT_EQ(compared, 6);  // the filtered file and five outputs

    json before = run.record;
    json after = readRecord(folder + "/" + base + ".json");
    EXPECT_EQ(after["program"]["threads"], 1);
    for (json* r : {&before, &after}) {
        r->erase("started");
        r->erase("elapsed_seconds");
        (*r)["program"].erase("threads");
        (*r)["input"].erase("data_file");
        (*r)["input"].erase("label_file");
    }
    // The rerun names the record it reran; otherwise the records agree.
    ASSERT_TRUE(after["input"].contains("rerun_of"));
    after["input"].erase("rerun_of");
    EXPECT_EQ(before, after);
}

TEST(RunRecord, RerunRefusesAChangedOrMissingFile) {
    const RecordedRun run("--test 100 --seeds 5,6");
    TempDir copy;
    std::string data = readFile(run.dir.file("trout.dat"));
    data[data.size() - 3] = data[data.size() - 3] == '1' ? '2' : '1';
    writeFile(copy.file("trout.dat"), data);
    fs::copy_file(run.recordPath, copy.file("trout.json"));

    const ProcessResult changed = runCli("--rerun " + shellQuote(copy.file("trout.json")));
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_NE(changed.err.find("\"" + copy.file("trout.dat") + "\" differs"), std::string::npos) << changed.err;
    EXPECT_FALSE(fs::exists(copy.file("trout.pca"))) << "no further search, nothing run";

    // Not beside the record: found at the recorded path, and the outputs go
    // into the rerun's folder, not over the original run's beside the data.
    fs::remove(copy.file("trout.dat"));
    const std::string before = run.output(".pca");
    const auto written = fs::last_write_time(run.dir.file("trout.pca"));
    const ProcessResult elsewhere = runCli("--quiet --rerun " + shellQuote(copy.file("trout.json")));
    EXPECT_EQ(elsewhere.exitCode, 0) << elsewhere.err;
    EXPECT_EQ(readFile(copy.file("trout-rerun/trout.pca")), before);
    EXPECT_EQ(fs::last_write_time(run.dir.file("trout.pca")), written);
    EXPECT_NE(elsewhere.err.find("5 without an original"), std::string::npos) << elsewhere.err;

    fs::remove(run.dir.file("trout.dat"));
    const ProcessResult missing = runCli("--rerun " + shellQuote(copy.file("trout.json")));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("is neither beside the record nor at"), std::string::npos) << missing.err;

    writeFile(copy.file("other.json"), "{\"program\": {\"name\": \"another\"}}");
    const ProcessResult foreign = runCli("--rerun " + shellQuote(copy.file("other.json")));
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_NE(foreign.err.find("not a ZELTRIC run record"), std::string::npos) << foreign.err;

    EXPECT_EQ(runCli("--rerun x.json --test 100").exitCode, 2);
    EXPECT_EQ(runCli("--rerun x.json trout.dat").exitCode, 2);
    EXPECT_EQ(runCli("--rerun x.json --seed-file S").exitCode, 2);
}

// --rerun reads only a file of a record's size: a pipe would wait for a
// writer, a device never ends, a huge file would fill the memory.
TEST(RunRecord, RerunRefusesWhatIsNoRecordFile) {
    TempDir dir;
    ASSERT_EQ(runProcess("mkfifo " + shellQuote(dir.file("pipe.json"))).exitCode, 0);
    fs::create_directory(dir.file("folder.json"));
    {
        // Sparse: one byte past the limit costs no disk.
        std::FILE* big = std::fopen(dir.file("big.json").c_str(), "wb");
        ASSERT_NE(big, nullptr);
        std::fseek(big, static_cast<long>(record::kRecordSizeLimit), SEEK_SET);
        std::fputc('}', big);
        std::fclose(big);
    }
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("pipe.json"), "\": it is a pipe or a socket, not a file"},
        {"/dev/zero", "\": it is a device, not a file."},
        {dir.file("folder.json"), "\": it is a folder, not a file."},
        {dir.file("big.json"), "\": it holds more than 64 MiB, far more than a run record; nothing was run."},
    };
    for (const auto& [path, words] : cases) {
        // The time limit turns a hang into a failure.
        const ProcessResult r =
            runProcess("timeout 60 " + shellQuote(ZELTRIC_CLI_PATH) + " --rerun " + shellQuote(path));
        EXPECT_EQ(r.exitCode, 1) << path << r.err;
        EXPECT_NE(r.err.find("the run record \"" + path + words), std::string::npos) << r.err;
    }
}

TEST(RunRecord, ForeignFileLeftAloneAndFailedRunRemovesTheRecord) {
    TempDir dir;
    const std::string good = "2 1 2 1\r\nloc1\r\n1 11\r\n1 22\r\n2 11\r\n2 12\r\n";
    writeFile(dir.file("two.dat"), good);
    const std::string theirs = "{\"program\": {\"name\": \"someone else\"}, \"x\": [1, 2]}\r\n";
    writeFile(dir.file("two.json"), theirs);
    const ProcessResult foreign = runCli("--quiet " + shellQuote(dir.file("two.dat")));
    EXPECT_EQ(foreign.exitCode, 0) << foreign.err;
    EXPECT_NE(foreign.err.find("\"" + dir.file("two.json") + "\" is not a ZELTRIC run record; it was left alone"),
              std::string::npos)
        << foreign.err;
    EXPECT_EQ(readFile(dir.file("two.json")), theirs);
    EXPECT_FALSE(readFile(dir.file("two.pca")).empty());

    fs::remove(dir.file("two.json"));
    ASSERT_EQ(runCli("--quiet " + shellQuote(dir.file("two.dat"))).exitCode, 0);
    ASSERT_TRUE(fs::exists(dir.file("two.json")));
    EXPECT_EQ(readRecord(dir.file("two.json"))["randomisations"], nullptr);
    EXPECT_EQ(readRecord(dir.file("two.json"))["seeds_start"], nullptr);

    writeFile(dir.file("two.dat"), "2 1 2 1\r\nloc1\r\n1 11\r\n2 1x\r\n");
    EXPECT_EQ(runCli("--quiet " + shellQuote(dir.file("two.dat"))).exitCode, 1);
    EXPECT_FALSE(fs::exists(dir.file("two.json"))) << "a failed run leaves no record";
    EXPECT_TRUE(readFile(dir.file("two.pca")).empty());
}

TEST(RunRecord, CancelledTestIsRecordedAsSuch) {
    TempDir dir;
    fs::copy_file(example("trout.dat"), dir.file("trout.dat"));
    run::Session session;
    session.settings.threads = 1;
    session.settings.seedFileName = dir.file("ZELTRIC.INI");
    RecordingInterface ui;
    run::openStep(session, ui, dir.file("trout.dat"));
    session.settings.testingOn = true;
    session.settings.randomisationCount = 500;
    session.settings.generator.seed1 = 11;
    session.settings.generator.seed2 = 22;
    ui.cancelAfterSteps = 3;
    run::goStep(session, ui);
    ASSERT_TRUE(session.results.testCancelled);

    const json r = readRecord(dir.file("trout.json"));
    EXPECT_TRUE(r["cancelled"].get<bool>());
    EXPECT_EQ(r["randomisations"], 500);
    EXPECT_EQ(r["seeds_start"], json({11, 22}));
    EXPECT_EQ(r["seeds_end"], json({session.settings.generator.seed1, session.settings.generator.seed2}));
    EXPECT_NE(r["seeds_end"], r["seeds_start"]);
    EXPECT_TRUE(r["results"]["global_fst_p_value"].is_null());
    for (const json& axis : r["results"]["axes"]) EXPECT_FALSE(axis.contains("p_value"));
    EXPECT_EQ(r["results"]["samples"], 8);
    EXPECT_EQ(r["input"]["label_file"], nullptr);
    EXPECT_EQ(r["input"]["selection"]["loci"], json({1, 2, 3, 4, 5, 6}));
}

// A file in another format: the record names the source, its format and
// hash, and the original allele names; a bootstrap is recorded and a rerun
// repeats it byte for byte.
TEST(RunRecord, ConvertedSourceAndBootstrapAreRecordedAndRerun) {
    TempDir dir;
    writeFile(dir.file("fish.gen"),
              "Two samples typed at two loci\nLocA, LocB\nPop\n"
              "a1 , 152154 098098\na2 , 152152 098102\na3 , 154154 102102\nPop\n"
              "b1 , 156154 098102\nb2 , 156156 000000\nb3 , 152156 102102\nPop\n"
              "c1 , 152152 098098\nc2 , 154156 098102\nc3 , 156156 102098\n");
    const ProcessResult first =
        runProcess("cd " + shellQuote(dir.path().string()) + " && " + shellQuote(ZELTRIC_CLI_PATH) +
                   " --quiet --bootstrap 200 --bootstrap-seeds 3,4 fish.gen");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string recordPath = only(dir.path(), ".json");
    const json r = readRecord(recordPath);
    EXPECT_EQ(r["input"]["source_format"], "genepop");
    EXPECT_EQ(r["input"]["source_sha256"], sha256sum(dir.file("fish.gen")));
    EXPECT_EQ(fs::path(r["input"]["source_file"].get<std::string>()).filename(), "fish.gen");
    std::set<std::string> names;
    for (const json& allele : r["results"]["allele_coordinates"]) {
        ASSERT_TRUE(allele["original_name"].is_string()) << allele.dump();
        names.insert(allele["locus"].get<std::string>() + ":" + allele["original_name"].get<std::string>());
    }
    EXPECT_TRUE(names.count("LocA:152") == 1 && names.count("LocB:102") == 1);

    const json& b = r["bootstrap"];
    EXPECT_EQ(b["replicates"], 200);
    EXPECT_EQ(b["seeds"], json::array({3, 4}));
    EXPECT_EQ(asFloat(b["global_fst"]["observed"]), asFloat(r["results"]["global_fst"]));
    EXPECT_LE(b["global_fst"]["lower"].get<double>(), b["global_fst"]["upper"].get<double>());
    ASSERT_FALSE(b["axes"].empty());
    EXPECT_EQ(b["axes"][0]["axis"], 1);

    // The rerun repeats the bootstrap: the same results file, section included.
    const std::string results = readFile(only(dir.path(), ".pca"));
    ASSERT_NE(results.find("Bootstrap over loci"), std::string::npos);
    const ProcessResult rerun =
        runProcess(shellQuote(ZELTRIC_CLI_PATH) + " --quiet --rerun " + shellQuote(recordPath));
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err;
    const std::string base = recordPath.substr(0, recordPath.size() - 5);
    EXPECT_EQ(readFile(base + "-rerun/" + fs::path(base).filename().string() + ".pca"), results);
    EXPECT_EQ(b["method"], randomisation::kIntervalMethod);

    // The rerun's record names the source as the original did, the allele
    // names included, and the record it reran with its SHA-256.
    const std::string recordSha = sha256sum(recordPath);
    const auto expectOrigin = [&](const std::string& folder) {
        const json again = readRecord(only(folder, ".json"));
        for (const char* key : {"source_file", "source_sha256", "source_format"})
            EXPECT_EQ(again["input"][key], r["input"][key]) << key;
        EXPECT_EQ(again["results"]["allele_coordinates"], r["results"]["allele_coordinates"]);
        EXPECT_EQ(again["input"]["rerun_of"]["sha256"], recordSha);
        EXPECT_EQ(fs::path(again["input"]["rerun_of"]["record"].get<std::string>()).filename(),
                  fs::path(recordPath).filename());
    };
    expectOrigin(base + "-rerun");
    EXPECT_FALSE(r["input"].contains("rerun_of"));

    // From the source file alone: converted again, its data file certified.
    TempDir alone;
    fs::copy_file(dir.file("fish.gen"), alone.file("fish.gen"));
    fs::copy_file(recordPath, alone.file("fish.gen-genepop.json"));
    fs::remove(dir.file("fish.gen"));  // nor at the recorded path
    // From the converted files alone the record still names the source.
    const ProcessResult fromConverted =
        runProcess(shellQuote(ZELTRIC_CLI_PATH) + " --quiet --rerun " + shellQuote(recordPath) + " --out " +
                   shellQuote(dir.file("converted-only")));
    ASSERT_EQ(fromConverted.exitCode, 0) << fromConverted.err;
    expectOrigin(dir.file("converted-only"));
    fs::remove(dir.file("fish.gen-genepop.dat"));
    const ProcessResult fromSource = runProcess(shellQuote(ZELTRIC_CLI_PATH) + " --quiet --rerun " +
                                                shellQuote(alone.file("fish.gen-genepop.json")));
    ASSERT_EQ(fromSource.exitCode, 0) << fromSource.err;
    EXPECT_EQ(readFile(alone.file("fish.gen-genepop-rerun/fish.gen-genepop.pca")), results);

    // A source of other bytes is refused, as a data file of other bytes is.
    writeFile(alone.file("fish.gen"), readFile(alone.file("fish.gen")) + "d1 , 152152 098098\n");
    const ProcessResult changed = runProcess(shellQuote(ZELTRIC_CLI_PATH) + " --quiet --rerun " +
                                             shellQuote(alone.file("fish.gen-genepop.json")));
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_NE(changed.err.find("source file \"" + alone.file("fish.gen") + "\" differs"), std::string::npos)
        << changed.err;
}

// A rerun whose outputs differ from the original's says which and ends with
// its own status; --out chooses the folder.
TEST(RunRecord, RerunNamesTheOutputsThatDifferAndEndsWithItsOwnStatus) {
    const RecordedRun run("--test 100 --seeds 5,6");
    std::string per = readFile(run.dir.file("trout.per"));
    per[per.size() - 3] = per[per.size() - 3] == '1' ? '2' : '1';
    writeFile(run.dir.file("trout.per"), per);
    const std::string out = run.dir.file("check");
    const ProcessResult r = runCli("--rerun " + shellQuote(run.recordPath) + " --out " + shellQuote(out));
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_NE(r.err.find(out + "/trout.per: DIFFERS from " + run.dir.file("trout.per")), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(out + "/trout.pca: byte-identical to "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("4 outputs byte-identical, 1 differing."), std::string::npos) << r.err;
    EXPECT_EQ(readFile(run.dir.file("trout.per")), per) << "the original is left as it was";
    EXPECT_TRUE(fs::exists(out + "/trout.json"));

    writeFile(run.dir.file("taken"), "a file, not a folder");
    const ProcessResult blocked =
        runCli("--rerun " + shellQuote(run.recordPath) + " --out " + shellQuote(run.dir.file("taken")));
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.err.find("as the rerun's folder"), std::string::npos) << blocked.err;
    EXPECT_EQ(runCli("--out x trout.dat").exitCode, 2);
}

// The record certifies the bytes that were read and parsed: a data file
// changed during a long test keeps the digest of what was analysed.
TEST(RunRecord, CertifiesTheBytesReadNotTheFileAtRecordTime) {
    TempDir dir;
    fs::copy_file(example("trout.dat"), dir.file("trout.dat"));
    writeFile(dir.file("names.lab"), "A\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG\r\nH\r\n");
    const std::string analysed = sha256sum(dir.file("trout.dat"));
    const std::string labels = sha256sum(dir.file("names.lab"));
    run::Session session;
    session.settings.threads = 1;
    session.settings.seedFileName = dir.file("ZELTRIC.INI");
    RecordingInterface ui;
    run::openStep(session, ui, dir.file("trout.dat"));
    run::labelCommand(session, dir.file("names.lab"));
    session.settings.testingOn = true;
    session.settings.randomisationCount = 100;
    session.settings.generator.seed1 = 11;
    session.settings.generator.seed2 = 22;
    // The files change once the analysis has read them, before the record is written.
    run::goStep(session, ui, [&](const run::Session&) {
        writeFile(dir.file("trout.dat"), readFile(dir.file("trout.dat")) + "\r\n");
        writeFile(dir.file("names.lab"), "changed\r\n");
    });
    const json r = readRecord(dir.file("trout.json"));
    EXPECT_EQ(r["input"]["sha256"], analysed);
    EXPECT_EQ(r["input"]["label_sha256"], labels);
    EXPECT_NE(r["input"]["sha256"], sha256sum(dir.file("trout.dat")));
}

// Names that are not UTF-8 are kept byte for byte, so a rerun finds the file.
TEST(RunRecord, NonUtf8NamesAreKeptLosslesslyForTheRerun) {
    EXPECT_EQ(record::percentEncoded("caf\xe9 50%.dat"), "caf%E9 50%25.dat");
    EXPECT_EQ(record::percentDecoded("caf%E9 50%25.dat"), std::optional<std::string>("caf\xe9 50%.dat"));
    EXPECT_EQ(record::percentDecoded("bad%4"), std::nullopt);
    EXPECT_EQ(record::percentDecoded("bad%G1"), std::nullopt);
    EXPECT_TRUE(record::validUtf8("caf\xc3\xa9"));
    EXPECT_FALSE(record::validUtf8("caf\xe9"));
    EXPECT_FALSE(record::validUtf8("\xc0\xaf"));      // overlong
    EXPECT_FALSE(record::validUtf8("\xed\xa0\x80"));  // a surrogate

    TempDir dir;
    const std::string name = "caf\xe9";
    fs::copy_file(example("trout.dat"), dir.file(name + ".dat"));
    const ProcessResult first = runProcess("cd " + shellQuote(dir.path().string()) + " && " +
                                           shellQuote(ZELTRIC_CLI_PATH) + " --quiet " + shellQuote(name + ".dat"));
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const json r = readRecord(dir.file(name + ".json"));
    EXPECT_EQ(fs::path(r["input"]["data_file"].get<std::string>()).filename(), "caf\xef\xbf\xbd.dat");
    EXPECT_EQ(fs::path(*record::percentDecoded(r["input"]["data_file_bytes"].get<std::string>())).filename(),
              name + ".dat");
    const ProcessResult rerun = runCli("--quiet --rerun " + shellQuote(dir.file(name + ".json")));
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err;
    EXPECT_EQ(readFile(dir.file(name + "-rerun/" + name + ".pca")), readFile(dir.file(name + ".pca")));
}

// Each bad value of a record gets a message naming it.
TEST(RunRecord, BadSeedsOfTheRecordAreNamed) {
    const RecordedRun run("--test 100 --seeds 5,6 --bootstrap 100");
    for (const auto& [pointer, value, expected] :
         {std::tuple{"/bootstrap/seeds", json({0, 5}), "\"seeds\" of the bootstrap lies outside the seed ranges"},
          std::tuple{"/bootstrap/seeds", json("x"), "\"seeds\" of the bootstrap is not a pair of whole numbers"},
          std::tuple{"/seeds_start", json({5, 2147483399}), "\"seeds_start\" lies outside the seed ranges"}}) {
        json bad = run.record;
        bad[json::json_pointer(pointer)] = value;
        writeFile(run.recordPath, bad.dump());
        const ProcessResult r = runCli("--rerun " + shellQuote(run.recordPath));
        EXPECT_EQ(r.exitCode, 1) << pointer;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace zeltric::test
