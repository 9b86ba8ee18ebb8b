#include "cli/cli_options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <vector>

#include "analysis/fast_kernels.hpp"
#include "base/decimal.hpp"
#include "base/limits.hpp"
#include "base/messages_cli.hpp"
#include "base/messages_ranges.hpp"
#include "randomisation/bootstrap.hpp"
#include "randomisation/integer_entry.hpp"
#include "randomisation/random_generator.hpp"

namespace zeltric::cli {

namespace {

// Every check of a number is a range check, so a number too large for any
// type is simply out of range.
std::optional<long long> wholeNumber(const std::string& text) {
    const base::Decimal d = base::parseDecimal(text);
    if (d.status == base::Decimal::Status::NotANumber) return std::nullopt;
    return d.value;
}

std::optional<std::pair<long long, long long>> numberPair(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) return std::nullopt;
    auto a = wholeNumber(text.substr(0, comma));
    auto b = wholeNumber(text.substr(comma + 1));
    if (!a || !b) return std::nullopt;
    return std::make_pair(*a, *b);
}

// The figure formats, named by the extension in any case.
bool figureExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string extension = path.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension == ".svg" || extension == ".pdf" || extension == ".png";
}

}  // namespace

std::string exactTestProblem(const CliOptions& options) {
    if (!options.test || *options.test <= base::kMaxRandomisations) return {};
    return base::optionValueMessage(base::OptionValue::Randomisations, "--test", std::to_string(*options.test));
}

