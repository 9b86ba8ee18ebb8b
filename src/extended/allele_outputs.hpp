#pragma once

#include <string>

#include "extended/extended_analysis.hpp"
#include "extended/extended_data.hpp"

namespace zeltric::extended {

// The per-allele files: NAME.fre (one line per allele column: locus name,
// allele name, then its frequency in each sample as 6:3) and NAME.al (one
// line per allele column: its coordinates on axes 1..p-1 as 8:4), every
// line ending CR LF. `compressed` writes them gzip-compressed as NAME.fre.gz
// and NAME.al.gz. Each file appears complete or not at all.
struct AlleleOutputFiles {
    std::string frequencies;
    std::string coordinates;
};
AlleleOutputFiles WriteAlleleOutputs(const ExtendedData& data, const ExtendedResult& result,
                                     const std::string& base, bool compressed);

}  // namespace zeltric::extended
