#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "cli/cli_options.hpp"
#include "run/session.hpp"
#include "run/user_interface.hpp"

namespace zeltric::cli {

// The batch run both batch front ends share (zeltric-cli and the browser's
// binding): the same options lead to the same session, messages and exit
// statuses. The front ends add what only they have (locks, the terminal,
// the plot, the worker's batches) around these stages.

inline constexpr int kInputError = 1;
inline constexpr int kUsageError = 2;
// A rerun ran, and some of its outputs differ from the original run's.
inline constexpr int kRerunDiffers = 4;

// A usage error met inside a stage that can only raise (exit status 2).
struct UsageRefusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How a stage ended: status 0 goes on; otherwise the exit status, with the
// usage error's text in `message` (an input error was told through the port
// or is in the FatalError raised). `finished` says that nothing is left to
// do (--convert-only after its conversion).
struct BatchOutcome {
    int status = 0;
    std::string message;
    bool finished = false;
};

// Converts a file in another format (its notes told through `ui`, then
// `converted` called with the result), opens the data file, reads the labels
// and applies --loci and --pops. Raises base::FatalError for a fatal input
// error.
BatchOutcome openForBatch(run::Session& session, const CliOptions& options, run::UserInterface& ui,
                          const std::function<void(const formats::FileConversion&)>& converted = {});

// The test's seeds: given by --seeds, else read from the seed file (asked
// for through `ui` when the seed file has none). A run that cannot ask
// (`interactive` false) refuses a seed file without usable seeds.
BatchOutcome settleSeeds(run::Session& session, const CliOptions& options, run::UserInterface& ui,
                         bool interactive);

// --test and --bootstrap as the menu's check marks, counts and seeds.
void applyRandomisationChoices(run::Session& session, const CliOptions& options);

}  // namespace zeltric::cli
