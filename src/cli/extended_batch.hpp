#pragma once

#include <optional>

#include "cli/cli_options.hpp"
#include "cli/terminal_interface.hpp"
#include "figure/figure_file.hpp"

namespace zeltric::cli {

// The extended analysis of zeltric-cli: VCF, BCF and PLINK files, foreign
// files past the data file's limits and any data under --analysis extended.
// Returns the exit status when it ran (or refused the run), nothing when the
// exact analysis goes on as before.
// `render` draws a PDF or PNG pairwise figure (--pairwise-figure).
std::optional<int> runExtendedIfChosen(const CliOptions& options, TerminalInterface& ui,
                                       const figure::FigureRenderer& render = {});

}  // namespace zeltric::cli
