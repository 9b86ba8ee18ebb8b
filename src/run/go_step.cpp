#include "run/go_step.hpp"

#include <filesystem>
#include <optional>
#include <vector>

#include "analysis/frequency_pca.hpp"
#include "analysis/results_report.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "data/allele_counting.hpp"
#include "data/frequency_file.hpp"
#include "data/genotype_reader.hpp"
#include "data/selection_filter.hpp"
#include "randomisation/bootstrap.hpp"
#include "randomisation/permutation_engine.hpp"
#include "run/file_roles.hpp"
#include "run/go_bootstrap.hpp"
#include "run/label_command.hpp"
#include "run/port_observer.hpp"
#include "run/reader_preparation.hpp"
#include "run/run_files.hpp"
#include "run/run_record_step.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

namespace {

// The test starts from zero; a cancelled test leaves zeros, not stale values.
void startTest(Session& session) {
    for (int k = 1; k <= session.results.pca.dimension; ++k)
        session.results.axisPValues[static_cast<std::size_t>(k)] = 0.0f;
}

// After the last arrangement: the test section, or the notice of a cancel.
void endTest(Session& session, UserInterface& ui, const randomisation::PermutationOutcome& outcome) {
    session.results.testCancelled = outcome.cancelled;
    if (outcome.cancelled) {
        ui.information(base::testCancelledMessage());
        return;
    }
    session.results.axisPValues = outcome.axisPValues;
    session.results.fstPValue = outcome.fstPValue;
    session.results.testedRandomisations = session.settings.randomisationCount;
    const std::string resultsPath = outputPath(session, ".pca");
    base::appendToFile(
        resultsPath,
        analysis::testSectionText(session.results.analysed, session.settings.randomisationCount, outcome.fstPValue,
                                  session.results.axisPValues, session.results.pca.dimension));
    ui.showResults(resultsPath);
}

}  // namespace

// The run record's part of a go step, from its start to its end.
struct GoRecord {
    RunClock clock;
    std::string path;
    bool wanted = false;
    std::optional<record::SeedPair> seedsStart;
};

namespace {

// Every stage before the permutation test.
void goUpToTest(Session& session, UserInterface& ui, GoRecord& record) {
    checkRunnable(session);
    record.clock = RunClock();
    std::string readPath = startFromOpened(session);
    refuseUnsafeFiles(session);
    if (session.settings.selectLoci || session.settings.selectPops) prepareSelection(session, readPath);
    createOutputs(session, ui, readPath);
    // A run that then fails leaves no record of the earlier run either.
    record.path = outputPath(session, ".json");
    record.wanted = clearRunRecord(session, ui, record.path);
    readAndCount(session, ui, readPath);
    analyseObserved(session, ui);
    session.results.runDone = true;
    if (session.settings.testingOn)
        record.seedsStart = record::SeedPair{session.settings.generator.seed1, session.settings.generator.seed2};
}

// A cancelled test stops the run: the bootstrap is not started after it.
bool bootstrapFollows(const Session& session) {
    return session.settings.bootstrapOn && !session.results.testCancelled;
}

void writeRecord(Session& session, const GoRecord& record) {
    if (record.wanted) writeRunRecord(session, record.path, record.clock, record.seedsStart);
}

// After any test: the bootstrap unless the test was cancelled, then the record.
void goAfterTest(Session& session, UserInterface& ui, const GoRecord& record) {
    if (bootstrapFollows(session)) runBootstrapStage(session, ui);
    writeRecord(session, record);
}

}  // namespace

void goStep(Session& session, UserInterface& ui, const std::function<void(const Session&)>& beforeTest) {
    GoRecord record;
    goUpToTest(session, ui, record);
    if (beforeTest) beforeTest(session);
    if (session.settings.testingOn) runTest(session, ui);
    goAfterTest(session, ui, record);
}

void refuseUnsafeFiles(const Session& session) {
    const bool selection = session.settings.selectLoci || session.settings.selectPops;
    const std::string base =
        selection ? data::selectionBaseName(session.results.dataFileName, session.settings.opened,
                                            session.settings.selectLoci, session.settings.selectPops)
                  : session.results.dataFileName;
    refuseUnsafeFileRoles(goStepFiles(session.settings.openedPath, session.settings.labelFileName,
                                      session.settings.seedFileName, base, selection));
}

void checkRunnable(const Session& session) {
    if (!session.settings.fileOpen) throw base::FatalError(base::noDataFileOpenMessage());
    const data::Dataset& opened = session.settings.opened;
    if (!data::validCoding(opened.alleleCoding))
        throw base::FatalError(base::alleleCodingMessage(session.settings.openedPath, opened.alleleCoding));
}

std::string startFromOpened(Session& session) {
    session.results.runDone = false;
    session.results.testCancelled = false;
    session.results.testedRandomisations = 0;
    session.results.fstPValue = 0.0f;
    session.results.analysed = session.settings.opened;
    session.results.extended.reset();
    recordAnalysedOrigin(session);
    session.results.bootstrap = {};  // no summaries of an earlier go step
    session.results.dataSha256.clear();
    session.results.dataFileName = outputBase(session);
    return session.settings.openedPath;
}

