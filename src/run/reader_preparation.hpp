#pragma once

#include <string>

#include "run/session.hpp"

namespace zeltric::run {

// The go step's first stage. When "Loci to use" or "Pops to use" is checked:
// dataFileName gets the selection suffix, the filtered copy of the opened
// data file is written as dataFileName + ".dat", session.analysed (a copy of
// session.settings.opened) is renumbered to the selection, and readPath names the
// filtered file. Otherwise nothing changes. The opened data set keeps its
// flags and labels, so a repeated go step gives the same files. Refuses
// (FatalError) to write over the data, label or seed file.
void prepareReader(Session& session, std::string& readPath);

}  // namespace zeltric::run
