#include "cli/rerun_check.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "cli/batch_run.hpp"
#include "platform/sha256.hpp"
#include "run/steps.hpp"

namespace zeltric::cli {

namespace {

namespace fs = std::filesystem;

// The record's name without ".json": the base of the original's outputs.
std::string recordBase(const std::string& recordPath) {
    const fs::path path(recordPath);
    if (path.extension() == ".json") return (path.parent_path() / path.stem()).string();
    return recordPath;
}

std::optional<std::string> contentOf(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string rerunFolder(const CliOptions& options, const record::RerunPlan& plan) {
    const std::string folder = options.out ? *options.out : recordBase(plan.recordPath) + "-rerun";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder))
        throw base::FatalError("Cannot use \"" + folder + "\" as the rerun's folder" +
                               (ec ? ": " + ec.message() : std::string(": it is not a folder")) +
                               "; nothing was run.");
    return folder;
}

void checkRerunData(const run::Session& session, const record::RerunPlan& plan) {
    if (!plan.sourcePath) return;
    const auto digest = platform::fileSha256(session.settings.openedPath);
    if (digest != plan.dataSha256)
        throw base::FatalError("Converting \"" + *plan.sourcePath + "\" again gave the data file \"" +
                               session.settings.openedPath + "\" other bytes than the run record \"" +
                               plan.recordPath +
                               "\" certifies; nothing was run. A STRUCTURE layout stated for the original run "
                               "is not in the record: convert with the same --structure-* options and rerun "
                               "with the converted files beside the record.");
}

void checkRerunAnalysed(const run::Session& session, const record::RerunPlan& plan) {
    if (session.results.dataSha256 != plan.dataSha256)
        throw base::FatalError("The data file \"" + session.settings.openedPath +
                               "\" changed while the rerun read it (its SHA-256 is no longer the record's); "
                               "the rerun's outputs in \"" +
                               session.settings.outputFolder + "\" are not a check.");
}

int compareRerunOutputs(const run::Session& session, const record::RerunPlan& plan, run::UserInterface& ui) {
    std::vector<std::string> extensions(run::kOutputExtensions.begin(), run::kOutputExtensions.end());
    if (session.settings.selectLoci || session.settings.selectPops) extensions.push_back(".dat");
    if (plan.statistics)
        for (const char* table : {"-loci.csv", "-pairwise.csv", "-sample-diversity.csv"})
            extensions.push_back(table);
    // The rerun's outputs carry the same selection suffix as the original's.
    const std::string originalBase =
        (fs::path(recordBase(plan.recordPath)).parent_path() / fs::path(session.results.dataFileName).filename())
            .string();
    int identical = 0;
    int differing = 0;
    int alone = 0;
    for (const std::string& extension : extensions) {
        const std::string rerun = run::outputPath(session, extension);
        const std::string original = originalBase + extension;
        const auto mine = contentOf(rerun);
        const auto theirs = contentOf(original);
        if (!mine) continue;
        if (!theirs) {
            ++alone;
            ui.information(base::rerunComparisonLine(rerun, "", false));
            continue;
        }
        const bool same = *mine == *theirs;
        ++(same ? identical : differing);
        ui.information(base::rerunComparisonLine(rerun, original, same));
    }
    ui.information(base::rerunSummaryMessage(identical, differing, alone));
    return differing > 0 ? kRerunDiffers : 0;
}

}  // namespace zeltric::cli
