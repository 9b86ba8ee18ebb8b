#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.hpp"
#include "extended/extended_data.hpp"
#include "figure/figure_file.hpp"
#include "run/file_roles.hpp"
#include "run/user_interface.hpp"

namespace zeltric::cli {

// --statistics, --pairwise-test, --pairwise-seeds and --pairwise-figure for
// both analyses: after the analysis wrote its outputs named `base`, the
// statistics of `data` go beside them. `firstAxis` holds each sample's
// coordinate on the first axis (the heat map's order); `render` draws a PDF
// or PNG heat map (the Qt build's). Returns the exit status (0 also when
// nothing was asked).
int writeStatistics(const CliOptions& options, const extended::ExtendedData& data, const std::string& base,
                    const std::vector<double>& firstAxis, run::UserInterface& ui,
                    const figure::FigureRenderer& render);

// The files --statistics and --pairwise-figure add to a run of outputs `base`.
std::vector<run::FileRole> statisticsFileRoles(const CliOptions& options, const std::string& base);

}  // namespace zeltric::cli
