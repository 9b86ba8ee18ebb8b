#include <filesystem>
#include <vector>

#include "data/allele_counting.hpp"
#include "data/fatal_error.hpp"
#include "data/frequency_file.hpp"
#include "data/genotype_reader.hpp"
#include "data/output_file.hpp"
#include "data/selection_filter.hpp"
#include "run/file_roles.hpp"
#include "run/go_observed.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

namespace {

// The frequency file is emptied with the others, so a run that stops on an
// error never leaves the frequency file of an earlier run beside its outputs.
const std::vector<std::string> kCreatedOutputs = {".pca", ".pop", ".al", ".per", ".fre"};

// No file the run writes may take the place of another file of the run, and
// none is written through a link or into a pipe; checked before the first write.
void refuseClobbering(const Session& session, const std::string& base, bool selection) {
    std::vector<FileRole> roles = {{"data file", session.openedPath, false},
                                   {"label file", session.labelFileName, false},
                                   {"seed file", session.seedFileName, false}};
    for (const char* extension : {".pca", ".pop", ".al", ".per", ".fre"})
        roles.push_back({"output file", base + extension, true});
    if (selection) roles.push_back({"filtered data file", base + ".dat", true});
    refuseSharedFiles(roles);
    for (const FileRole& role : roles)
        if (role.output) refuseUnsafeOutput(role);
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
    refuseClobbering(session,
                     selection ? data::selectionBaseName(session.dataFileName, opened, session.menu.lociChecked,
                                                         session.menu.popsChecked)
                               : session.dataFileName,
                     selection);
    if (selection) prepareSelection(session, readPath);

    const std::string shownName = std::filesystem::path(readPath).filename().string();
    session.caption = "ZELTRIC is Processing: " + shownName;
    ui.setCaption(session.caption);

    for (const auto& extension : kCreatedOutputs) data::createEmptyFile(outputPath(session, extension));

    data::readGenotypes(ds, readPath, notify);
    ds.counts.allocate(ds.np, ds.nl);
    const std::string frequencyPath = outputPath(session, ".fre");
    data::countObservedAlleles(ds);
    data::appendToFile(frequencyPath, data::frequencyFileText(ds, ds.counts));

    analyseObserved(session, ui);
    ds.observedPass = false;
    session.fstPValue = 0.0f;
    session.runDone = true;
    if (session.menu.testingChecked) runTest(session, ui);
}

}  // namespace zeltric::run
