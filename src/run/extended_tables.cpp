#include "run/extended_tables.hpp"

#include "base/csv_text.hpp"
#include "base/fatal_error.hpp"
#include "extended/extended_report.hpp"
#include "run/result_tables.hpp"

namespace zeltric::run {

namespace {

void row(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) out += (i > 0 ? "," : "") + csvField(fields[i]);
    out += "\r\n";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> extendedResultTables(const ExtendedOpened& opened,
                                                                      const ExtendedRun& run) {
    const extended::ExtendedData& data = opened.data;
    const extended::ExtendedResult& result = run.result;
    const std::size_t axes = result.dimension > 0 ? result.dimension - 1 : 0;
    std::vector<std::string> axisColumns;
    for (std::size_t k = 1; k <= axes; ++k) axisColumns.push_back("axis" + std::to_string(k));

    // Individuals per sample, and those typed at every locus.
    std::vector<long long> size(data.samples(), 0), complete(data.samples(), 0);
    for (std::size_t i = 0; i < data.individuals(); ++i) {
        const auto j = static_cast<std::size_t>(data.sampleOf[i]);
        ++size[j];
        bool typed = true;
        for (std::size_t l = 0; l < data.loci() && typed; ++l) typed = !data.genotypes.at(l, i).missing();
        if (typed) ++complete[j];
    }

    // One pass over the allele columns gives the frequencies and the allele
    // coordinates; rows go allele by allele, each allele's samples together.
    std::string frequencies;
    row(frequencies, {"sample", "label", "locus", "locus_name", "allele", "original_name", "frequency", "typed"});
    std::string alleles;
    std::vector<std::string> header = {"locus", "locus_name", "allele", "original_name"};
    header.insert(header.end(), axisColumns.begin(), axisColumns.end());
    row(alleles, header);
    extended::LocusCounts counts;
    std::size_t counted = data.loci();
    extended::ForEachAlleleColumn(data, result, [&](const extended::AlleleColumn& c) {
        if (counted != c.locus) {
            extended::CountLocus(data, c.locus, counts);
            counted = c.locus;
        }
        const std::string locus = std::to_string(c.locus + 1);
        const std::string allele = std::to_string(c.allele + 1);
        const std::string& name = data.alleleName(c.locus, c.allele);
        for (std::size_t j = 0; j < data.samples(); ++j) {
            const std::int64_t typed = counts.typed[j];
            row(frequencies,
                {std::to_string(j + 1), data.sampleNames[j], locus, data.locusNames[c.locus], allele, name,
                 typed == 0 ? std::string() : base::shortestDecimal(c.frequencies[j]), std::to_string(typed)});
        }
        std::vector<std::string> fields = {locus, data.locusNames[c.locus], allele, name};
        for (std::size_t k = 0; k < axes; ++k) fields.push_back(base::shortestDecimal(c.coordinates[k]));
        row(alleles, fields);
    });

    std::string samples;
    header = {"sample", "label", "size", "complete"};
    header.insert(header.end(), axisColumns.begin(), axisColumns.end());
    row(samples, header);
    for (std::size_t j = 0; j < data.samples(); ++j) {
        std::vector<std::string> fields = {std::to_string(j + 1), data.sampleNames[j], std::to_string(size[j]),
                                           std::to_string(complete[j])};
        for (std::size_t k = 0; k < axes; ++k)
            fields.push_back(base::shortestDecimal(result.sampleCoordinate(j, k)));
        row(samples, fields);
    }

    std::string axesText;
    row(axesText, {"axis", "eigenvalue", "percent", "fst", "share", "p_value", "share_lower", "share_upper",
                   "fst_lower", "fst_upper"});
    for (std::size_t k = 0; k < axes; ++k)
        row(axesText,
            {std::to_string(k + 1), base::shortestDecimal(result.eigenvalues[k]),
             base::shortestDecimal(extended::ExtendedPercent(result, k)), base::shortestDecimal(result.axisFst[k]),
             base::shortestDecimal(result.axisShare[k]), "", "", "", "", ""});
    return {{"-frequencies.csv", frequencies},
            {"-samples.csv", samples},
            {"-alleles.csv", alleles},
            {"-axes.csv", axesText}};
}

}  // namespace zeltric::run
