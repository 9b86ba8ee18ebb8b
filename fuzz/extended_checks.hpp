#pragma once

#include <cmath>

#include "extended/extended_analysis.hpp"
#include "extended/extended_data.hpp"
#include "fuzz_support.hpp"

// What every data set a reader of the extended analysis accepts must hold,
// and what its analysis must give: a genotype of every individual at every
// locus with allele indices below the locus's alleles, each individual in a
// named sample, and finite figures.
namespace zeltric::fuzz {

inline void checkExtendedData(const extended::ExtendedData& d) {
    FUZZ_CHECK(d.genotypes.individuals() == d.individuals());
    FUZZ_CHECK(d.genotypes.loci() == d.loci());
    FUZZ_CHECK(d.individualNames.size() == d.individuals());
    FUZZ_CHECK(d.alleleStart.size() == d.loci() + 1);
    for (const int sample : d.sampleOf) FUZZ_CHECK(sample >= 0 && static_cast<std::size_t>(sample) < d.samples());
    for (std::size_t l = 0; l < d.loci(); ++l) {
        FUZZ_CHECK(static_cast<std::size_t>(d.genotypes.alleleCount(l)) == d.alleleCount(l));
        for (std::size_t i = 0; i < d.individuals(); ++i) {
            const extended::Genotype g = d.genotypes.at(l, i);
            if (g.missing()) continue;
            FUZZ_CHECK(g.first < d.alleleCount(l) && g.second < d.alleleCount(l));
        }
    }
    const extended::ExtendedResult r = extended::RunExtendedAnalysis(d);
    FUZZ_CHECK(r.samples == d.samples());
    FUZZ_CHECK(std::isfinite(r.totalInertia) && std::isfinite(r.globalFst) && r.totalInertia >= 0.0);
    for (const double lambda : r.eigenvalues) FUZZ_CHECK(std::isfinite(lambda) && lambda >= 0.0);
    for (const double c : r.sampleCoordinates) FUZZ_CHECK(std::isfinite(c));
}

}  // namespace zeltric::fuzz