std::string cliUsage() {
    return "Usage: zeltric-cli [OPTIONS] DATA_FILE\n"
           "       zeltric-cli [--threads N] [--plot X,Y] [--quiet] [--out DIR] --rerun NAME.json\n"
           "\n"
           "Analyses the genotype data file DATA_FILE as the desktop program's Go does and writes the\n"
           "allele frequency (.fre), results (.pca), sample coordinate (.pop), allele coordinate (.al)\n"
           "and share (.per) files beside it, and the run record NAME.json (how the run was made and\n"
           "its figures, for R, Python and --rerun). The results file is printed on standard output;\n"
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
           "  --test R           permutation test with R randomisations (" +
           base::randomisationRange() +
           "), like \"Testing\";\n"
           "                     up to " +
           std::to_string(base::kMaxExtendedRandomisations) +
           " with the extended analysis\n"
           "                       e.g. --test 1000\n"
           "  --seed-file FILE   the seed file: its seeds start the test (unless --seeds is given) and\n"
           "                     the generator's state is saved there after it, so the next run\n"
           "                     continues the stream (default ZELTRIC.INI in the current folder)\n"
           "                       e.g. --seed-file $HOME/zeltric/ZELTRIC.INI\n"
           "  --seeds S1,S2      the generator's seeds for this test (S1 in " +
           base::firstSeedRange() +
           ",\n"
           "                     S2 in " +
           base::secondSeedRange() +
           ") instead of the seed file's\n"
           "                       e.g. --seeds 12345,67890\n"
           "  --bootstrap B      bootstrap over loci with B replicates (" +
           base::replicateRange() +
           "), like \"Bootstrap\n"
           "                     over loci\": intervals for the global Fst and each axis's Fst and\n"
           "                     share, appended to the results file\n"
           "                       e.g. --bootstrap 1000\n"
           "  --bootstrap-seeds S1,S2\n"
           "                     the bootstrap generator's seeds (default 1,1; same ranges as --seeds);\n"
           "                     the seed file is neither read nor written for it\n"
           "                       e.g. --bootstrap 1000 --bootstrap-seeds 4711,815\n"
           "  --threads N        worker threads for the test and the bootstrap (default: all cores);\n"
           "                     the results do not depend on it\n"
           "                       e.g. --threads 2\n"
           "  --plot X,Y         draw the ordination plot of axes X and Y as a BMP picture\n"
           "                       e.g. --plot 1,2\n"
           "  --plot-file FILE   where the picture goes (default: the results' base name + .bmp);\n"
           "                     needs --plot\n"
           "                       e.g. --plot 1,3 --plot-file axes13.bmp\n"
           "  --kernels NAME     the analysis kernels: reference, scalar, sse2, avx2 or avx512 (default:\n"
           "                     the fastest this processor runs, or the environment variable\n"
           "                     ZELTRIC_KERNELS); the results do not depend on it\n"
           "                       e.g. --kernels reference\n"
           "  --format NAME      DATA_FILE is in another format: genepop, structure, genetix or fstat;\n"
           "                     without it, Genepop, STRUCTURE and GENETIX files are recognised by\n"
           "                     their content and extension. The file is converted to a data file,\n"
           "                     a label file and an allele table beside it (FILE-FORMAT.dat,\n"
           "                     FILE-FORMAT.lab, FILE-FORMAT-alleles.txt), which are then analysed\n"
           "                       e.g. --format fstat\n"
           "  --convert-only     write the converted files and stop\n"
           "                       e.g. zeltric-cli --convert-only trout.gen\n"
           "  --structure-loci N the number of loci of a STRUCTURE file (detected unless given)\n"
           "                       e.g. --structure-loci 12\n"
           "  --structure-rows 1|2\n"
           "                     rows per individual in a STRUCTURE file (detected unless given)\n"
           "                       e.g. --structure-rows 1\n"
           "  --structure-extra-columns N\n"
           "                     columns between PopData and the genotypes, such as PopFlag\n"
           "                     (detected unless given)\n"
           "                       e.g. --structure-extra-columns 2\n"
           "  --structure-missing CODE\n"
           "                     the missing value of a STRUCTURE file (default -9)\n"
           "                       e.g. --structure-missing 0\n"
           "  --figure FILE      a publication figure of the plot's samples with markers, labels placed\n"
           "                     clear of each other, ticks and axis titles; the format follows the\n"
           "                     extension: .svg, .pdf or .png (PDF and PNG need the Qt build)\n"
           "                       e.g. --figure trout.pdf\n"
           "  --axes X,Y         the figure's horizontal and vertical axes (default: those of --plot,\n"
           "                     else 1,2)\n"
           "                       e.g. --figure trout13.svg --axes 1,3\n"
           "  --figure-width N   pixels across a PNG figure, " +
           base::pngWidthRange() + " (default " + std::to_string(base::kDefaultPngWidth) +
           "); needs --figure\n"
           "                       e.g. --figure trout.png --figure-width 3000\n"
           "  --figure-intervals after --bootstrap, each axis title of the figure also gives the 95 %\n"
           "                     interval of its share of inertia (without it the figure holds none)\n"
           "                       e.g. --bootstrap 1000 --figure trout.svg --figure-intervals\n"
           "  --figure-aspect A  \"equal\" (default): both axes at one scale, the frame shaped by the\n"
           "                     data; \"free\": each axis fills its side of the frame\n"
           "                       e.g. --figure trout.svg --figure-aspect free\n"
           "  --tables           also write the results as CSV tables beside the outputs:\n"
           "                     NAME-frequencies.csv, NAME-samples.csv, NAME-alleles.csv, NAME-axes.csv\n"
           "                       e.g. --test 1000 --tables\n"
           "  --statistics       Weir and Cockerham's theta, F and f, Nei's diversities and the theta\n"
           "                     of every pair of samples: NAME-loci.csv, NAME-pairwise.csv and\n"
           "                     NAME-sample-diversity.csv beside the outputs, a section appended to\n"
           "                     the results file and a statistics object in the run record\n"
           "                       e.g. --statistics\n"
           "  --pairwise-test R  with --statistics: each pair's theta tested by R - 1 randomisations of\n"
           "                     the pair's individuals (" +
           base::randomisationRange() +
           "); P and Holm's adjusted P\n"
           "                     in NAME-pairwise.csv\n"
           "                       e.g. --statistics --pairwise-test 1000\n"
           "  --pairwise-seeds S1,S2\n"
           "                     the pairwise test's seeds (default 1,1; same ranges as --seeds); the\n"
           "                     seed file is neither read nor written for it\n"
           "                       e.g. --statistics --pairwise-test 1000 --pairwise-seeds 4711,815\n"
           "  --pairwise-figure FILE\n"
           "                     with --statistics: a heat map of pairwise theta, samples in the order\n"
           "                     of the first axis, pairs below 0.05 after Holm's adjustment marked;\n"
           "                     .svg, .pdf or .png (PDF and PNG need the Qt build)\n"
           "                       e.g. --statistics --pairwise-figure trout-theta.svg\n"
           "  --rerun RECORD     check a run from its record NAME.json alone: its data and label files\n"
           "                     (beside the record by name, else at the recorded path, refused\n"
           "                     when their SHA-256 differs; a converted run's source file is\n"
           "                     converted again), selection, test, bootstrap and starting seeds.\n"
           "                     The outputs go into a folder of their own, NAME-rerun/ beside the\n"
           "                     record (or --out), and each is compared with the original run's\n"
           "                     beside the record: byte-identical or differing. The seed file is\n"
           "                     left alone\n"
           "                       e.g. zeltric-cli --rerun trout.json\n"
           "  --analysis exact|extended\n"
           "                     which analysis runs. VCF, BCF and PLINK files (and foreign files past\n"
           "                     a data file's limits) go to the extended analysis: the same figures\n"
           "                     in double precision from exact counts, without fixed limits; a data\n"
           "                     file past its limits is refused unless extended is asked for\n"
           "                       e.g. --analysis extended\n"
           "  --popmap FILE      the samples of a VCF, BCF or PLINK file's individuals: one line per\n"
           "                     individual, its name and its sample, separated by blanks (# starts\n"
           "                     a comment); a .fam's family IDs are the samples without it\n"
           "                       e.g. --popmap samples.txt\n"
           "  --allele-outputs   the extended analysis's per-allele files (.fre, .al) also for more\n"
           "                     than 5000 loci, compressed (.fre.gz, .al.gz)\n"
           "                       e.g. --allele-outputs\n"
           "  --out DIR          the folder of a rerun's outputs (created when missing); needs --rerun\n"
           "                       e.g. zeltric-cli --rerun trout.json --out check\n"
           "  --quiet, -q        nothing on standard output and no progress; messages still go to\n"
           "                     standard error\n"
           "                       e.g. zeltric-cli --quiet --test 1000 trout.dat\n"
           "  --help, -h         this text\n"
           "                       e.g. zeltric-cli --help\n"
           "  --version          the program's name and version\n"
           "                       e.g. zeltric-cli --version\n"
           "  --                 ends the options: what follows is the data file, even when its\n"
           "                     name starts with a minus\n"
           "                       e.g. zeltric-cli -- -x.dat\n"
           "\n"
           "Exit status: 0 success, 1 an input error (the message names the file and line), an\n"
           "output that could not be written or seeds that could not be saved, 2 a usage error,\n"
           "4 a rerun whose outputs differ from the original run's (each is named);\n"
           "a run stopped by Ctrl-C, SIGTERM or SIGHUP ends killed by that signal (status 130 in a\n"
           "shell after Ctrl-C).\n"
           "\n"
           "Examples:\n"
           "  zeltric-cli trout.dat\n"
           "  zeltric-cli --labels trout.lab --pops 1-4,7 --loci 2-6 trout.dat\n"
           "  zeltric-cli --labels trout.lab --test 1000 --seeds 12345,67890 --plot 1,2 trout.dat\n"
           "  zeltric-cli --test 1000 --seeds 12345,67890 trout.gen\n"
           "  zeltric-cli --bootstrap 1000 trout.dat\n"
           "  zeltric-cli --labels trout.lab --test 1000 --seeds 12345,67890 --figure trout.pdf trout.dat\n"
           "  for f in *.dat; do zeltric-cli --quiet --test 1000 --seeds 12345,67890 \"$f\"; done\n";
}

