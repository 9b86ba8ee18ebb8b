#include "analysis/results_report.hpp"

#include <algorithm>
#include <string>

#include "analysis/frequency_pca.hpp"
#include "base/number_field.hpp"

namespace zeltric::analysis {

namespace {

using base::endLine;
using base::integerField;
using base::realField;

constexpr double kShownShare = 0.001;

bool shown(const PcaResult& result, int k) {
    return result.observedAxisShare[static_cast<std::size_t>(k)] > kShownShare;
}

std::string coordinateLines(const SquareMatrix& coordinates, int rows, int axes) {
    std::string out;
    for (int i = 1; i <= rows; ++i) {
        for (int k = 1; k <= axes; ++k) out += realField(coordinates(i, k), 8, 4);
        endLine(out);
    }
    return out;
}

}  // namespace

double percentOf(const PcaResult& result, int k) {
    if (result.totalInertia == 0.0f) return 0.0;
    return static_cast<double>(result.eigenvalues[static_cast<std::size_t>(k)]) * 100.0 /
           static_cast<double>(result.totalInertia);
}

double totalHeterozygosity(const PcaResult& result) {
    return result.typedLoci > 0 ? static_cast<double>(result.heterozygositySum) / result.typedLoci : 0.0;
}

std::string resultsReportSection(const data::Dataset& ds, const PcaResult& result) {
    const int axes = result.dimension - 1;
    auto line = [](std::string& out, const std::string& text) {
        out += text;
        endLine(out);
    };
    auto shownValues = [&](auto value) {
        std::string text;
        for (int k = 1; k <= axes; ++k)
            if (shown(result, k)) text += value(k);
        return text;
    };

    std::string out;
    line(out, std::string(43, '*'));
    line(out, "results based on the following loci");
    std::string loci;
    for (int l = 1; l <= ds.nl; ++l) loci += " " + ds.locusNames[static_cast<std::size_t>(l)];
    line(out, loci);
    line(out, " and populations:");
    std::string samples;
    for (int j = 1; j <= ds.np; ++j) samples += " " + ds.populationLabels[static_cast<std::size_t>(j)];
    line(out, samples);
    line(out, "");
    line(out, "Number of samples: " + integerField(ds.np, 6));
    line(out, "Number of alleles (loci): " + integerField(result.alleleColumnCount, 6) + "(" +
                  integerField(ds.nl) + ")");
    std::string perLocus = "Number of alleles per locus: ";
    for (int l = 1; l <= ds.nl; ++l)
        perLocus += integerField(result.allelesPerLocus[static_cast<std::size_t>(l)], 4);
    line(out, perLocus);
    line(out, "");
    line(out, "Total heterozygosity: " + realField(totalHeterozygosity(result), 10, 5));
    line(out, "Total inertia (Dst X nb loci): " + realField(result.totalInertia, 10, 5));
    line(out, "Per axis inertia");
    line(out,
         shownValues([&](int k) { return realField(result.eigenvalues[static_cast<std::size_t>(k)], 10, 5); }));
    line(out, "Percent inertia");
    line(out, shownValues([&](int k) { return realField(percentOf(result, k), 10, 2); }));
    line(out, "Percent Cumulative inertia");
    std::string cumulativeText;
    float cumulative = 0.0f;
    for (int k = 1; k <= axes; ++k) {
        cumulative = static_cast<float>(static_cast<double>(cumulative) + percentOf(result, k));
        if (shown(result, k)) cumulativeText += realField(cumulative, 10, 2);
    }
    line(out, cumulativeText);
    line(out, "");
    line(out,
         "Number of significant axes according to the broken-stick: " + integerField(result.brokenStickAxes, 4));
    line(out, "");
    line(out, "");
    line(out, "Global Fst: " + realField(result.observedGlobalFst, 10, 5));
    line(out, "Per axis Fst:");
    line(out, shownValues(
                  [&](int k) { return realField(result.observedAxisFst[static_cast<std::size_t>(k)], 10, 5); }));
    line(out, "");
    return out;
}

std::string sampleCoordinateText(const data::Dataset& ds, const PcaResult& result) {
    return coordinateLines(result.populationCoordinates, ds.np, result.dimension - 1);
}

std::string alleleCoordinateText(const PcaResult& result) {
    return coordinateLines(result.alleleCoordinates, result.alleleColumnCount, result.dimension - 1);
}

std::string shareLine(const PcaResult& result) {
    std::string out = realField(result.globalFst, 10, 5);
    for (int k = 1; k <= result.dimension; ++k)
        if (shown(result, k)) out += realField(axisShareRatio(result, k), 10, 5);
    endLine(out);
    return out;
}

int reportedPValueAxes(const RealVector& axisPValues, int dimension) {
    auto p = [&](int k) { return static_cast<double>(axisPValues[static_cast<std::size_t>(k)]); };
    const int axes = dimension - 1;
    if (axes <= 2) return std::max(axes, 0);
    // Further axes only while the list keeps finding small P-values.
    int k = 2;
    while (k + 1 <= axes && (p(k) <= 0.3 || p(k + 1) <= 0.05)) ++k;
    return k;
}

std::string testSectionText(const data::Dataset& ds, int randomisations, float fstPValue,
                            const RealVector& axisPValues, int dimension) {
    auto line = [](std::string& out, const std::string& text) {
        out += text;
        base::endLine(out);
    };
    auto field = [](float value) { return base::realField(static_cast<double>(value), 10, 5); };

    std::string out;
    line(out, "P-values are given after " + base::integerField(randomisations) + " randomizations.");
    line(out, "With the following number of complete genotypes :");
    for (int s = 1; s <= ds.np; ++s)
        line(out, ds.populationLabels[static_cast<std::size_t>(s)] + "  " +
                      base::integerField(ds.completeCounts[static_cast<std::size_t>(s)], 4));
    line(out, "");
    line(out, "P-value for overall Fst: ");
    line(out, field(fstPValue));
    line(out, "P-values for the proportion of inertia of each axis: ");

    std::string values;
    for (int k = 1; k <= reportedPValueAxes(axisPValues, dimension); ++k)
        values += field(axisPValues[static_cast<std::size_t>(k)]);
    line(out, values);
    return out;
}

}  // namespace zeltric::analysis
