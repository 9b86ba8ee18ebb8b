#include "run/allele_table.hpp"

#include <fstream>

#include "base/decimal.hpp"
#include "base/fatal_error.hpp"
#include "base/messages_run.hpp"

namespace zeltric::run {

namespace {

// No table grows to a number's size: a larger one is a line edited into
// something else.
constexpr long long kMaxTableIndex = 1000000;

}  // namespace

std::string AlleleTable::alleleName(int locus, int number) const {
    const auto l = static_cast<std::size_t>(locus);
    const auto n = static_cast<std::size_t>(number);
    return l < names.size() && n < names[l].size() ? names[l][n] : std::string();
}

std::string AlleleTable::locusName(int locus) const {
    const auto l = static_cast<std::size_t>(locus);
    return l < locusNames.size() ? locusNames[l] : std::string();
}

AlleleTable readAlleleTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw base::FatalError(base::alleleTableUnreadableMessage(path));
    AlleleTable table;
    std::string line;
    std::getline(in, line);  // the heading
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        if (fields.size() != 4) continue;
        const auto locus = base::decimalValue(fields[0], base::Sign::Refused);
        const auto number = base::decimalValue(fields[2], base::Sign::Refused);
        if (!locus || !number || *locus < 1 || *number < 1 || *locus > kMaxTableIndex || *number > kMaxTableIndex)
            continue;
        const auto l = static_cast<std::size_t>(*locus);
        if (table.names.size() <= l) {
            table.names.resize(l + 1);
            table.locusNames.resize(l + 1);
        }
        table.locusNames[l] = fields[1];
        auto& ofLocus = table.names[l];
        if (ofLocus.size() <= static_cast<std::size_t>(*number))
            ofLocus.resize(static_cast<std::size_t>(*number) + 1);
        ofLocus[static_cast<std::size_t>(*number)] = fields[3];
    }
    return table;
}

}  // namespace zeltric::run
