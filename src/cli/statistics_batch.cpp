#include "cli/statistics_batch.hpp"

#include <iostream>

#include "base/fatal_error.hpp"
#include "figure/figure_file.hpp"
#include "figure/pairwise_heatmap.hpp"
#include "platform/platform.hpp"
#include "run/statistics_step.hpp"

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

int writeStatistics(const CliOptions& options, const extended::ExtendedData& data, const std::string& base,
                    const std::vector<double>& firstAxis, run::UserInterface& ui,
                    const figure::FigureRenderer& render) {
    if (!options.statistics) return 0;
    run::StatisticsRequest request;
    if (options.pairwiseTest) request.randomisations = *options.pairwiseTest;
    if (options.pairwiseSeeds) {
        request.seed1 = static_cast<std::int32_t>(options.pairwiseSeeds->first);
        request.seed2 = static_cast<std::int32_t>(options.pairwiseSeeds->second);
    }
    request.threads = options.threads > 0 ? options.threads : platform::usableProcessorCount();
    try {
        const run::StatisticsRun run =
            run::runStatisticsStep(data, request, base, base + ".pca", base + ".json", ui);
        if (options.pairwiseFigure) {
            figure::PairwiseMap map;
            map.names = data.sampleNames;
            map.firstAxis = firstAxis;
            map.firstAxis.resize(data.samples(), 0.0);
            map.theta = run.statistics.pairTheta;
            if (run.test && !run.test->cancelled) map.holm = run.test->holm;
            figure::writeFigureFile(*options.pairwiseFigure,
                                    figure::pairwiseHeatMapSvg(map, "Pairwise theta (Weir and Cockerham)"),
                                    options.figureWidth.value_or(figure::kDefaultPngWidth), render);
        }
    } catch (const base::FatalError& e) {
        ui.error(e.what());
        return kInputErrorStatus;
    }
    return 0;
}

}  // namespace zeltric::cli
