#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extended/genotype_matrix.hpp"

namespace zeltric::extended {

// A data set of the extended analysis: diploid individuals, each in one
// sample, and loci in file order. Samples are numbered (0-based) in the
// order in which their first individual appears in the data.
struct ExtendedData {
    std::vector<std::string> sampleNames;      // P names
    std::vector<std::string> individualNames;  // one per individual
    std::vector<int> sampleOf;                 // per individual: its sample, 0..P-1
    std::vector<std::string> locusNames;       // one per locus
    // Allele names of every locus, flattened: locus l's alleles are
    // alleleNames[alleleStart[l] .. alleleStart[l + 1]).
    std::vector<std::string> alleleNames;
    std::vector<std::size_t> alleleStart{0};
    GenotypeMatrix genotypes;
    // The chromosome of every locus (an index into chromosomeNames) when the
    // file gives positions (VCF CHROM, .bim chromosome); empty otherwise.
    std::vector<std::string> chromosomeNames;
    std::vector<std::uint32_t> chromosomeOf;

    std::size_t samples() const { return sampleNames.size(); }
    std::size_t individuals() const { return sampleOf.size(); }
    std::size_t loci() const { return locusNames.size(); }
    std::size_t alleleCount(std::size_t locus) const { return alleleStart[locus + 1] - alleleStart[locus]; }
    const std::string& alleleName(std::size_t locus, std::size_t allele) const {
        return alleleNames[alleleStart[locus] + allele];
    }
    // Registers locus names and alleles; the genotypes are appended by the
    // caller to `genotypes` in the same order.
    void addLocusNames(std::string name, std::vector<std::string> alleles) {
        locusNames.push_back(std::move(name));
        for (auto& a : alleles) alleleNames.push_back(std::move(a));
        alleleStart.push_back(alleleNames.size());
    }
    // Records the chromosome of the locus just added, by name (files sorted
    // by position repeat the last locus's, so that is looked at first).
    void addLocusChromosome(const std::string& name) {
        std::size_t c = chromosomeOf.empty() ? 0 : chromosomeOf.back();
        if (c >= chromosomeNames.size() || chromosomeNames[c] != name) {
            c = 0;
            while (c < chromosomeNames.size() && chromosomeNames[c] != name) ++c;
            if (c == chromosomeNames.size()) chromosomeNames.push_back(name);
        }
        chromosomeOf.push_back(static_cast<std::uint32_t>(c));
    }
};

}  // namespace zeltric::extended
