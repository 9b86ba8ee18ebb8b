#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "data/dataset.hpp"

namespace zeltric::test {

// A data set for the analysis built straight from genotypes, without a data
// file: samples x loci, each individual a pair of allele numbers (0 = not
// typed at that locus).
struct AnalysisData {
    data::Dataset ds;

    // genotypes[j][i][l] = {first, second} for sample j, individual i, locus l
    // (all 0-based here; the tables are 1-based).
    using Genotype = std::pair<int, int>;
    std::vector<std::vector<std::vector<Genotype>>> genotypes;

    AnalysisData(int samples, int loci, int alleles) {
        ds.np = static_cast<std::uint16_t>(samples);
        ds.nl = static_cast<std::uint16_t>(loci);
        ds.nu = static_cast<std::uint16_t>(alleles);
        for (int l = 1; l <= loci; ++l) ds.locusNames[static_cast<std::size_t>(l)] = "L" + std::to_string(l);
        for (int j = 1; j <= samples; ++j) ds.populationLabels[static_cast<std::size_t>(j)] = std::to_string(j);
        genotypes.resize(static_cast<std::size_t>(samples));
        ds.counts.allocate(samples, loci);
    }

    // Counts alleles as the allele counting does: a typed individual adds 1 to
    // n(j,l) and 1 to the count of each of its two alleles.
    void count() {
        ds.counts.allocate(ds.np, ds.nl);
        for (int j = 1; j <= ds.np; ++j)
            for (const auto& individual : genotypes[static_cast<std::size_t>(j - 1)])
                for (int l = 1; l <= ds.nl; ++l) {
                    const Genotype g = individual[static_cast<std::size_t>(l - 1)];
                    if (g.first == 0 || g.second == 0) continue;
                    ++ds.counts.sampleSize(j, l);
                    for (int a : {g.first, g.second}) {
                        ds.counts.alleleCount(j, l, a) += 1.0;
                        ds.counts.alleleTotal(l, a) += 1.0;
                    }
                }
    }

    // Random individuals: each sample has its own allele frequencies; a
    // genotype is left untyped with probability `missing`.
    static AnalysisData generated(int samples, int loci, int alleles, int individuals, double missing,
                                  unsigned seed) {
        AnalysisData out(samples, loci, alleles);
        std::mt19937 engine(seed);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int j = 0; j < samples; ++j) {
            std::vector<std::discrete_distribution<int>> perLocus;
            for (int l = 0; l < loci; ++l) {
                std::vector<double> weights;
                for (int a = 0; a < alleles; ++a) weights.push_back(0.05 + unit(engine));
                perLocus.emplace_back(weights.begin(), weights.end());
            }
            for (int i = 0; i < individuals; ++i) {
                std::vector<Genotype> individual;
                for (int l = 0; l < loci; ++l) {
                    if (unit(engine) < missing) {
                        individual.emplace_back(0, 0);
                    } else {
                        const int first = perLocus[static_cast<std::size_t>(l)](engine) + 1;
                        const int second = perLocus[static_cast<std::size_t>(l)](engine) + 1;
                        individual.emplace_back(first, second);
                    }
                }
                out.genotypes[static_cast<std::size_t>(j)].push_back(individual);
            }
        }
        out.count();
        return out;
    }
};

// The worked two-sample example: one locus "loc1" with two alleles, ten
// individuals per sample, allele 1 counted 4 and 12 times.
inline data::Dataset twoSampleDataset() {
    data::Dataset ds;
    ds.np = 2;
    ds.nl = 1;
    ds.nu = 2;
    ds.locusNames[1] = "loc1";
    ds.populationLabels[1] = "1";
    ds.populationLabels[2] = "2";
    ds.counts.allocate(2, 1);
    ds.counts.sampleSize(1, 1) = 10;
    ds.counts.sampleSize(2, 1) = 10;
    ds.counts.alleleCount(1, 1, 1) = 4;
    ds.counts.alleleCount(1, 1, 2) = 16;
    ds.counts.alleleCount(2, 1, 1) = 12;
    ds.counts.alleleCount(2, 1, 2) = 8;
    ds.counts.alleleTotal(1, 1) = 16;
    ds.counts.alleleTotal(1, 2) = 24;
    return ds;
}

}  // namespace zeltric::test
