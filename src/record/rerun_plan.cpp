#include "record/rerun_plan.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/messages.hpp"
#include "base/messages_files.hpp"
#include "base/messages_record.hpp"
#include "formats/foreign_formats.hpp"
#include "platform/files.hpp"
#include "platform/sha256.hpp"

namespace zeltric::record {

using nlohmann::json;

namespace {

namespace fs = std::filesystem;

[[noreturn]] void badRecord(const std::string& recordPath, const std::string& what) {
    throw base::FatalError(base::badRecordMessage(recordPath, what));
}

const json& member(const json& object, const char* key, const std::string& recordPath, const std::string& where) {
    const auto found = object.find(key);
    if (found == object.end()) badRecord(recordPath, base::recordMissingReason(key, where));
    return *found;
}

std::string text(const json& object, const char* key, const std::string& recordPath, const std::string& where) {
    const json& value = member(object, key, recordPath, where);
    if (!value.is_string()) badRecord(recordPath, base::recordNotTextReason(key, where));
    return value.get<std::string>();
}

// A recorded file name, byte for byte: from its percent-encoded copy when
// the name is not UTF-8.
std::string fileName(const json& input, const char* key, const std::string& recordPath) {
    const std::string bytesKey = std::string(key) + "_bytes";
    if (const auto exact = input.find(bytesKey); exact != input.end()) {
        if (!exact->is_string()) badRecord(recordPath, "\"" + bytesKey + "\" in \"input\" is not a text");
        const auto decoded = percentDecoded(exact->get<std::string>());
        if (!decoded) badRecord(recordPath, "\"" + bytesKey + "\" in \"input\" holds a malformed %-escape");
        return *decoded;
    }
    return text(input, key, recordPath, "\"input\"");
}

// Beside the record by name, else at the recorded path.
std::optional<std::string> find(const std::string& recordPath, const std::string& recordedPath) {
    const fs::path recorded(recordedPath);
    const fs::path beside = fs::path(recordPath).parent_path() / recorded.filename();
    std::error_code ec;
    if (!recorded.filename().empty() && fs::is_regular_file(beside, ec)) return beside.string();
    if (fs::is_regular_file(recorded, ec)) return recorded.string();
    return std::nullopt;
}

std::string checked(const std::string& recordPath, const std::string& found, const std::string& sha256,
                    const std::string& what);

// Beside the record by name, else at the recorded path; checked by SHA-256.
std::string locate(const std::string& recordPath, const std::string& recordedPath, const std::string& sha256,
                   const std::string& what) {
    const fs::path recorded(recordedPath);
    const auto found = find(recordPath, recordedPath);
    if (!found)
        throw base::FatalError(
            base::recordedFileMissingMessage(what, recorded.filename().string(), recordPath, recordedPath));
    return checked(recordPath, *found, sha256, what);
}

std::string checked(const std::string& recordPath, const std::string& found, const std::string& sha256,
                    const std::string& what) {
    const auto actual = platform::fileSha256(found);
    if (!actual) throw base::FatalError(base::recordedFileUnreadableMessage(what, found));
    if (*actual != sha256)
        throw base::FatalError(base::recordedFileDiffersMessage(what, found, recordPath, *actual, sha256));
    return found;
}

std::vector<int> numbers(const json& value, const std::string& recordPath, const char* key) {
    if (!value.is_array()) badRecord(recordPath, base::recordSelectionNotListReason(key));
    std::vector<int> out;
    for (const json& n : value) {
        if (!n.is_number_integer() || n.get<long long>() < 1 || n.get<long long>() > 100000)
            badRecord(recordPath, base::recordSelectionNotNumbersReason(key));
        out.push_back(n.get<int>());
    }
    return out;
}

// `name` says which seeds: "\"seeds_start\"" or "\"seeds\" of the bootstrap".
std::optional<SeedPair> seeds(const json& value, const std::string& recordPath, const std::string& name) {
    if (value.is_null()) return std::nullopt;
    if (!value.is_array() || value.size() != 2 || !value[0].is_number_integer() || !value[1].is_number_integer())
        badRecord(recordPath, name + " is not a pair of whole numbers");
    const long long s1 = value[0].get<long long>();
    const long long s2 = value[1].get<long long>();
    if (!base::validSeeds(s1, s2)) badRecord(recordPath, name + " lies outside the seed ranges");
    return SeedPair{static_cast<std::int32_t>(s1), static_cast<std::int32_t>(s2)};
}

RerunPlan planFromRecord(const std::string& recordPath) {
    // A pipe would wait for a writer and a device such as /dev/zero never
    // ends: only a file of a record's size is read.
    const platform::FileStatus status = platform::fileStatus(recordPath);
    if (status.type != platform::FileType::Regular && status.type != platform::FileType::Missing)
        throw base::FatalError(base::notAFileMessage("run record", recordPath, status.type));
    if (status.size > kRecordSizeLimit)
        throw base::FatalError(base::recordTooLargeMessage(recordPath, kRecordSizeLimit));
    std::ifstream in(recordPath, std::ios::binary);
    if (!in) throw base::FatalError(base::recordUnreadableMessage(recordPath));
    std::ostringstream content;
    content << in.rdbuf();
    const json record = json::parse(content.str(), nullptr, false);
    if (!record.is_object()) badRecord(recordPath, base::recordNotJsonObjectReason());
    const auto program = record.find("program");
    if (program == record.end() || !program->is_object() || program->value("name", json()) != kProgramName)
        badRecord(recordPath, base::recordNotOursReason());

    const json& input = member(record, "input", recordPath, "the record");
    if (!input.is_object()) badRecord(recordPath, base::recordNotObjectReason("input"));
    RerunPlan plan;
    plan.recordPath = recordPath;
    const std::string dataFile = fileName(input, "data_file", recordPath);
    plan.dataSha256 = text(input, "sha256", recordPath, "\"input\"");
    // A converted run: its source file, converted again, stands for the
    // converted files (which the record's folder need not hold).
    std::optional<std::string> convertedLabel;
    if (const auto source = input.find("source_file"); source != input.end() && !source->is_null()) {
        const std::string format = text(input, "source_format", recordPath, "\"input\"");
        const auto known = formats::formatFromName(format);
        if (!known) badRecord(recordPath, "\"source_format\" names no format this program converts");
        const std::string sourceFile = fileName(input, "source_file", recordPath);
        const auto found = find(recordPath, sourceFile);
        if (found) {
            plan.sourcePath =
                checked(recordPath, *found, text(input, "source_sha256", recordPath, "\"input\""), "source file");
            plan.sourceFormat = format;
            convertedLabel = fs::path(formats::convertedPaths(sourceFile, *known).labelFile).filename().string();
        }
    }
    if (!plan.sourcePath) plan.dataPath = locate(recordPath, dataFile, plan.dataSha256, "data file");
    if (const auto label = input.find("label_file"); label != input.end() && !label->is_null()) {
        const std::string labelFile = fileName(input, "label_file", recordPath);
        // The conversion writes its label file again.
        if (!convertedLabel || fs::path(labelFile).filename().string() != *convertedLabel)
            plan.labelPath =
                locate(recordPath, labelFile, text(input, "label_sha256", recordPath, "\"input\""), "label file");
    }

    const json& selection = member(input, "selection", recordPath, "\"input\"");
    if (!selection.is_object()) badRecord(recordPath, base::recordNotObjectReason("selection"));
    if (selection.value("loci_chosen", false))
        plan.loci = numbers(member(selection, "loci", recordPath, "\"selection\""), recordPath, "loci");
    if (selection.value("samples_chosen", false))
        plan.samples = numbers(member(selection, "samples", recordPath, "\"selection\""), recordPath, "samples");

    const json& randomisations = member(record, "randomisations", recordPath, "the record");
    if (!randomisations.is_null()) {
        if (!randomisations.is_number_integer() || randomisations.get<long long>() < base::kMinRandomisations ||
            randomisations.get<long long>() > base::kMaxRandomisations)
            badRecord(recordPath, base::recordRandomisationsReason());
        plan.randomisations = randomisations.get<int>();
        plan.seedsStart =
            seeds(member(record, "seeds_start", recordPath, "the record"), recordPath, "\"seeds_start\"");
        if (!plan.seedsStart) badRecord(recordPath, "it has a test but no \"seeds_start\"");
    }
    plan.cancelled = record.value("cancelled", false);

    RerunOrigin& origin = plan.origin;
    origin.recordPath = recordPath;
    origin.recordSha256 = platform::sha256Hex(content.str());  // the bytes read, not the file as it is now
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
        if (!bootstrap->is_object()) badRecord(recordPath, base::recordNotObjectReason("bootstrap"));
        const json& replicates = member(*bootstrap, "replicates", recordPath, "\"bootstrap\"");
        if (!replicates.is_number_integer() || replicates.get<long long>() < base::kMinReplicates ||
            replicates.get<long long>() > base::kMaxReplicates)
            badRecord(recordPath, base::recordReplicatesReason());
        plan.bootstrapReplicates = replicates.get<int>();
        plan.bootstrapSeeds = seeds(member(*bootstrap, "seeds", recordPath, "\"bootstrap\""), recordPath,
                                    "\"seeds\" of the bootstrap");
        if (!plan.bootstrapSeeds) badRecord(recordPath, "the bootstrap has no \"seeds\"");
    }

