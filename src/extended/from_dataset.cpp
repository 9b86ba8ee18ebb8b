#include "extended/from_dataset.hpp"

#include <array>
#include <string>
#include <vector>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::extended {

ExtendedData FromDataset(const data::Dataset& ds) {
    ExtendedData out;
    const int individuals = ds.individualCount;
    std::vector<int> sampleNumber(static_cast<std::size_t>(individuals) + 1, 0);
    std::vector<int> position(static_cast<std::size_t>(ds.np) + 1, -1);
    for (int i = 1; i <= individuals; ++i) {
        const int s = ds.sampleOf(i);
        sampleNumber[static_cast<std::size_t>(i)] = s;
        if (position[static_cast<std::size_t>(s)] < 0) {
            position[static_cast<std::size_t>(s)] = static_cast<int>(out.sampleNames.size());
            const std::string& label = ds.populationLabels[static_cast<std::size_t>(s)];
            out.sampleNames.push_back(label.empty() ? std::to_string(s) : label);
        }
        out.sampleOf.push_back(position[static_cast<std::size_t>(s)]);
        out.individualNames.push_back(std::to_string(i));
    }
    out.genotypes = GenotypeMatrix(static_cast<std::size_t>(individuals));

    const std::int32_t divisor = ds.alleleDivisor;
    std::vector<Genotype> calls(static_cast<std::size_t>(individuals));
    for (int l = 1; l <= ds.nl; ++l) {
        // The allele numbers that occur, checked as the exact counting does.
        std::array<int, 65536> index{};
        std::vector<int> present(static_cast<std::size_t>(ds.np) + 1, 0);
        for (int i = 1; i <= individuals; ++i) {
            const std::int32_t code = ds.genotypeColumns.at(l, i);
            const int s = sampleNumber[static_cast<std::size_t>(i)];
            if (code == 0) continue;
            const std::int32_t a1 = divisor > 0 ? code / divisor : -1;
            const std::int32_t a2 = divisor > 0 ? code % divisor : -1;
            if (!data::validGenotype(code, a1, a2, ds.nu))
                throw base::FatalError(
                    base::MessageId::Genotype,
                    base::genotypeMessage(s, present[static_cast<std::size_t>(s)] + 1,
                                          ds.locusNames[static_cast<std::size_t>(l)], l, a1, a2),
                    i);
            ++present[static_cast<std::size_t>(s)];
            index[static_cast<std::size_t>(a1)] = 1;
            index[static_cast<std::size_t>(a2)] = 1;
        }
        std::vector<std::string> names;
        for (int a = 1; a <= ds.nu; ++a) {
            if (index[static_cast<std::size_t>(a)] == 0) continue;
            index[static_cast<std::size_t>(a)] = static_cast<int>(names.size()) + 1;
            names.push_back(std::to_string(a));
        }
        for (int i = 1; i <= individuals; ++i) {
            const std::int32_t code = ds.genotypeColumns.at(l, i);
            Genotype& g = calls[static_cast<std::size_t>(i - 1)];
            if (code == 0) {
                g = {};
                continue;
            }
            g.first = static_cast<std::uint16_t>(index[static_cast<std::size_t>(code / divisor)] - 1);
            g.second = static_cast<std::uint16_t>(index[static_cast<std::size_t>(code % divisor)] - 1);
        }
        out.genotypes.addLocus(static_cast<int>(names.size()), calls);
        out.addLocusNames(ds.locusNames[static_cast<std::size_t>(l)], std::move(names));
    }
    return out;
}

}  // namespace zeltric::extended
