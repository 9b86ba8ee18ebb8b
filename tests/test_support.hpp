#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "run/user_interface.hpp"

namespace zeltric::test {

// A fresh empty folder under the system's temporary folder, removed when the
// object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
// A golden file under tests/golden/.
std::string golden(const std::string& name);
std::string goldenPath(const std::string& name);

// Result of running a program as a process.
struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs the command line through /bin/sh, with standard input from `input`.
ProcessResult runProcess(const std::string& commandLine, const std::string& input = {});
// Runs zeltric-cli with the given (already quoted) arguments.
ProcessResult runCli(const std::string& arguments, const std::string& input = {});
std::string shellQuote(const std::string& text);

// The user-interface port for tests: records every call and replays
// scripted answers. An unscripted prompt fails the test and answers
// "closed without OK" so that loops end.
class RecordingInterface : public run::UserInterface {
public:
    std::vector<std::string> informations;
    std::vector<std::string> errors;
    std::vector<std::string> captions;
    std::vector<std::string> shownResults;  // content of the results file at each reload
    std::deque<std::optional<std::pair<std::string, std::string>>> seedAnswers;
    std::deque<std::optional<std::string>> countAnswers;
    std::vector<std::string> countOffers;
    int seedPrompts = 0;
    int progressStarts = 0;
    int progressSteps = 0;
    int progressEnds = 0;
    int progressMaximum = 0;
    int cancelAfterSteps = -1;  // request cancel once this many steps were shown

    void information(const std::string& text) override { informations.push_back(text); }
    void error(const std::string& text) override { errors.push_back(text); }
    std::optional<std::pair<std::string, std::string>> askSeeds() override;
    std::optional<std::string> askCount(const std::string& offered) override;
    void showResults(const std::string& resultsPath) override;
    void setCaption(const std::string& caption) override { captions.push_back(caption); }
    void progressStart(int maximum) override {
        ++progressStarts;
        progressMaximum = maximum;
    }
    void progressStep(int) override { ++progressSteps; }
    void progressEnd() override { ++progressEnds; }
    bool cancelRequested() override { return cancelAfterSteps >= 0 && progressSteps >= cancelAfterSteps; }
};

}  // namespace zeltric::test
