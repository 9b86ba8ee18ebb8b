#pragma once

#include <string>
#include <vector>

// The allele table a conversion writes beside the data file (a heading, then
// "locus TAB name TAB number TAB allele" lines), read back for the run record
// and the tables: the original allele names and the loci's full names.
namespace zeltric::run {

struct AlleleTable {
    // names[opened locus][allele number], both counted from 1; "" where absent.
    std::vector<std::vector<std::string>> names;
    // locusNames[opened locus]: the full name (the data file keeps six characters).
    std::vector<std::string> locusNames;

    std::string alleleName(int locus, int number) const;
    std::string locusName(int locus) const;
};

// Raises base::FatalError naming the file when it cannot be read. Lines of
// another shape are passed over.
AlleleTable readAlleleTable(const std::string& path);

}  // namespace zeltric::run
