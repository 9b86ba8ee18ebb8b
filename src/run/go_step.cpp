#include <filesystem>
#include <optional>
#include <vector>

#include "data/allele_counting.hpp"
#include "data/fatal_error.hpp"
#include "data/frequency_file.hpp"
#include "data/genotype_reader.hpp"
#include "data/output_file.hpp"
#include "run/go_observed.hpp"
#include "run/run_record_step.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

namespace {

// The frequency file is emptied with the others, so a run that stops on an
// error never leaves the frequency file of an earlier run beside its outputs.
const std::vector<std::string> kCreatedOutputs = {".pca", ".pop", ".al", ".per", ".fre"};

// No output may take the place of the user's own files.
void refuseClobbering(const Session& session, const std::string& output) {
    const auto clash = [&](const std::string& own, const char* what) {
        if (!own.empty() && data::sameFile(output, own))
            throw data::FatalError("The output file \"" + output + "\" would replace the " + what +
                                   "; rename the data file so that its name without the extension differs "
                                   "from its other files.");
    };
    clash(session.openedPath, "data file");
    clash(session.labelFileName, "label file");
    clash(session.seedFileName, "seed file");
}

}  // namespace

void goStep(Session& session, UserInterface& ui) {
    if (!session.fileOpen) throw data::FatalError("No data file is open.");
    const data::Dataset& opened = session.opened;
    if (opened.alleleCoding != 1 && opened.alleleCoding != 2)
        throw data::FatalError("The data file \"" + session.openedPath + "\" gives the allele coding " +
                               std::to_string(opened.alleleCoding) +
                               " as the 4th number on its first line; it has to be 1 (one digit per allele) "
                               "or 2 (two digits). Correct the file and open it again.");
    const data::Notify notify = [&](const std::string& text) { ui.information(text); };

    const RunClock clock;

    // Every go step starts again from the opened file, its flags and labels.
    session.runDone = false;
    session.testCompleted = false;
    session.analysed = opened;
    data::Dataset& ds = session.analysed;
    ds.observedPass = true;
    ds.testingOn = session.menu.testingChecked;
    session.dataFileName = baseName(session.openedPath);
    std::string readPath = session.openedPath;

    const bool selection = session.menu.lociChecked || session.menu.popsChecked;
    if (selection) prepareSelection(session, readPath);

    const std::string shownName = std::filesystem::path(readPath).filename().string();
    session.caption = "ZELTRIC is Processing: " + shownName;
    ui.setCaption(session.caption);

    for (const char* extension : {".pca", ".pop", ".al", ".per", ".fre"})
        refuseClobbering(session, outputPath(session, extension));
    for (const auto& extension : kCreatedOutputs) data::createEmptyFile(outputPath(session, extension));
    const std::string recordPath = outputPath(session, ".json");
    const bool recordWanted = clearRunRecord(session, ui, recordPath);

    data::readGenotypes(ds, readPath, notify);
    ds.counts.allocate(ds.np, ds.nl);
    const std::string frequencyPath = outputPath(session, ".fre");
    data::countObservedAlleles(ds);
    data::appendToFile(frequencyPath, data::frequencyFileText(ds, ds.counts));

    analyseObserved(session, ui);
    ds.observedPass = false;
    session.fstPValue = 0.0f;
    session.runDone = true;
    std::optional<record::SeedPair> seedsStart;
    if (session.menu.testingChecked) {
        seedsStart = record::SeedPair{session.generator.seed1, session.generator.seed2};
        runTest(session, ui);
    }
    if (recordWanted) writeRunRecord(session, recordPath, clock, seedsStart);
}

}  // namespace zeltric::run
