#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "run/user_interface.hpp"

namespace zeltric::r {

// The port for a run inside R: notices and errors are kept for the R side
// (it shows them with message() or stop()), no dialog is ever shown (every
// answer comes with the call), progress goes to an R callback, and cancel
// is R's interrupt (Esc, Ctrl-C) checked on the calling thread.
class RInterface final : public run::UserInterface {
public:
    // `progress(stage, done, total)`: stage 0 the test, 1 the bootstrap, 2
    // the pairwise test; done is -1 when a stage ends; false from it cancels
    // the run. `stages` lists the stages the run has, in the order they run.
    // `cancelAfter` > 0 cancels a test (not the bootstrap) once that many
    // randomisations have been taken (the tests' stand-in for Ctrl-C).
    RInterface(std::function<bool(int, int, int)> progress, int cancelAfter, std::vector<int> stages)
        : progress_(std::move(progress)), cancelAfter_(cancelAfter), stages_(std::move(stages)) {}

    std::vector<std::string> messages;
    bool cancelled = false;

    void information(const std::string& text) override;
    void error(const std::string& text) override;
    std::optional<std::pair<std::string, std::string>> askSeeds() override { return std::nullopt; }
    std::optional<std::string> askCount(const std::string&) override { return std::nullopt; }
    void showResults(const std::string&) override {}
    void setCaption(const std::string&) override {}
    void progressStart(int maximum) override;
    void progressStep(int position) override;
    void progressEnd() override;
    bool cancelRequested() override;

private:
    // Calls progress_ unless it has failed once; a failure cancels.
    void report(int done);

    std::function<bool(int, int, int)> progress_;
    int cancelAfter_;
    std::vector<int> stages_;
    int maximum_ = 0;
    int position_ = 0;
    int starts_ = 0;
    int stage_ = 0;
    std::chrono::steady_clock::time_point lastCheck_{};
    std::chrono::steady_clock::time_point lastShown_{};
};

// Whether R has an interrupt pending (Esc, Ctrl-C), taken without leaving
// the C++ frames: the interrupt is consumed inside a top-level context.
bool interruptPending();

}  // namespace zeltric::r