namespace {

// The command line's grammar: every option's spelling, whether it takes a
// value, and what the value must be. Each option's callback runs as soon as
// the option is read, so the first mistake on the line is the one reported
// and a repeated option's last value wins.
class OptionReader {
public:
    explicit OptionReader(CliOptions& options) : o_(options) {
        // Our own --help text and messages; the data file and unknown options
        // come back as extras, read in order by settleExtras.
        app_.set_help_flag();
        app_.allow_extras();
        value("--loci", [this](const std::string& v) { o_.loci = v; });
        value("--pops", [this](const std::string& v) { o_.pops = v; });
        value("--labels", [this](const std::string& v) { o_.labels = v; });
        value("--test", [this](const std::string& v) {
            auto r = wholeNumber(v);
            // Past the exact analysis's range only the extended analysis
            // takes the count (checked once the analysis is known).
            if (!r || *r < base::kMinRandomisations || *r > base::kMaxExtendedRandomisations)
                refuse(base::optionValueMessage(base::OptionValue::Randomisations, "--test", v));
            o_.test = static_cast<int>(*r);
        });
        value("--seed-file", [this](const std::string& v) {
            if (v.empty()) refuse(needsValue("--seed-file"));
            o_.seedFile = v;
            seedFileGiven = true;
        });
        value("--seeds", [this](const std::string& v) { o_.seeds = seedPair("--seeds", v); });
        value("--bootstrap", [this](const std::string& v) {
            auto b = wholeNumber(v);
            if (!b || *b < base::kMinReplicates || *b > base::kMaxReplicates)
                refuse(base::optionValueMessage(base::OptionValue::Replicates, "--bootstrap", v));
            o_.bootstrap = static_cast<int>(*b);
        });
        value("--bootstrap-seeds",
              [this](const std::string& v) { o_.bootstrapSeeds = seedPair("--bootstrap-seeds", v); });
        value("--threads", [this](const std::string& v) {
            auto n = wholeNumber(v);
            if (!n || *n < 1 || *n > 256)
                refuse(base::optionValueMessage(base::OptionValue::Threads, "--threads", v));
            o_.threads = static_cast<int>(*n);
        });
        value("--plot", [this](const std::string& v) {
            auto pair = numberPair(v);
            if (!pair || pair->first < 1 || pair->second < 1 || pair->first > 500 || pair->second > 500)
                refuse(base::optionValueMessage(base::OptionValue::PlotAxes, "--plot", v));
            o_.plot = std::make_pair(static_cast<int>(pair->first), static_cast<int>(pair->second));
        });
        value("--plot-file", [this](const std::string& v) {
            if (v.empty()) refuse(needsValue("--plot-file"));
            o_.plotFile = v;
        });
        value("--kernels", [this](const std::string& v) {
            if (v.empty() || !analysis::KernelSelection::fromName(v))
                refuse(base::kernelsValueMessage(analysis::KernelSelection::names(), v));
            o_.kernels = v;
        });
        value("--format", [this](const std::string& v) {
            o_.format = formats::formatFromName(v);
            if (!o_.format) refuse(base::optionValueMessage(base::OptionValue::Format, "--format", v));
        });
        flag("--convert-only", o_.convertOnly);
        value("--structure-loci", [this](const std::string& v) {
            auto n = wholeNumber(v);
            if (!n || *n < 1 || *n > 100000)
                refuse(base::optionValueMessage(base::OptionValue::StructureLoci, "--structure-loci", v));
            o_.structure.loci = static_cast<int>(*n);
        });
        value("--structure-rows", [this](const std::string& v) {
            auto n = wholeNumber(v);
            if (!n || (*n != 1 && *n != 2))
                refuse(base::optionValueMessage(base::OptionValue::StructureRows, "--structure-rows", v));
            o_.structure.rows = static_cast<int>(*n);
        });
        value("--structure-extra-columns", [this](const std::string& v) {
            auto n = wholeNumber(v);
            if (!n || *n < 0 || *n > 100000)
                refuse(base::optionValueMessage(base::OptionValue::StructureExtraColumns,
                                                "--structure-extra-columns", v));
            o_.structure.extraColumns = static_cast<int>(*n);
        });
        value("--structure-missing", [this](const std::string& v) {
            auto n = wholeNumber(v);
            if (!n || *n < -999999999 || *n > 999999999)
                refuse(base::optionValueMessage(base::OptionValue::StructureMissing, "--structure-missing", v));
            o_.structure.missing = *n;
        });
        value("--figure", [this](const std::string& v) {
            if (v.empty()) refuse(needsValue("--figure"));
            if (!figureExtension(v))
                refuse(base::optionValueMessage(base::OptionValue::FigureFile, "--figure", v));
            o_.figure = v;
        });
        value("--axes", [this](const std::string& v) {
            auto pair = numberPair(v);
            if (!pair || pair->first < 1 || pair->second < 1 || pair->first > 500 || pair->second > 500 ||
                pair->first == pair->second)
                refuse(base::optionValueMessage(base::OptionValue::FigureAxes, "--axes", v));
            o_.axes = std::make_pair(static_cast<int>(pair->first), static_cast<int>(pair->second));
        });
        value("--figure-width", [this](const std::string& v) {
            auto n = wholeNumber(v);
            if (!n || *n < base::kMinPngWidth || *n > base::kMaxPngWidth)
                refuse(base::optionValueMessage(base::OptionValue::FigureWidth, "--figure-width", v));
            o_.figureWidth = static_cast<int>(*n);
        });
        flag("--figure-intervals", o_.figureIntervals);
        flag("--tables", o_.tables);
        value("--figure-aspect", [this](const std::string& v) {
            if (v != "equal" && v != "free")
                refuse(base::optionValueMessage(base::OptionValue::FigureAspect, "--figure-aspect", v));
            o_.figureAspect = v;
        });
        value("--rerun", [this](const std::string& v) {
            if (v.empty()) refuse(needsValue("--rerun"));
            o_.rerun = v;
        });
        value("--popmap", [this](const std::string& v) {
            if (v.empty()) refuse(needsValue("--popmap"));
            o_.popmap = v;
        });
        value("--analysis", [this](const std::string& v) {
            if (v != "exact" && v != "extended") refuse("--analysis needs exact or extended, not \"" + v + "\"");
            o_.analysis = v;
        });
        flag("--allele-outputs", o_.alleleOutputs);
        value("--out", [this](const std::string& v) {
            if (v.empty()) refuse(needsValue("--out"));
            o_.out = v;
        });
        flag("--statistics", o_.statistics);
        value("--pairwise-test", [this](const std::string& v) {
            auto r = wholeNumber(v);
            if (!r || *r < base::kMinRandomisations || *r > base::kMaxRandomisations)
                refuse(base::optionValueMessage(base::OptionValue::Randomisations, "--pairwise-test", v));
            o_.pairwiseTest = static_cast<int>(*r);
        });
        value("--pairwise-seeds",
              [this](const std::string& v) { o_.pairwiseSeeds = seedPair("--pairwise-seeds", v); });
        value("--pairwise-figure", [this](const std::string& v) {
            if (v.empty()) refuse(needsValue("--pairwise-figure"));
            if (!figureExtension(v))
                refuse(base::optionValueMessage(base::OptionValue::FigureFile, "--pairwise-figure", v));
            o_.pairwiseFigure = v;
        });
        flag("--quiet", o_.quiet);
        flag("--help", o_.help);
        flag("--version", o_.version);
    }

