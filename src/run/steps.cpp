#include "run/steps.hpp"

#include <filesystem>

#include "base/fatal_error.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "data/allele_counting.hpp"
#include "data/frequency_file.hpp"
#include "data/genotype_reader.hpp"
#include "platform/platform.hpp"
#include "randomisation/seed_file.hpp"
#include "run/asking.hpp"
#include "run/run_files.hpp"

namespace zeltric::run {

std::string baseName(const std::string& path) {
    const std::filesystem::path p(path);
    const std::string file = p.filename().string();
    const std::size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot == 0) return path;
    return path.substr(0, path.size() - (file.size() - dot));
}

std::string outputBase(const Session& session) {
    const std::string base = baseName(session.settings.openedPath);
    if (session.settings.outputFolder.empty()) return base;
    return (std::filesystem::path(session.settings.outputFolder) / std::filesystem::path(base).filename())
        .string();
}

std::string outputPath(const Session& session, const std::string& extension) {
    return session.results.dataFileName + extension;
}

std::optional<std::string> figureTargetProblem(const Session& session, const std::string& path) {
    for (const std::string& input : {session.settings.openedPath, session.settings.labelFileName})
        if (!input.empty() && base::sameFile(path, input)) return base::figureIsInputMessage(path, input);
    for (const char* extension : kOutputExtensions)
        if (base::sameFile(path, outputPath(session, extension)))
            return base::figureIsResultsMessage(path, outputPath(session, extension));
    return std::nullopt;
}

void openStep(Session& session, UserInterface& ui, const std::string& path) {
    data::Dataset fresh;
    // The divisor of an earlier file stays when the new coding is bad; the go
    // step refuses such a file anyway.
    fresh.alleleDivisor = session.settings.opened.alleleDivisor;
    data::readHeader(fresh, path, [&](const std::string& text) { ui.information(text); });
    if (!data::validCoding(fresh.alleleCoding)) fresh.alleleDivisor = 0;
    session.settings.opened = std::move(fresh);
    session.settings.extended.reset();
    settleOpenedFile(session, path);
}

void settleOpenedFile(Session& session, const std::string& path) {
    session.settings.openedPath = path;
    session.settings.convertedFrom.reset();
    session.settings.fileOpen = true;
    session.results.dataFileName = outputBase(session);
    session.results.runDone = false;
    session.desktop.optionsEnabled = true;
    session.desktop.goEnabled = true;
    session.settings.useLabels = false;
    session.settings.selectPops = false;
    session.settings.selectLoci = false;
    session.settings.testingOn = false;
    session.settings.bootstrapOn = false;
}

void testingToggle(Session& session, UserInterface& ui) {
    session.settings.testingOn = !session.settings.testingOn;
    if (session.settings.testingOn) session.settings.randomisationCount = askRandomisationCount(ui);
}

bool exitStep(Session& session) {
    // Another program run may be saving the same seed file at this moment.
    platform::FileLock lock;
    randomisation::lockSeedFile(lock, randomisation::resolveSeedFileName(session.settings.seedFileName), {});
    return randomisation::saveSeeds(session.settings.generator, session.settings.seedFileName);
}

}  // namespace zeltric::run
