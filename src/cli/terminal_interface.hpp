#pragma once

#include <chrono>
#include <string>

#include "run/user_interface.hpp"

namespace zeltric::cli {

// The batch front end's port: messages on standard error (lines joined by
// LF), prompts on the terminal when standard input is one, a progress bar
// on standard error when it is a terminal.
class TerminalInterface : public run::UserInterface {
public:
    explicit TerminalInterface(bool quiet);

    void information(const std::string& text) override;
    void error(const std::string& text) override;
    std::optional<std::pair<std::string, std::string>> askSeeds() override;
    std::optional<std::string> askCount(const std::string& offered) override;
    // The front end prints the results file itself at the end.
    void showResults(const std::string&) override {}
    void setCaption(const std::string&) override {}
    void progressStart(int maximum) override;
    void progressStep(int position) override;
    void progressEnd() override;
    bool cancelRequested() override;

    // The data file named in front of the coding message, whose words are fixed.
    void setDataFile(const std::string& path) { dataFile_ = path; }
    bool interactive() const { return stdinIsTerminal_; }

    // For display only: the core separates lines by LF CR.
    static std::string displayText(const std::string& text);

private:
    bool quiet_;
    bool stdinIsTerminal_;
    bool stderrIsTerminal_;
    std::string dataFile_;
    int maximum_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDrawn_;
};

// Ctrl-C cancels a running test cleanly; anywhere else it ends the run.
void installInterruptHandler();

}  // namespace zeltric::cli