    // Reads argv[1..]; a usage error comes back as its message.
    std::string read(int argc, const char* const* argv) {
        std::vector<std::string> arguments = normalised(argc, argv);
        const std::string last = arguments.empty() ? std::string() : arguments.back();
        std::reverse(arguments.begin(), arguments.end());  // CLI::App::parse takes them last first
        try {
            try {
                app_.parse(arguments);
            } catch (const CLI::ArgumentMismatch&) {
                // Only an option without its value at the very end gets here;
                // a mistake before it still comes first.
                settleExtras();
                return needsValue(last);
            }
            settleExtras();
        } catch (const CLI::ParseError& e) {
            return e.what();
        }
        return {};
    }

    bool seedFileGiven = false;

private:
    [[noreturn]] static void refuse(const std::string& message) { throw CLI::ValidationError(message); }
    static std::string needsValue(const std::string& option) { return base::optionNeedsValueMessage(option); }

    static std::pair<long long, long long> seedPair(const std::string& option, const std::string& v) {
        auto pair = numberPair(v);
        if (!pair || !base::validSeeds(pair->first, pair->second))
            refuse(base::optionValueMessage(base::OptionValue::Seeds, option, v));
        return *pair;
    }

    void value(const std::string& name, std::function<void(const std::string&)> take) {
        app_.add_option(name,
                        [this, take = std::move(take)](const CLI::results_t& results) {
                            settleExtras();
                            take(results.back());
                            return true;
                        })
            ->trigger_on_parse()
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }

