#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "extended/extended_data.hpp"
#include "run/user_interface.hpp"
#include "statistics/observed_statistics.hpp"
#include "statistics/pairwise_test.hpp"

namespace zeltric::run {

// The statistics beside either analysis's PCA, asked for by the batch
// front end (--statistics, --pairwise-test, --pairwise-seeds). A run that
// does not ask writes nothing more and changes no byte of its outputs.
struct StatisticsRequest {
    std::optional<std::int32_t> randomisations;  // the pairwise test's R, when asked
    std::int32_t seed1 = 1;                      // its own generator's seeds; no seed file
    std::int32_t seed2 = 1;
    int threads = 1;
};

// NAME-loci.csv, NAME-pairwise.csv and NAME-sample-diversity.csv.
struct StatisticsFiles {
    std::string loci;
    std::string pairwise;
    std::string samples;
};
StatisticsFiles statisticsFiles(const std::string& base);

struct StatisticsRun {
    statistics::Statistics statistics;
    std::optional<statistics::PairwiseTestOptions> testOptions;
    std::optional<statistics::PairwiseTestResult> test;
    StatisticsFiles files;
};

// Computes the statistics of `data` (and the pairwise test, with progress
// and Cancel through `ui`), writes the three tables beside the outputs
// named `base`, appends the results file's section to `resultsPath` and adds
// the `statistics` object to the run record at `recordPath` when that is
// this run's record. Raises base::FatalError when a file cannot be written.
StatisticsRun runStatisticsStep(const extended::ExtendedData& data, const StatisticsRequest& request,
                                const std::string& base, const std::string& resultsPath,
                                const std::string& recordPath, UserInterface& ui);

}  // namespace zeltric::run
