#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "record/run_record.hpp"
#include "run/session.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// The go step's run record, NAME.json beside the other outputs.

struct RunClock {
    std::string started = record::utcNow();
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// Called where the go step empties its outputs: removes the record of an
// earlier run, so a run that then fails leaves none. A file of that name
// that is not one of our records is left alone with a notice; returns
// whether this run may write its record.
bool clearRunRecord(const Session& session, UserInterface& ui, const std::string& recordPath);

// After the observed analysis and any test (completed or cancelled):
// replaces the file atomically. seedsStart is the generator's state before
// the test, nothing without a test.
void writeRunRecord(const Session& session, const std::string& recordPath, const RunClock& clock,
                    const std::optional<record::SeedPair>& seedsStart);

}  // namespace zeltric::run