    // A flag ignores a value given with an equals sign (--quiet=no is --quiet).
    void flag(const std::string& names, bool& target) {
        app_.add_option(names,
                        [this, &target](const CLI::results_t&) {
                            settleExtras();
                            target = true;
                            return true;
                        })
            ->expected(0)
            ->trigger_on_parse()
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }

    bool takesValue(const std::string& name) const {
        const CLI::Option* option = app_.get_option_no_throw(name);
        return option != nullptr && option->get_expected_min() > 0;
    }

    // "--name=value" of an option with a value becomes "--name" "value", so
    // that an empty value stays a value (the library would take the next
    // argument instead), and the short names are spelt out. An argument that
    // is another option's value, or follows "--", is left as it is.
    std::vector<std::string> normalised(int argc, const char* const* argv) const {
        std::vector<std::string> out;
        bool valueNext = false;
        bool ended = false;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (valueNext || ended) {
                valueNext = false;
                out.push_back(arg);
                continue;
            }
            ended = arg == "--";
            // -q and -h are only ever given alone: the library would read -qh
            // as both, which has always been refused as an unknown option.
            if (arg == "-q" || arg == "-h") {
                out.push_back(arg == "-q" ? "--quiet" : "--help");
                continue;
            }
            if (arg.rfind("--", 0) == 0) {
                const std::size_t eq = arg.find('=');
                const std::string name = arg.substr(0, eq);
                if (takesValue(name)) {
                    if (eq == std::string::npos) {
                        valueNext = true;
                    } else {
                        out.push_back(name);
                        out.push_back(arg.substr(eq + 1));
                        continue;
                    }
                }
            }
            out.push_back(arg);
        }
        return out;
    }

