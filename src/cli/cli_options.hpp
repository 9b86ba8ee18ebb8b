#pragma once

#include <optional>
#include <string>

namespace zeltric::run {

// The batch front end's command line.
struct CliOptions {
    std::string dataFile;
    std::optional<std::string> loci;  // list text as given, e.g. "1,3,5-8"
    std::optional<std::string> pops;
    std::optional<std::string> labels;
    std::optional<int> test;  // randomisations
    std::string seedFile = "ZELTRIC.INI";
    std::optional<std::pair<long long, long long>> seeds;
    int threads = 0;  // 0 = all cores
    std::optional<std::pair<int, int>> plot;
    std::optional<std::string> plotFile;
    std::optional<std::string> kernels;  // a name analysis::KernelSelection::fromName takes
    bool quiet = false;
    bool help = false;
    bool version = false;
};

struct CliParse {
    CliOptions options;
    std::string error;  // non-empty: a usage error (exit 2)
};

CliParse parseCliOptions(int argc, const char* const* argv);
std::string cliUsage();

}  // namespace zeltric::run
