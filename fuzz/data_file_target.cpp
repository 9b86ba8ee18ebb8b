// The data file from its first byte to an analysis: header reader, genotype
// reader, allele counting, frequency text, the selection filter and, for
// small inputs, the observed analysis and its report texts. Refusals
// (base::FatalError) are expected; anything else that escapes is a finding.
#include <cmath>
#include <string>

#include "analysis/frequency_pca.hpp"
#include "analysis/results_report.hpp"
#include "base/fatal_error.hpp"
#include "data/allele_counting.hpp"
#include "data/frequency_file.hpp"
#include "data/genotype_reader.hpp"
#include "data/selection_filter.hpp"
#include "fuzz_support.hpp"

namespace {

using namespace zeltric;

void checkCounts(const data::Dataset& ds) {
    FUZZ_CHECK(ds.individualCount <= base::NIMax);
    FUZZ_CHECK(ds.sampleEnds[ds.np] == ds.individualCount);
    for (int s = 2; s <= ds.np; ++s)
        FUZZ_CHECK(ds.sampleEnds[static_cast<std::size_t>(s - 1)] <= ds.sampleEnds[static_cast<std::size_t>(s)]);
    for (int s = 1; s <= ds.np; ++s)
        for (int l = 1; l <= ds.nl; ++l) {
            double sum = 0.0;
            for (int a = 1; a <= ds.nu; ++a) sum += ds.counts.alleleCount(s, l, a);
            FUZZ_CHECK(sum == 2.0 * ds.counts.sampleSize(s, l));
        }
}

bool finiteText(const std::string& text) {
    return text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
}

// Every other sample and locus; the filtered file must read back as the
// selection it was written for.
void filterAndReread(const data::Dataset& opened, const std::string& path) {
    data::Dataset chosen = opened;
    for (int s = 1; s <= chosen.np; ++s)
        chosen.populationSelected[static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(s % 2);
    for (int l = 1; l <= chosen.nl; ++l)
        chosen.locusSelected[static_cast<std::size_t>(l)] = static_cast<std::uint8_t>(l % 2);
    const std::string filtered = zeltric::fuzz::scratchPath("filtered.dat");
    try {
        data::writeFilteredDataFile(chosen, path, filtered, true, true);
    } catch (const base::FatalError&) {
        return;
    }
    data::Dataset analysed;
    data::applySelection(analysed, chosen, true, true);
    const int samples = analysed.np;
    const int loci = analysed.nl;
    try {
        data::readGenotypes(analysed, filtered, [](const std::string&) {});
    } catch (const base::FatalError&) {
        return;  // e.g. no genotype line of a selected sample
    }
    FUZZ_CHECK(analysed.np == samples && analysed.nl == loci);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size > 200000) return 0;
    const std::string path = zeltric::fuzz::scratchPath("input.dat");
    zeltric::fuzz::writeScratch(path, bytes, size);
    const data::Notify ignore = [](const std::string&) {};

    data::Dataset opened;
    try {
        data::readHeader(opened, path, ignore);
    } catch (const base::FatalError&) {
        return 0;
    }
    FUZZ_CHECK(opened.np >= 1 && opened.np <= base::NPMax && opened.nl >= 1 && opened.nl <= base::NLMax &&
               opened.nu >= 1 && opened.nu <= base::NUMax);
    for (int l = 1; l <= opened.nl; ++l) FUZZ_CHECK(opened.locusNames[static_cast<std::size_t>(l)].size() <= 6);
    if (opened.alleleCoding != 1 && opened.alleleCoding != 2) return 0;  // the go step refuses it

    filterAndReread(opened, path);

    data::Dataset ds = opened;
    try {
        data::readGenotypes(ds, path, ignore);
        ds.counts.allocate(ds.np, ds.nl);
        data::countObservedAlleles(ds);
    } catch (const base::FatalError&) {
        return 0;
    }
    checkCounts(ds);
    const std::string frequencies = data::frequencyFileText(ds, ds.counts);
    FUZZ_CHECK(finiteText(frequencies));

    // The analysis of large inputs is slow and adds no new reading paths.
    if (ds.np > 12 || ds.nl > 6) return 0;
    static analysis::PcaWorkspace workspace;
    analysis::PcaResult result;
    try {
        analysis::RunFrequencyPca(ds, ds.counts, true, workspace, result);
    } catch (const base::FatalError&) {
        return 0;
    }
    FUZZ_CHECK(std::isfinite(result.totalInertia) && std::isfinite(result.globalFst));
    // The report holds locus names, which may spell anything; its figures are
    // the ones checked here and in the coordinate and share texts.
    (void)analysis::resultsReportSection(ds, result);
    FUZZ_CHECK(finiteText(analysis::sampleCoordinateText(ds, result)));
    FUZZ_CHECK(finiteText(analysis::alleleCoordinateText(result)));
    FUZZ_CHECK(finiteText(analysis::shareLine(result)));
    return 0;
}