    // The arguments no option took, in order: the "--" that ends the options,
    // unknown options and the data file. Settled before each option's value
    // is looked at, so whichever mistake comes first on the line is reported.
    void settleExtras() {
        const std::vector<std::string> extras = app_.remaining();
        for (; settled_ < extras.size(); ++settled_) {
            const std::string& arg = extras[settled_];
            if (!optionsEnded_ && arg == "--") {
                optionsEnded_ = true;
            } else if (!optionsEnded_ && arg.size() > 1 && arg[0] == '-') {
                refuse(base::unknownOptionMessage(arg));
            } else {
                if (!o_.dataFile.empty()) refuse(base::oneDataFileMessage());
                o_.dataFile = arg;
            }
        }
    }

    CliOptions& o_;
    CLI::App app_{"", "zeltric-cli"};
    std::size_t settled_ = 0;
    bool optionsEnded_ = false;
};

}  // namespace

CliParse parseCliOptions(int argc, const char* const* argv) {
    CliParse result;
    CliOptions& o = result.options;
    auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };
    OptionReader reader(o);
    if (std::string error = reader.read(argc, argv); !error.empty()) return fail(error);
    const bool seedFileGiven = reader.seedFileGiven;
    if (o.rerun && !o.help && !o.version) {
        // The record alone says what ran; nothing may change it.
        if (!o.dataFile.empty()) return fail(base::rerunWithDataFileMessage());
        for (const auto& [given, option] : {std::pair{o.loci.has_value(), "--loci"},
                                            {o.pops.has_value(), "--pops"},
                                            {o.labels.has_value(), "--labels"},
                                            {o.test.has_value(), "--test"},
                                            {o.seeds.has_value(), "--seeds"},
                                            {seedFileGiven, "--seed-file"},
                                            {o.bootstrap.has_value(), "--bootstrap"},
                                            {o.bootstrapSeeds.has_value(), "--bootstrap-seeds"},
                                            {o.format.has_value(), "--format"},
                                            {o.convertOnly, "--convert-only"},
                                            {o.popmap.has_value(), "--popmap"},
                                            {o.analysis.has_value(), "--analysis"},
                                            {o.statistics, "--statistics"},
                                            {o.pairwiseTest.has_value(), "--pairwise-test"},
                                            {o.pairwiseSeeds.has_value(), "--pairwise-seeds"},
                                            {o.pairwiseFigure.has_value(), "--pairwise-figure"}})
            if (given) return fail(base::rerunWithSettingMessage(option));
        return result;
    }
    if (o.out && !o.help && !o.version) return fail(base::optionNeedsOptionMessage("--out", "--rerun RECORD"));
    if (!o.help && !o.version && o.dataFile.empty()) return fail(base::noDataFileMessage());
    if (o.plotFile && !o.plot) return fail(base::optionNeedsOptionMessage("--plot-file", "--plot X,Y"));
    if (o.bootstrapSeeds && !o.bootstrap)
        return fail(base::optionNeedsOptionMessage("--bootstrap-seeds", "--bootstrap B"));
    for (const auto& [given, option] : {std::pair{o.pairwiseTest.has_value(), "--pairwise-test"},
                                        {o.pairwiseSeeds.has_value(), "--pairwise-seeds"},
                                        {o.pairwiseFigure.has_value(), "--pairwise-figure"}})
        if (given && !o.statistics) return fail(base::optionNeedsOptionMessage(option, "--statistics"));
    if (o.pairwiseSeeds && !o.pairwiseTest)
        return fail(base::optionNeedsOptionMessage("--pairwise-seeds", "--pairwise-test R"));
    if (o.axes && !o.figure) return fail(base::optionNeedsOptionMessage("--axes", "--figure FILE"));
    if (o.figureWidth && !o.figure) return fail(base::optionNeedsOptionMessage("--figure-width", "--figure FILE"));
    if (o.figureIntervals && !o.figure)
        return fail(base::optionNeedsOptionMessage("--figure-intervals", "--figure FILE"));
    if (o.figureAspect && !o.figure)
        return fail(base::optionNeedsOptionMessage("--figure-aspect", "--figure FILE"));
    return result;
}

