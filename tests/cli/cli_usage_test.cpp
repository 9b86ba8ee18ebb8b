// The batch front end's --help text: every option it lists comes with an
// example, and every example parses as the text says.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.hpp"

namespace {

using zeltric::cli::cliUsage;
using zeltric::cli::parseCliOptions;

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

zeltric::cli::CliParse parseWords(std::vector<std::string> args) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return parseCliOptions(static_cast<int>(argv.size()), argv.data());
}

// The option lines ("  --name ...") and the example line that follows each.
struct Documented {
    std::string option;
    std::string example;
};

std::vector<Documented> documentedOptions() {
    std::vector<Documented> out;
    std::istringstream in(cliUsage());
    const std::regex optionLine(R"(^  (--[a-z-]+))");
    const std::regex exampleLine(R"(^ +e\.g\. (.*)$)");
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, m, optionLine)) {
            out.push_back({m[1], ""});
        } else if (!out.empty() && out.back().example.empty() && std::regex_search(line, m, exampleLine)) {
            out.back().example = m[1];
        }
    }
    return out;
}

TEST(CliUsage, EveryOptionHasAnExample) {
    const auto options = documentedOptions();
    ASSERT_GE(options.size(), 12u);
    for (const auto& d : options) {
        EXPECT_FALSE(d.example.empty()) << d.option << " has no example";
        EXPECT_NE(d.example.find(d.option), std::string::npos) << d.option << "'s example does not use it";
    }
}

TEST(CliUsage, EveryExampleParses) {
    for (const auto& d : documentedOptions()) {
        std::vector<std::string> args = words(d.example);
        if (args.empty() || args.front() != "zeltric-cli") {
            // A fragment: the options alone, then a data file.
            args.insert(args.begin(), "zeltric-cli");
            args.push_back("trout.dat");
        }
        const auto parse = parseWords(args);
        EXPECT_EQ(parse.error, "") << d.option << ": " << d.example;
    }
}

TEST(CliUsage, EveryOptionTheParserKnowsIsListed) {
    const std::string usage = cliUsage();
    // An option the parser accepts is documented; an unknown one is refused.
    for (const char* option : {"--loci",
                               "--pops",
                               "--labels",
                               "--test",
                               "--seed-file",
                               "--seeds",
                               "--threads",
                               "--plot",
                               "--plot-file",
                               "--quiet",
                               "--help",
                               "--version",
                               "--format",
                               "--convert-only",
                               "--structure-loci",
                               "--structure-rows",
                               "--structure-extra-columns",
                               "--structure-missing",
                               "--rerun",
                               "--kernels",
                               "--bootstrap",
                               "--bootstrap-seeds",
                               "--figure",
                               "--axes",
                               "--figure-width",
                               "--figure-intervals",
                               "--figure-aspect"}) {
        EXPECT_NE(usage.find(std::string("  ") + option), std::string::npos) << option;
    }
    EXPECT_NE(parseWords({"zeltric-cli", "--colour", "trout.dat"}).error, "");
}

TEST(CliUsage, ClosingExamplesParse) {
    std::istringstream in(cliUsage());
    std::string line;
    while (std::getline(in, line) && line != "Examples:") {
    }
    int parsed = 0;
    while (std::getline(in, line)) {
        auto args = words(line);
        if (args.empty() || args.front() != "zeltric-cli") continue;  // the shell loop
        EXPECT_EQ(parseWords(args).error, "") << line;
        ++parsed;
    }
    EXPECT_GE(parsed, 3);
}

// The manual's table of the batch front end keeps up with the options.
TEST(CliUsage, ManualDocumentsEveryOption) {
    std::ifstream in(std::string(ZELTRIC_SOURCE_DIR) + "/docs/manual.html", std::ios::binary);
    ASSERT_TRUE(in) << "docs/manual.html is missing";
    const std::string manual((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const auto& d : documentedOptions())
        EXPECT_NE(manual.find("<code>" + d.option), std::string::npos) << d.option << " is not in the manual";
}

}  // namespace
