#include "run/steps.hpp"

#include <filesystem>

#include "base/fatal_error.hpp"
#include "base/output_file.hpp"
#include "data/allele_counting.hpp"
#include "data/frequency_file.hpp"
#include "data/genotype_reader.hpp"
#include "platform/platform.hpp"
#include "randomisation/seed_file.hpp"
#include "run/asking.hpp"

namespace zeltric::run {

std::string baseName(const std::string& path) {
    const std::filesystem::path p(path);
    const std::string file = p.filename().string();
    const std::size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot == 0) return path;
    return path.substr(0, path.size() - (file.size() - dot));
}

std::string outputBase(const Session& session) {
    const std::string base = baseName(session.openedPath);
    if (session.outputFolder.empty()) return base;
    return (std::filesystem::path(session.outputFolder) / std::filesystem::path(base).filename()).string();
}

std::string outputPath(const Session& session, const std::string& extension) {
    return session.dataFileName + extension;
}

void openStep(Session& session, UserInterface& ui, const std::string& path) {
    data::Dataset fresh;
    // The divisor of an earlier file stays when the new coding is bad; the go
    // step refuses such a file anyway.
    fresh.alleleDivisor = session.opened.alleleDivisor;
    data::readHeader(fresh, path, [&](const std::string& text) { ui.information(text); });
    if (!data::validCoding(fresh.alleleCoding)) fresh.alleleDivisor = 0;
    session.opened = std::move(fresh);
    session.openedPath = path;
    session.convertedFrom.reset();
    session.dataFileName = outputBase(session);
    session.fileOpen = true;
    session.runDone = false;
    session.menu.optionsEnabled = true;
    session.menu.goEnabled = true;
    session.menu.labelChecked = false;
    session.menu.popsChecked = false;
    session.menu.lociChecked = false;
    session.menu.testingChecked = false;
    session.menu.bootstrapChecked = false;
}

void testingToggle(Session& session, UserInterface& ui) {
    session.menu.testingChecked = !session.menu.testingChecked;
    if (session.menu.testingChecked) session.randomisationCount = askRandomisationCount(ui);
}

bool exitStep(Session& session) {
    // Another program run may be saving the same seed file at this moment.
    platform::FileLock lock;
    lock.acquire(randomisation::resolveSeedFileName(session.seedFileName) + ".lock", {});
    return randomisation::saveSeeds(session.generator, session.seedFileName);
}

}  // namespace zeltric::run
