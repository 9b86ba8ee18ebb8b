// STRUCTURE: an optional row of marker names, then rows of a label, the
// population (PopData), optional extra columns (PopFlag, LocData, ...) and
// the genotypes, each individual on two rows (one allele per locus per row)
// or on one (two columns per locus). The layout is detected from the content
// unless the user states it.
#include <map>

#include "base/fatal_error.hpp"
#include "base/messages_formats.hpp"
#include "formats/foreign_data.hpp"

namespace zeltric::formats {
namespace {

using detail::Line;

struct Rows {
    std::vector<Line> lines;  // the lines that hold more than blanks
    std::vector<std::vector<std::string>> cells;
};

Rows nonBlankRows(std::string_view bytes) {
    Rows r;
    for (Line& line : detail::splitLines(bytes)) {
        std::vector<std::string> t = detail::tokens(line.text);
        if (t.empty()) continue;
        r.lines.push_back(std::move(line));
        r.cells.push_back(std::move(t));
    }
    return r;
}

bool zeroOne(const Rows& r, std::size_t first) {
    for (std::size_t k = first; k < r.cells.size(); ++k)
        if (r.cells[k][2] != "0" && r.cells[k][2] != "1") return false;
    return true;
}

[[noreturn]] void ambiguous(const std::string& fileName, const std::string& what) {
    throw base::FatalError(base::structureAmbiguousMessage(fileName, what));
}

StructureLayout layoutOf(const Rows& r, const std::string& fileName, const StructureOptions& o) {
    if (r.cells.empty()) detail::refuse(fileName, 1, base::emptyForeignFileReason("rows of individuals"));
    StructureLayout layout;
    layout.missing = o.missing.value_or(-9);
    layout.namesRow = r.cells.size() > 1 && r.cells[0].size() < r.cells[1].size();
    const std::size_t first = layout.namesRow ? 1 : 0;
    const std::size_t columns = r.cells[first].size();
    for (std::size_t k = first; k < r.cells.size(); ++k)
        if (r.cells[k].size() != columns)
            detail::refuse(fileName, r.lines[k].number,
                           base::columnCountReason(r.cells[k].size(), columns, r.lines[first].number));
    if (columns < 3) detail::refuse(fileName, r.lines[first].number, base::tooFewColumnsReason(columns));
    const std::size_t count = r.cells.size() - first;

    if (o.rows) {
        layout.rows = *o.rows;
    } else {
        bool allPairs = count % 2 == 0;
        bool anyPair = false;
        for (std::size_t k = first; k + 1 < r.cells.size(); ++k) {
            const bool same = r.cells[k][0] == r.cells[k + 1][0];
            if ((k - first) % 2 == 0 && !same) allPairs = false;
            anyPair = anyPair || same;
        }
        if (allPairs)
            layout.rows = 2;
        else if (!anyPair)
            layout.rows = 1;
        else
            ambiguous(fileName, base::rowsShareLabelWhat());
    }
    const long long perLocus = layout.rows == 1 ? 2 : 1;
    const long long free = static_cast<long long>(columns) - 2;
    if (layout.namesRow && !o.loci) layout.loci = static_cast<int>(r.cells[0].size());
    if (o.loci) layout.loci = *o.loci;

    if (layout.loci > 0) {
        const long long extra = free - perLocus * layout.loci;
        if (extra < 0 || (o.extraColumns && *o.extraColumns != extra))
            detail::refuse(fileName, r.lines[first].number,
                           base::columnsDoNotHoldReason(
                               columns, o.extraColumns ? std::to_string(*o.extraColumns) : std::string(),
                               layout.loci, layout.rows));
        layout.extraColumns = static_cast<int>(extra);
    } else {
        if (o.extraColumns) {
            layout.extraColumns = *o.extraColumns;
        } else {
            // A column of 0 and 1 is a PopFlag only where the layout tells it
            // from a locus coded 0/1: in two-row files a PopFlag is the same
            // on both rows of an individual (a locus differs in heterozygotes).
            bool flags = free > perLocus && zeroOne(r, first);
            if (flags && layout.rows == 2) {
                bool sameOnBothRows = true;
                for (std::size_t k = first; k + 1 < r.cells.size() && sameOnBothRows; k += 2)
                    sameOnBothRows = r.cells[k][2] == r.cells[k + 1][2];
                flags = sameOnBothRows;
            }
            layout.extraColumns = flags ? 1 : 0;
            layout.popFlag = flags;
        }
        const long long genotypeColumns = free - layout.extraColumns;
        if (genotypeColumns < perLocus || genotypeColumns % perLocus != 0) {
            if (o.extraColumns)
                detail::refuse(fileName, r.lines[first].number,
                               base::columnsDoNotHoldPairsReason(columns, layout.extraColumns));
            ambiguous(fileName, base::extraColumnsUnclearWhat(columns));
        }
        layout.loci = static_cast<int>(genotypeColumns / perLocus);
    }
    if (layout.extraColumns > 0 && !o.extraColumns && layout.loci > 0) {
        bool flags = true;
        for (std::size_t k = first; k < r.cells.size() && flags; ++k)
            flags = r.cells[k][2] == "0" || r.cells[k][2] == "1";
        layout.popFlag = flags && layout.extraColumns == 1;
    }
    return layout;
}

}  // namespace

StructureLayout structureLayout(std::string_view bytes, const std::string& fileName,
                                const StructureOptions& options) {
    return layoutOf(nonBlankRows(bytes), fileName, options);
}

std::string describeLayout(const StructureLayout& layout) {
    return base::structureLayoutNote(layout.namesRow, layout.rows, layout.extraColumns, layout.popFlag,
                                     layout.loci, layout.missing);
}

namespace detail {

ForeignData readStructure(std::string_view bytes, const std::string& fileName, const StructureOptions& options) {
    const Rows r = nonBlankRows(bytes);
    const StructureLayout layout = layoutOf(r, fileName, options);
    ForeignData d;
    const std::size_t first = layout.namesRow ? 1 : 0;
    for (int l = 0; l < layout.loci; ++l)
        d.loci.push_back(layout.namesRow ? r.cells[0][static_cast<std::size_t>(l)] : "L" + std::to_string(l + 1));
    if ((r.cells.size() - first) % static_cast<std::size_t>(layout.rows) != 0)
        refuse(fileName, r.lines.back().number, base::secondRowMissingReason());

    const std::size_t genotypes = 2 + static_cast<std::size_t>(layout.extraColumns);
    auto allele = [&](std::size_t row, std::size_t column) {
        const std::string& cell = r.cells[row][column];
        long long value = 0;
        if (!wholeNumber(cell, value))
            refuse(fileName, r.lines[row].number, base::notStructureAlleleReason(cell, layout.missing));
        return value == layout.missing ? kMissing : value;
    };
    std::map<long long, ForeignSample> samples;
    for (std::size_t k = first; k < r.cells.size(); k += static_cast<std::size_t>(layout.rows)) {
        long long pop = 0;
        if (!wholeNumber(r.cells[k][1], pop))
            refuse(fileName, r.lines[k].number, base::notPopulationNumberReason(r.cells[k][1]));
        if (layout.rows == 2 && (r.cells[k + 1][0] != r.cells[k][0] || r.cells[k + 1][1] != r.cells[k][1]))
            refuse(fileName, r.lines[k + 1].number, base::secondRowExpectedReason(r.cells[k][0]));
        ForeignIndividual individual{r.lines[k].number, {}};
        for (std::size_t l = 0; l < static_cast<std::size_t>(layout.loci); ++l) {
            Genotype g;
            if (layout.rows == 2) {
                g.first = allele(k, genotypes + l);
                g.second = allele(k + 1, genotypes + l);
            } else {
                g.first = allele(k, genotypes + 2 * l);
                g.second = allele(k, genotypes + 2 * l + 1);
            }
            individual.genotypes.push_back(g);
        }
        ForeignSample& s = samples[pop];
        if (s.individuals.empty()) s = ForeignSample{std::to_string(pop), r.lines[k].number, {}};
        s.individuals.push_back(std::move(individual));
    }
    for (auto& [number, sample] : samples) d.samples.push_back(std::move(sample));
    d.notes.push_back(describeLayout(layout));
    return d;
}

}  // namespace detail
}  // namespace zeltric::formats
