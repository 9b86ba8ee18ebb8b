#pragma once

#include <functional>
#include <optional>

#include "cli/cli_options.hpp"
#include "cli/terminal_interface.hpp"
#include "extended/arrangement_analysis.hpp"
#include "figure/figure_file.hpp"
#include "run/extended_test.hpp"
#include "run/session.hpp"

namespace zeltric::cli {

// Where the permutation test's arrangements are analysed when not on this
// process's threads (zeltric-mpi: on other processes too); see
// run::ExtendedRequest.
struct ExtendedSpread {
    int processes = 1;  // sharing the arrangements (scales the batches)
    std::function<void(const extended::ExtendedData&, const extended::ExtendedResult&, int threads)> shareData;
    std::function<void(extended::ArrangementAnalyser&, int threads)> buildGram;
    std::function<void(const extended::ArrangementAnalyser&, run::ArrangementBatch&)> analyseBatch;
};

// The extended analysis of zeltric-cli: VCF, BCF and PLINK files, foreign
// files past the data file's limits and any data under --analysis extended.
// Returns the exit status when it ran (or refused the run), nothing when the
// exact analysis goes on as before. `render` draws a PDF or PNG pairwise
// figure (--pairwise-figure). After the analysis, `pictures` writes --plot,
// --figure and --tables from a session holding the extended run (as the
// desktop's) and returns an exit status.
using ExtendedPictures = std::function<int(const run::Session& session)>;
std::optional<int> runExtendedIfChosen(const CliOptions& options, TerminalInterface& ui,
                                       const ExtendedSpread& spread = {},
                                       const figure::FigureRenderer& render = {},
                                       const ExtendedPictures& pictures = {});

}  // namespace zeltric::cli