void prepareSelection(Session& session, std::string& readPath) { prepareReader(session, readPath); }

void createOutputs(Session& session, UserInterface& ui, const std::string& readPath) {
    const std::string shownName = std::filesystem::path(readPath).filename().string();
    session.desktop.caption = "ZELTRIC is Processing: " + shownName;
    ui.setCaption(session.desktop.caption);

    // The frequency file is emptied with the others, so a run that stops on an
    // error never leaves the frequency file of an earlier run beside its outputs.
    for (const char* extension : kOutputExtensions) base::createEmptyFile(outputPath(session, extension));
}

void readAndCount(Session& session, UserInterface& ui, const std::string& readPath) {
    data::Dataset& ds = session.results.analysed;
    const data::Notify notify = [&](const std::string& text) { ui.information(text); };
    const std::string digest = data::readGenotypes(ds, readPath, notify);
    // With a selection, the opened file's bytes were read by the filter.
    if (readPath == session.settings.openedPath) session.results.dataSha256 = digest;
    ds.counts.allocate(ds.np, ds.nl);
    data::countObservedAlleles(ds);
    base::appendToFile(outputPath(session, ".fre"), data::frequencyFileText(ds, ds.counts));
}

void analyseObserved(Session& session, UserInterface& ui) {
    data::Dataset& ds = session.results.analysed;
    analysis::PcaWorkspace workspace;
    workspace.kernels = session.settings.kernels;
    const analysis::PcaCallReport report =
        analysis::RunFrequencyPca(ds, ds.counts, true, workspace, session.results.pca);
    for (int i = 0; i < report.tqliNotices; ++i) ui.information(base::tqliNotice());
    for (const std::string& text : report.informations) ui.information(text);

    const std::string resultsPath = outputPath(session, ".pca");
    base::appendToFile(resultsPath, analysis::resultsReportSection(ds, session.results.pca));
    ui.showResults(resultsPath);
    base::appendToFile(outputPath(session, ".pop"), analysis::sampleCoordinateText(ds, session.results.pca));
    base::appendToFile(outputPath(session, ".al"), analysis::alleleCoordinateText(session.results.pca));
    base::appendToFile(outputPath(session, ".per"), analysis::shareLine(session.results.pca));
}

void runTest(Session& session, UserInterface& ui) {
    startTest(session);
    PortObserver observer(ui);
    const randomisation::PermutationOutcome outcome = randomisation::runPermutationTest(
        session.results.analysed, session.results.pca, session.settings.generator,
        session.settings.randomisationCount, session.settings.threads, outputPath(session, ".per"), observer,
        session.settings.kernels);
    endTest(session, ui, outcome);
}

struct SteppedGoStep::Test {
    Test(Session& session, UserInterface& ui)
        : observer(ui),
          engine(session.results.analysed, session.results.pca, session.settings.generator,
                 session.settings.randomisationCount, outputPath(session, ".per"), observer,
                 session.settings.kernels) {}
    PortObserver observer;
    randomisation::SteppedPermutationTest engine;
};

struct SteppedGoStep::Bootstrap {
    Bootstrap(Session& session, UserInterface& ui)
        : observer(ui),
          engine(session.results.analysed, session.results.pca, session.settings.bootstrapReplicates,
                 session.settings.bootstrapSeed1, session.settings.bootstrapSeed2, observer,
                 session.settings.kernels) {}
    PortObserver observer;
    randomisation::SteppedBootstrap engine;
};

SteppedGoStep::SteppedGoStep(Session& session, UserInterface& ui)
    : session_(session), ui_(ui), record_(std::make_unique<GoRecord>()) {
    goUpToTest(session, ui, *record_);
    if (!session.settings.testingOn) {
        afterTest();
        return;
    }
    startTest(session);
    test_ = std::make_unique<Test>(session, ui);
}

SteppedGoStep::~SteppedGoStep() = default;

void SteppedGoStep::afterTest() {
    if (bootstrapFollows(session_)) {
        session_.results.bootstrap = {};
        bootstrap_ = std::make_unique<Bootstrap>(session_, ui_);
        return;
    }
    writeRecord(session_, *record_);
}

bool SteppedGoStep::advance(int count) {
    if (test_) {
        if (test_->engine.advance(count)) return true;
        const randomisation::PermutationOutcome outcome = test_->engine.outcome();
        test_.reset();
        endTest(session_, ui_, outcome);
        afterTest();
        return bootstrap_ != nullptr;
    }
    if (bootstrap_) {
        if (bootstrap_->engine.advance(count)) return true;
        const randomisation::BootstrapOutcome outcome = bootstrap_->engine.outcome();
        bootstrap_.reset();
        endBootstrapStage(session_, ui_, outcome);
        writeRecord(session_, *record_);
    }
    return false;
}

}  // namespace zeltric::run
