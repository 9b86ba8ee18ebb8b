#include "cli/statistics_batch.hpp"

#include <iostream>

#include "base/fatal_error.hpp"
#include "figure/figure_file.hpp"
#include "figure/pairwise_heatmap.hpp"
#include "platform/platform.hpp"

namespace zeltric::cli {

namespace {

constexpr int kInputErrorStatus = 1;

}  // namespace

std::vector<run::FileRole> statisticsFileRoles(const CliOptions& options, const std::string& base) {
    std::vector<run::FileRole> roles;
    if (!options.statistics) return roles;
    const run::StatisticsFiles files = run::statisticsFiles(base);
    for (const std::string& path : {files.loci, files.pairwise, files.samples})
        roles.push_back({"statistics table", path, true});
    if (options.pairwiseFigure) roles.push_back({"pairwise figure", *options.pairwiseFigure, true});
    return roles;
}

run::StatisticsRequest statisticsRequest(const CliOptions& options) {
    run::StatisticsRequest request;
    if (options.pairwiseTest) request.randomisations = *options.pairwiseTest;
    if (options.pairwiseSeeds) {
        request.seed1 = static_cast<std::int32_t>(options.pairwiseSeeds->first);
        request.seed2 = static_cast<std::int32_t>(options.pairwiseSeeds->second);
    }
    request.threads = options.threads > 0 ? options.threads : platform::usableProcessorCount();
    return request;
}

void writePairwiseFigure(const CliOptions& options, const extended::ExtendedData& data,
                         const std::vector<double>& firstAxis, const run::StatisticsRun& run,
                         const figure::FigureRenderer& render) {
    if (!options.pairwiseFigure) return;
    const figure::PairwiseMap map =
        figure::pairwiseMap(data.sampleNames, firstAxis, run.statistics, run.test ? &*run.test : nullptr);
    figure::writeFigureFile(*options.pairwiseFigure,
                            figure::pairwiseHeatMapSvg(map, figure::kPairwiseHeatMapTitle),
                            options.figureWidth.value_or(figure::kDefaultPngWidth), render);
}

int writeStatistics(const CliOptions& options, const extended::ExtendedData& data, const std::string& base,
                    const std::vector<double>& firstAxis, run::UserInterface& ui,
                    const figure::FigureRenderer& render) {
    if (!options.statistics) return 0;
    const run::StatisticsRequest request = statisticsRequest(options);
    try {
        const run::StatisticsRun run =
            run::runStatisticsStep(data, request, base, base + ".pca", base + ".json", ui);
        writePairwiseFigure(options, data, firstAxis, run, render);
    } catch (const base::FatalError& e) {
        ui.error(e.what());
        return kInputErrorStatus;
    }
    return 0;
}

}  // namespace zeltric::cli
