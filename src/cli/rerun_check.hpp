#pragma once

#include <string>

#include "cli/cli_options.hpp"
#include "record/rerun_plan.hpp"
#include "run/session.hpp"
#include "run/user_interface.hpp"

// --rerun as a check: its outputs go into a folder of their own and are
// compared with the original run's, which lie beside the record.
namespace zeltric::cli {

// The rerun's folder, created when missing: --out, else NAME-rerun beside
// the record NAME.json. Raises base::FatalError naming it when it cannot be
// made or is not a folder.
std::string rerunFolder(const CliOptions& options, const record::RerunPlan& plan);

// After the open step: a source file converted again must give the data
// file the record certifies. Raises base::FatalError otherwise.
void checkRerunData(const run::Session& session, const record::RerunPlan& plan);

// After the go step: the bytes it analysed are those the record certifies
// (a file changed while the rerun read it is not passed). Raises
// base::FatalError otherwise.
void checkRerunAnalysed(const run::Session& session, const record::RerunPlan& plan);

// Compares each output of the rerun (results, coordinates, shares,
// frequencies and a selection's filtered data file) with the original's of
// the same name beside the record, says which are byte-identical and which
// differ, and returns 0 when none differs, kRerunDiffers otherwise. The run
// records themselves differ in their times and are not compared.
int compareRerunOutputs(const run::Session& session, const record::RerunPlan& plan, run::UserInterface& ui);

}  // namespace zeltric::cli
