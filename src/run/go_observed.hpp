#pragma once

#include <string>

#include "run/session.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// Stages of the go step that sit on other subsystems.

// Appends the selection suffix to dataFileName, writes the filtered data
// file, renumbers session.analysed; readPath becomes the filtered file.
void prepareSelection(Session& session, std::string& readPath);
// Observed analysis: PCA, results report, coordinate files, first share line.
void analyseObserved(Session& session, UserInterface& ui);
// The permutation test with session.analysed.randomisationCount arrangements.
void runTest(Session& session, UserInterface& ui);

}  // namespace zeltric::run