    // The statistics, and their pairwise test with its count and seeds.
    if (const auto statistics = record.find("statistics"); statistics != record.end() && !statistics->is_null()) {
        if (!statistics->is_object()) badRecord(recordPath, base::recordNotObjectReason("statistics"));
        plan.statistics = true;
        const auto pairwise = statistics->find("pairwise");
        if (pairwise != statistics->end() && pairwise->is_object())
            if (const auto test = pairwise->find("test"); test != pairwise->end() && !test->is_null()) {
                if (!test->is_object()) badRecord(recordPath, base::recordNotObjectReason("test"));
                const json& count = member(*test, "randomisations", recordPath, "the pairwise test");
                if (!count.is_number_integer() || count.get<long long>() < base::kMinRandomisations ||
                    count.get<long long>() > base::kMaxRandomisations)
                    badRecord(recordPath, base::recordRandomisationsReason());
                plan.pairwiseRandomisations = count.get<int>();
                plan.pairwiseSeeds = seeds(member(*test, "seeds", recordPath, "the pairwise test"), recordPath,
                                           "\"seeds\" of the pairwise test");
                if (!plan.pairwiseSeeds) badRecord(recordPath, "the pairwise test has no \"seeds\"");
            }
    }
    return plan;
}

}  // namespace

RerunPlan planRerun(const std::string& recordPath) {
    try {
        return planFromRecord(recordPath);
    } catch (const nlohmann::json::exception&) {
        // A value of the wrong kind under a known key.
        badRecord(recordPath, base::recordWrongTypeReason());
    }
}

}  // namespace zeltric::record
