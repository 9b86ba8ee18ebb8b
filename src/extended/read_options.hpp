#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "extended/population_map.hpp"

namespace zeltric::extended {

// What every reader of the extended analysis takes and gives besides the data.
struct ReadOptions {
    const PopulationMap* map = nullptr;  // null: no --popmap
    int threads = 1;                     // a compressed file is inflated by threads - 1 helpers
    // Called now and then with the loci read so far.
    std::function<void(std::size_t loci)> progress;
};

// The notes a reader owes the user (individuals left out, map entries not
// in the data), in order.
using ReadNotes = std::vector<std::string>;

}  // namespace zeltric::extended
