#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "extended/genotype_matrix.hpp"

namespace zeltric::extended {

// What ReadTextGenotypes found wrong in a line, if anything.
struct TextGenotypeFault {
    enum class Kind { None, Malformed, Ploidy };
    Kind kind = Kind::None;
    std::size_t column = 0;  // the sample column (0-based) of a Ploidy fault
    int copies = 0;          // the allele copies it holds
};

// The genotype calls of one text VCF record, read straight from its sample
// columns: the general record parser converts every FORMAT field of every
// sample, which cost most of the reading time of a large file, while the
// analysis needs GT alone. `format` starts at the FORMAT column and runs to
// the end of the line. Exactly `columns` sample columns must follow; one call
// is written to `calls` (in column order) for each column whose `kept` entry
// is non-negative. A call is missing when its GT is absent, ".", or has a
// missing copy; two copies are needed otherwise. Allele numbers must lie
// below `alleles`.
TextGenotypeFault ReadTextGenotypes(std::string_view format, std::size_t columns, const std::vector<int>& kept,
                                    int alleles, std::vector<Genotype>& calls);

}  // namespace zeltric::extended
