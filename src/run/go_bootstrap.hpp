#pragma once

#include <functional>
#include <optional>
#include <string>

#include "randomisation/bootstrap.hpp"
#include "run/session.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// The bootstrap stage of the go step, after the permutation test: with
// session.settings.bootstrapReplicates replicates and the bootstrap seeds (never the
// seed file's), appends its section to the results file and shows it. A
// cancelled bootstrap writes nothing and says so.
void runBootstrapStage(Session& session, UserInterface& ui);
// Its end, for a bootstrap run in batches (session.results.bootstrap emptied before
// it started): the section, or the notice of a cancel.
void endBootstrapStage(Session& session, UserInterface& ui, const randomisation::BootstrapOutcome& outcome);

// "Bootstrap over loci": inverts the check mark and, when it becomes set,
// asks for the replicate count (offering 1000) until it lies within
// kMinReplicates..kMaxReplicates, as the Testing command asks for its count. `askCount` shows
// the count dialog once offering its argument: the text confirmed, or
// nothing when it was closed without OK (it is then shown again).
using CountPrompt = std::function<std::optional<std::string>(const std::string& offered)>;
void bootstrapToggle(Session& session, const CountPrompt& askCount);

}  // namespace zeltric::run
