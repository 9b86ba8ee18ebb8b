#pragma once

#include <functional>
#include <optional>

#include "cli/cli_options.hpp"
#include "cli/terminal_interface.hpp"
#include "run/session.hpp"

namespace zeltric::cli {

// The extended analysis of zeltric-cli: VCF, BCF and PLINK files, foreign
// files past the data file's limits and any data under --analysis extended.
// Returns the exit status when it ran (or refused the run), nothing when the
// exact analysis goes on as before. After the analysis, `pictures` writes
// --plot, --figure and --tables from a session holding the extended run (as
// the desktop's) and returns an exit status.
using ExtendedPictures = std::function<int(const run::Session& session)>;
std::optional<int> runExtendedIfChosen(const CliOptions& options, TerminalInterface& ui,
                                       const ExtendedPictures& pictures = {});

}  // namespace zeltric::cli
