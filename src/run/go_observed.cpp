#include "run/go_observed.hpp"

#include "analysis/frequency_pca.hpp"
#include "analysis/results_report.hpp"
#include "data/fatal_error.hpp"
#include "data/messages.hpp"
#include "data/output_file.hpp"
#include "run/reader_preparation.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

void prepareSelection(Session& session, std::string& readPath) { prepareReader(session, readPath); }

void analyseObserved(Session& session, UserInterface& ui) {
    data::Dataset& ds = session.analysed;
    analysis::PcaWorkspace workspace;
    const analysis::PcaCallReport report = analysis::RunFrequencyPca(ds, ds.counts, true, workspace, session.pca);
    for (int i = 0; i < report.tqliNotices; ++i) ui.information(data::tqliNotice());
    for (const std::string& text : report.informations) ui.information(text);

    const std::string resultsPath = outputPath(session, ".pca");
    data::appendToFile(resultsPath, analysis::resultsReportSection(ds, session.pca));
    ui.showResults(resultsPath);
    data::appendToFile(outputPath(session, ".pop"), analysis::sampleCoordinateText(ds, session.pca));
    data::appendToFile(outputPath(session, ".al"), analysis::alleleCoordinateText(session.pca));
    data::appendToFile(outputPath(session, ".per"), analysis::shareLine(session.pca));
}

void runTest(Session&, UserInterface&) {
    throw data::FatalError("The permutation test is not available yet.");
}

}  // namespace zeltric::run
