#include "run/go_observed.hpp"

#include "analysis/frequency_pca.hpp"
#include "analysis/results_report.hpp"
#include "data/fatal_error.hpp"
#include "data/messages.hpp"
#include "data/output_file.hpp"
#include "randomisation/permutation_test.hpp"
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

void runTest(Session& session, UserInterface& ui) {
    data::Dataset& ds = session.analysed;
    const int randomisations = ds.randomisationCount;
    // The test starts from zero; a cancelled test leaves zeros, not stale values.
    session.fstPValue = 0.0f;
    for (int k = 1; k <= session.pca.dimension; ++k) session.axisPValues[static_cast<std::size_t>(k)] = 0.0f;
    const randomisation::PermutationOutcome outcome = randomisation::runPermutationTest(
        ds, session.pca, session.generator, randomisations, session.threads, outputPath(session, ".per"), ui);
    if (outcome.cancelled) {
        ui.information("The permutation test was cancelled: no P-values were written. The results of the "
                       "observed analysis are complete.");
        return;
    }
    session.fstPValue = outcome.fstPValue;
    session.axisPValues = outcome.axisPValues;
    session.testCompleted = true;
    const std::string resultsPath = outputPath(session, ".pca");
    data::appendToFile(resultsPath, randomisation::testSectionText(ds, randomisations, session.fstPValue,
                                                                   session.axisPValues, session.pca.dimension));
    ui.showResults(resultsPath);
}

}  // namespace zeltric::run
