#include "test_support.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace zeltric::test {

TempDir::TempDir() {
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("zeltric-test-" + std::to_string(::getpid()) + "-" + std::to_string(device()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << content;
}

std::string goldenPath(const std::string& name) { return std::string(ZELTRIC_TEST_DIR) + "/golden/" + name; }
std::string golden(const std::string& name) { return readFile(goldenPath(name)); }

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

ProcessResult runProcess(const std::string& commandLine, const std::string& input) {
    TempDir scratch;
    const std::string inPath = scratch.file("stdin");
    const std::string outPath = scratch.file("stdout");
    const std::string errPath = scratch.file("stderr");
    writeFile(inPath, input);
    const std::string full = "( " + commandLine + " ) <" + shellQuote(inPath) + " >" + shellQuote(outPath) +
                             " 2>" + shellQuote(errPath);
    const int status = std::system(full.c_str());
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

ProcessResult runCli(const std::string& arguments, const std::string& input) {
    return runProcess(shellQuote(ZELTRIC_CLI_PATH) + " " + arguments, input);
}

std::optional<std::pair<std::string, std::string>> RecordingInterface::askSeeds() {
    ++seedPrompts;
    if (seedAnswers.empty()) {
        ADD_FAILURE() << "unscripted seed prompt";
        throw std::runtime_error("unscripted seed prompt");
    }
    auto answer = seedAnswers.front();
    seedAnswers.pop_front();
    return answer;
}

std::optional<std::string> RecordingInterface::askCount(const std::string& offered) {
    countOffers.push_back(offered);
    if (countAnswers.empty()) {
        ADD_FAILURE() << "unscripted count prompt";
        throw std::runtime_error("unscripted count prompt");
    }
    auto answer = countAnswers.front();
    countAnswers.pop_front();
    return answer;
}

void RecordingInterface::showResults(const std::string& resultsPath) {
    std::ifstream in(resultsPath, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    shownResults.push_back(content.str());
}

}  // namespace zeltric::test
