#pragma once

#include <optional>

#include "cli/cli_options.hpp"
#include "cli/terminal_interface.hpp"

namespace zeltric::cli {

// The extended analysis of zeltric-cli: VCF, BCF and PLINK files, foreign
// files past the data file's limits and any data under --analysis extended.
// Returns the exit status when it ran (or refused the run), nothing when the
// exact analysis goes on as before.
std::optional<int> runExtendedIfChosen(const CliOptions& options, TerminalInterface& ui);

}  // namespace zeltric::cli
