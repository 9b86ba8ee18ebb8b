#include "run/result_tables.hpp"

#include "analysis/results_report.hpp"
#include "base/csv_text.hpp"
#include "base/fatal_error.hpp"
#include "base/output_file.hpp"
#include "run/allele_table.hpp"
#include "run/extended_tables.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

namespace {

template <typename T>
std::string number(T value) {
    return base::shortestDecimal(value);
}

std::size_t at(int i) { return static_cast<std::size_t>(i); }

void row(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) out += (i > 0 ? "," : "") + csvField(fields[i]);
    out += "\r\n";
}

// The opened file's numbers of the analysed loci (the selection keeps order).
std::vector<int> openedLoci(const Session& session) {
    std::vector<int> loci;
    for (int l = 1; l <= session.settings.opened.nl; ++l)
        if (!session.settings.selectLoci || session.settings.opened.locusSelected[at(l)] != 0) loci.push_back(l);
    return loci;
}

}  // namespace

std::string csvField(const std::string& text) { return base::csvField(text); }

std::vector<ResultTable> resultTables(const Session& session) {
    ZELTRIC_ASSERT(session.results.runDone);
    if (session.results.extended) {
        ZELTRIC_ASSERT(session.settings.extended != nullptr);
        std::vector<ResultTable> tables;
        for (auto& [suffix, text] : extendedResultTables(*session.settings.extended, *session.results.extended))
            tables.push_back({suffix, std::move(text)});
        return tables;
    }
    const data::Dataset& ds = session.results.analysed;
    const analysis::PcaResult& pca = session.results.pca;
    const AlleleTable table = session.settings.convertedFrom
                                  ? readAlleleTable(session.settings.convertedFrom->alleleTable)
                                  : AlleleTable{};
    const std::vector<int> loci = openedLoci(session);
    const auto openedLocus = [&](int l) { return at(l) <= loci.size() ? loci[at(l - 1)] : l; };
    const auto locusName = [&](int l) {
        const std::string full = table.locusName(openedLocus(l));
        return full.empty() ? ds.locusNames[at(l)] : full;
    };
    const auto sampleNumber = [&](int j) {
        return session.results.analysedOrigin[at(j)] != 0 ? static_cast<int>(session.results.analysedOrigin[at(j)])
                                                          : j;
    };
    const int axes = std::max(static_cast<int>(pca.dimension) - 1, 0);
    std::vector<std::string> axisColumns;
    for (int k = 1; k <= axes; ++k) axisColumns.push_back("axis" + std::to_string(k));

    std::string frequencies;
    row(frequencies, {"sample", "label", "locus", "locus_name", "allele", "original_name", "frequency", "typed"});
    for (int j = 1; j <= ds.np; ++j)
        for (int l = 1; l <= ds.nl; ++l) {
            const int typed = ds.counts.sampleSize(j, l);
            for (int a = 1; a <= ds.nu; ++a) {
                if (ds.counts.alleleTotal(l, a) == 0.0) continue;
                row(frequencies,
                    {std::to_string(sampleNumber(j)), ds.populationLabels[at(j)], std::to_string(openedLocus(l)),
                     locusName(l), std::to_string(a), table.alleleName(openedLocus(l), a),
                     typed == 0 ? std::string() : number(ds.counts.alleleCount(j, l, a) / 2.0 / typed),
                     std::to_string(typed)});
            }
        }

    std::string samples;
    std::vector<std::string> header = {"sample", "label", "size", "complete"};
    header.insert(header.end(), axisColumns.begin(), axisColumns.end());
    row(samples, header);
    for (int j = 1; j <= ds.np; ++j) {
        const int before = j > 1 ? ds.sampleEnds[at(j - 1)] : 0;
        std::vector<std::string> fields = {std::to_string(sampleNumber(j)), ds.populationLabels[at(j)],
                                           std::to_string(ds.sampleEnds[at(j)] - before),
                                           std::to_string(ds.completeCounts[at(j)])};
        for (int k = 1; k <= axes; ++k) fields.push_back(number(pca.populationCoordinates(j, k)));
        row(samples, fields);
    }

    std::string alleles;
    header = {"locus", "locus_name", "allele", "original_name"};
    header.insert(header.end(), axisColumns.begin(), axisColumns.end());
    row(alleles, header);
    int column = 0;
    for (int l = 1; l <= ds.nl; ++l)
        for (int a = 1; a <= ds.nu && column < pca.alleleColumnCount; ++a) {
            if (ds.counts.alleleTotal(l, a) == 0.0) continue;
            ++column;
            std::vector<std::string> fields = {std::to_string(openedLocus(l)), locusName(l), std::to_string(a),
                                               table.alleleName(openedLocus(l), a)};
            for (int k = 1; k <= axes; ++k) fields.push_back(number(pca.alleleCoordinates(column, k)));
            row(alleles, fields);
        }

    std::string axesText;
    row(axesText, {"axis", "eigenvalue", "percent", "fst", "share", "p_value", "share_lower", "share_upper",
                   "fst_lower", "fst_upper"});
    const int reported = session.results.testedRandomisations > 0
                             ? analysis::reportedPValueAxes(session.results.axisPValues, pca.dimension)
                             : 0;
    for (int k = 1; k <= axes; ++k) {
        std::vector<std::string> fields = {
            std::to_string(k),
            number(pca.eigenvalues[at(k)]),
            number(analysis::percentOf(pca, k)),
            number(pca.observedAxisFst[at(k)]),
            number(pca.observedAxisShare[at(k)]),
            k <= reported ? number(session.results.axisPValues[at(k)]) : std::string()};
        const randomisation::BootstrapAxis* b = nullptr;
        for (const randomisation::BootstrapAxis& axis : session.results.bootstrap.axes)
            if (axis.axis == k && session.results.bootstrap.replicates > 0) b = &axis;
        for (const randomisation::BootstrapFigure* f : {b ? &b->share : nullptr, b ? &b->fst : nullptr}) {
            fields.push_back(f && f->hasInterval ? number(f->lower) : std::string());
            fields.push_back(f && f->hasInterval ? number(f->upper) : std::string());
        }
        row(axesText, fields);
    }
    return {{"-frequencies.csv", frequencies},
            {"-samples.csv", samples},
            {"-alleles.csv", alleles},
            {"-axes.csv", axesText}};
}

std::vector<std::string> writeResultTables(const Session& session) {
    std::vector<std::string> paths;
    for (const ResultTable& t : resultTables(session)) {
        const std::string path = outputPath(session, t.suffix);
        base::replaceFileAtomically(path, t.text);
        paths.push_back(path);
    }
    return paths;
}

}  // namespace zeltric::run
