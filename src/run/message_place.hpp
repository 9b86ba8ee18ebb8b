#pragma once

#include <string>

#include "base/fatal_error.hpp"
#include "run/session.hpp"

namespace zeltric::run {

// Where a message whose words are fixed (capacity, genotype, matrix size)
// was met, as "FILE: line N: " or "FILE: " in the opened data file's terms,
// also when the error came from a selection's filtered copy. Empty for every
// other message, which names its file itself. A batch front end puts it in
// front of the message so that a loop over files shows which one failed.
std::string placeOfFixedMessage(const Session& session, const std::string& dataFile,
                                const base::FatalError& error);

// The line of the opened data file holding the genotype line at `individual`
// (1-based) among those of the samples the run analysed; 0 when not found.
int genotypeLineInOpenedFile(const Session& session, int individual);

}  // namespace zeltric::run
