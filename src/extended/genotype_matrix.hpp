#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zeltric::extended {

// One diploid genotype: two allele indices (0-based, in the locus's allele
// order) or missing. Either copy missing makes the genotype missing.
struct Genotype {
    static constexpr std::uint16_t kMissing = 0xFFFF;
    std::uint16_t first = kMissing;
    std::uint16_t second = kMissing;
    bool missing() const { return first == kMissing || second == kMissing; }
};

// The genotypes of every individual at every locus, loci appended in file
// order. Lean on purpose: a locus with at most two alleles keeps 2 bits per
// individual (0 and 2: homozygous for allele 0 or 1, 1: heterozygous,
// 3: missing), four individuals to a byte; a locus with more alleles keeps
// one byte per allele copy (two when it has more than 254 alleles).
// Individuals and loci are 0-based.
class GenotypeMatrix {
public:
    GenotypeMatrix() = default;
    explicit GenotypeMatrix(std::size_t individuals) : individuals_(individuals) {}

    std::size_t individuals() const { return individuals_; }
    std::size_t loci() const { return loci_.size(); }
    int alleleCount(std::size_t locus) const { return loci_[locus].alleles; }
    bool packed(std::size_t locus) const { return loci_[locus].alleles <= 2; }

    // Appends a locus of `alleles` alleles (at most 65534) from one call per
    // individual; every index must lie below `alleles`.
    void addLocus(int alleles, std::span<const Genotype> calls);
    // Appends a locus of two alleles from codes already packed as above
    // (bytes: (individuals + 3) / 4, individual i in bits 2(i%4)..2(i%4)+1).
    void addPackedLocus(std::span<const std::uint8_t> codes);

    // The 2-bit code of individual i at a packed locus.
    unsigned packedCode(std::size_t locus, std::size_t individual) const {
        const std::uint8_t byte = bytes_[loci_[locus].offset + individual / 4];
        return (byte >> (2 * (individual % 4))) & 3u;
    }
    // The packed codes of a locus (see addPackedLocus).
    const std::uint8_t* packedCodes(std::size_t locus) const { return &bytes_[loci_[locus].offset]; }
    Genotype at(std::size_t locus, std::size_t individual) const;

    // The storage as it is, and a matrix made from it again: how another
    // process receives the genotypes (alleles and offsets per locus, bytes).
    struct Raw {
        std::size_t individuals = 0;
        std::vector<std::int32_t> alleles;
        std::vector<std::uint64_t> offsets;
        std::vector<std::uint8_t> bytes;
    };
    Raw raw() const;
    static GenotypeMatrix fromRaw(Raw raw);

    // Bytes held by the genotypes (for the memory figures).
    std::size_t bytes() const { return bytes_.size() + loci_.size() * sizeof(LocusEntry); }

private:
    struct LocusEntry {
        std::size_t offset = 0;
        int alleles = 0;
    };
    std::size_t individuals_ = 0;
    std::vector<LocusEntry> loci_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace zeltric::extended
