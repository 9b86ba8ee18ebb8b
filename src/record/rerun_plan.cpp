#include "record/rerun_plan.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "platform/sha256.hpp"

namespace zeltric::record {

using nlohmann::json;

namespace {

[[noreturn]] void badRecord(const std::string& recordPath, const std::string& what) {
    throw base::FatalError("The run record \"" + recordPath + "\" cannot be rerun: " + what + ".");
}

const json& member(const json& object, const char* key, const std::string& recordPath, const std::string& where) {
    const auto found = object.find(key);
    if (found == object.end()) badRecord(recordPath, "it has no \"" + std::string(key) + "\" in " + where);
    return *found;
}

std::string text(const json& object, const char* key, const std::string& recordPath, const std::string& where) {
    const json& value = member(object, key, recordPath, where);
    if (!value.is_string()) badRecord(recordPath, "\"" + std::string(key) + "\" in " + where + " is not a text");
    return value.get<std::string>();
}

// Beside the record by name, else at the recorded path; checked by SHA-256.
std::string locate(const std::string& recordPath, const std::string& recordedPath, const std::string& sha256,
                   const std::string& what) {
    namespace fs = std::filesystem;
    const fs::path recorded(recordedPath);
    const fs::path beside = fs::path(recordPath).parent_path() / recorded.filename();
    std::error_code ec;
    std::string found;
    if (!recorded.filename().empty() && fs::is_regular_file(beside, ec))
        found = beside.string();
    else if (fs::is_regular_file(recorded, ec))
        found = recorded.string();
    else
        throw base::FatalError("The " + what + " \"" + recorded.filename().string() + "\" of the run record \"" +
                               recordPath + "\" is neither beside the record nor at \"" + recordedPath +
                               "\"; nothing was run.");
    const auto actual = platform::fileSha256(found);
    if (!actual) throw base::FatalError("Cannot read the " + what + " \"" + found + "\"; nothing was run.");
    if (*actual != sha256)
        throw base::FatalError("The " + what + " \"" + found + "\" differs from the one of the run record \"" +
                               recordPath + "\" (its SHA-256 is " + *actual + ", the record's " + sha256 +
                               "); nothing was run. Rerun with the file the record was made from.");
    return found;
}

std::vector<int> numbers(const json& value, const std::string& recordPath, const char* key) {
    if (!value.is_array()) badRecord(recordPath, "\"" + std::string(key) + "\" of the selection is not a list");
    std::vector<int> out;
    for (const json& n : value) {
        if (!n.is_number_integer() || n.get<long long>() < 1 || n.get<long long>() > 100000)
            badRecord(recordPath,
                      "\"" + std::string(key) + "\" of the selection holds something other than numbers");
        out.push_back(n.get<int>());
    }
    return out;
}

std::optional<SeedPair> seeds(const json& value, const std::string& recordPath) {
    if (value.is_null()) return std::nullopt;
    if (!value.is_array() || value.size() != 2 || !value[0].is_number_integer() || !value[1].is_number_integer())
        badRecord(recordPath, "\"seeds_start\" is not a pair of whole numbers");
    const long long s1 = value[0].get<long long>();
    const long long s2 = value[1].get<long long>();
    if (!base::validSeeds(s1, s2)) badRecord(recordPath, "\"seeds_start\" lies outside the seed ranges");
    return SeedPair{static_cast<std::int32_t>(s1), static_cast<std::int32_t>(s2)};
}

RerunPlan planFromRecord(const std::string& recordPath) {
    std::ifstream in(recordPath, std::ios::binary);
    if (!in) throw base::FatalError("Cannot read the run record \"" + recordPath + "\".");
    std::ostringstream content;
    content << in.rdbuf();
    const json record = json::parse(content.str(), nullptr, false);
    if (!record.is_object()) badRecord(recordPath, "it is not a JSON object");
    const auto program = record.find("program");
    if (program == record.end() || !program->is_object() || program->value("name", json()) != kProgramName)
        badRecord(recordPath, "it is not a ZELTRIC run record (no \"program\" named \"zeltric\")");

    const json& input = member(record, "input", recordPath, "the record");
    if (!input.is_object()) badRecord(recordPath, "\"input\" is not an object");
    RerunPlan plan;
    plan.dataPath = locate(recordPath, text(input, "data_file", recordPath, "\"input\""),
                           text(input, "sha256", recordPath, "\"input\""), "data file");
    if (const auto label = input.find("label_file"); label != input.end() && !label->is_null())
        plan.labelPath = locate(recordPath, text(input, "label_file", recordPath, "\"input\""),
                                text(input, "label_sha256", recordPath, "\"input\""), "label file");

    const json& selection = member(input, "selection", recordPath, "\"input\"");
    if (!selection.is_object()) badRecord(recordPath, "\"selection\" is not an object");
    if (selection.value("loci_chosen", false))
        plan.loci = numbers(member(selection, "loci", recordPath, "\"selection\""), recordPath, "loci");
    if (selection.value("samples_chosen", false))
        plan.samples = numbers(member(selection, "samples", recordPath, "\"selection\""), recordPath, "samples");

    const json& randomisations = member(record, "randomisations", recordPath, "the record");
    if (!randomisations.is_null()) {
        if (!randomisations.is_number_integer() || randomisations.get<long long>() < 100 ||
            randomisations.get<long long>() > 15000)
            badRecord(recordPath, "\"randomisations\" is not a number within 100..15000");
        plan.randomisations = randomisations.get<int>();
        plan.seedsStart = seeds(member(record, "seeds_start", recordPath, "the record"), recordPath);
        if (!plan.seedsStart) badRecord(recordPath, "it has a test but no \"seeds_start\"");
    }
    plan.cancelled = record.value("cancelled", false);

    RerunOrigin& origin = plan.origin;
    origin.recordPath = recordPath;
    origin.recordSha256 = platform::fileSha256(recordPath).value_or(std::string());
    for (const char* key : {"source_file", "source_sha256", "source_format"}) {
        const auto found = input.find(key);
        if (found == input.end() || !found->is_string()) continue;
        std::optional<std::string>& into = std::string(key) == "source_file"     ? origin.sourcePath
                                           : std::string(key) == "source_sha256" ? origin.sourceSha256
                                                                                 : origin.sourceFormat;
        into = found->get<std::string>();
    }
    // The original names and full locus names, by the opened file's numbers.
    if (const auto results = record.find("results"); results != record.end() && results->is_object())
        if (const auto alleles = results->find("allele_coordinates");
            alleles != results->end() && alleles->is_array())
            for (const json& allele : *alleles) {
                if (!allele.is_object()) continue;
                const json locus = allele.value("locus_number", json());
                const json number = allele.value("allele", json());
                if (!locus.is_number_integer() || !number.is_number_integer()) continue;
                const long long l = locus.get<long long>();
                const long long a = number.get<long long>();
                if (l < 1 || l > base::NLMax || a < 1 || a > base::NUMax) continue;
                const auto li = static_cast<std::size_t>(l);
                if (origin.fullLocusNames.size() <= li) {
                    origin.fullLocusNames.resize(li + 1);
                    origin.originalAlleleNames.resize(li + 1);
                }
                if (const json name = allele.value("locus", json()); name.is_string())
                    origin.fullLocusNames[li] = name.get<std::string>();
                if (const json original = allele.value("original_name", json()); original.is_string()) {
                    auto& names = origin.originalAlleleNames[li];
                    if (names.size() <= static_cast<std::size_t>(a)) names.resize(static_cast<std::size_t>(a) + 1);
                    names[static_cast<std::size_t>(a)] = original.get<std::string>();
                }
            }

    // A completed bootstrap is run again with its replicates and seeds.
    if (const auto bootstrap = record.find("bootstrap"); bootstrap != record.end() && !bootstrap->is_null()) {
        if (!bootstrap->is_object()) badRecord(recordPath, "\"bootstrap\" is not an object");
        const json& replicates = member(*bootstrap, "replicates", recordPath, "\"bootstrap\"");
        if (!replicates.is_number_integer() || replicates.get<long long>() < 100 ||
            replicates.get<long long>() > 100000)
            badRecord(recordPath, "\"replicates\" of the bootstrap is not a number within 100..100000");
        plan.bootstrapReplicates = replicates.get<int>();
        plan.bootstrapSeeds = seeds(member(*bootstrap, "seeds", recordPath, "\"bootstrap\""), recordPath);
        if (!plan.bootstrapSeeds) badRecord(recordPath, "the bootstrap has no \"seeds\"");
    }
    return plan;
}

}  // namespace

RerunPlan planRerun(const std::string& recordPath) {
    try {
        return planFromRecord(recordPath);
    } catch (const nlohmann::json::exception&) {
        // A value of the wrong kind under a known key.
        badRecord(recordPath, "a value in it has the wrong type");
    }
}

}  // namespace zeltric::record
