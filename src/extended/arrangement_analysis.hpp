#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "extended/extended_analysis.hpp"
#include "extended/extended_data.hpp"

namespace zeltric::extended {

// The figures the permutation test compares: the global Fst and the share
// of every axis 1..p (0-based here) of one arrangement of the individuals.
struct ArrangementFigures {
    double globalFst = 0.0;
    std::vector<double> shares;  // p entries
};

// The extended analysis of arrangements of the same individuals among the
// same samples (sample sizes fixed), fast enough to repeat thousands of
// times. N(l), t(l,a), H, the columns and p do not depend on the arrangement;
// the samples' cross products X X^T do.
//
// Loci typed in every individual with at most two alleles ("complete
// loci") go through the individuals' Gram matrix G(i,i') = sum_l g(i,l)
// g(i',l), g the copies of the locus's second allele, an exact integer
// computed once from the 2-bit codes with population counts. With S(j,l)
// the sample sums, n_j the sample sizes, N the individuals and t_l the
// second allele's total, the locus's two columns give samples j and k
//   2 (S_j N - t n_j)(S_k N - t n_k) / (4 n_j n_k N^2),
// so that summed over the complete loci the numerator is the exact integer
//   N^2 B_jk - N n_k U_j - N n_j U_k + n_j n_k sum t^2,
// with B_jk the sum of G over the individuals of j and k and U_j the sum of
// u_i = sum_l t_l g(i,l) over those of j: about N^2 additions an
// arrangement. Every other locus (a missing genotype, more alleles) is
// recounted for each arrangement as the definition says, in locus order.
//
// Each arrangement is analysed by one call in a fixed order of operations,
// so its figures do not depend on the thread that runs it. They differ from
// RunExtendedAnalysis on the rearranged data only by rounding (the complete
// loci's sum is formed exactly here and in floating point there).
class ArrangementAnalyser {
public:
    // `observed`: the analysis of `data` as it is. `useGram` false recounts
    // every locus (the reference). `threads` build the Gram matrix, unless
    // `buildNow` is false (the caller then gives every row by setGramRows).
    ArrangementAnalyser(const ExtendedData& data, const ExtendedResult& observed, int threads, bool useGram = true,
                        bool buildNow = true);

    // The Gram matrix's rows first..last-1 (lower triangle, row i holding
    // columns 0..i) as a flat range, for a caller that builds them elsewhere
    // (another process) and hands them back through setGramRows.
    static std::size_t gramRowOffset(std::size_t row) { return row * (row + 1) / 2; }
    std::vector<std::uint32_t> buildGramRows(std::size_t first, std::size_t last, int threads) const;
    void setGramRows(std::size_t first, std::span<const std::uint32_t> rows);
    // Builds the rows this object needs (all of them) itself.
    void buildGram(int threads);

    std::size_t completeLoci() const { return complete_.size(); }
    std::size_t recountedLoci() const { return recounted_.size(); }
    std::size_t dimension() const { return dimension_; }
    std::size_t individuals() const { return individuals_; }
    const ExtendedData& data() const { return data_; }
    double heterozygosity() const { return heterozygosity_; }

    // Scratch of one worker.
    struct Work {
        std::vector<std::int64_t> rowSums;  // P x N
        std::vector<double> cross;          // P x P, lower triangle used
        std::vector<double> column;
        std::vector<std::int64_t> typedMembers;
        LocusCounts counts;
    };

    // The figures of the arrangement where individual i is in sample
    // sampleOf[i] (every sample keeping its size). Raises base::FatalError
    // as the eigen-solver does.
    void analyse(std::span<const int> sampleOf, Work& work, ArrangementFigures& figures) const;

private:
    void addComplete(std::span<const int> sampleOf, Work& work) const;
    void addRecounted(std::span<const int> sampleOf, Work& work) const;

    const ExtendedData& data_;
    std::size_t samples_ = 0;
    std::size_t individuals_ = 0;
    std::size_t dimension_ = 0;
    double heterozygosity_ = 0.0;
    std::vector<std::int64_t> sampleSizes_;
    std::vector<std::uint8_t> typedAnywhere_;
    std::vector<std::size_t> complete_;   // loci through the Gram matrix
    std::vector<std::size_t> recounted_;  // loci recounted per arrangement
    std::vector<std::uint32_t> gram_;     // lower triangle, rows in order
    std::vector<std::int64_t> weighted_;  // u_i
    std::int64_t squareSum_ = 0;          // sum over complete loci of t^2
};

}  // namespace zeltric::extended
