#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extended/extended_data.hpp"
#include "run/session.hpp"
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

// The last go step's analysed data set as the statistics read it (the exact
// analysis's samples with individuals, in order, as the PCA numbered them;
// the extended analysis's opened data whole) and each such sample's
// coordinate on the first axis (0 without one): the heat map's order.
// Raises base::FatalError for a genotype the counting refuses.
struct StatisticsInput {
    extended::ExtendedData data;
    std::vector<double> firstAxis;
};
StatisticsInput statisticsInput(const Session& session);

// The pieces of runStatisticsStep, for front ends that run the pairwise test
// themselves (the desktop's window, the browser's stepped run):
// the statistics computed and the test's options set, nothing run or written.
StatisticsRun startStatistics(const extended::ExtendedData& data, const StatisticsRequest& request,
                              const std::string& base);
// The three tables, each written atomically; returns their paths.
std::vector<std::string> writeStatisticsTables(const extended::ExtendedData& data,
                                               const statistics::Statistics& statistics,
                                               const statistics::PairwiseTestResult* test,
                                               const StatisticsFiles& files);
// The tables, the results file's section and the record's object of `run`.
void writeStatisticsOutputs(const extended::ExtendedData& data, const StatisticsRun& run,
                            const std::string& resultsPath, const std::string& recordPath);

// Computes the statistics of `data` (and the pairwise test, with progress
// and Cancel through `ui`), writes the three tables beside the outputs
// named `base`, appends the results file's section to `resultsPath` and adds
// the `statistics` object to the run record at `recordPath` when that is
// this run's record. Raises base::FatalError when a file cannot be written.
StatisticsRun runStatisticsStep(const extended::ExtendedData& data, const StatisticsRequest& request,
                                const std::string& base, const std::string& resultsPath,
                                const std::string& recordPath, UserInterface& ui);

}  // namespace zeltric::run
