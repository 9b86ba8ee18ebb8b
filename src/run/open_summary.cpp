#include "run/open_summary.hpp"

#include <exception>
#include <filesystem>
#include <memory>

#include "data/genotype_reader.hpp"

namespace zeltric::run {

std::optional<int> countIndividuals(const Session& session) {
    if (!session.settings.fileOpen) return std::nullopt;
    // Only a plain file can be read a second time (a pipe would block).
    std::error_code error;
    if (!std::filesystem::is_regular_file(session.settings.openedPath, error)) return std::nullopt;
    try {
        auto scratch = std::make_unique<data::Dataset>();
        data::readGenotypes(*scratch, session.settings.openedPath, [](const std::string&) {});
        return scratch->individualCount;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace zeltric::run
