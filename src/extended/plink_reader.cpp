#include "extended/plink_reader.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::extended {

namespace {

// NAME.bed -> NAME.<extension>.
std::string companion(const std::string& bedPath, const std::string& extension) {
    std::filesystem::path p(bedPath);
    p.replace_extension(extension);
    return p.string();
}

// Calls `line` with the columns of each line that holds any.
template <class OnLine>
void eachLine(const std::string& path, const std::string& bedPath, int columns, OnLine line) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw base::FatalError(base::companionMissingMessage(path, bedPath));
    std::string text;
    long long number = 0;
    std::vector<std::string> fields;
    while (std::getline(in, text)) {
        ++number;
        fields.clear();
        std::istringstream split(text);
        for (std::string field; split >> field;) fields.push_back(field);
        if (fields.empty()) continue;
        if (static_cast<int>(fields.size()) != columns)
            throw base::FatalError(
                base::plinkColumnsMessage(path, number, columns, static_cast<int>(fields.size())));
        line(fields, number);
    }
}

// .bed's 2-bit codes (00 homozygous allele 1, 01 missing, 10 heterozygous,
// 11 homozygous allele 2) to the genotype matrix's (0, 3, 1, 2), four to a byte.
std::array<std::uint8_t, 256> byteTable() {
    constexpr std::array<std::uint8_t, 4> code{0, 3, 1, 2};
    std::array<std::uint8_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned out = 0;
        for (unsigned k = 0; k < 4; ++k) out |= static_cast<unsigned>(code[(b >> (2 * k)) & 3u]) << (2 * k);
        table[b] = static_cast<std::uint8_t>(out);
    }
    return table;
}

}  // namespace

ExtendedData ReadPlink(const std::string& bedPath, const ReadOptions& options, ReadNotes& notes) {
    const std::string famPath = companion(bedPath, ".fam");
    const std::string bimPath = companion(bedPath, ".bim");

    std::vector<std::string> families;
    std::vector<std::string> names;
    std::vector<long long> lines;
    eachLine(famPath, bedPath, 6, [&](const std::vector<std::string>& f, long long number) {
        families.push_back(f[0]);
        names.push_back(f[1]);
        lines.push_back(number);
    });
    const SampleAssignment assignment = AssignSamples(famPath, names, lines, &families, options.map);
    notes.insert(notes.end(), assignment.notes.begin(), assignment.notes.end());

    ExtendedData data = AssignedData(assignment, names);
    eachLine(bimPath, bedPath, 6, [&](const std::vector<std::string>& f, long long number) {
        if (f[4] == f[5] && f[4] != "0") throw base::FatalError(base::plinkAlleleMessage(bimPath, number));
        data.addLocusNames(f[1], {f[4], f[5]});
        data.addLocusChromosome(f[0]);
    });

    std::ifstream bed(bedPath, std::ios::binary);
    if (!bed) throw base::FatalError(base::companionMissingMessage(bedPath, bedPath));
    const std::size_t all = names.size();
    const std::size_t stride = (all + 3) / 4;
    const auto loci = static_cast<unsigned long long>(data.loci());
    const unsigned long long expected = 3 + loci * stride;
    std::error_code error;
    const auto actual = static_cast<unsigned long long>(std::filesystem::file_size(bedPath, error));
    std::array<char, 3> magic{};
    if (!bed.read(magic.data(), 3) || magic[0] != 0x6C || magic[1] != 0x1B || magic[2] != 0x01)
        throw base::FatalError(base::bedMagicMessage(bedPath));
    if (error || actual != expected)
        throw base::FatalError(base::bedSizeMessage(bedPath, actual, expected, loci, all));

    if (data.loci() == 0) throw base::FatalError(base::noLocusMessage(bimPath));
    static const std::array<std::uint8_t, 256> table = byteTable();
    const std::size_t kept = data.individuals();
    data.genotypes = GenotypeMatrix(kept);
    std::vector<std::uint8_t> raw(stride);
    std::vector<std::uint8_t> packed((kept + 3) / 4);
    for (std::size_t l = 0; l < data.loci(); ++l) {
        if (!bed.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(stride)))
            throw base::FatalError(base::bedSizeMessage(bedPath, actual, expected, loci, all));
        if (kept == all) {
            for (std::size_t b = 0; b < stride; ++b) packed[b] = table[raw[b]];
            // The unused codes of the last byte stay 0, as the matrix expects none there.
            if (all % 4 != 0) packed[stride - 1] &= static_cast<std::uint8_t>((1u << (2 * (all % 4))) - 1u);
        } else {
            std::fill(packed.begin(), packed.end(), 0);
            std::size_t out = 0;
            for (std::size_t i = 0; i < all; ++i) {
                if (assignment.sampleOf[i] < 0) continue;
                const unsigned code = (table[raw[i / 4]] >> (2 * (i % 4))) & 3u;
                packed[out / 4] |= static_cast<std::uint8_t>(code << (2 * (out % 4)));
                ++out;
            }
        }
        data.genotypes.addPackedLocus(packed);
        if (options.progress && (l + 1) % 65536 == 0) options.progress(l + 1);
    }
    return data;
}

}  // namespace zeltric::extended
