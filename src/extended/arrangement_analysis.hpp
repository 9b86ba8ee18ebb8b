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
// arrangement.
//
// Loci of two alleles with missing genotypes ("sparse loci", both alleles
// seen) take a second Gram matrix, of the typed copies g~ (0 where missing):
// with n_j the sample's size, the linear column a(j,l) = c(j,l) / 2n_j -
// pbar(l) gives sum_l a_j a_k from it and u'_i = sum_l g~(i,l) pbar(l). The
// definition's column x(j,l) = c(j,l) / 2n(j,l) - pbar(l) (0 when n(j,l) =
// 0) differs from a only where sample j holds an individual missing at l:
// for those (j,l) the correction x x^T - a a^T = b a^T + a b^T + b b^T, b =
// x - a, is added from the samples' sums c(.,l) of the arrangement. With m
// of j's individuals missing at l, b(j,l) = c(j,l) m / (2 (n_j - m) n_j), so
// sum_l b(j,l) c(k,l) is, for each m, a rate times an exact integer sum of
// c(j,l) c(k,l) (16-bit products, many lanes at once). The samples' sums
// are formed for all sparse loci at once from the individuals' packed rows (about
// individuals x loci / 32 word operations) and the lists of missing
// individuals. Every other locus (more alleles) is recounted for each
// arrangement as the definition says, in locus order.
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
    std::size_t sparseLoci() const { return sparse_.size(); }
    std::size_t dimension() const { return dimension_; }
    std::size_t individuals() const { return individuals_; }
    const ExtendedData& data() const { return data_; }
    double heterozygosity() const { return heterozygosity_; }

    // Scratch of one worker.
    struct Work {
        // What each arrangement of a group needs for itself.
        struct Each {
            std::vector<double> cross;           // P x P, lower triangle used
            std::vector<std::uint64_t> wide;     // sample sums of a chunk, 16-bit lanes, P x chunk
            std::vector<double> spread;          // E(j,k) = sum_l b(j,l) c(k,l)
            std::vector<std::uint16_t> sums;     // c(k,l) of one locus, P padded
            std::vector<std::int32_t> slotOf;    // per (j, m): its slot, -1 unused
            std::vector<std::uint32_t> recent;   // per slot: P padded, since a flush
            std::vector<std::uint64_t> settled;  // per slot: P padded
            std::size_t sinceFlush = 0;
            std::vector<double> offset;        // F(j) = sum_l b(j,l) pbar(l)
            std::vector<double> both;          // sum_l b(j,l) b(k,l), lower triangle
            std::vector<std::int64_t> absent;  // per sample: its individuals missing at l
            std::vector<std::size_t> dirty;
            std::vector<double> b;
            std::vector<std::uint32_t> members;  // individuals by sample
            std::vector<std::size_t> memberStart;
        };
        std::vector<Each> each;
        std::vector<std::int64_t> rowSums;  // P x N
        std::vector<double> column;
        std::vector<std::int64_t> typedMembers;
        LocusCounts counts;
        std::vector<std::uint64_t> narrow;  // sample sums of a chunk, 8-bit lanes
    };

    // The figures of the arrangement where individual i is in sample
    // sampleOf[i] (every sample keeping its size). Raises base::FatalError
    // as the eigen-solver does.
    void analyse(std::span<const int> sampleOf, Work& work, ArrangementFigures& figures) const;
    // The same for several arrangements at once: each gets the bits it gets
    // alone, while the packed rows are read once for all of them.
    void analyseTogether(std::span<const std::span<const int>> sampleOfs, Work& work,
                         std::span<ArrangementFigures> figures) const;
    // How many arrangements analyseTogether is worth giving at once.
    std::size_t together() const { return sparse_.empty() ? 1 : 4; }

private:
    void addComplete(std::span<const int> sampleOf, Work& work, Work::Each& each) const;
    void addRecounted(std::span<const int> sampleOf, Work& work, Work::Each& each) const;
    void startSparse(std::span<const int> sampleOf, Work& work, Work::Each& each) const;
    void addSparseChunk(std::size_t chunk, std::span<const int> sampleOf, Work& work, Work::Each& each) const;
    void finishSparse(Work::Each& each) const;
    void finish(std::span<const int> sampleOf, Work& work, Work::Each& each, ArrangementFigures& figures) const;
    void sampleSums(const std::vector<std::uint32_t>& gram, std::span<const int> sampleOf, Work& work,
                    std::vector<std::int64_t>& lower, std::vector<std::int64_t>& diagonal) const;

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

    std::vector<std::size_t> sparse_;        // loci through the sparse route
    std::vector<std::uint32_t> sparseGram_;  // lower triangle of g~ g~'
    std::vector<double> sparseWeighted_;     // u'_i
    double sparseSquares_ = 0.0;             // sum over sparse loci of pbar^2
    std::vector<double> sparseMean_;         // pbar per sparse locus
    std::vector<std::size_t> missingStart_;  // per sparse locus, into missing_
    std::vector<std::uint32_t> missing_;     // individuals missing there
    std::size_t chunks_ = 0;                 // of kSparseChunk sparse loci
    std::vector<std::uint64_t> rows_;        // per chunk and individual: g~ packed, 32 words
    std::size_t largest_ = 0;                // the largest sample
    std::size_t paddedSamples_ = 0;          // samples, rounded up to kLanes
    std::size_t flushEvery_ = 1;             // sparse loci between flushes of `recent`
    std::vector<double> rates_;              // per (j, m): m / (2 (n_j - m) n_j)
};

}  // namespace zeltric::extended
