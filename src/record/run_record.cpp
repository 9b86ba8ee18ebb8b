#include "record/run_record.hpp"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "analysis/results_report.hpp"
#include "record/shortest_float.hpp"

namespace zeltric::record {

using json = Json;

namespace {

template <typename T>
json optionalText(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

json seedPair(const SeedPair& seeds) { return json::array({seeds.first, seeds.second}); }

std::size_t at(int index) { return static_cast<std::size_t>(index); }

}  // namespace

json floatNumber(float value) {
    // nlohmann keeps every number as a double and prints a double as its
    // shortest round-trip text; a float's shortest text (at most nine
    // digits) read as a double prints back as the same digits.
    char text[32];
#ifdef __EMSCRIPTEN__
    // Its C++ library has no floating-point to_chars, and its printf and
    // strtod take hundreds of times longer (software long double): a record
    // of thousands of coordinates took seconds. The integer path first, as
    // to_chars; zero and the extremes (past 1e22 or below 1e-13) below: the
    // correctly rounded text at the fewest digits that reads back.
    if (const auto shortest = shortestFloatValue(value)) return json(*shortest);
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        const double shortest = std::strtod(text, nullptr);
        if (static_cast<float>(shortest) == value) return json(shortest);
    }
#else
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error == std::errc()) {
        const double shortest = std::strtod(std::string(text, end).c_str(), nullptr);
        if (static_cast<float>(shortest) == value) return json(shortest);
    }
#endif
    // Exact, if longer: a double holds every float.
    return json(static_cast<double>(value));
}

json programSection(const ProgramFacts& program) {
    return {{"name", kProgramName},
            {"version", program.version},
            {"kernels", program.kernels},
            {"threads", program.threads}};
}

