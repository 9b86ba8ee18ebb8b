#pragma once

#include <optional>
#include <string>
#include <vector>

#include "record/run_record.hpp"

namespace zeltric::record {

// What a rerun takes from a record. Files are looked for beside the record
// by their recorded file name first, else at their recorded path; a file
// found whose SHA-256 differs from the recorded one is refused without
// looking further, so a rerun never analyses other bytes than the recorded
// run did.
// A converted run is rerun from its source file when that is found with its
// recorded SHA-256: it is converted again (the format recorded), and the
// converted data file must then have the recorded SHA-256 too.
// What the record says of the run it was made by, for the rerun's own record:
// the rerun opens the converted data file, yet its record names the source
// as the original did, and the record it reran.
struct RerunOrigin {
    std::string recordPath;  // as given
    std::string recordSha256;
    std::optional<std::string> sourcePath;
    std::optional<std::string> sourceSha256;
    std::optional<std::string> sourceFormat;
    // As InputFacts holds them, from the record's allele coordinates.
    std::vector<std::vector<std::string>> originalAlleleNames;
    std::vector<std::string> fullLocusNames;
};

struct RerunPlan {
    std::string recordPath;
    std::string dataPath;                     // the file found (empty when sourcePath is set)
    std::string dataSha256;                   // the data file's recorded SHA-256
    std::optional<std::string> sourcePath;    // a converted run's source file found
    std::optional<std::string> sourceFormat;  // its format's name
    std::optional<std::string> labelPath;     // the label file found, when the run had one
    std::optional<std::vector<int>> loci;     // set when "Loci to use" applied
    std::optional<std::vector<int>> samples;  // set when "Pops to use" applied
    std::optional<int> randomisations;
    std::optional<SeedPair> seedsStart;
    bool cancelled = false;                  // the recorded test was cancelled
    std::optional<int> bootstrapReplicates;  // a completed bootstrap over loci
    std::optional<SeedPair> bootstrapSeeds;
    bool statistics = false;                    // the run asked for the statistics
    std::optional<int> pairwiseRandomisations;  // and their pairwise test
    std::optional<SeedPair> pairwiseSeeds;
    RerunOrigin origin;
};

// Raises base::FatalError naming the record or the file at fault.
RerunPlan planRerun(const std::string& recordPath);

}  // namespace zeltric::record
