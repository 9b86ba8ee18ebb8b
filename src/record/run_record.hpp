#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/pca_result.hpp"
#include "data/dataset.hpp"

namespace zeltric::record {

// The run record NAME.json written beside a go step's outputs: how the run
// was made (program, input, options, seeds) and its figures as stored, for
// R and Python and for a rerun. Built as one JSON object whose top-level
// sections are made by separate functions, so a later section is one more
// assignment (record["bootstrap"] = ...).
//
// Numbers are the values the program holds, not the report's rounded text:
// a single-precision value is written as the shortest decimal that reads
// back to the same single-precision value (see floatNumber), a double as
// the shortest decimal that reads back to the same double.

inline constexpr const char* kProgramName = "zeltric";
// No record a run writes comes near this size; a larger file is not read.
inline constexpr std::uint64_t kRecordSizeLimit = 64ull * 1024 * 1024;

// Keys keep the order they were added in, so the file reads from the
// program and its input down to the figures.
using Json = nlohmann::ordered_json;

struct ProgramFacts {
    std::string version;
    std::string kernels;  // "reference", "sse2", "avx2" or "avx512"
    int threads = 0;      // worker threads the test would use
};

struct InputFacts {
    std::string dataPath;  // the opened data file, absolute
    std::string dataSha256;
    std::optional<std::string> labelPath;  // when labels were read from a file
    std::optional<std::string> labelSha256;
    // A data file converted from another format: the file opened and its
    // format name; dataPath is then the converted file the analysis read.
    std::optional<std::string> sourcePath;
    std::optional<std::string> sourceSha256;
    std::optional<std::string> sourceFormat;
    // In the opened file's numbering (1-based), ascending.
    std::vector<int> loci;
    std::vector<int> samples;
    // Whether "Loci to use" / "Pops to use" applied (the outputs then carry
    // the selection suffix), even when every item was chosen.
    bool lociChosen = false;
    bool samplesChosen = false;
    // A converted file: originalAlleleNames[opened locus][allele number];
    // empty otherwise (the record then has null names).
    std::vector<std::vector<std::string>> originalAlleleNames;
    // A converted file: each opened locus's full name (the data file keeps
    // six characters); empty otherwise.
    std::vector<std::string> fullLocusNames;
};

using SeedPair = std::pair<std::int32_t, std::int32_t>;

struct TestFacts {
    int randomisations = 0;
    SeedPair seedsStart{};
    SeedPair seedsEnd{};
    bool cancelled = false;
    // Completed test only: the P-values and the axes the report lists.
    float fstPValue = 0.0f;
    analysis::RealVector axisPValues{};
    int reportedAxes = 0;
};

struct RunFacts {
    ProgramFacts program;
    InputFacts input;
    std::optional<TestFacts> test;  // no test: randomisations and seeds are null
    std::string started;            // ISO 8601 UTC, e.g. 2026-12-07T13:15:11Z
    double elapsedSeconds = 0.0;
};

// A single-precision value as a JSON number whose text reads back (as float)
// to the same value.
Json floatNumber(float value);

Json programSection(const ProgramFacts& program);
Json inputSection(const InputFacts& input);
// `ds` is the analysed data set (after any selection), `result` its observed
// analysis, `input` gives the opened file's numbers of its samples and loci;
// `test` adds the P-values when it completed. One axis object for each axis
// with coordinates (1..dimension-1); "p_value" on the axes the test lists.
Json resultsSection(const data::Dataset& ds, const analysis::PcaResult& result, const InputFacts& input,
                    const std::optional<TestFacts>& test);
Json buildRecord(const RunFacts& facts, const data::Dataset& ds, const analysis::PcaResult& result);

// File names in the record: JSON text is UTF-8, so a name that is not valid
// UTF-8 is also kept percent-encoded (bytes 0x00-0x1F, 0x80-0xFF and '%'
// as %XX) under the key NAME_bytes, which a rerun reads back losslessly.
bool validUtf8(std::string_view text);
std::string percentEncoded(std::string_view bytes);
std::optional<std::string> percentDecoded(std::string_view text);  // nothing for a malformed escape

// The file's bytes: two-space indentation, LF line ends, a final LF.
std::string recordText(const Json& record);

// Whether a file at `path` is one of our records (a JSON object whose
// program.name is "zeltric"). Absent also for a path that does not exist.
enum class RecordFile { Absent, Ours, Foreign };
RecordFile inspectRecordFile(const std::string& path);

// The time now as ISO 8601 UTC with seconds.
std::string utcNow();

}  // namespace zeltric::record
