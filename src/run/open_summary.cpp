#include "run/open_summary.hpp"

#include <exception>
#include <filesystem>
#include <memory>
#include <set>

#include "data/genotype_reader.hpp"

namespace zeltric::run {

OpenedSummary summariseOpened(const Session& session) {
    // The genotypes are read into a copy: the session's opened file stays as the open step left it.
    auto scratch = std::make_unique<data::Dataset>(session.settings.opened);
    data::readGenotypes(*scratch, session.settings.openedPath, [](const std::string&) {});
    OpenedSummary summary;
    summary.individuals = scratch->individualCount;
    for (int s = 1; s <= scratch->np; ++s) {
        const int end = scratch->sampleEnds[static_cast<std::size_t>(s)];
        const int start = s == 1 ? 0 : scratch->sampleEnds[static_cast<std::size_t>(s - 1)];
        summary.sampleSizes.push_back(end - start);
    }
    // A genotype's code holds its two alleles as code / divisor and code % divisor.
    const std::int32_t divisor = scratch->alleleDivisor > 0 ? scratch->alleleDivisor : 100;
    for (int l = 1; l <= scratch->nl; ++l) {
        std::set<std::int32_t> seen;
        for (int i = 1; i <= scratch->individualCount; ++i) {
            const std::int32_t code = scratch->genotypeColumns.at(l, i);
            if (code <= 0) continue;
            seen.insert(code / divisor);
            seen.insert(code % divisor);
        }
        seen.erase(0);
        summary.allelesPerLocus.push_back(static_cast<int>(seen.size()));
        summary.alleles += static_cast<int>(seen.size());
    }
    return summary;
}

std::optional<int> countIndividuals(const Session& session) {
    if (!session.settings.fileOpen) return std::nullopt;
    // Only a plain file can be read a second time (a pipe would block).
    std::error_code error;
    if (!std::filesystem::is_regular_file(session.settings.openedPath, error)) return std::nullopt;
    try {
        return summariseOpened(session).individuals;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace zeltric::run
