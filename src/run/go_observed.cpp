#include "run/go_observed.hpp"

#include "data/fatal_error.hpp"

namespace zeltric::run {

void prepareSelection(Session&, std::string&) {
    throw data::FatalError("Selections are not available yet.");
}

void analyseObserved(Session&, UserInterface&) {}

void runTest(Session&, UserInterface&) {
    throw data::FatalError("The permutation test is not available yet.");
}

}  // namespace zeltric::run
