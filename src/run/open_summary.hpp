#pragma once

#include <optional>

#include "run/session.hpp"

namespace zeltric::run {

// The number of individuals (genotype lines) of the opened data file, read
// as the go step reads them, for the desktop's status line after an open.
// Nothing when no file is open or its genotypes cannot be read that way: the
// go step reports those faults, so here they only leave the count out.
std::optional<int> countIndividuals(const Session& session);

}  // namespace zeltric::run
