#include "cli/terminal_interface.hpp"

#include <cstdio>
#include <iostream>

#include "base/messages.hpp"
#include "base/messages_ranges.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"

namespace zeltric::cli {

namespace {
std::optional<std::string> readLine() {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}
}  // namespace

void installInterruptHandler() { platform::installInterruptHandler(); }

TerminalInterface::TerminalInterface(bool quiet)
    : quiet_(quiet), stdinIsTerminal_(platform::isTerminal(0)), stderrIsTerminal_(platform::isTerminal(2)) {}

std::string TerminalInterface::displayText(const std::string& text) { return base::displayLineEnds(text); }

void TerminalInterface::information(const std::string& text) {
    const bool placed = !dataFile_.empty() && text == base::codingMessage();
    std::cerr << "zeltric-cli: " << (placed ? dataFile_ + ": line 1: " : "") << displayText(text) << '\n';
}

void TerminalInterface::error(const std::string& text) {
    std::cerr << "zeltric-cli: error: " << displayText(text) << '\n';
}

std::optional<std::pair<std::string, std::string>> TerminalInterface::askSeeds() {
    std::cerr << base::seedQuestionTitle() << '\n' << base::firstSeedQuestion() << ' ' << std::flush;
    auto first = readLine();
    if (!first) return std::nullopt;
    std::cerr << base::secondSeedQuestion() << ' ' << std::flush;
    auto second = readLine();
    if (!second) return std::nullopt;
    return std::make_pair(*first, *second);
}

std::optional<std::string> TerminalInterface::askCount(const std::string& offered) {
    std::cerr << base::randomisationCountQuestion() << " (" << offered << ") " << std::flush;
    auto line = readLine();
    if (!line) return std::nullopt;
    return line->empty() ? offered : *line;
}

void TerminalInterface::progressStart(int maximum) {
    // Only the test stops cleanly on Ctrl-C; anywhere else it ends the run at once.
    platform::setInterruptDeferred(true);
    maximum_ = maximum;
    started_ = lastDrawn_ = std::chrono::steady_clock::now();
}

void TerminalInterface::progressStep(int position) {
    if (quiet_ || !stderrIsTerminal_ || maximum_ <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (position < maximum_ && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
    lastDrawn_ = now;
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    const double rate = elapsed > 0 ? position / elapsed : 0.0;
    const double left = rate > 0 ? (maximum_ - position) / rate : 0.0;
    const int width = 30;
    const int filled = static_cast<int>(static_cast<long long>(width) * position / maximum_);
    std::fprintf(
        stderr, "\r[%s%s] %d/%d  %.1f/s  %.0f s left ", std::string(static_cast<std::size_t>(filled), '#').c_str(),
        std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), position, maximum_, rate, left);
    std::fflush(stderr);
}

void TerminalInterface::progressEnd() {
    platform::setInterruptDeferred(false);
    if (!quiet_ && stderrIsTerminal_ && maximum_ > 0) std::fputs("\n", stderr);
    maximum_ = 0;
}

bool TerminalInterface::cancelRequested() { return platform::interruptRequested(); }

}  // namespace zeltric::cli
