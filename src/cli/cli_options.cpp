#include "cli/cli_options.hpp"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "analysis/fast_kernels.hpp"
#include "randomisation/integer_entry.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::run {

namespace {

std::optional<long long> wholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size() || text.size() > 19) return std::nullopt;
    for (std::size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    return std::strtoll(text.c_str(), nullptr, 10);
}

std::optional<std::pair<long long, long long>> numberPair(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) return std::nullopt;
    auto a = wholeNumber(text.substr(0, comma));
    auto b = wholeNumber(text.substr(comma + 1));
    if (!a || !b) return std::nullopt;
    return std::make_pair(*a, *b);
}

}  // namespace

std::string cliUsage() {
    return "Usage: zeltric-cli [OPTIONS] DATA_FILE\n"
           "\n"
           "Analyses the genotype data file DATA_FILE as the desktop program's Go does and writes the\n"
           "allele frequency (.fre), results (.pca), sample coordinate (.pop), allele coordinate (.al)\n"
           "and share (.per) files beside it. The results file is printed on standard output;\n"
           "messages and progress go to standard error.\n"
           "\n"
           "Options (a value may also follow an equals sign: --test=1000):\n"
           "  --loci LIST        only these loci, numbered as in the data file, like \"Loci to use\";\n"
           "                     a list of numbers and ranges\n"
           "                       e.g. --loci 1,3,5-8\n"
           "  --pops LIST        only these samples (at least two), like \"Pops to use\"\n"
           "                       e.g. --pops 1-4,7\n"
           "  --labels FILE      sample labels, one per line, like \"Label file for pops\"\n"
           "                       e.g. --labels trout.lab\n"
           "  --test R           permutation test with R randomisations (100..15000), like \"Testing\"\n"
           "                       e.g. --test 1000\n"
           "  --seed-file FILE   the seed file: its seeds start the test (unless --seeds is given) and\n"
           "                     the generator's state is saved there after it, so the next run\n"
           "                     continues the stream (default ZELTRIC.INI in the current folder)\n"
           "                       e.g. --seed-file $HOME/zeltric/ZELTRIC.INI\n"
           "  --seeds S1,S2      the generator's seeds for this test (S1 in 1..2147483562,\n"
           "                     S2 in 1..2147483398) instead of the seed file's\n"
           "                       e.g. --seeds 12345,67890\n"
           "  --threads N        worker threads for the test (default: all cores); the results do not\n"
           "                     depend on it\n"
           "                       e.g. --threads 2\n"
           "  --plot X,Y         draw the ordination plot of axes X and Y as a BMP picture\n"
           "                       e.g. --plot 1,2\n"
           "  --plot-file FILE   where the picture goes (default: the results' base name + .bmp);\n"
           "                     needs --plot\n"
           "                       e.g. --plot 1,3 --plot-file axes13.bmp\n"
           "  --kernels NAME     the analysis kernels: reference, sse2, avx2 or avx512 (default: the\n"
           "                     fastest this processor runs, or the environment variable\n"
           "                     ZELTRIC_KERNELS); the results do not depend on it\n"
           "                       e.g. --kernels reference\n"
           "  --quiet, -q        nothing on standard output and no progress; messages still go to\n"
           "                     standard error\n"
           "                       e.g. zeltric-cli --quiet --test 1000 trout.dat\n"
           "  --help, -h         this text\n"
           "                       e.g. zeltric-cli --help\n"
           "  --version          the program's name and version\n"
           "                       e.g. zeltric-cli --version\n"
           "\n"
           "Exit status: 0 success, 1 an input error (the message names the file and line),\n"
           "2 a usage error.\n"
           "\n"
           "Examples:\n"
           "  zeltric-cli trout.dat\n"
           "  zeltric-cli --labels trout.lab --pops 1-4,7 --loci 2-6 trout.dat\n"
           "  zeltric-cli --labels trout.lab --test 1000 --seeds 12345,67890 --plot 1,2 trout.dat\n"
           "  for f in *.dat; do zeltric-cli --quiet --test 1000 --seeds 12345,67890 \"$f\"; done\n";
}

CliParse parseCliOptions(int argc, const char* const* argv) {
    CliParse result;
    CliOptions& o = result.options;
    auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        auto needs = [&](const std::string& option) { return "option " + option + " needs a value"; };

        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--version") {
            o.version = true;
        } else if (name == "--quiet" || name == "-q") {
            o.quiet = true;
        } else if (name == "--loci") {
            auto v = value();
            if (!v) return fail(needs(name));
            o.loci = *v;
        } else if (name == "--pops") {
            auto v = value();
            if (!v) return fail(needs(name));
            o.pops = *v;
        } else if (name == "--labels") {
            auto v = value();
            if (!v) return fail(needs(name));
            o.labels = *v;
        } else if (name == "--test") {
            auto v = value();
            if (!v) return fail(needs(name));
            auto r = wholeNumber(*v);
            if (!r || *r < randomisation::kMinRandomisations || *r > randomisation::kMaxRandomisations)
                return fail("--test needs a number of randomisations within 100..15000, not \"" + *v + "\"");
            o.test = static_cast<int>(*r);
        } else if (name == "--seed-file") {
            auto v = value();
            if (!v || v->empty()) return fail(needs(name));
            o.seedFile = *v;
        } else if (name == "--seeds") {
            auto v = value();
            if (!v) return fail(needs(name));
            auto pair = numberPair(*v);
            if (!pair || pair->first < 1 || pair->first > randomisation::kSeed1Max || pair->second < 1 ||
                pair->second > randomisation::kSeed2Max)
                return fail("--seeds needs two seeds S1,S2 with S1 in 1..2147483562 and S2 in 1..2147483398, not \"" +
                            *v + "\"");
            o.seeds = pair;
        } else if (name == "--threads") {
            auto v = value();
            if (!v) return fail(needs(name));
            auto n = wholeNumber(*v);
            if (!n || *n < 1 || *n > 256) return fail("--threads needs a number within 1..256, not \"" + *v + "\"");
            o.threads = static_cast<int>(*n);
        } else if (name == "--plot") {
            auto v = value();
            if (!v) return fail(needs(name));
            auto pair = numberPair(*v);
            if (!pair || pair->first < 1 || pair->second < 1 || pair->first > 500 || pair->second > 500)
                return fail("--plot needs two axis numbers X,Y, not \"" + *v + "\"");
            o.plot = std::make_pair(static_cast<int>(pair->first), static_cast<int>(pair->second));
        } else if (name == "--plot-file") {
            auto v = value();
            if (!v || v->empty()) return fail(needs(name));
            o.plotFile = *v;
        } else if (name == "--kernels") {
            auto v = value();
            if (!v) return fail(needs(name));
            if (v->empty() || !analysis::KernelSelection::fromName(*v))
                return fail("--kernels needs one of " + std::string(analysis::KernelSelection::names()) +
                            ", not \"" + *v + "\"");
            o.kernels = *v;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else {
            if (!o.dataFile.empty()) return fail("only one data file can be analysed per run");
            o.dataFile = arg;
        }
    }
    if (!o.help && !o.version && o.dataFile.empty()) return fail("no data file given");
    if (o.plotFile && !o.plot) return fail("--plot-file needs --plot X,Y");
    return result;
}

}  // namespace zeltric::run