void applyRerunPlan(CliOptions& options, const record::RerunPlan& plan) {
    auto listText = [](const std::vector<int>& numbers) {
        std::string text;
        for (int n : numbers) text += (text.empty() ? "" : ",") + std::to_string(n);
        return text;
    };
    // A converted run's source file is converted again as the run did.
    options.dataFile = plan.sourcePath ? *plan.sourcePath : plan.dataPath;
    if (plan.sourceFormat) options.format = formats::formatFromName(*plan.sourceFormat);
    options.labels = plan.labelPath;
    options.loci = plan.loci ? std::optional(listText(*plan.loci)) : std::nullopt;
    options.pops = plan.samples ? std::optional(listText(*plan.samples)) : std::nullopt;
    options.test = plan.randomisations;
    if (plan.seedsStart)
        options.seeds = std::pair<long long, long long>(plan.seedsStart->first, plan.seedsStart->second);
    options.bootstrap = plan.bootstrapReplicates;
    if (plan.bootstrapSeeds)
        options.bootstrapSeeds =
            std::pair<long long, long long>(plan.bootstrapSeeds->first, plan.bootstrapSeeds->second);
    options.statistics = plan.statistics;
    options.pairwiseTest = plan.pairwiseRandomisations;
    if (plan.pairwiseSeeds)
        options.pairwiseSeeds =
            std::pair<long long, long long>(plan.pairwiseSeeds->first, plan.pairwiseSeeds->second);
    options.keepSeedFile = true;
}

}  // namespace zeltric::cli
