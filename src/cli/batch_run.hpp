#pragma once

#include <string>

#include "cli/cli_options.hpp"
#include "run/session.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// zeltric-cli's run around the go step, shared with the browser's binding,
// which drives the go step in batches in between.

// Everything before the go step: the open step, labels, --loci and --pops,
// and a test's seeds (given, from the seed file, or asked when `interactive`).
// Returns 0 to go on, else the exit status; for a usage error (2) `usage`
// holds the text. Raises data::FatalError for a fatal input error.
int prepareBatch(Session& session, const CliOptions& options, UserInterface& ui, bool interactive,
                 std::string& usage);

// What follows the go step: a test's seeds are saved for the next run.
void finishBatch(Session& session, const CliOptions& options, UserInterface& ui);

}  // namespace zeltric::run
