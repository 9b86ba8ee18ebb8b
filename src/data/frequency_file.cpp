#include "data/frequency_file.hpp"

#include "base/number_field.hpp"

namespace zeltric::data {

std::string frequencyFileText(const Dataset& ds, const CountTables& counts) {
    std::string out;
    for (int s = 1; s <= ds.np; ++s) {
        for (int l = 1; l <= ds.nl; ++l) {
            const std::uint16_t size = counts.sampleSize(s, l);
            for (int a = 1; a <= ds.nu; ++a) {
                if (!(counts.alleleTotal(l, a) > 0.0)) continue;
                if (size != 0)
                    out += base::realField(counts.alleleCount(s, l, a) / 2.0 / size, 6, 3) + " ";
                else
                    out += " 0.000 ";
            }
        }
        base::endLine(out);
    }
    return out;
}

}  // namespace zeltric::data
