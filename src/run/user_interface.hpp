#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zeltric::run {

// What the core asks of a person or a screen. The desktop application
// implements it with Qt, the batch front end with the terminal, the tests
// with a recording fake. Message texts arrive exactly as built by the core
// (lines separated by LF CR).
class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual void information(const std::string& text) = 0;
    virtual void error(const std::string& text) = 0;

    // One showing of the seed dialog with both fields empty: the two texts
    // typed, or nothing when it was closed without OK.
    virtual std::optional<std::pair<std::string, std::string>> askSeeds() = 0;
    // One showing of the count dialog offering `offered`: the text confirmed,
    // or nothing when it was closed without OK.
    virtual std::optional<std::string> askCount(const std::string& offered) = 0;

    // Clear the results view and load the whole results file into it.
    virtual void showResults(const std::string& resultsPath) = 0;
    virtual void setCaption(const std::string& caption) = 0;

    virtual void progressStart(int maximum) = 0;
    virtual void progressStep(int position) = 0;
    virtual void progressEnd() = 0;
    // Polled between randomisations; also where a window processes its events.
    virtual bool cancelRequested() = 0;
};

}  // namespace zeltric::run
