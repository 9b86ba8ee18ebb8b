#pragma once

#include <functional>
#include <memory>
#include <string>

#include "run/session.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// Go step: reader preparation (selection), output files, genotype reader,
// allele counting, frequency file, observed analysis and report, and the
// permutation test when "&Testing" is checked. The front end launches the
// plot window afterwards. Raises base::FatalError for a fatal input error.
// `beforeTest`, when given, is called once the observed analysis is done and
// before the test: a front end checks there what needs the analysis's
// dimension (the axes it will draw) and raises to stop the run.
void goStep(Session& session, UserInterface& ui, const std::function<void(const Session&)>& beforeTest = {});

struct GoRecord;

// The go step for a front end without threads that keeps control between
// batches (the browser's worker): the constructor runs goStep's stages up to
// the test, each advance() takes at most `count` randomisations of the test,
// or replicates of the bootstrap after it, on the calling thread and returns
// false once the step is over (run record written). Files, messages, session
// state and cancel behave exactly as in goStep.
class SteppedGoStep {
public:
    SteppedGoStep(Session& session, UserInterface& ui);
    ~SteppedGoStep();
    SteppedGoStep(const SteppedGoStep&) = delete;
    SteppedGoStep& operator=(const SteppedGoStep&) = delete;

    bool advance(int count);

private:
    struct Test;
    struct Bootstrap;
    // After the test, or instead of it: the bootstrap, else the record.
    void afterTest();

    Session& session_;
    UserInterface& ui_;
    std::unique_ptr<GoRecord> record_;
    std::unique_ptr<Test> test_;
    std::unique_ptr<Bootstrap> bootstrap_;
};

// The stages of goStep, in order.

// Refuses a go step without an open file or with a bad allele coding.
void checkRunnable(const Session& session);
// session.results.analysed starts again from the opened file, its flags and labels;
// the output base name from the opened path. Returns the file to read.
std::string startFromOpened(Session& session);
// Before anything is written: no two files of the run (data, label, seed,
// outputs, filtered data file) may be one file, and no output is a link or a
// pipe.
void refuseUnsafeFiles(const Session& session);
// With "Loci to use" or "Pops to use": appends the selection suffix to
// dataFileName, writes the filtered data file, renumbers session.results.analysed;
// readPath becomes the filtered file.
void prepareSelection(Session& session, std::string& readPath);
// Shows the processing caption, then creates every output empty.
void createOutputs(Session& session, UserInterface& ui, const std::string& readPath);
// Genotype reader, observed allele counts and the frequency file.
void readAndCount(Session& session, UserInterface& ui, const std::string& readPath);
// Observed analysis: PCA, results report, coordinate files, first share line.
void analyseObserved(Session& session, UserInterface& ui);
// The permutation test with session.settings.randomisationCount arrangements and its
// section of the results file.
void runTest(Session& session, UserInterface& ui);

}  // namespace zeltric::run
