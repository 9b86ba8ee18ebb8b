#include "extended/extended_report.hpp"

#include "base/number_field.hpp"

namespace zeltric::extended {

namespace {

using base::endLine;
using base::integerField;
using base::realField;

constexpr double kShownShare = 0.001;

}  // namespace

double ExtendedPercent(const ExtendedResult& result, std::size_t k) {
    return result.totalInertia > 0.0 ? result.eigenvalues[k] * 100.0 / result.totalInertia : 0.0;
}

std::string ExtendedResultsText(const ExtendedData& data, const ExtendedResult& result) {
    const std::size_t axes = result.dimension > 0 ? result.dimension - 1 : 0;
    auto line = [](std::string& out, const std::string& text) {
        out += text;
        endLine(out);
    };
    auto shownValues = [&](auto value) {
        std::string text;
        for (std::size_t k = 0; k < axes; ++k)
            if (result.axisShare[k] > kShownShare) text += value(k);
        return text;
    };

    std::string out;
    line(out, std::string(43, '*'));
    line(out, "results based on the following loci");
    std::string loci;
    for (const std::string& name : data.locusNames) loci += " " + name;
    line(out, loci);
    line(out, " and populations:");
    std::string samples;
    for (const std::string& name : data.sampleNames) samples += " " + name;
    line(out, samples);
    line(out, "");
    line(out, "Number of samples: " + integerField(static_cast<long long>(data.samples()), 6));
    line(out, "Number of alleles (loci): " + integerField(static_cast<long long>(result.columns), 6) + "(" +
                  integerField(static_cast<long long>(data.loci())) + ")");
    std::string perLocus = "Number of alleles per locus: ";
    for (const std::uint32_t n : result.allelesPerLocus) perLocus += integerField(static_cast<long long>(n), 4);
    line(out, perLocus);
    line(out, "");
    const double meanH =
        result.typedLoci > 0 ? result.heterozygositySum / static_cast<double>(result.typedLoci) : 0.0;
    line(out, "Total heterozygosity: " + realField(meanH, 10, 5));
    line(out, "Total inertia (Dst X nb loci): " + realField(result.totalInertia, 10, 5));
    line(out, "Per axis inertia");
    line(out, shownValues([&](std::size_t k) { return realField(result.eigenvalues[k], 10, 5); }));
    line(out, "Percent inertia");
    line(out, shownValues([&](std::size_t k) { return realField(ExtendedPercent(result, k), 10, 2); }));
    line(out, "Percent Cumulative inertia");
    std::string cumulativeText;
    double cumulative = 0.0;
    for (std::size_t k = 0; k < axes; ++k) {
        cumulative += ExtendedPercent(result, k);
        if (result.axisShare[k] > kShownShare) cumulativeText += realField(cumulative, 10, 2);
    }
    line(out, cumulativeText);
    line(out, "");
    line(out,
         "Number of significant axes according to the broken-stick: " + integerField(result.brokenStickAxes, 4));
    line(out, "");
    line(out, "");
    line(out, "Global Fst: " + realField(result.globalFst, 10, 5));
    line(out, "Per axis Fst:");
    line(out, shownValues([&](std::size_t k) { return realField(result.axisFst[k], 10, 5); }));
    line(out, "");
    return out;
}

std::string ExtendedSampleCoordinateText(const ExtendedResult& result) {
    std::string out;
    const std::size_t axes = result.dimension > 0 ? result.dimension - 1 : 0;
    for (std::size_t j = 0; j < result.samples; ++j) {
        for (std::size_t k = 0; k < axes; ++k) out += realField(result.sampleCoordinate(j, k), 8, 4);
        endLine(out);
    }
    return out;
}

std::string ExtendedShareLine(const ExtendedResult& observed, double globalFst,
                              const std::vector<double>& shares) {
    std::string out = realField(globalFst, 10, 5);
    for (std::size_t k = 0; k < observed.dimension; ++k)
        if (observed.axisShare[k] > kShownShare) out += realField(shares[k], 10, 5);
    endLine(out);
    return out;
}

std::size_t ExtendedReportedPValueAxes(const std::vector<double>& axisPValues) {
    const std::size_t axes = axisPValues.size();
    if (axes <= 2) return axes;
    // Further axes only while the list keeps finding small P-values.
    std::size_t k = 2;
    while (k + 1 <= axes && (axisPValues[k - 1] <= 0.3 || axisPValues[k] <= 0.05)) ++k;
    return k;
}

std::string ExtendedTestSectionText(const ExtendedData& data, int randomisations, double fstPValue,
                                    const std::vector<double>& axisPValues) {
    auto line = [](std::string& out, const std::string& text) {
        out += text;
        endLine(out);
    };
    std::vector<long long> sizes(data.samples(), 0);
    for (const int j : data.sampleOf) ++sizes[static_cast<std::size_t>(j)];
    std::string out;
    line(out, "P-values are given after " + integerField(randomisations) + " randomizations.");
    line(out, "With the following number of complete genotypes :");
    for (std::size_t j = 0; j < data.samples(); ++j)
        line(out, data.sampleNames[j] + "  " + integerField(sizes[j], 4));
    line(out, "");
    line(out, "P-value for overall Fst: ");
    line(out, realField(fstPValue, 10, 5));
    line(out, "P-values for the proportion of inertia of each axis: ");
    std::string values;
    for (std::size_t k = 0; k < ExtendedReportedPValueAxes(axisPValues); ++k)
        values += realField(axisPValues[k], 10, 5);
    line(out, values);
    return out;
}

}  // namespace zeltric::extended
