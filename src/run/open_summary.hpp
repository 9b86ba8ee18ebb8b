#pragma once

#include <optional>
#include <vector>

#include "run/session.hpp"

namespace zeltric::run {

// What the opened data file holds, read as the go step reads its genotypes:
// the individuals (genotype lines) of each sample in the file's order and
// the distinct alleles typed at each locus in the file's order (a missing
// allele, 0, is not one). `alleles` is their sum over the loci.
struct OpenedSummary {
    int individuals = 0;
    std::vector<int> sampleSizes;
    std::vector<int> allelesPerLocus;
    int alleles = 0;
};

// Needs an open file (session.settings.fileOpen); a fault of its genotypes throws the
// base::FatalError the go step would report.
OpenedSummary summariseOpened(const Session& session);

// The number of individuals (genotype lines) of the opened data file, read
// as the go step reads them, for the desktop's status line after an open.
// Nothing when no file is open or its genotypes cannot be read that way: the
// go step reports those faults, so here they only leave the count out.
std::optional<int> countIndividuals(const Session& session);

}  // namespace zeltric::run