json inputSection(const InputFacts& input) {
    json section = {{"data_file", input.dataPath},
                    {"sha256", input.dataSha256},
                    {"label_file", optionalText(input.labelPath)},
                    {"label_sha256", optionalText(input.labelSha256)},
                    {"source_file", optionalText(input.sourcePath)},
                    {"source_sha256", optionalText(input.sourceSha256)},
                    {"source_format", optionalText(input.sourceFormat)},
                    {"selection",
                     {{"loci", input.loci},
                      {"samples", input.samples},
                      {"loci_chosen", input.lociChosen},
                      {"samples_chosen", input.samplesChosen}}}};
    // JSON holds only UTF-8 text: a name that is not is shown with U+FFFD
    // and kept byte for byte, percent-encoded, under a key of its own.
    for (const auto& [key, path] :
         {std::pair{"data_file", std::optional(input.dataPath)}, std::pair{"label_file", input.labelPath},
          std::pair{"source_file", input.sourcePath}})
        if (path && !validUtf8(*path)) section[std::string(key) + "_bytes"] = percentEncoded(*path);
    return section;
}

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            value = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            value = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            value = c & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            value = (value << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
            (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string percentEncoded(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x80 || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0Fu];
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = digit(text[i + 1]);
        const int low = digit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

json resultsSection(const data::Dataset& ds, const analysis::PcaResult& result, const InputFacts& input,
                    const std::optional<TestFacts>& test) {
    const bool tested = test && !test->cancelled;
    // The opened file's number of analysed sample j (the selection keeps order).
    auto openedSample = [&](int j) { return at(j) <= input.samples.size() ? input.samples[at(j - 1)] : j; };
    auto openedLocus = [&](int l) { return at(l) <= input.loci.size() ? input.loci[at(l - 1)] : l; };

    json perLocus = json::array();
    for (int l = 1; l <= ds.nl; ++l) perLocus.push_back(result.allelesPerLocus[at(l)]);

    const int axisCount = result.dimension - 1;
    json axes = json::array();
    for (int k = 1; k <= axisCount; ++k) {
        json axis = {{"axis", k},
                     {"inertia", floatNumber(result.eigenvalues[at(k)])},
                     {"percent", analysis::percentOf(result, k)},
                     {"fst", floatNumber(result.observedAxisFst[at(k)])},
                     {"share", floatNumber(result.observedAxisShare[at(k)])}};
        if (tested && k <= test->reportedAxes) axis["p_value"] = floatNumber(test->axisPValues[at(k)]);
        axes.push_back(std::move(axis));
    }

    json complete = json::array();
    json samples = json::array();
    for (int j = 1; j <= ds.np; ++j) {
        const std::string& label = ds.populationLabels[at(j)];
        complete.push_back(
            {{"label", label}, {"number", openedSample(j)}, {"complete", ds.completeCounts[at(j)]}});
        json coordinates = json::array();
        for (int k = 1; k <= axisCount; ++k)
            coordinates.push_back(floatNumber(result.populationCoordinates(j, k)));
        samples.push_back(
            {{"label", label}, {"number", openedSample(j)}, {"coordinates", std::move(coordinates)}});
    }

    // Retained alleles in the analysis's column order: loci in order, alleles
    // of each locus in order, those present in the pooled counts.
    json alleles = json::array();
    int column = 0;
    for (int l = 1; l <= ds.nl && column < result.alleleColumnCount; ++l) {
        for (int a = 1; a <= ds.nu && column < result.alleleColumnCount; ++a) {
            if (ds.counts.alleleTotal(l, a) == 0.0) continue;
            ++column;
            json coordinates = json::array();
            for (int k = 1; k <= axisCount; ++k)
                coordinates.push_back(floatNumber(result.alleleCoordinates(column, k)));
            const std::size_t locus = at(openedLocus(l));
            const auto& full = input.fullLocusNames;
            const std::string& locusName =
                locus < full.size() && !full[locus].empty() ? full[locus] : ds.locusNames[at(l)];
            json allele = {{"locus", locusName}, {"locus_number", openedLocus(l)}, {"allele", a}};
            const auto& names = input.originalAlleleNames;
            allele["original_name"] =
                locus < names.size() && at(a) < names[locus].size() ? json(names[locus][at(a)]) : json(nullptr);
            allele["coordinates"] = std::move(coordinates);
            alleles.push_back(std::move(allele));
        }
    }

    return {{"samples", ds.np},
            {"loci", ds.nl},
            {"alleles", result.alleleColumnCount},
            {"alleles_per_locus", std::move(perLocus)},
            {"total_heterozygosity", analysis::totalHeterozygosity(result)},
            {"total_inertia", floatNumber(result.totalInertia)},
            {"global_fst", floatNumber(result.observedGlobalFst)},
            {"global_fst_p_value", tested ? floatNumber(test->fstPValue) : json(nullptr)},
            {"broken_stick_axes", result.brokenStickAxes},
            {"axes", std::move(axes)},
            {"complete_genotypes", std::move(complete)},
            {"sample_coordinates", std::move(samples)},
            {"allele_coordinates", std::move(alleles)}};
}

json buildRecord(const RunFacts& facts, const data::Dataset& ds, const analysis::PcaResult& result) {
    json record = json::object();
    record["program"] = programSection(facts.program);
    record["input"] = inputSection(facts.input);
    record["randomisations"] = facts.test ? json(facts.test->randomisations) : json(nullptr);
    record["seeds_start"] = facts.test ? seedPair(facts.test->seedsStart) : json(nullptr);
    record["seeds_end"] = facts.test ? seedPair(facts.test->seedsEnd) : json(nullptr);
    record["cancelled"] = facts.test && facts.test->cancelled;
    record["started"] = facts.started;
    record["elapsed_seconds"] = facts.elapsedSeconds;
    record["results"] = resultsSection(ds, result, facts.input, facts.test);
    return record;
}

std::string recordText(const json& record) {
    // Labels and names are bytes from the user's files; a byte that is not
    // UTF-8 becomes U+FFFD rather than stopping the run.
    return record.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

RecordFile inspectRecordFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (ec || status.type() == std::filesystem::file_type::not_found) return RecordFile::Absent;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > kRecordSizeLimit)
        return RecordFile::Foreign;
    std::ifstream in(path, std::ios::binary);
    if (!in) return RecordFile::Foreign;
    std::ostringstream text;
    text << in.rdbuf();
    const json parsed = json::parse(text.str(), nullptr, false);
    if (!parsed.is_object()) return RecordFile::Foreign;
    const auto program = parsed.find("program");
    if (program == parsed.end() || !program->is_object()) return RecordFile::Foreign;
    const auto name = program->find("name");
    return name != program->end() && *name == kProgramName ? RecordFile::Ours : RecordFile::Foreign;
}

std::string utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace zeltric::record
