#include "statistics/locus_tallies.hpp"

#include <algorithm>

namespace zeltric::statistics {

namespace {

void reset(LocusTally& tally, std::size_t samples, std::size_t alleles) {
    tally.samples = samples;
    tally.alleles = alleles;
    tally.typed.assign(samples, 0);
    tally.heterozygous.assign(samples, 0);
    tally.copies.assign(samples * alleles, 0);
    tally.carriers.assign(samples * alleles, 0);
}

}  // namespace

void tallyLocusGrouped(const extended::ExtendedData& data, std::size_t locus, const std::vector<int>& groupOf,
                       std::size_t groups, LocusTally& tally) {
    const extended::GenotypeMatrix& m = data.genotypes;
    const auto alleles = static_cast<std::size_t>(std::max(m.alleleCount(locus), 0));
    reset(tally, groups, alleles);
    const std::size_t individuals = m.individuals();
    if (m.packed(locus)) {
        // Two alleles: the 2-bit codes counted per group, the copies derived.
        std::vector<std::int64_t> codes(groups * 3, 0);
        for (std::size_t i = 0; i < individuals; ++i) {
            const int g = groupOf[i];
            const unsigned code = m.packedCode(locus, i);
            if (g < 0 || code == 3u) continue;
            ++codes[static_cast<std::size_t>(g) * 3 + code];
        }
        for (std::size_t g = 0; g < groups; ++g) {
            const std::int64_t* c = &codes[g * 3];
            tally.typed[g] = c[0] + c[1] + c[2];
            tally.heterozygous[g] = c[1];
            if (alleles >= 1) {
                tally.copies[g * alleles] = 2 * c[0] + c[1];
                tally.carriers[g * alleles] = c[1];
            }
            if (alleles == 2) {
                tally.copies[g * alleles + 1] = 2 * c[2] + c[1];
                tally.carriers[g * alleles + 1] = c[1];
            }
        }
        return;
    }
    for (std::size_t i = 0; i < individuals; ++i) {
        const int g = groupOf[i];
        if (g < 0) continue;
        const extended::Genotype call = m.at(locus, i);
        if (call.missing()) continue;
        const std::size_t row = static_cast<std::size_t>(g) * alleles;
        ++tally.typed[static_cast<std::size_t>(g)];
        ++tally.copies[row + call.first];
        ++tally.copies[row + call.second];
        if (call.first != call.second) {
            ++tally.heterozygous[static_cast<std::size_t>(g)];
            ++tally.carriers[row + call.first];
            ++tally.carriers[row + call.second];
        }
    }
}

void tallyLocus(const extended::ExtendedData& data, std::size_t locus, LocusTally& tally) {
    tallyLocusGrouped(data, locus, data.sampleOf, data.samples(), tally);
}

}  // namespace zeltric::statistics
