#include "extended/genotype_matrix.hpp"

#include "base/fatal_error.hpp"

namespace zeltric::extended {

namespace {

// The 2-bit code of a call at a locus of at most two alleles.
unsigned packedCodeOf(const Genotype& g) {
    if (g.missing()) return 3u;
    return static_cast<unsigned>(g.first) + static_cast<unsigned>(g.second);
}

}  // namespace

void GenotypeMatrix::addLocus(int alleles, std::span<const Genotype> calls) {
    ZELTRIC_ASSERT(calls.size() == individuals_);
    ZELTRIC_ASSERT(alleles >= 0 && alleles < Genotype::kMissing);
    const std::size_t offset = bytes_.size();
    if (alleles <= 2) {
        bytes_.resize(offset + (individuals_ + 3) / 4, 0);
        for (std::size_t i = 0; i < individuals_; ++i) {
            const Genotype& g = calls[i];
            ZELTRIC_ASSERT(g.missing() || (g.first < alleles && g.second < alleles));
            bytes_[offset + i / 4] |= static_cast<std::uint8_t>(packedCodeOf(g) << (2 * (i % 4)));
        }
    } else {
        const bool wide = alleles > 254;
        const std::size_t width = wide ? 4 : 2;
        bytes_.resize(offset + individuals_ * width, 0);
        for (std::size_t i = 0; i < individuals_; ++i) {
            const Genotype& g = calls[i];
            ZELTRIC_ASSERT(g.missing() || (g.first < alleles && g.second < alleles));
            std::uint8_t* slot = &bytes_[offset + i * width];
            const std::uint16_t first = g.missing() ? Genotype::kMissing : g.first;
            const std::uint16_t second = g.missing() ? Genotype::kMissing : g.second;
            if (wide) {
                slot[0] = static_cast<std::uint8_t>(first & 0xFF);
                slot[1] = static_cast<std::uint8_t>(first >> 8);
                slot[2] = static_cast<std::uint8_t>(second & 0xFF);
                slot[3] = static_cast<std::uint8_t>(second >> 8);
            } else {
                slot[0] = static_cast<std::uint8_t>(first == Genotype::kMissing ? 0xFF : first);
                slot[1] = static_cast<std::uint8_t>(second == Genotype::kMissing ? 0xFF : second);
            }
        }
    }
    loci_.push_back({offset, alleles});
}

void GenotypeMatrix::addPackedLocus(std::span<const std::uint8_t> codes) {
    ZELTRIC_ASSERT(codes.size() == (individuals_ + 3) / 4);
    const std::size_t offset = bytes_.size();
    bytes_.insert(bytes_.end(), codes.begin(), codes.end());
    loci_.push_back({offset, 2});
}

Genotype GenotypeMatrix::at(std::size_t locus, std::size_t individual) const {
    const LocusEntry& entry = loci_[locus];
    if (entry.alleles <= 2) {
        switch (packedCode(locus, individual)) {
            case 0: return {0, 0};
            case 1: return {0, 1};
            case 2: return {1, 1};
            default: return {};
        }
    }
    if (entry.alleles > 254) {
        const std::uint8_t* slot = &bytes_[entry.offset + individual * 4];
        const auto first = static_cast<std::uint16_t>(slot[0] | (slot[1] << 8));
        const auto second = static_cast<std::uint16_t>(slot[2] | (slot[3] << 8));
        if (first == Genotype::kMissing || second == Genotype::kMissing) return {};
        return {first, second};
    }
    const std::uint8_t* slot = &bytes_[entry.offset + individual * 2];
    if (slot[0] == 0xFF || slot[1] == 0xFF) return {};
    return {slot[0], slot[1]};
}

GenotypeMatrix::Raw GenotypeMatrix::raw() const {
    Raw out;
    out.individuals = individuals_;
    for (const LocusEntry& entry : loci_) {
        out.alleles.push_back(entry.alleles);
        out.offsets.push_back(entry.offset);
    }
    out.bytes = bytes_;
    return out;
}

GenotypeMatrix GenotypeMatrix::fromRaw(Raw raw) {
    ZELTRIC_ASSERT(raw.alleles.size() == raw.offsets.size());
    GenotypeMatrix out(raw.individuals);
    for (std::size_t l = 0; l < raw.alleles.size(); ++l) {
        ZELTRIC_ASSERT(raw.offsets[l] <= raw.bytes.size());
        out.loci_.push_back({static_cast<std::size_t>(raw.offsets[l]), raw.alleles[l]});
    }
    out.bytes_ = std::move(raw.bytes);
    return out;
}

}  // namespace zeltric::extended
