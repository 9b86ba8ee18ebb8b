#include "run/shown_results.hpp"

#include <algorithm>

#include "extended/extended_report.hpp"

namespace zeltric::run {

namespace {

std::size_t index(int number) { return static_cast<std::size_t>(number); }

}  // namespace

int shownSamples(const RunResults& results) {
    if (results.extended) return static_cast<int>(results.extended->sampleNames.size());
    return std::min(static_cast<int>(results.analysed.np), base::NPMax);
}

int shownAxes(const RunResults& results) {
    if (results.extended) return std::max(static_cast<int>(results.extended->result.dimension) - 1, 0);
    const int m = std::min(static_cast<int>(results.analysed.np), static_cast<int>(results.pca.alleleColumnCount));
    return std::max(m - 1, 0);
}

double shownCoordinate(const RunResults& results, int sample, int axis) {
    if (results.extended) return results.extended->result.sampleCoordinate(index(sample - 1), index(axis - 1));
    return static_cast<double>(results.pca.populationCoordinates(sample, axis));
}

double shownPercent(const RunResults& results, int axis) {
    if (results.extended) return extended::ExtendedPercent(results.extended->result, index(axis - 1));
    return static_cast<double>(results.pca.percentInertia[index(axis)]);
}

double shownAxisFst(const RunResults& results, int axis) {
    if (results.extended) return results.extended->result.axisFst[index(axis - 1)];
    return static_cast<double>(results.pca.observedAxisFst[index(axis)]);
}

std::string shownSampleName(const RunSettings& settings, const RunResults& results, int sample) {
    if (results.extended) return results.extended->sampleNames[index(sample - 1)];
    return settings.useLabels ? results.analysed.populationLabels[index(sample)] : std::to_string(sample);
}

bool shownPValues(const RunSettings& settings, const RunResults& results) {
    return !results.extended && settings.testingOn && !(results.runDone && results.testCancelled);
}

}  // namespace zeltric::run
